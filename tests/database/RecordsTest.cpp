#include <gtest/gtest.h>
#include <sql.h>

#include "ProgramProfiles.h"
#include "CORecBank.h"
#include "CORecBankSet.h"
#include "DataTestSupport.h"
#include "ListBox.h"
#include "TaskRecords.h"

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

class RecordsTest : public DataTest {
 protected:
  platform::CTime base{2024, 5, 6, 10, 0, 0};
};

TEST_F(RecordsTest, ABankKeepsItsValuesAndMarksWhatIsNotSet) {
  BankInfo in;
  in.SetGasName("CO2   ");
  in.SetConcOffset(5e18f);  // large, but a value
  in.SetHumiGain(0.25f);
  in.SetZeroDate(CalibTime(platform::CTime(2024, 1, 2, 3, 4, 5)));
  for (int f = 0; f < 5; ++f) in.SetCross(f, 10.0f + f);
  CORecBank rec;
  rec.SaveBank(7, 0, 2, in);
  rec.SaveBank(7, 2, 2, in);

  BankInfo out;
  ASSERT_TRUE(rec.LoadBank(7, 0, 2, out));
  EXPECT_EQ(rec.m_SpanLow, CORecBank::kNotSet);
  EXPECT_EQ(rec.m_MW, 1.0f);  // a bank without one
  // Filter A keeps B, C, D, E in the four cross columns.
  EXPECT_EQ(std::vector<float>(rec.m_Cross, rec.m_Cross + 4), std::vector<float>({11, 12, 13, 14}));
  EXPECT_EQ(out.GetGasName().ToString(), "CO2");
  EXPECT_FALSE(out.GetSpanLow().IsValid());
  EXPECT_FALSE(out.GetSpanHigh().IsValid());
  EXPECT_EQ(out.GetConcOffset(), 5e18f);
  EXPECT_EQ(out.GetHumiGain(), 0.25f);
  EXPECT_EQ(out.GetZeroDate(), CalibTime(platform::CTime(2024, 1, 2, 3, 4, 5)));
  EXPECT_FALSE(out.GetSpanDate().IsValid());
  EXPECT_FALSE(out.GetCross(0).IsValid());  // its own filter
  EXPECT_EQ(out.GetCross(4), 14.0f);

  ASSERT_TRUE(rec.LoadBank(7, 2, 2, out));
  // Filter C keeps A, B, D, E.
  EXPECT_EQ(std::vector<float>(rec.m_Cross, rec.m_Cross + 4), std::vector<float>({10, 11, 13, 14}));
  EXPECT_FALSE(rec.LoadBank(7, 3, 2, out));

  in.SetGasName("CH4");
  rec.SaveBank(7, 0, 2, in);  // rewrites the row
  rec.LoadBank(7, 0, 2, out);
  EXPECT_EQ(out.GetGasName().ToString(), "CH4");
}

class BankSetTest : public RecordsTest {
 protected:
  BankSetTest() {
    SetBank(monitor.uploaded, 0, 0, "CO2", 44.01f);
    SetBank(monitor.uploaded, 4, 3, "N2O", 44.0f);
    monitor.uploaded.m_serial.Assign(std::string("O'Neil"));
    // The numbers as the monitor gives them: a leading zero, and none mounted.
    monitor.uploaded.GetFilter(2).m_number.Assign(std::string("0977"));
    monitor.uploaded.GetFilter(3).m_number.Assign(std::string("____"));
    monitor.uploaded.m_water.m_gain = 0.5f;
    monitor.uploaded.m_water.m_spanDate = CalibTime(platform::CTime(2024, 2, 3, 4, 5, 6));
  }
  int Rows(CORecBankSet& rs) {
    rs.m_strFilter.clear();
    rs.m_filterParams.clear();
    rs.OpenOrRequery();
    int n = 0;
    for (; !rs.IsEOF(); rs.MoveNext()) ++n;
    return n;
  }
};

TEST_F(BankSetTest, TheFreeIdIsTheLowestUnused) {
  CORecBankSet rs(*context);
  rs.Open(platform::CRecordset::dynaset);
  for (int id : {0, 1, 3}) {
    rs.AddNew();
    rs.m_ID = id;
    rs.Update();
  }
  EXPECT_EQ(rs.GetFreeID(), 2);
  EXPECT_TRUE(rs.m_strFilter.empty());
}

TEST_F(BankSetTest, ASetIsWrittenForTheMonitorsSerialAndReadBack) {
  CORecBankSet rs(*context);
  rs.SetSetup(monitor.uploaded);
  rs.SaveSet(CORecBankSet::kCurrent, "Current banks (Serial: O'Neil)");
  rs.SaveSet(CORecBankSet::kCurrent, "again");  // the same row, rewritten
  rs.SaveSet(CORecBankSet::kSingle, "one bank", 4, 3);
  rs.SaveSet(CORecBankSet::kSingle, "one bank", 4, 3);  // copies always add
  EXPECT_EQ(Rows(rs), 3);
  const int current = rs.FindSet(CORecBankSet::kCurrent, "O'Neil");
  EXPECT_GE(current, 0);
  EXPECT_EQ(rs.FindSet(CORecBankSet::kCurrent, "O'Neil' OR 1=1 --"), -1);

  CORecBankSet other(*context);
  ASSERT_TRUE(other.LoadCurrentSet("O'Neil", true));
  MonitorSetup s = other.GetSetup();
  EXPECT_EQ(s.GetFilter(0).GetBank(0).GetGasName().ToString(), "CO2");
  EXPECT_EQ(s.GetFilter(4).GetBank(3).GetMW(), 44.0f);
  EXPECT_EQ(s.m_water.GetGain(), 0.5f);
  EXPECT_EQ(s.m_water.GetSpanDate(), CalibTime(platform::CTime(2024, 2, 3, 4, 5, 6)));
  // Every filter's number comes back as it was, and with it its UA number.
  const std::vector<std::string> numbers = {"4711", "", "0977", "____", "4711"};
  for (int f = 0; f < 5; ++f) {
    EXPECT_EQ(s.GetFilter(f).GetNumber().ToString(), numbers[f]) << f;
    EXPECT_EQ(other.GetUANum(f), numbers[f]) << f;
  }
  EXPECT_EQ(s.m_uaNumbers.Get(2), 977u);
  EXPECT_EQ(s.m_uaNumbers.Get(3), 0u);
  EXPECT_EQ(s.m_uaNumbers.Get(4), 4711u);
}

TEST_F(BankSetTest, NoSetIsWrittenWhenTheMonitorCannotBeIdentified) {
  monitor.identified = false;
  CORecBankSet rs(*context);
  rs.SetSetup(monitor.uploaded);
  rs.SaveSet(CORecBankSet::kCurrent, "x");
  EXPECT_EQ(Shown().back(), "Unable to get Gas Monitor ID\nFilter upload not possible");
  EXPECT_EQ(Rows(rs), 0);
}

TEST_F(BankSetTest, AnUnknownMonitorIsUploadedAndStoredAsItsInitialAndCurrentSets) {
  CORecBankSet rs(*context);
  EXPECT_FALSE(rs.LoadCurrentSet("O'Neil", true));
  EXPECT_EQ(monitor.uploads, 0);
  monitor.uploadSucceeds = false;
  EXPECT_FALSE(rs.LoadCurrentSet("O'Neil", false));
  EXPECT_EQ(Shown().back(), "Gas Monitor not known\nUploading filter information now");
  monitor.uploadSucceeds = true;
  EXPECT_TRUE(rs.LoadCurrentSet("O'Neil", false));
  EXPECT_EQ(rs.GetSetup().GetFilter(0).GetBank(0).GetGasName().ToString(), "CO2");
  ASSERT_GE(rs.FindSet(CORecBankSet::kInitial, "O'Neil"), 0);
  ASSERT_GE(rs.FindSet(CORecBankSet::kCurrent, "O'Neil"), 0);
  struct Listed : IListBox {
    void ResetContent() override { texts.clear(); }
    int AddString(const std::string& t) override {
      texts.push_back(t);
      return static_cast<int>(texts.size()) - 1;
    }
    void SetItemData(int, long) override {}
    void SetItemString(int, const std::string&) override {}
    std::vector<std::string> texts;
  } list;
  monitor.setup = monitor.uploaded;
  rs.FillList(list, CORecBankSet::kCurrent);
  EXPECT_EQ(list.texts, std::vector<std::string>({"Current banks (Serial: O'Neil)"}));
  rs.FillList(list, CORecBankSet::kCopy);  // copies and initial sets
  ASSERT_EQ(list.texts.size(), 1u);
  EXPECT_EQ(list.texts[0], platform::CTime::GetCurrentTime().Format("%d-%m-%y: ") + "Initial banks (Serial: O'Neil)");
  // Known now: no second upload.
  CORecBankSet again(*context);
  EXPECT_TRUE(again.LoadCurrentSet("O'Neil", false));
  EXPECT_EQ(monitor.uploads, 2);
}

TEST_F(RecordsTest, AlarmsAreStoredWithTheirFlagsAndLimitInPpm) {
  NewTask("alarms");
  setup->SetGasConcUnit(COConcUnit::mg_m3);  // the display unit has no part in what is stored
  std::vector<COAlarm> alarms(2, COAlarm(*context));
  alarms[0].SetFilter(1);
  alarms[0].SetLimit2(true);
  alarms[0].SetActionPC(true);
  alarms[0].SetActionRelay2(true);
  alarms[0].SetStoredLimit(25.0f);
  alarms[1].SetFilter(5);
  alarms[1].SetUseRollingAvg(true);
  alarms[1].SetRollingAvg(15);
  alarms[1].SetActionMonitor(true);
  alarms[1].SetActionRelay1(true);
  alarms[1].SetStoredLimit(1000.0f);
  CORecAlarm rec(*context);
  rec.SaveAlarms(3, alarms);
  rec.SaveAlarms(4, alarms);
  rec.m_strFilter = "[SequenceNum] = 3";
  rec.OpenOrRequery();
  std::vector<unsigned char> masks;
  for (; !rec.IsEOF(); rec.MoveNext()) masks.push_back(rec.m_OptMask);
  EXPECT_EQ(masks, std::vector<unsigned char>({0x25, 0x1A}));

  std::vector<COAlarm> back;
  rec.LoadAlarms(3, back);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(back[0].IsLimit2() && back[0].GetActionPC() && back[0].GetActionRelay2());
  EXPECT_FALSE(back[0].GetUseRollingAvg() || back[0].GetActionMonitor() || back[0].GetActionRelay1());
  EXPECT_EQ(back[0].GetStoredLimit(), 25.0f);
  EXPECT_EQ(back[1].GetFilter(), 5);
  EXPECT_EQ(back[1].GetRollingAvg(), 15);
  EXPECT_EQ(back[1].GetStoredLimit(), 1000.0f);

  alarms.pop_back();  // a removed alarm loses its row
  rec.SaveAlarms(3, alarms);
  rec.LoadAlarms(3, back);
  EXPECT_EQ(back.size(), 1u);
  rec.LoadAlarms(4, back);
  EXPECT_EQ(back.size(), 2u);
  rec.Close();
  EXPECT_FALSE(rec.m_pDatabase->IsOpen());
}

TEST_F(RecordsTest, ACommentIsKeptOncePerMeasurementAndCanBeDeleted) {
  NewTask("events");
  COMeas m = MakeMeas(base, 0, 1, 1.0f);
  CORecEvent rec(*context);
  rec.SaveEvent(m, COEvent(COEvent::typeComment, "first", 0.0f));
  rec.SaveEvent(m, COEvent(COEvent::typeComment, "  second  ", 0.0f));
  rec.AddEvent(m, "alarm", COEvent::typeAlarm, 2.0f);
  rec.AddEvent(m, "alarm", COEvent::typeAlarm, 2.0f);  // other kinds always add
  rec.m_strFilter.clear();
  rec.Requery();
  std::vector<std::string> rows;
  for (; !rec.IsEOF(); rec.MoveNext()) rows.push_back(std::to_string(rec.m_EventType) + ":" + rec.m_EventText);
  EXPECT_EQ(rows, std::vector<std::string>({"0:second", "2:alarm", "2:alarm"}));
  EXPECT_EQ(m.GetEvents().size(), 4u);
  EXPECT_TRUE(rec.DeleteComment(m));
  EXPECT_FALSE(rec.DeleteComment(m));
}

TEST_F(RecordsTest, EventsOfAMeasurementAreFoundEvenBehindAnEventWithoutOne) {
  NewTask("orphans");
  CORecEvent rec(*context);
  COMeas orphan = MakeMeas(base, 0, 0, 0.0f);
  COMeas m = MakeMeas(base, 5, 1, 0.0f);
  rec.AddEvent(orphan, "no measurement", 3, 0.0f);
  rec.AddEvent(m, "one", 3, 0.0f);
  rec.AddEvent(m, "two", 4, 0.0f);
  rec.m_strFilter.clear();
  rec.Requery();
  COMeas read = MakeMeas(base, 5, 1, 0.0f);
  rec.LoadEvents(read);
  ASSERT_EQ(read.GetEvents().size(), 2u);
  EXPECT_EQ(read.GetEvents()[1].GetText(), "two");
}

TEST_F(RecordsTest, AMeasurementKeepsEveryChannelButTheTemperatureOutsideTheCalibration) {
  NewTask("meas");
  COMeas m = MakeMeas(base, 0, 1, 1.5f);
  m.SetValue(3, MeasValue::kNoValue);
  {
    CORecMeas rec(*context);
    rec.SetTarget(&m);
    rec.Open();
    rec.AddNew();
    rec.Update();
  }
  COMeas read;
  read.SetValue(COMeas::chTemperature, 7.0f);
  CORecMeas rec(*context);
  rec.SetTarget(&read);
  rec.Open();
  EXPECT_EQ(read.GetMeasTime(), m.GetMeasTime());
  EXPECT_EQ(read.GetMeasNo(), 1);
  EXPECT_EQ(read.GetValue(0), 1.5f);
  EXPECT_FALSE(read.GetValue(3).IsValid());
  EXPECT_EQ(read.GetValue(COMeas::chPressure), 1013.0f);
  EXPECT_EQ(read.GetValue(COMeas::chTemperature), 7.0f);  // neither written nor read
  EXPECT_EQ(rec.GetColumnNames().size(), 9u);

  DataContext calibration(kovo::test::ProfileOf("Calibration"));
  calibration.Setup().SetDatabaseName(setup->GetDatabaseName());
  CORecMeas caliRec(calibration);
  caliRec.SetTarget(&m);
  caliRec.Open();
  EXPECT_EQ(caliRec.GetColumnNames().size(), 10u);
}

TEST_F(RecordsTest, WindowsAndTheirColumnsAreStoredWithTheirInterval) {
  NewTask("windows");
  CORecOpenWindows win(*context);
  win.Open(platform::CRecordset::dynaset);
  win.AddNew();
  win.m_ID = 1;
  win.m_WindowType = CORecOpenWindows::kGraph;
  win.m_Right = 640;
  win.m_interval.SetMeasMode(COMeasInterval::kByNumber);
  win.m_interval.SetMeasAvg(1);
  win.m_interval.SetInterval(30);
  win.m_interval.SetScaleMax(1, 99.5f);
  win.m_interval.SetStartTime(platform::CTime(-5));  // stored as 0
  win.m_interval.SetEndTime(base);
  win.m_interval.SetChannelMask(0x21);
  win.m_interval.SetRightCursor(12);
  win.Update();
  win.Requery();
  std::vector<CColumn> cols(2, CColumn(*context));
  cols[0].SetChannel(2);
  cols[0].SetCustomColor(0x123456);
  cols[1].SetChannel(7);
  cols[1].SetAxis(1);
  win.SaveColumns(cols);
  EXPECT_TRUE(cols.empty());

  CORecOpenWindows read(*context);
  read.Open();
  ASSERT_FALSE(read.IsEOF());
  EXPECT_EQ(read.m_WindowType, 1);
  EXPECT_EQ(read.m_Right, 640);
  const COMeasInterval& i = read.m_interval;
  EXPECT_EQ(i.GetMeasMode(), COMeasInterval::kByNumber);
  EXPECT_EQ(i.GetInterval(), 30);
  EXPECT_EQ(i.GetScaleMax(1), 99.5f);
  EXPECT_EQ(i.GetStartTime().GetTime(), 0);
  EXPECT_EQ(i.GetEndTime(), base);
  EXPECT_EQ(i.GetChannelMask(), 0x21u);
  EXPECT_EQ(i.GetRightCursor(), 12);
  read.LoadColumns(cols);
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0].GetChannel(), 2);
  EXPECT_EQ(cols[0].GetColorIndex(), 7);
  EXPECT_EQ(cols[0].GetCustomColor(), 0x123456u);
  EXPECT_EQ(cols[1].GetAxis(), 1);
  EXPECT_EQ(cols[1].GetSequence(), &sequence);

  read.DeleteAll();
  EXPECT_TRUE(read.IsEOF());
  read.LoadColumns(cols);
  EXPECT_TRUE(cols.empty());
}

TEST_F(RecordsTest, TheOneReopenRecoversAStaleConnection) {
  // Through ODBC, where a connection can be cut from outside.
  kovo::test::OdbcScope::RouteThroughOdbc("TARNIC:SYSTEM");
  CORecDBList list;
  list.Open();
  list.Close();
  // The connection goes away underneath; the set still takes it for open.
  ASSERT_TRUE(SQL_SUCCEEDED(SQLDisconnect(list.m_pDatabase->GetHandle())));
  EXPECT_THROW(list.Open(), platform::CDBException);
  list.OpenOrRequery();
  EXPECT_TRUE(list.IsOpen());
  list.AddNew();
  list.m_DBName = "X";
  EXPECT_TRUE(list.Update());
}

}  // namespace
