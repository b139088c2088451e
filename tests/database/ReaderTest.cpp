#include <gtest/gtest.h>

#include <functional>

#include "DBFiles.h"
#include "DataTestSupport.h"
#include "core/Text.h"
#include "MeasReader.h"
#include "ObserverSteps.h"
#include "TaskRecords.h"

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

// Measurements 1..n at base + n seconds, each channel holding its number.
class ReaderTest : public DataTest {
 protected:
  void Store(int n, int stopAt = 0) {
    NewTask("reader");
    for (int i = 1; i <= n; ++i) {
      COMeas m = MakeMeas(base, i, 0, static_cast<float>(i));
      if (i == 4) {
        m.AddEvent(COEvent(COEvent::typeComment, "four", 0.0f));
        m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 1.0f));
      }
      if (i == stopAt) m.AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
      store.Write(m);
    }
    store.Close();
  }
  COMeasInterval ByTime(int from, int to) const { return IntervalByTime(base, from, to); }
  // number:value of channel 0, and the number of events, for each measurement.
  std::vector<std::string> Pass(COMeasBuffer& b) {
    std::vector<std::string> out;
    for (b.MoveFirst(); !b.IsAtEnd(); b.MoveNext()) {
      const COMeas& m = b.GetCurrent();
      std::string s = std::to_string(m.GetMeasNo()) + ":" + platform::Format("%.1f", static_cast<float>(m.GetValue(0)));
      if (!m.GetEvents().empty()) s += "+" + std::to_string(m.GetEvents().size());
      out.push_back(s);
    }
    return out;
  }
  using Texts = std::vector<std::string>;

  platform::CTime base{2024, 5, 6, 10, 0, 0};
  kovo::test::ObserverSteps store{*context};
};

TEST_F(ReaderTest, AnEmptyTaskGivesEmptyPasses) {
  Store(0);
  COMeasInterval i = ByTime(0, 100);
  COMeasBuffer b(*context);
  b.SetInterval(&i);
  b.MoveFirst();
  EXPECT_TRUE(b.IsLoaded());
  EXPECT_TRUE(b.IsAtEnd());
  EXPECT_TRUE(Pass(b).empty());
}

TEST_F(ReaderTest, IntervalsAreReadByTimeAndByNumberWithTheirEvents) {
  Store(20);
  COMeasBuffer b(*context);
  COMeasInterval t = ByTime(3, 6);
  b.SetInterval(&t);
  EXPECT_EQ(Pass(b), Texts({"3:3.0", "4:4.0+2", "5:5.0", "6:6.0"}));
  COMeasInterval n = IntervalByNumber(17, 25);  // beyond the last row
  b.SetInterval(&n);
  EXPECT_EQ(Pass(b), Texts({"17:17.0", "18:18.0", "19:19.0", "20:20.0"}));
  n = IntervalByNumber(2, 4);
  b.SetInterval(&n);
  EXPECT_EQ(Pass(b), Texts({"2:2.0", "3:3.0", "4:4.0+2"}));
  // The second pass comes from memory: rows deleted meanwhile do not matter.
  platform::CDatabase db;
  db.Open(dbfiles::ConnectString(setup->GetDatabaseName()));
  db.ExecuteSQL("DELETE FROM [Meas]");
  EXPECT_EQ(Pass(b), Texts({"2:2.0", "3:3.0", "4:4.0+2"}));
}

TEST_F(ReaderTest, TheRollingAverageReadsTheRowsBeforeTheInterval) {
  Store(10);
  COMeasBuffer b(*context);
  COMeasInterval n = IntervalByNumber(4, 6, 3);
  b.SetInterval(&n);
  EXPECT_EQ(Pass(b), Texts({"4:3.0+2", "5:4.0", "6:5.0"}));
  // An interval at the first row averages what there is.
  n = IntervalByNumber(1, 3, 3);
  b.SetInterval(&n);
  EXPECT_EQ(Pass(b), Texts({"1:1.0", "2:1.5", "3:2.0"}));
}

TEST_F(ReaderTest, AnAverageNeverSpansAStop) {
  Store(10, 5);
  COMeasBuffer b(*context);
  COMeasInterval n = IntervalByNumber(5, 7, 3);
  b.SetInterval(&n);
  EXPECT_EQ(Pass(b), Texts({"5:4.0+1", "6:6.0", "7:6.5"}));
}

TEST_F(ReaderTest, AChannelWithoutValuesKeepsTheNewestMeasurementsValue) {
  NewTask("absent");
  for (int i = 1; i <= 5; ++i) {
    COMeas m = MakeMeas(base, i, 0, static_cast<float>(i));
    m.SetValue(0, MeasValue::kNoValue);
    store.Write(m);
  }
  store.Close();
  COMeasLoader loader(*context);
  COMeasInterval n = IntervalByNumber(3, 5, 3);
  loader.SetInterval(&n);
  loader.MoveFirst();
  ASSERT_FALSE(loader.IsEOF());
  EXPECT_FALSE(loader.GetCurrent().GetValue(0).IsValid());
  EXPECT_EQ(loader.GetCurrent().GetValue(1), 2.0f);
}

TEST_F(ReaderTest, TheLiveMeasurementFollowsTheStoredOnesWhileATaskRuns) {
  Store(5);
  // The measurement the database observer wrote last.
  COMeas& live = *context->DBObs().GetLastMeas();
  live = MakeMeas(base, 6, 6, 6.0f);
  COMeasInterval t = ByTime(4, 10);
  COMeasBuffer b(*context);
  b.SetInterval(&t);
  EXPECT_EQ(Pass(b), Texts({"4:4.0+2", "5:5.0"}));  // no measurement received yet
  monitor.hasLastMeas = true;
  b.SetInterval(&t);
  EXPECT_EQ(Pass(b), Texts({"4:4.0+2", "5:5.0", "6:6.0"}));
  live = MakeMeas(base, 5, 5, 5.0f);  // written already: not twice
  b.SetInterval(&t);
  EXPECT_EQ(Pass(b), Texts({"4:4.0+2", "5:5.0"}));
  live = MakeMeas(base, 11, 11, 11.0f);  // outside the interval
  b.SetInterval(&t);
  EXPECT_EQ(Pass(b), Texts({"4:4.0+2", "5:5.0"}));
  COMeasInterval late = ByTime(20, 30);  // no stored rows: the live one alone
  live = MakeMeas(base, 25, 25, 25.0f);
  b.SetInterval(&late);
  EXPECT_EQ(Pass(b), Texts({"25:25.0"}));
}

// A task measuring two a second; a follow must give what a fresh read gives.
TEST_F(ReaderTest, FollowingAMovingIntervalKeepsItsRowsAndReadsWhatWasAdded) {
  NewTask("follow");
  int number = 0;
  auto measure = [&](int upTo) {
    while (number < upTo) {
      ++number;
      COMeas m = MakeMeas(base, number / 2, 0, static_cast<float>(number));
      store.Write(m);
    }
  };
  measure(20);  // seconds 0..10
  COMeasInterval followed = ByTime(2, 6);
  COMeasBuffer b(*context);
  b.SetInterval(&followed);
  Pass(b);
  measure(40);
  platform::CDatabase db;
  db.Open(dbfiles::ConnectString(setup->GetDatabaseName()));
  // A kept row is not read again; the rows of the last second read are, with
  // events stored since.
  db.ExecuteSQL("DELETE FROM [Meas] WHERE [MeasNo] = 10");
  CORecEvent events(*context);
  COMeas twelve = MakeMeas(base, 6, 12, 12.0f);
  events.SaveEvent(twelve, COEvent(COEvent::typeComment, "late", 0.0f));
  events.Close();
  followed.MoveTo(base + platform::CTimeSpan(9), 0);  // now seconds 5 to 9
  b.Follow(&followed);
  EXPECT_EQ(Pass(b), Texts({"10:10.0", "11:11.0", "12:12.0+1", "13:13.0", "14:14.0", "15:15.0", "16:16.0",
                            "17:17.0", "18:18.0", "19:19.0"}));
  EXPECT_EQ(b.GetCount(), 10);
  b.MoveToIndex(9);
  EXPECT_EQ(b.GetCurrent().GetMeasNo(), 19);

  // A follow gives what a fresh read gives, whatever became of the interval.
  const std::vector<std::pair<const char*, std::function<void(COMeasInterval&)>>> changes = {
      {"unchanged", [](COMeasInterval&) {}},
      {"grown at its end", [&](COMeasInterval& i) { i.SetEndTime(base + platform::CTimeSpan(12)); }},
      {"moved back", [&](COMeasInterval& i) { i.MoveTo(base + platform::CTimeSpan(4), 0); }},
      {"moved past what it held", [&](COMeasInterval& i) { i.MoveTo(base + platform::CTimeSpan(18), 0); }},
      {"by number", [&](COMeasInterval& i) { i = IntervalByNumber(30, 40); }},
      {"averaged", [&](COMeasInterval& i) {
         i.SetMeasAvg(1);
         i.SetInterval(1);
         i.MoveTo(base + platform::CTimeSpan(8), 0);
       }},
  };
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    COMeasInterval moved = ByTime(2, 6);
    b.SetInterval(&moved);
    Pass(b);
    change(moved);
    b.Follow(&moved);
    COMeasBuffer fresh(*context);
    fresh.SetInterval(&moved);
    const Texts expected = Pass(fresh);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(Pass(b), expected);
  }
}

}  // namespace
