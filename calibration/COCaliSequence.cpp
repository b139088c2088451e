#include "COCaliSequence.h"

#include <algorithm>
#include <iterator>

#include "COException.h"
#include "COGenSub.h"
#include "COSystemSetup.h"
#include "COUnits.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "FilterData.h"
#include "StringIds.h"
#include "TaskRecords.h"
#include "core/Controls.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

bool NamesSomething(const std::string& name) { return !name.empty() && name[0] != '_'; }

}  // namespace

// --- records ---

void CORecCaliSequence::DoFieldExchange(platform::CFieldExchange* pFX) {
  COCaliSequence* s = m_target;
  if (s == nullptr) throw platform::CDBException(-1, "The calibration sequence record set has no sequence");
  platform::RFX_Long(pFX, "NumCount", s->NumCount);
  platform::RFX_Text(pFX, "Name", s->Name);
  platform::RFX_Date(pFX, "StartTime", s->StartTime);
  platform::RFX_Date(pFX, "StopTime", s->StopTime);
  platform::RFX_Long(pFX, "StartNum", s->StartNum);
  platform::RFX_Long(pFX, "StopNum", s->StopNum);
  platform::RFX_Byte(pFX, "CaliMode", s->CaliMode);
  int calcSpan = s->CalcSpan, spanFilter = s->SpanFilter;
  platform::RFX_Int(pFX, "CalcSpan", calcSpan);
  platform::RFX_Single(pFX, "HumiSpan", s->HumiSpan);
  platform::RFX_Int(pFX, "SpanFilter", spanFilter);
  s->CalcSpan = static_cast<short>(calcSpan);
  s->SpanFilter = static_cast<short>(spanFilter);
  platform::RFX_Single(pFX, "ConcSpanHigh", s->ConcSpanHigh);
  platform::RFX_Single(pFX, "ConcSpanLow", s->ConcSpanLow);
  platform::RFX_Byte(pFX, "CaliCross", s->CaliCross);
  platform::RFX_Byte(pFX, "CaliTwoPoint", s->CaliTwoPoint);
  platform::RFX_Byte(pFX, "CaliHighConc", s->CaliHighConc);
  static const char* const kBanks[] = {"ActiveBank1", "ActiveBank2", "ActiveBank3", "ActiveBank4", "ActiveBank5"};
  for (int i = 0; i < 5; ++i) platform::RFX_Byte(pFX, kBanks[i], s->ActiveBank[i]);
  platform::RFX_Single(pFX, "AirPres", s->AirPres);
  platform::RFX_Byte(pFX, "FlushMode", s->FlushMode);
  platform::RFX_Single(pFX, "TubeLength", s->TubeLength);
  platform::RFX_Byte(pFX, "ChamberTime", s->ChamberTime);
  platform::RFX_Byte(pFX, "TubeTime", s->TubeTime);
  platform::RFX_Byte(pFX, "MeasTimeMode", s->MeasTimeMode);
  static const char* const kTimes[] = {"MeasTime1", "MeasTime2", "MeasTime3", "MeasTime4", "MeasTime5", "MeasTime6"};
  for (int i = 0; i < 6; ++i) platform::RFX_Byte(pFX, kTimes[i], s->MeasTime[i]);
  platform::RFX_Long(pFX, "Reserved", s->Reserved);
}

void CORecCaliGlobal::DoFieldExchange(platform::CFieldExchange* pFX) {
  COCaliSequence* s = m_target;
  if (s == nullptr) throw platform::CDBException(-1, "The task settings record set has no sequence");
  ExchangeTaskGlobal(pFX, s->SerialNum, s->UANum, s->GasName, s->MW);
}

// --- the sequence ---

COCaliSequence::COCaliSequence(DataContext& context, std::function<bool()> connected)
    : m_context(context), m_connected(std::move(connected)), m_recSequence(context), m_recGlobal(context) {
  m_recSequence.SetTarget(this);
  m_recGlobal.SetTarget(this);
}

COCaliSequence::COCaliSequence(const COCaliSequence& other)
    : COCaliSequence(other.m_context, other.m_connected) {
  *this = other;
}

COCaliSequence& COCaliSequence::operator=(const COCaliSequence& o) {
  if (this == &o) return *this;
  SequenceRun::operator=(o);
  CopySettings(o);
  std::copy(std::begin(o.ActiveBank), std::end(o.ActiveBank), ActiveBank);
  LockedFilter = o.LockedFilter;
  TaskGlobal::operator=(o);
  return *this;
}

void COCaliSequence::CopySettings(const COCaliSequence& o) {
  CaliMode = o.CaliMode;
  CalcSpan = o.CalcSpan;
  HumiSpan = o.HumiSpan;
  SpanFilter = o.SpanFilter;
  ConcSpanHigh = o.ConcSpanHigh;
  ConcSpanLow = o.ConcSpanLow;
  CaliCross = o.CaliCross;
  CaliTwoPoint = o.CaliTwoPoint;
  CaliHighConc = o.CaliHighConc;
  FlushMode = o.FlushMode;
  SequenceTiming::operator=(o);
}

const MonitorSetup& COCaliSequence::Monitor() const { return m_context.GetMonitorSetup(); }

const BankInfo* COCaliSequence::ActiveBankOf(int filter) const {
  if (filter < 0 || filter >= 5 || ActiveBank[filter] >= 5) return nullptr;
  return &Monitor().GetFilter(filter).GetBank(ActiveBank[filter]);
}

bool COCaliSequence::Load() {
  COSystemSetup& setup = m_context.Setup();
  setup.ConfigDataSource(COSystemSetup::kSystem);
  setup.ConfigDataSource(COSystemSetup::kCaliTask);
  if (!setup.DatabaseExists(setup.GetDatabaseName())) throw COException(IDS_OPEN_TASK_FAILED);
  try {
    dbfiles::CheckTaskFile(setup.GetDatabaseName());
    m_recSequence.CloseWithDatabase();
    m_recGlobal.CloseWithDatabase();
    m_recSequence.ClearFilter();
    m_recSequence.Open();
    if (!m_recSequence.IsEOF()) m_recSequence.MoveLast();
    m_recSequence.Edit();
    m_recGlobal.Open();
    m_recGlobal.Edit();
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    return false;
  }
  for (unsigned char& bank : ActiveBank)
    if (bank == kNoBank) bank = 0;
  return true;
}

bool COCaliSequence::Save() {
  for (CORecBase* rec : {static_cast<CORecBase*>(&m_recSequence), static_cast<CORecBase*>(&m_recGlobal)}) {
    try {
      rec->Update();
    } catch (const platform::CException& e) {
      ShowExceptionMessage(e);
      // The row stays the one to write next time.
      try {
        rec->Edit();
      } catch (const platform::CException&) {
      }
      return false;
    }
    try {
      rec->Edit();
    } catch (const platform::CException& e) {
      ShowExceptionMessage(e);
      return false;
    }
  }
  return true;
}

void COCaliSequence::NewSequence() {
  try {
    m_recSequence.Update();
    // The new row starts with every value of the one before.
    m_recSequence.AddNew();
    ++NumCount;
    Name = platform::Format(platform::LoadString(IDS_SEQUENCE_NAME).c_str(), NumCount);
    m_recSequence.Update();
    m_recSequence.Requery();
    if (!m_recSequence.IsEOF()) m_recSequence.MoveLast();
    m_recSequence.Edit();
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
  }
}

void COCaliSequence::Close() {
  m_recSequence.CloseWithDatabase();
  m_recGlobal.CloseWithDatabase();
}

bool COCaliSequence::SelectRow(const std::string& filter, int moveTo) {
  try {
    m_recSequence.SetFilter(filter);
    m_recSequence.OpenOrRequery();
    m_recSequence.ClearFilter();
    if (!m_recSequence.IsOpen() || m_recSequence.IsEOF()) return false;
    if (moveTo > 0) m_recSequence.Move(moveTo);
    if (m_recSequence.IsEOF()) return false;
    m_recSequence.Edit();
    return true;
  } catch (const platform::CException& e) {
    m_recSequence.ClearFilter();
    ShowExceptionMessage(e);
    return false;
  }
}

bool COCaliSequence::LoadByStopTime(const platform::CTime& time) {
  return SelectRow("[StopTime] >= " + FormatOdbcTimestamp(time), 0);
}

bool COCaliSequence::LoadByNumber(int n) { return n >= 1 && SelectRow(std::string(), n - 1); }

bool COCaliSequence::LoadByMeasNumbers(int startNum, int stopNum) {
  return SelectRow(platform::Format("[StartNum] = %d AND [StopNum] = %d", startNum, stopNum), 0);
}

bool COCaliSequence::LoadByStartStopTime(const platform::CTime& start, const platform::CTime& stop) {
  return SelectRow("[StartTime] = " + FormatOdbcTimestamp(start) + " AND [StopTime] = " + FormatOdbcTimestamp(stop), 0);
}

std::vector<std::string> COCaliSequence::GetSequenceNames() {
  std::vector<std::string> names;
  // A record set of its own: the sequence's row stays where it is.
  COCaliSequence probe(m_context, [] { return false; });
  try {
    probe.m_recSequence.Open();
    for (; !probe.m_recSequence.IsEOF(); probe.m_recSequence.MoveNext()) names.push_back(probe.Name);
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
  }
  probe.Close();
  return names;
}

void COCaliSequence::FillSequenceList(platform::IComboBox& combo) {
  combo.ResetContent();
  std::vector<std::string> entries{"(All)"};
  const std::vector<std::string> names = GetSequenceNames();
  entries.insert(entries.end(), names.begin(), names.end());
  entries.pop_back();
  for (const std::string& e : entries) combo.AddString(e);
  combo.SetCurSel(combo.GetCount() - 1);
}

// --- channels and filters ---

bool COCaliSequence::IsGasDefined(int channel) const {
  if (channel >= 5) return true;
  if (channel < 0 || !m_connected || !m_connected()) return false;
  const BankInfo* bank = ActiveBankOf(channel);
  return bank != nullptr && NamesSomething(bank->GetGasName().ToString());
}

bool COCaliSequence::IsFilterActive(int channel) const {
  if (channel >= 5) return true;
  if (channel < 0) return false;
  const bool gas = IsGasDefined(channel);
  switch (CaliMode) {
    case modeZero:
    case modeHumidityInterference:
      return gas;
    case modeHumiditySpan:
      return false;
    case modeSpan1P:
      return gas && (CaliCross != 0 || channel == SpanFilter);
    case modeSpan2P:
      return gas && ((CaliCross != 0 && CaliHighConc != 0) || channel == SpanFilter);
    default:
      return true;
  }
}

float COCaliSequence::GetMeasTime(int channel) const {
  switch (MeasTimeMode) {
    case 0: return 1.0f;
    case 1: return 5.0f;
    case 2: return 20.0f;
    default: break;
  }
  return MeasTimeCodeSeconds(GetMeasTimeCode(channel));
}

float COCaliSequence::GetMW(int channel) const {
  if (channel >= 0 && channel < 5) {
    const BankInfo* bank = ActiveBankOf(channel);
    return bank != nullptr ? static_cast<float>(bank->GetMW()) : 1.0f;
  }
  return channel == 5 ? 18.02f : 1.0f;
}

std::string COCaliSequence::GetFilterText(int filter) const {
  if (filter == 5) return "QF3318";
  if (filter < 0 || filter > 5) return "n/a";
  const std::string number = Monitor().GetFilter(filter).GetNumber().ToString();
  // The monitor's own number text is what it reported: none, or unset.
  if (number.empty() || number[0] == '_') return "n/a";
  return "UA" + number;
}

std::string COCaliSequence::GetBankGasName(int filter, int bank) const {
  if (filter < 0 || filter >= 5 || bank < 0 || bank >= 5) return "n/a";
  const std::string name = platform::TrimRight(Monitor().GetFilter(filter).GetBank(bank).GetGasName().ToString());
  return NamesSomething(name) ? name : "n/a";
}

std::string COCaliSequence::GetGasName(int channel) const {
  switch (channel) {
    case 5: return "W: Water Vapour";
    case 6: return "T: Temperature";
    case 7: return "P: Air Pressure";
    default: break;
  }
  if (channel < 0 || channel > 7) return std::string();
  const std::string letter = std::string(1, static_cast<char>('A' + channel)) + ": ";
  const BankInfo* bank = ActiveBankOf(channel);
  const std::string gas = bank != nullptr ? bank->GetGasName().ToString() : std::string();
  return letter + (NamesSomething(gas) ? gas : GetFilterText(channel));
}

void COCaliSequence::GetMonitorSetup(MonitorSetup& s) const {
  const COSystemSetup& setup = m_context.Setup();
  s.m_airPressure = GetAirPres();
  s.m_tubeLength = GetTubeLength();
  s.m_tubeTime = TubeTime;
  s.m_chamberTime = ChamberTime;
  s.m_modeFlag = FlushMode;
  setup.FillMonitorUnits(s);
  for (int f = 0; f < 5; ++f) {
    FilterInfo& info = s.GetFilter(f);
    info.m_integrationTime = GetMeasTime(f);
    info.m_activeBank = ActiveBank[f];
    info.m_active = IsFilterActive(f) ? 1 : 0;
  }
  s.m_waterIntegrationTime = GetMeasTime(5);
  s.m_waterActive = IsFilterActive(5) ? 1 : 0;
}

void COCaliSequence::SetGasNamesFromMonitor() {
  for (int f = 0; f < 5; ++f) {
    const BankInfo* bank = ActiveBankOf(f);
    GasName[f] = bank != nullptr ? platform::TrimRight(bank->GetGasName().ToString()) : std::string();
  }
}

// --- units ---

float COCaliSequence::GetAirPres() const { return m_context.Setup().PressureFromKpa(AirPres); }

void COCaliSequence::SetAirPres(float value) { AirPres = m_context.Setup().PressureToKpa(value); }

float COCaliSequence::GetTubeLength() const { return m_context.Setup().LengthFromMetres(TubeLength); }

void COCaliSequence::SetTubeLength(float value) { TubeLength = m_context.Setup().LengthToMetres(value); }


float COCaliSequence::GetConcSpanHigh(int unit) const {
  return COConcUnit(COConcUnit::ppm).Convert(COConcUnit(unit), ConcSpanHigh, GetMW(SpanFilter), kConversionTemp, AirPres);
}

void COCaliSequence::SetConcSpanHigh(int unit, float value) {
  ConcSpanHigh = COConcUnit(unit).Convert(COConcUnit(COConcUnit::ppm), value, GetMW(SpanFilter), kConversionTemp, AirPres);
}

float COCaliSequence::GetConcSpanLow(int unit) const {
  return COConcUnit(COConcUnit::ppm).Convert(COConcUnit(unit), ConcSpanLow, GetMW(SpanFilter), kConversionTemp, AirPres);
}

void COCaliSequence::SetConcSpanLow(int unit, float value) {
  ConcSpanLow = COConcUnit(unit).Convert(COConcUnit(COConcUnit::ppm), value, GetMW(SpanFilter), kConversionTemp, AirPres);
}

float COCaliSequence::GetHumiSpan(int unit) const {
  // The conversion takes the air's temperature in °C whatever unit the
  // windows show; that unit only names a dew point.
  const COSystemSetup& setup = m_context.Setup();
  return COHumiUnit(COConcUnit::ppm).Convert(COHumiUnit(unit), setup.GetTempUnit(), HumiSpan, kConversionTemp, AirPres);
}

void COCaliSequence::SetHumiSpan(int unit, float value) {
  const COSystemSetup& setup = m_context.Setup();
  HumiSpan = COHumiUnit(unit).Convert(COHumiUnit(COConcUnit::ppm), setup.GetTempUnit(), value, kConversionTemp, AirPres);
}

// --- the active sequence ---

void COCaliSequenceObs::Update(const CGenEvent& event) {
  switch (event.kind) {
    case eTaskStarted:
      m_firstMeas = true;
      break;
    case eMeasStored: {
      const COMeas& meas = *event.meas;
      // A sample numbered 0 was not stored: the run ends at the last one that was.
      if (meas.GetMeasNo() <= 0) break;
      SetStop(meas.GetMeasTime(), meas.GetMeasNo());
      if (m_firstMeas) {
        m_firstMeas = false;
        SetStart(meas.GetMeasTime(), meas.GetMeasNo());
      }
      Save();
      break;
    }
    case eTaskStopped:
      break;
    default:
      return;
  }
  if (m_followed) m_followed();
}
