// The database observer: numbering, the rows and events it stores, and the
// task it writes to. The alarm check it runs is part of the whole online run.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "CODBObs.h"
#include "DataTestSupport.h"

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

// What the open task holds: "<no>@<HH:MM:SS>" per measurement and
// "<HH:MM:SS> [<type>] <text>" per event.
struct Stored {
  std::vector<std::string> meas;
  std::vector<std::string> events;
};

Stored ReadTask(DataContext& context) {
  Stored s;
  COMeas m;
  CORecMeas meas(context);
  meas.SetTarget(&m);
  meas.m_strSort = "[MeasNo]";
  meas.Open();
  for (; !meas.IsEOF(); meas.MoveNext())
    s.meas.push_back(std::to_string(m.GetMeasNo()) + "@" + m.GetMeasTime().Format("%H:%M:%S"));
  meas.CloseWithDatabase();
  CORecEvent events(context);
  events.Open();
  for (; !events.IsEOF(); events.MoveNext())
    s.events.push_back(events.m_EventTime.Format("%H:%M:%S") + " [" + std::to_string(events.m_EventType) + "] " +
                       events.m_EventText);
  events.CloseWithDatabase();
  return s;
}

class DBObsTest : public DataTest {
 protected:
  DBObsTest() { genSub.Attach(&observer); }
  ~DBObsTest() override {
    genSub.Detach(&observer);
    observer.CloseRecordsets();
  }

  // Announces a measurement at base + seconds; returns the number the
  // store announced it with.
  int Measure(int seconds, float value, std::vector<COEvent> events = {}) {
    COMeas m = MakeMeas(base, seconds, 0, value);
    for (const COEvent& e : events) m.AddEvent(e);
    int seen = -1;
    Probe probe(&seen);
    genSub.Attach(&probe);
    genSub.NotifyMeas(eNewMeas, m);
    genSub.Detach(&probe);
    return seen;
  }

  void DeleteMeas(int number) {
    COMeas m;
    CORecMeas meas(*context);
    meas.SetTarget(&m);
    meas.m_strFilter = "[MeasNo] = " + std::to_string(number);
    meas.Open(platform::CRecordset::dynaset);
    ASSERT_FALSE(meas.IsEOF());
    meas.Delete();
    meas.CloseWithDatabase();
  }

  class Probe : public CGenObserver {
   public:
    explicit Probe(int* seen) : m_seen(seen) {}
    void Update(const CGenEvent& e) override {
      if (e.kind == eMeasStored) *m_seen = e.meas->GetMeasNo();
    }

   private:
    int* m_seen;
  };

  CODBObs& observer = context->DBObs();
  const platform::CTime base{2024, 6, 1, 8, 0, 0};
};

TEST_F(DBObsTest, NumbersGoOnFromTheHighestStoredNumber) {
  NewTask("numbers");
  EXPECT_EQ(Measure(0, 1.0f), 1);
  EXPECT_EQ(Measure(1, 1.0f), 2);
  EXPECT_EQ(Measure(2, 1.0f), 3);
  DeleteMeas(2);
  EXPECT_EQ(Measure(3, 1.0f), 4);
  DeleteMeas(4);
  EXPECT_EQ(Measure(4, 1.0f), 4);
  EXPECT_EQ(observer.GetLastMeas()->GetMeasNo(), 4);
  EXPECT_EQ(ReadTask(*context).meas, std::vector<std::string>({"1@08:00:00", "3@08:00:02", "4@08:00:04"}));
}

TEST_F(DBObsTest, StartAndStopEventsBracketARunThatMeasured) {
  NewTask("events");
  genSub.Notify(eTaskStarted);
  Measure(0, 1.0f, {COEvent(8, "Filter warm", 0.0f)});
  Measure(10, 1.0f);
  genSub.Notify(eTaskStopped);
  // A run without measurements, and a stop without a start, write nothing.
  genSub.Notify(eTaskStarted);
  genSub.Notify(eTaskStopped);
  genSub.Notify(eTaskStopped);

  EXPECT_EQ(ReadTask(*context).events, std::vector<std::string>({"08:00:00 [5] Measurement task started",
                                                         "08:00:00 [8] Filter warm",
                                                         "08:00:10 [6] Measurement task stopped"}));
  EXPECT_EQ(observer.GetLastMeas()->GetEvents().size(), 1u);
}

TEST_F(DBObsTest, MonitorAlarmsGetTheFiltersLimitsAndOnlyValidFiltersAreLookedUp) {
  SetBank(monitor.setup, 1, 0, "CH4", 16.0f);
  monitor.setup.GetFilter(1).m_alarmLimit1 = 100.0f;
  monitor.setup.GetFilter(1).m_alarmLimit2 = 500.0f;
  monitor.setup.m_waterAlarmLimit1 = 2000.0f;
  NewTask("monitor alarms");
  const std::string conc = setup->GetGasConcUnitText();
  const std::string humi = setup->GetHumidityUnitText();
  const std::string one = "CH4: 100.000 " + conc + " (Limit 1)";
  const std::string two = one + "\r\nCH4: 500.000 " + conc + " (Limit 2)";
  struct Case {
    float filter;
    float value;
    std::string text;
  } cases[] = {
      {1.0f, 300.0f, one},
      {1.0f, 500.0f, one},  // at limit 2 is not above it
      {1.0f, 600.0f, two},
      {5.0f, 9000.0f, "Water Vapour: 2.000e+03 " + humi + " (Limit 1)"},
      // Indexes that name no filter keep their text and index nothing.
      {6.0f, 600.0f, "raw"},
      {-1.0f, 600.0f, "raw"},
      {1e9f, 600.0f, "raw"},
      {std::numeric_limits<float>::quiet_NaN(), 600.0f, "raw"},
  };
  int second = 0;
  for (const Case& c : cases) {
    Measure(second++, c.value, {COEvent(COEvent::typeAlarm, "raw", c.filter)});
    const std::vector<COEvent>& stored = observer.GetLastMeas()->GetEvents();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].GetText(), c.text) << c.filter << " " << c.value;
  }
  EXPECT_EQ(ReadTask(*context).events.size(), std::size(cases));

  // Without a second limit only the first line is written.
  monitor.setup.GetFilter(1).m_alarmLimit2 = MeasValue();
  Measure(second++, 600.0f, {COEvent(COEvent::typeAlarm, "raw", 1.0f)});
  EXPECT_EQ(observer.GetLastMeas()->GetEvents()[0].GetText(), one);
}

TEST_F(DBObsTest, RowsGoToTheTaskThatIsOpen) {
  for (bool announced : {true, false}) {
    SCOPED_TRACE(announced ? "with the database change announced" : "with only the name changed");
    const std::string first = NewTask(announced ? "first" : "third");
    Measure(0, 1.0f);
    Measure(1, 1.0f);
    const std::string second = NewTask(announced ? "second" : "fourth");
    if (announced) setup->SetMeasDatabaseOpen(true);
    EXPECT_EQ(Measure(2, 1.0f), 1);
    EXPECT_EQ(ReadTask(*context).meas, std::vector<std::string>({"1@08:00:02"}));
    setup->SetDatabaseName(first);
    EXPECT_EQ(ReadTask(*context).meas, std::vector<std::string>({"1@08:00:00", "2@08:00:01"}));
    setup->SetDatabaseName(second);
  }
}

TEST_F(DBObsTest, ADatabaseErrorIsReportedAndTheNextMeasurementIsStored) {
  const std::string task = NewTask("errors");
  Measure(0, 1.0f);
  setup->SetDatabaseName("NOSUCHDB");
  Measure(1, 1.0f);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].rfind("Database error", 0), 0u) << Shown()[0];
  setup->SetDatabaseName(task);
  EXPECT_EQ(Measure(2, 1.0f), 2);
}

}  // namespace
