// The record classes of a task database.
#include "TaskRecords.h"

#include "COAlarm.h"
#include "COSequence.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

bool Fetching(platform::CFieldExchange* pFX) { return pFX->GetOperation() == platform::CFieldExchange::Fetch; }

// A channel of the measurement through a float column.
void Channel(platform::CFieldExchange* pFX, const char* name, COMeas& meas, int channel) {
  float v = meas.GetValue(channel);
  platform::RFX_Single(pFX, name, v);
  if (Fetching(pFX)) meas.SetValue(channel, v);
}

// The stored start of the prototype's sequence; a sequence made from it
// starts now.
bool IsPlaceholderStart(const platform::CTime& t) { return t.GetYear() == 1997 && t.GetMonth() == 1 && t.GetDay() == 1; }

}  // namespace

// --- [Sequence] ---

CORecSequence::CORecSequence(DataContext& context) : CORecTaskBase(context) { m_strSort = "[NumCount]"; }

void CORecSequence::SetTarget(COSequence* sequence, int connectMode) {
  m_target = sequence;
  m_connectMode = connectMode;
}

std::string CORecSequence::GetDatabaseName() {
  return m_connectMode == 1 ? std::string(dbfiles::kMeasName) : CORecTaskBase::GetDatabaseName();
}

bool CORecSequence::Save(COSequence* sequence) {
  m_target = sequence;
  try {
    Update();
    Edit();
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    return false;
  }
  return true;
}

void CORecSequence::DoFieldExchange(platform::CFieldExchange* pFX) {
  COSequence* s = m_target;
  if (s == nullptr) throw platform::CDBException(-1, "The sequence record set has no sequence");
  platform::RFX_Long(pFX, "NumCount", s->NumCount);
  platform::RFX_Text(pFX, "Name", s->Name);
  platform::RFX_Date(pFX, "StartTime", s->StartTime);
  // A program that uploads the monitor's records compares the stored start
  // with the monitor's, so it keeps it as it is.
  if (Fetching(pFX) && IsPlaceholderStart(s->StartTime) && !m_context.Profile().uploadsRecords)
    s->StartTime = platform::CTime::GetCurrentTime();
  platform::RFX_Date(pFX, "StopTime", s->StopTime);
  platform::RFX_Long(pFX, "StartNum", s->StartNum);
  platform::RFX_Long(pFX, "StopNum", s->StopNum);
  platform::RFX_Byte(pFX, "ModeMask", s->ModeMask);
  platform::RFX_Byte(pFX, "SampleInterval", s->SampleInterval);
  platform::RFX_Single(pFX, "AirPres", s->AirPres);
  platform::RFX_Long(pFX, "RollingAvg", s->RollingAvg);
  platform::RFX_Single(pFX, "TubeLength", s->TubeLength);
  platform::RFX_Byte(pFX, "ChamberTime", s->ChamberTime);
  platform::RFX_Byte(pFX, "TubeTime", s->TubeTime);
  platform::RFX_Byte(pFX, "ActiveFilter", s->ActiveFilter);
  platform::RFX_Byte(pFX, "LockedFilter", s->LockedFilter);
  platform::RFX_Byte(pFX, "ActiveBank1", s->ActiveBank[0]);
  platform::RFX_Byte(pFX, "ActiveBank2", s->ActiveBank[1]);
  platform::RFX_Byte(pFX, "ActiveBank3", s->ActiveBank[2]);
  platform::RFX_Byte(pFX, "ActiveBank4", s->ActiveBank[3]);
  platform::RFX_Byte(pFX, "ActiveBank5", s->ActiveBank[4]);
  platform::RFX_Byte(pFX, "MeasTimeMode", s->MeasTimeMode);
  platform::RFX_Byte(pFX, "MeasTime1", s->MeasTime[0]);
  platform::RFX_Byte(pFX, "MeasTime2", s->MeasTime[1]);
  platform::RFX_Byte(pFX, "MeasTime3", s->MeasTime[2]);
  platform::RFX_Byte(pFX, "MeasTime4", s->MeasTime[3]);
  platform::RFX_Byte(pFX, "MeasTime5", s->MeasTime[4]);
  platform::RFX_Byte(pFX, "MeasTime6", s->MeasTime[5]);
  platform::RFX_Byte(pFX, "Compensation", s->Compensation);
  platform::RFX_Long(pFX, "Reserved", s->Reserved);
}

// --- [Global] of the task ---

void ExchangeTaskGlobal(platform::CFieldExchange* pFX, std::string& serial, std::string (&ua)[5], std::string (&gas)[5],
                        float (&mw)[5]) {
  static const char* const kUA[] = {"UANum1", "UANum2", "UANum3", "UANum4", "UANum5"};
  static const char* const kGas[] = {"GasName1", "GasName2", "GasName3", "GasName4", "GasName5"};
  static const char* const kMW[] = {"MW1", "MW2", "MW3", "MW4", "MW5"};
  platform::RFX_Text(pFX, "SerialNum", serial);
  for (int i = 0; i < 5; ++i) platform::RFX_Text(pFX, kUA[i], ua[i]);
  for (int i = 0; i < 5; ++i) platform::RFX_Text(pFX, kGas[i], gas[i]);
  for (int i = 0; i < 5; ++i) platform::RFX_Single(pFX, kMW[i], mw[i]);
}

void CORecMeasGlobal::DoFieldExchange(platform::CFieldExchange* pFX) {
  COSequence* s = m_target;
  if (s == nullptr) throw platform::CDBException(-1, "The task settings record set has no sequence");
  ExchangeTaskGlobal(pFX, s->SerialNum, s->UANum, s->GasName, s->MW);
}

// --- [Meas] ---

CORecMeas::CORecMeas(DataContext& context, platform::CDatabase* db) : CORecTaskBase(context, db) { m_strSort = "[MeasTime]"; }

void CORecMeas::DoFieldExchange(platform::CFieldExchange* pFX) {
  COMeas* m = m_target;
  if (m == nullptr) throw platform::CDBException(-1, "The measurement record set has no measurement");
  platform::CTime time = m->GetMeasTime();
  platform::RFX_Date(pFX, "MeasTime", time);
  int no = m->GetMeasNo();
  platform::RFX_Long(pFX, "MeasNo", no);
  if (Fetching(pFX)) {
    m->SetTime(time);
    m->SetMeasNo(no);
  }
  static const char* const kValues[] = {"FilterValues1", "FilterValues2", "FilterValues3",
                                        "FilterValues4", "FilterValues5", "FilterValues6"};
  for (int c = 0; c < 6; ++c) Channel(pFX, kValues[c], *m, c);
  if (m_context.Profile().temperatureColumn) Channel(pFX, "Temperature", *m, COMeas::chTemperature);
  Channel(pFX, "Pressure", *m, COMeas::chPressure);
}

// --- [Event] ---

CORecEvent::CORecEvent(DataContext& context, platform::CDatabase* db) : CORecTaskBase(context, db) {
  m_strSort = "[EventTime]";
}

void CORecEvent::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Date(pFX, "EventTime", m_EventTime);
  platform::RFX_Byte(pFX, "EventType", m_EventType);
  platform::RFX_Text(pFX, "EventText", m_EventText);
  platform::RFX_Single(pFX, "FloatValue", m_FloatValue);
}

std::string CORecEvent::EventFilter(const platform::CTime& time, int type) {
  return "[EventTime] = " + FormatOdbcTimestamp(time) + platform::Format(" AND [EventType] = %d", type);
}

void CORecEvent::SelectComment(const platform::CTime& time, int type) { SetFilter(EventFilter(time, type)); }

void CORecEvent::LoadEvents(COMeas& meas) {
  meas.GetEvents().clear();
  if (!IsOpen()) return;
  const platform::CTime t = meas.GetMeasTime();
  // An event without a measurement of its own would hold the set back and
  // keep every later measurement from its events.
  while (!IsEOF() && m_EventTime < t) MoveNext();
  while (!IsEOF() && m_EventTime == t) {
    meas.AddEvent(COEvent(m_EventType, m_EventText, m_FloatValue));
    MoveNext();
  }
}

void CORecEvent::SaveEvent(COMeas& meas, const COEvent& event) {
  SelectComment(meas.GetMeasTime(), event.GetType());
  EditOrAddNew();
  m_EventTime = meas.GetMeasTime();
  m_EventType = static_cast<unsigned char>(event.GetType());
  m_EventText = event.GetText();
  m_FloatValue = event.GetValue();
  Update();
  Requery();
  meas.AddEvent(event);
}

void CORecEvent::AddEvent(COMeas& meas, const std::string& text, int type, float value) {
  m_EventTime = meas.GetMeasTime();
  if (!IsOpen()) Open(dynaset);
  if (type == COEvent::typeComment) {
    SelectComment(meas.GetMeasTime(), type);
    EditOrAddNew();
  } else {
    AddNew();
  }
  m_EventTime = meas.GetMeasTime();
  m_EventType = static_cast<unsigned char>(type);
  m_EventText = text;
  m_FloatValue = value;
  Update();
  Requery();
  meas.AddEvent(COEvent(type, text, value));
}

void CORecEvent::ReplaceEvent(COMeas& meas, const COEvent& event) {
  AddEvent(meas, event.GetText(), event.GetType(), event.GetValue());
}

void CORecEvent::AddEventById(COMeas& meas, unsigned stringId, int type, float value) {
  AddEvent(meas, platform::LoadString(stringId), type, value);
}

bool CORecEvent::DeleteComment(const COMeas& meas) {
  SelectComment(meas.GetMeasTime(), COEvent::typeComment);
  OpenOrRequery();
  if (!IsOpen() || IsEOF()) return false;
  Delete();
  return true;
}

// --- [Alarm] ---

void CORecAlarm::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Long(pFX, "SequenceNum", m_SequenceNum);
  platform::RFX_Byte(pFX, "Filter", m_Filter);
  platform::RFX_Single(pFX, "Limit", m_Limit);
  platform::RFX_Long(pFX, "RollingAvg", m_RollingAvg);
  platform::RFX_Byte(pFX, "OptMask", m_OptMask);
}

void CORecAlarm::SelectSequence(int sequenceNum) {
  SetFilter(platform::Format("[SequenceNum] = %d", sequenceNum));
}

void CORecAlarm::LoadAlarms(int sequenceNum, std::vector<COAlarm>& alarms) {
  SelectSequence(sequenceNum);
  OpenOrRequery();
  alarms.clear();
  for (; IsOpen() && !IsEOF(); MoveNext()) {
    COAlarm a(m_context);
    a.SetFilter(m_Filter);
    a.SetLimit2(IsBitFlagSet(m_OptMask, kLimit2));
    a.SetUseRollingAvg(IsBitFlagSet(m_OptMask, kRollingAvg));
    a.SetActionPC(IsBitFlagSet(m_OptMask, kPC));
    a.SetActionMonitor(IsBitFlagSet(m_OptMask, kMonitor));
    a.SetActionRelay1(IsBitFlagSet(m_OptMask, kRelay1));
    a.SetActionRelay2(IsBitFlagSet(m_OptMask, kRelay2));
    a.SetRollingAvg(m_RollingAvg);
    a.SetStoredLimit(m_Limit);
    alarms.push_back(a);
  }
}

void CORecAlarm::SaveAlarms(int sequenceNum, const std::vector<COAlarm>& alarms) {
  SelectSequence(sequenceNum);
  DeleteRows();
  for (const COAlarm& a : alarms) {
    AddNew();
    m_SequenceNum = sequenceNum;
    m_Filter = a.GetFilter();
    m_OptMask = 0;
    SetBitFlag(&m_OptMask, kLimit2, a.IsLimit2());
    SetBitFlag(&m_OptMask, kRollingAvg, a.GetUseRollingAvg());
    SetBitFlag(&m_OptMask, kPC, a.GetActionPC());
    SetBitFlag(&m_OptMask, kMonitor, a.GetActionMonitor());
    SetBitFlag(&m_OptMask, kRelay1, a.GetActionRelay1());
    SetBitFlag(&m_OptMask, kRelay2, a.GetActionRelay2());
    m_RollingAvg = a.GetRollingAvg();
    m_Limit = a.GetStoredLimit();
    Update();
  }
}

void CORecAlarm::Close() {
  CORecTaskBase::Close();
  if (m_pDatabase != nullptr) m_pDatabase->Close();
}

// --- [OpenColumns] ---

void CORecOpenColumns::DoFieldExchange(platform::CFieldExchange* pFX) {
  CColumn& c = m_column;
  platform::RFX_Long(pFX, "ID", m_ID);
  platform::RFX_Byte(pFX, "Pos", c.m_axis);
  platform::RFX_Byte(pFX, "Filter", c.m_channel);
  platform::RFX_Byte(pFX, "Unit", c.m_unit);
  platform::RFX_Byte(pFX, "PenStyle", c.m_penStyle);
  platform::RFX_Byte(pFX, "ColorNum", c.m_colorIndex);
  platform::RFX_Long(pFX, "UserColor", c.m_customColor);
}

void CORecOpenColumns::DeleteAll() {
  ClearFilter();
  DeleteRows();
}

// --- [OpenWindows] ---

void CORecOpenWindows::DoFieldExchange(platform::CFieldExchange* pFX) {
  COMeasInterval& i = m_interval;
  platform::RFX_Long(pFX, "ID", m_ID);
  platform::RFX_Int(pFX, "WindowType", m_WindowType);
  platform::RFX_Long(pFX, "WindowStyle", m_WindowStyle);
  platform::RFX_Int(pFX, "Top", m_Top);
  platform::RFX_Int(pFX, "Left", m_Left);
  platform::RFX_Int(pFX, "Right", m_Right);
  platform::RFX_Int(pFX, "Bottom", m_Bottom);
  // The names of these three do not match what they hold: the mode, the
  // averaging flag and the averaging length.
  platform::RFX_Byte(pFX, "MeasKey", i.m_mode);
  platform::RFX_Byte(pFX, "MeasMode", i.m_rollingAvgOn);
  platform::RFX_Long(pFX, "MeasAvg", i.m_length);
  platform::RFX_Byte(pFX, "AutoScaleMode1", i.m_scaleMode[0]);
  platform::RFX_Byte(pFX, "AutoScaleMode2", i.m_scaleMode[1]);
  platform::RFX_Single(pFX, "AutoScaleMax1", i.m_fixedMax[0]);
  platform::RFX_Single(pFX, "AutoScaleMax2", i.m_fixedMax[1]);
  platform::RFX_Single(pFX, "AutoScaleMin1", i.m_fixedMin[0]);
  platform::RFX_Single(pFX, "AutoScaleMin2", i.m_fixedMin[1]);
  platform::RFX_Long(pFX, "FirstMeasNum", i.m_first);
  platform::RFX_Long(pFX, "LastMeasNum", i.m_last);
  if (i.m_startTime.GetTime() < 0) i.m_startTime = platform::CTime(0);
  platform::RFX_Date(pFX, "FirstMeasTime", i.m_startTime);
  platform::RFX_Date(pFX, "LastMeasTime", i.m_endTime);
  platform::RFX_Long(pFX, "EventMask", i.m_channelMask);
  platform::RFX_Long(pFX, "CursorFrom", i.m_leftCursor);
  platform::RFX_Long(pFX, "CursorTo", i.m_rightCursor);
}

void CORecOpenWindows::DeleteAll() {
  ClearFilter();
  DeleteRows();
  CORecOpenColumns columns(m_context);
  columns.DeleteAll();
  columns.CloseWithDatabase();
}

void CORecOpenWindows::LoadColumns(std::vector<CColumn>& columns) {
  CORecOpenColumns rs(m_context);
  rs.m_strFilter = platform::Format("[ID] = %d", m_ID);
  rs.OpenOrRequery();
  columns.clear();
  const ShownSequence* sequence = &m_context.WindowSequence();
  for (; rs.IsOpen() && !rs.IsEOF(); rs.MoveNext()) {
    columns.push_back(rs.m_column);
    columns.back().SetSequence(sequence, &m_interval);
  }
  rs.CloseWithDatabase();
}

void CORecOpenWindows::SaveColumns(std::vector<CColumn>& columns) {
  CORecOpenColumns rs(m_context);
  rs.m_strFilter = "0 = 1";  // only adds
  rs.Open(dynaset);
  for (const CColumn& c : columns) {
    rs.AddNew();
    rs.m_ID = m_ID;
    rs.m_column = c;
    rs.Update();
  }
  rs.CloseWithDatabase();
  columns.clear();
}
