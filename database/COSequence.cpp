#include "COSequence.h"

#include "CODBObs.h"
#include "COException.h"
#include "COSystemSetup.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "FilterData.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

constexpr unsigned char kNoBank = 255;

bool ValidFilter(int f) { return f >= 0 && f < 5; }

// A name the monitor leaves empty or starts with '_' names nothing.
bool NamesSomething(const std::string& name) { return !name.empty() && name[0] != '_'; }

SequenceTiming DefaultTiming() {
  SequenceTiming t;
  t.AirPres = 101.325f;  // kPa, the standard atmosphere
  t.ChamberTime = 2;
  t.TubeTime = 3;
  return t;
}

}  // namespace

COSequence::COSequence(DataContext& context)
    : SequenceTiming(DefaultTiming()), m_context(context), m_recSequence(context), m_recGlobal(context),
      m_recAlarm(context) {
  m_recSequence.SetTarget(this);
  m_recGlobal.SetTarget(this);
}

COSequence::~COSequence() = default;

COSequence::COSequence(const COSequence& other) : COSequence(other.m_context) { CopySettings(other); }

const MonitorSetup& COSequence::Monitor() const { return m_context.GetMonitorSetup(); }

COSequence& COSequence::operator=(const COSequence& other) {
  if (this != &other) CopySettings(other);
  return *this;
}

void COSequence::CopySettings(const COSequence& o) {
  m_alarms = o.m_alarms;
  SequenceRun::operator=(o);
  TaskGlobal::operator=(o);
  for (int i = 0; i < 5; ++i) ActiveBank[i] = o.ActiveBank[i];
  ActiveFilter = o.ActiveFilter;
  LockedFilter = o.LockedFilter;
  CopySampling(o);
}

void COSequence::SetDefaults() {
  SequenceRun::operator=(SequenceRun());
  TaskGlobal::operator=(TaskGlobal());
  SequenceTiming::operator=(DefaultTiming());
  for (unsigned char& bank : ActiveBank) bank = 0;
  ModeMask = 0;
  SampleInterval = 1;
  RollingAvg = 10;
  ActiveFilter = 0;
  LockedFilter = 0;
  Compensation = 0;
}

// --- accessors ---

void COSequence::SetGasName(int filter, const std::string& name) {
  if (ValidFilter(filter)) GasName[filter] = name;
}

void COSequence::SetMW(int filter, float mw) {
  if (ValidFilter(filter)) MW[filter] = mw;
}

void COSequence::SetActiveBank(int filter, unsigned char bank) {
  if (ValidFilter(filter)) ActiveBank[filter] = bank;
}

unsigned char COSequence::GetActiveBank(int filter) const { return ValidFilter(filter) ? ActiveBank[filter] : kNoBank; }

void COSequence::SetMeasTime(int filter, unsigned char code) {
  if (filter >= 0 && filter < 6) MeasTime[filter] = code;
}

unsigned char COSequence::GetMeasTime(int filter) const { return filter >= 0 && filter < 6 ? MeasTime[filter] : 0; }

float COSequence::GetIntegrationTime(int filter) const {
  switch (MeasTimeMode) {
    case 0: return 1.0f;
    case 1: return 5.0f;
    case 2: return 20.0f;
    case 3: return MeasTimeCodeSeconds(GetMeasTime(filter));
    default: return 5.0f;
  }
}

void COSequence::SetFilterActive(int filter, bool on) { SetBitFlag(&ActiveFilter, filter, on); }
bool COSequence::IsFilterActive(int filter) const { return IsBitFlagSet(ActiveFilter, filter); }
bool COSequence::IsFilterLocked(int filter) const { return IsBitFlagSet(LockedFilter, filter); }

void COSequence::SetFilterLocked(int filter, bool lock) {
  if (!IsFilterLocked(filter) && filter != 5 && ValidFilter(filter)) {
    GasName[filter] = GetGasName(filter);
    MW[filter] = GetMW(filter);
  }
  SetBitFlag(&LockedFilter, filter, lock);
}

void COSequence::SetSampleContinuously(bool on) { SetBitFlag(&ModeMask, 0, on); }
bool COSequence::GetSampleContinuously() const { return IsBitFlagSet(ModeMask, 0); }
void COSequence::SetRollingAvgOn(bool on) { SetBitFlag(&ModeMask, 1, on); }
bool COSequence::IsRollingAvgOn() const { return IsBitFlagSet(ModeMask, 1); }
void COSequence::SetModeFlag2(bool on) { SetBitFlag(&ModeMask, 2, on); }
bool COSequence::GetModeFlag2() const { return IsBitFlagSet(ModeMask, 2); }
void COSequence::SetWaterCompensation(bool on) { SetBitFlag(&Compensation, 0, on); }
bool COSequence::GetWaterCompensation() const { return IsBitFlagSet(Compensation, 0); }
void COSequence::SetCrossCompensation(bool on) { SetBitFlag(&Compensation, 1, on); }
bool COSequence::GetCrossCompensation() const { return IsBitFlagSet(Compensation, 1); }

void COSequence::SetReservedFlag(bool on) {
  uint32_t r = static_cast<uint32_t>(Reserved);
  SetBitFlag32(&r, 0, on);
  Reserved = static_cast<int>(r);
}

bool COSequence::IsReservedFlag() const { return IsBitSet(static_cast<uint32_t>(Reserved), 0); }

float COSequence::GetAirPres() const { return m_context.Setup().PressureFromKpa(AirPres); }

void COSequence::SetAirPres(float value) { AirPres = m_context.Setup().PressureToKpa(value); }

float COSequence::GetTubeLength() const { return m_context.Setup().LengthFromMetres(TubeLength); }

void COSequence::SetTubeLength(float value) { TubeLength = m_context.Setup().LengthToMetres(value); }

// --- gas names and molecular weights ---

std::string COSequence::GetBankGasName(int channel, int bank) const {
  std::string name;
  if (ValidFilter(channel) && IsFilterLocked(channel)) {
    name = GasName[channel];
  } else if (ValidFilter(channel)) {
    // "No bank" (255) names nothing; it never picks a bank of its own.
    if (bank >= 0 && bank < 5) name = Monitor().GetFilter(channel).GetBank(bank).GetGasName().ToString();
  } else if (channel == 5) {
    name = "Water Vapour";
  } else if (channel == 6) {
    name = "Temperature";
  } else if (channel == 7) {
    name = "Pressure";
  }
  if (!NamesSomething(name)) return "n/a";
  return platform::TrimRight(name);
}

std::string COSequence::GetGasName(int channel) const {
  if (m_context.Profile().letterNames) return LetterChannelName(channel);
  if (ValidFilter(channel)) return GetBankGasName(channel, ActiveBank[channel]);
  switch (channel) {
    case 5: return "Water Vapour";
    case 6: return "T: Temperature";
    case 7: return "Air Pressure";
    default: return std::string();
  }
}

float COSequence::GetMW(int filter) const {
  if (!ValidFilter(filter) || ActiveBank[filter] == kNoBank) return 1.0f;
  if (IsFilterLocked(filter)) return MW[filter];
  if (ActiveBank[filter] >= 5) return 1.0f;
  return Monitor().GetFilter(filter).GetBank(ActiveBank[filter]).GetMW();
}

bool COSequence::IsBankDefined(int filter, int bank) const {
  if (!ValidFilter(filter) || bank < 0 || bank >= 5) return false;
  return NamesSomething(Monitor().GetFilter(filter).GetBank(bank).GetGasName().ToString());
}

bool COSequence::IsGasDefined(int channel) const {
  if (channel >= 5 && channel <= 7) return true;
  if (!ValidFilter(channel)) return false;
  const FilterInfo& f = Monitor().GetFilter(channel);
  if (!NamesSomething(f.GetNumber().ToString())) return false;
  for (int b = 0; b < 5; ++b) {
    const BankInfo& bank = f.GetBank(b);
    const std::string name = bank.GetGasName().ToString();
    if (!name.empty() && (name[0] != '_' || bank.GetSpanDate().GetValidFlag() == 0)) return true;
  }
  return false;
}

COAlarm COSequence::GetAlarm(int index) const {
  return index >= 0 && index < GetAlarmCount() ? m_alarms[static_cast<size_t>(index)] : COAlarm(m_context);
}

// --- alarms ---

void COSequence::CheckAlarms(COMeas meas) {
  if (m_context.MeasurementState() != MeasState::active) return;
  for (int o = 0; o < DataContext::kOutputCount; ++o) {
    if (COAction* out = m_context.AlarmOutput(o)) {
      out->m_state = out->m_request;
      out->m_request = false;
    }
  }
  auto& acks = m_context.AlarmAcknowledgements();
  for (size_t i = 0; i < m_alarms.size(); ++i) {
    // A rolling average replaces the measurement it is given; every alarm
    // gets its own copy, so the next one sees the measured values again.
    COMeas copy = meas;
    m_alarms[i].Check(copy);
    acks.erase(static_cast<int>(i));
  }
  for (int o = 0; o < DataContext::kOutputCount; ++o) {
    COAction* out = m_context.AlarmOutput(o);
    if (out != nullptr && out->m_request != out->m_state) out->Execute(out->m_request);
  }
}

void COSequence::ResetAlarmOutputs() {
  for (int o = 0; o < DataContext::kOutputCount; ++o) {
    if (COAction* out = m_context.AlarmOutput(o)) {
      out->m_state = out->m_request;
      out->m_request = false;
    }
  }
  for (int o = 0; o < DataContext::kOutputCount; ++o) {
    COAction* out = m_context.AlarmOutput(o);
    if (out != nullptr && out->m_state) out->Execute(false);
  }
  for (COAlarm& a : m_alarms) a.ClearExceeded();
}

// --- persistence ---

bool COSequence::Load() {
  COSystemSetup* setup = &m_context.Setup();
  setup->OpenTaskFile(dbfiles::kMeasTask);
  try {
    dbfiles::CheckTaskFile(setup->GetDatabaseName());
    // The sets follow the task that is open now.
    m_recSequence.CloseWithDatabase();
    m_recGlobal.CloseWithDatabase();
    m_recSequence.SetTarget(this, 0);
    m_recSequence.m_strFilter.clear();
    m_recSequence.Open();
    if (!m_recSequence.IsEOF()) m_recSequence.MoveLast();
    m_recSequence.Edit();
    m_recGlobal.SetTarget(this);
    m_recGlobal.Open();
    m_recGlobal.Edit();
    m_recAlarm.Close();
    m_recAlarm.LoadAlarms(NumCount, m_alarms);
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    return false;
  }
  return true;
}

bool COSequence::Save() {
  bool saved = m_recSequence.Save(this);
  try {
    m_recGlobal.Update();
    m_recGlobal.Edit();
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    saved = false;
  }
  try {
    m_recAlarm.SaveAlarms(NumCount, m_alarms);
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    saved = false;
  }
  return saved;
}

void COSequence::NewSequence() {
  try {
    m_recSequence.Update();
    m_recSequence.AddNew();  // carries the current settings
    ++NumCount;
    Name = platform::Format(platform::LoadString(IDS_SEQUENCE_NAME).c_str(), NumCount);
    StartTime = StopTime + platform::CTimeSpan(60);
    StopTime = StartTime + platform::CTimeSpan(60);
    m_recSequence.Update();
    m_recSequence.Requery();
    m_recSequence.MoveLast();
    m_recSequence.Edit();
    m_recAlarm.SaveAlarms(NumCount, m_alarms);
  } catch (const platform::CException& e) {
    // A full disk that stopped the run has been told already.
    if (!(IsDiskFull(e) && m_context.DBObs().IsStoringStopped())) ShowExceptionMessage(e);
  }
}

void COSequence::LoadForMeas(const COMeas& meas) {
  try {
    m_recSequence.m_strSort = "[NumCount]";
    m_recSequence.m_strFilter = "[StartTime] <= " + FormatOdbcTimestamp(meas.GetMeasTime());
    if (m_recSequence.IsOpen())
      m_recSequence.Requery();
    else
      m_recSequence.Open();
    m_recSequence.m_strFilter.clear();  // for the next requery
    if (m_recSequence.IsEOF()) return;
    m_recSequence.MoveLast();
    m_recAlarm.LoadAlarms(NumCount, m_alarms);
  } catch (const platform::CException& e) {
    m_recSequence.m_strFilter.clear();
    ShowExceptionMessage(e);
  }
}

void COSequence::Close() {
  m_recSequence.CloseWithDatabase();
  m_recGlobal.CloseWithDatabase();
  SetDefaults();
  m_alarms.clear();
  m_recAlarm.Close();
}

std::string COSequence::UpdateSerialNum() {
  SerialNum = Monitor().m_serial.ToString();
  return SerialNum;
}

void COSequence::CopySampling(const COSequence& o) {
  SequenceTiming::operator=(o);
  ModeMask = o.ModeMask;
  SampleInterval = o.SampleInterval;
  RollingAvg = o.RollingAvg;
  Compensation = o.Compensation;
}

void COSequence::GetMonitorSetup(MonitorSetup& s) const {
  const COSystemSetup& setup = m_context.Setup();
  s.m_airPressure = GetAirPres();
  s.m_rollingAvg = static_cast<float>(RollingAvg);
  s.m_sampleInterval = SampleInterval;
  s.m_tubeLength = GetTubeLength();
  s.m_tubeTime = TubeTime;
  s.m_chamberTime = ChamberTime;
  s.m_notContinuous = GetSampleContinuously() ? 0 : 1;
  s.m_waterComp = GetWaterCompensation() ? 1 : 0;
  s.m_crossComp = GetCrossCompensation() ? 1 : 0;
  s.m_rollingAvgOn = IsRollingAvgOn() ? 1 : 0;
  s.m_modeFlag = GetModeFlag2() ? 1 : 0;
  setup.FillMonitorUnits(s);
  for (int f = 0; f < 5; ++f) {
    FilterInfo& info = s.GetFilter(f);
    info.m_integrationTime = GetIntegrationTime(f);
    info.m_active = IsFilterActive(f) ? 1 : 0;
    info.m_activeBank = ActiveBank[f];
  }
  s.m_waterIntegrationTime = GetIntegrationTime(5);
  s.m_waterActive = IsFilterActive(5) ? 1 : 0;
}

std::string LetterChannelName(int channel) {
  static const char* const kNames[] = {"A", "B", "C", "D", "E", "Water Vapour", "T: Temperature", "P: Pressure"};
  return channel >= 0 && channel < 8 ? kNames[channel] : std::string();
}
