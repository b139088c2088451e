// The record classes of the system database.
#include "CORecBank.h"
#include "CORecBankSet.h"
#include "CORecDBList.h"
#include "CORecGlobal.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "ListBox.h"
#include "core/Shell.h"
#include "core/Text.h"

namespace {

// Exchanges a member of another type through a column type, writing the
// member back only when a row was fetched.
template <class Member, class Column>
void Through(platform::CFieldExchange* pFX, void (*rfx)(platform::CFieldExchange*, const char*, Column&), const char* name,
             Member& member) {
  Column column = static_cast<Column>(member);
  rfx(pFX, name, column);
  if (pFX->GetOperation() == platform::CFieldExchange::Fetch) member = static_cast<Member>(column);
}

void ByteField(platform::CFieldExchange* pFX, const char* name, unsigned char& v) { platform::RFX_Byte(pFX, name, v); }
void LongField(platform::CFieldExchange* pFX, const char* name, int& v) { platform::RFX_Long(pFX, name, v); }

// The four cross columns hold the bank's values against the other gas
// filters, in ascending order, the bank's own filter skipped.
int CrossFilter(int filter, int column) { return column < filter ? column : column + 1; }

MeasValue ReadValue(float stored) { return stored < CORecBank::kNotSetRead ? MeasValue(stored) : MeasValue(); }
float WriteValue(const MeasValue& v) { return v.IsValid() ? static_cast<float>(v) : CORecBank::kNotSet; }
platform::CTime WriteDate(const CalibTime& t) { return t.IsValid() ? t.GetTime() : platform::CTime(0); }
CalibTime ReadDate(const platform::CTime& t) {
  CalibTime c;
  if (t.GetTime() != 0) c.SetTime(t);
  return c;
}

}  // namespace

// --- [Global] ---

void CORecGlobal::DoFieldExchange(platform::CFieldExchange* pFX) {
  COSystemSetup* t = m_target;
  if (t == nullptr) throw platform::CDBException(-1, "The settings row has no target");
  platform::RFX_Text(pFX, "OpenDB", t->m_openDB);
  platform::RFX_Byte(pFX, "ComPort", t->m_comPort);
  LongField(pFX, "FontHeight", t->m_font.lfHeight);
  LongField(pFX, "FontWeight", t->m_font.lfWeight);
  platform::RFX_Byte(pFX, "FontOutPrecision", t->m_fontOutPrecision);
  platform::RFX_Byte(pFX, "FontClipPrecision", t->m_fontClipPrecision);
  platform::RFX_Byte(pFX, "FontQuality", t->m_fontQuality);
  platform::RFX_Byte(pFX, "FontPitchAndFamily", t->m_fontPitchAndFamily);
  platform::RFX_Text(pFX, "FontFaceName", m_fontFaceName);
  Through<bool, unsigned char>(pFX, ByteField, "FontItalic", t->m_font.lfItalic);
  Through<bool, unsigned char>(pFX, ByteField, "FontUnderline", t->m_font.lfUnderline);
  platform::RFX_Byte(pFX, "HumidityUnit", t->m_humidityUnit);
  platform::RFX_Byte(pFX, "PressureUnit", t->m_pressureUnit);
  platform::RFX_Byte(pFX, "TempUnit", t->m_tempUnit);
  platform::RFX_Byte(pFX, "GasConcUnit", t->m_gasConcUnit);
  platform::RFX_Byte(pFX, "LengthUnit", t->m_lengthUnit);
  platform::RFX_Single(pFX, "NormTemp", t->m_normTemp);
}

// --- [DBList] ---

std::string CORecDBList::GetDefaultSQL() { return m_calibration ? "[DBListCali]" : "[DBList]"; }

void CORecDBList::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Text(pFX, "DBName", m_DBName);
  platform::RFX_Text(pFX, "DBDesc", m_DBDesc);
  platform::RFX_Text(pFX, "DBSerial", m_DBSerial);
}

// --- [Bank] ---

void CORecBank::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Long(pFX, "ID", m_ID);
  platform::RFX_Int(pFX, "Filter", m_Filter);
  platform::RFX_Int(pFX, "Bank", m_Bank);
  platform::RFX_Text(pFX, "GasName", m_GasName);
  platform::RFX_Single(pFX, "MW", m_MW);
  platform::RFX_Date(pFX, "ZeroDate", m_ZeroDate);
  platform::RFX_Single(pFX, "ConcOffset", m_ConcOffset);
  platform::RFX_Date(pFX, "HumiDate", m_HumiDate);
  platform::RFX_Single(pFX, "HumiGain", m_HumiGain);
  platform::RFX_Date(pFX, "SpanDate", m_SpanDate);
  platform::RFX_Byte(pFX, "TwoPoint", m_TwoPoint);
  platform::RFX_Single(pFX, "SpanLow", m_SpanLow);
  platform::RFX_Single(pFX, "SpanHigh", m_SpanHigh);
  platform::RFX_Date(pFX, "CrosDate", m_CrosDate);
  platform::RFX_Single(pFX, "Cross1", m_Cross[0]);
  platform::RFX_Single(pFX, "Cross2", m_Cross[1]);
  platform::RFX_Single(pFX, "Cross3", m_Cross[2]);
  platform::RFX_Single(pFX, "Cross4", m_Cross[3]);
}

void CORecBank::SelectRow(int setId, int filter, int bank) {
  SetFilter(platform::Format("[ID] = %d AND [Filter] = %d AND [Bank] = %d", setId, filter, bank));
}

void CORecBank::SaveBank(int setId, int filter, int bank, const BankInfo& info) {
  SelectRow(setId, filter, bank);
  EditOrAddNew();
  m_ID = setId;
  m_Filter = filter;
  m_Bank = bank;
  m_GasName = info.GetGasName().ToString();
  m_TwoPoint = info.IsTwoPoint() ? 1 : 0;
  m_MW = info.GetMW().IsValid() ? static_cast<float>(info.GetMW()) : 1.0f;
  m_ZeroDate = WriteDate(info.GetZeroDate());
  m_HumiDate = WriteDate(info.GetHumiDate());
  m_SpanDate = WriteDate(info.GetSpanDate());
  m_CrosDate = WriteDate(info.GetCrosDate());
  m_SpanLow = WriteValue(info.GetSpanLow());
  m_SpanHigh = WriteValue(info.GetSpanHigh());
  m_ConcOffset = WriteValue(info.GetConcOffset());
  m_HumiGain = WriteValue(info.GetHumiGain());
  for (int c = 0; c < 4; ++c) m_Cross[c] = WriteValue(info.GetCross(CrossFilter(filter, c)));
  Update();
}

bool CORecBank::LoadBank(int setId, int filter, int bank, BankInfo& info) {
  SelectRow(setId, filter, bank);
  OpenOrRequery();
  m_strFilter.clear();
  if (!IsOpen() || IsEOF()) return false;
  info.SetGasName(platform::TrimRight(m_GasName));
  info.SetMW(m_MW);
  info.SetTwoPoint(m_TwoPoint != 0);
  info.SetZeroDate(ReadDate(m_ZeroDate));
  info.SetHumiDate(ReadDate(m_HumiDate));
  info.SetSpanDate(ReadDate(m_SpanDate));
  info.SetCrosDate(ReadDate(m_CrosDate));
  info.SetConcOffset(ReadValue(m_ConcOffset));
  info.SetHumiGain(ReadValue(m_HumiGain));
  info.SetSpanLow(ReadValue(m_SpanLow));
  info.SetSpanHigh(ReadValue(m_SpanHigh));
  for (int c = 0; c < 4; ++c) info.SetCross(CrossFilter(filter, c), ReadValue(m_Cross[c]));
  return true;
}

// The water-vapour filter travels in a bank record: its gain is the first
// concentration factor and its offset the offset factor, as in a gas bank.
void CORecBank::SaveWaterBank(int setId, const WaterInfo& water) {
  BankInfo info;
  info.SetGasName("Water Vapour");
  info.SetMW(18.02f);
  info.SetSpanLow(water.GetGain());
  info.SetConcOffset(water.GetConcOffset());
  info.SetZeroDate(water.GetZeroDate());
  info.SetSpanDate(water.GetSpanDate());
  SaveBank(setId, kWaterFilter, 0, info);
}

bool CORecBank::LoadWaterBank(int setId, WaterInfo& water) {
  BankInfo info;
  if (!LoadBank(setId, kWaterFilter, 0, info)) return false;
  water.m_gain = info.GetSpanLow();
  water.m_concOffset = info.GetConcOffset();
  water.m_zeroDate = info.GetZeroDate();
  water.m_spanDate = info.GetSpanDate();
  return true;
}

// --- [BankSet] ---

CORecBankSet::CORecBankSet(DataContext& context) : m_context(context) {}

void CORecBankSet::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Long(pFX, "ID", m_ID);
  platform::RFX_Byte(pFX, "SetType", m_SetType);
  platform::RFX_Text(pFX, "SerialNum", m_SerialNum);
  platform::RFX_Date(pFX, "SaveDate", m_SaveDate);
  platform::RFX_Text(pFX, "Desc", m_Desc);
  platform::RFX_Text(pFX, "UANum1", m_UANum[0]);
  platform::RFX_Text(pFX, "UANum2", m_UANum[1]);
  platform::RFX_Text(pFX, "UANum3", m_UANum[2]);
  platform::RFX_Text(pFX, "UANum4", m_UANum[3]);
  platform::RFX_Text(pFX, "UANum5", m_UANum[4]);
}

void CORecBankSet::OpenDynaset() {
  if (!IsOpen()) Open(dynaset);
}

void CORecBankSet::SetSetup(const MonitorSetup& setup) {
  m_setup = setup;
  m_setupValid = true;
}

std::string CORecBankSet::GetUANum(int filter) const {
  return filter >= 0 && filter < 5 ? m_UANum[filter] : std::string();
}

int CORecBankSet::GetFreeID() {
  OpenDynaset();
  m_filterParams.clear();
  int found = -1;
  for (int id = 0; id <= 2000000000; ++id) {
    m_strFilter = platform::Format("[ID] = %d", id);
    Requery();
    if (IsEOF()) {
      found = id;
      break;
    }
  }
  m_strFilter.clear();
  return found;
}

int CORecBankSet::FindSet(int setType, const std::string& serial) {
  m_strFilter = "[SetType] = ? AND [SerialNum] = ?";
  m_filterParams = {platform::CDBParam(setType), TextParam(serial)};
  try {
    OpenDynaset();
    Requery();
  } catch (...) {
    ClearFilter();
    throw;
  }
  int id = IsEOF() ? -1 : m_ID;
  ClearFilter();
  return id;
}

void CORecBankSet::SetUANumbers() {
  // The number as the monitor gave it, "0977" or "____", so that it comes
  // back as it was.
  for (int i = 0; i < 5; ++i) m_UANum[i] = m_setup.GetFilter(i).GetNumber().ToString();
}

int CORecBankSet::WriteSetRow(int setType, const std::string& serial, const std::string& description) {
  OpenDynaset();
  int id = -1;
  bool existing = false;
  if (setType == kInitial || setType == kCurrent) {
    id = FindSet(setType, serial);
    if (id >= 0) {
      m_strFilter = platform::Format("[ID] = %d", id);
      Requery();
      m_strFilter.clear();
      existing = !IsEOF();
    }
  }
  if (existing) {
    Edit();
  } else {
    id = GetFreeID();
    if (id < 0) return -1;
    AddNew();
    m_ID = id;
    m_SetType = static_cast<unsigned char>(setType);
    m_SerialNum = serial;
    m_Desc = description;
  }
  m_SaveDate = platform::CTime::GetCurrentTime();
  SetUANumbers();
  Update();
  return id;
}

void CORecBankSet::SaveBanks(int setId) {
  platform::WaitCursor wait;
  CORecBank bank;
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) bank.SaveBank(setId, f, b, m_setup.GetFilter(f).GetBank(b));
  bank.SaveWaterBank(setId, m_setup.m_water);
  bank.CloseWithDatabase();
}

void CORecBankSet::SaveSet(int setType, const std::string& description, int filter, int bank) {
  IMeasurementLink* link = m_context.Measurement();
  if (link == nullptr || !link->RetrieveMonitorID()) {
    ShowMessage(IDS_NO_MONITOR_ID_FOR_UPLOAD);
    return;
  }
  int id = WriteSetRow(setType, m_setup.m_serial.ToString(), description);
  if (id < 0) {
    ShowMessage(IDS_FILTER_COPY_FAILED);
    return;
  }
  if (setType != kSingle) {
    SaveBanks(id);
    return;
  }
  CORecBank rec;
  if (filter >= CORecBank::kWaterFilter)
    rec.SaveWaterBank(id, m_setup.m_water);
  else if (filter >= 0 && bank >= 0 && bank < 5)
    rec.SaveBank(id, filter, bank, m_setup.GetFilter(filter).GetBank(bank));
  rec.CloseWithDatabase();
}

bool CORecBankSet::LoadSet(int setId) {
  SetFilter(platform::Format("[ID] = %d", setId));
  OpenOrRequery();
  m_strFilter.clear();
  if (!IsOpen() || IsEOF()) return false;
  for (int i = 0; i < 5; ++i) m_setup.GetFilter(i).m_number.Assign(m_UANum[i]);
  m_setup.TakeUANumbers();
  CORecBank bank;
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) bank.LoadBank(setId, f, b, m_setup.GetFilter(f).GetBank(b));
  bank.LoadWaterBank(setId, m_setup.m_water);
  bank.CloseWithDatabase();
  m_setupValid = true;
  return true;
}

bool CORecBankSet::LoadCurrentSet(const std::string& serial, bool lookOnly) {
  m_strFilter = "[SetType] = ? AND [SerialNum] = ?";
  m_filterParams = {platform::CDBParam(static_cast<int>(kCurrent)), TextParam(serial)};
  OpenOrRequery();
  const bool found = IsOpen() && !IsEOF();
  const int id = m_ID;
  ClearFilter();
  if (found) return LoadSet(id);
  if (lookOnly) return false;
  ShowMessage(IDS_MONITOR_NOT_KNOWN);
  IMeasurementLink* link = m_context.Measurement();
  if (link == nullptr || !link->UploadFilterInfo()) return false;
  SetSetup(link->GetMonitorSetup());
  const std::string initial = platform::CTime::GetCurrentTime().Format("%d-%m-%y: ") + "Initial banks (Serial: " + serial + ")";
  int initialId = WriteSetRow(kInitial, serial, initial);
  if (initialId >= 0) SaveBanks(initialId);
  int currentId = WriteSetRow(kCurrent, serial, "Current banks (Serial: " + serial + ")");
  if (currentId >= 0) SaveBanks(currentId);
  return true;
}

void CORecBankSet::FillList(IListBox& list, int setType) {
  list.ResetContent();
  try {
    OpenOrRequery();
    const std::string serial = m_context.GetMonitorSetup().m_serial.ToString();
    for (; IsOpen() && !IsEOF(); MoveNext()) {
      if (m_SerialNum != serial) continue;
      if (m_SetType != setType && !(setType == kCopy && m_SetType == kInitial)) continue;
      int index = list.AddString(m_Desc);
      list.SetItemData(index, m_ID);
    }
  } catch (const platform::CException&) {
  }
}
