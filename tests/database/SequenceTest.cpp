#include <gtest/gtest.h>

#include "COException.h"
#include "DataTestSupport.h"
#include "ObserverSteps.h"

#include <functional>

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

class SequenceTest : public DataTest {
 protected:
  platform::CTime base{2024, 5, 6, 10, 0, 0};
};

TEST_F(SequenceTest, AMissingTaskDatabaseCannotBeLoaded) {
  setup->SetDatabaseName("NOPEAAAA");
  try {
    sequence.Load();
    FAIL();
  } catch (const COException& e) {
    EXPECT_EQ(e.GetStringId(), 160u);
  }
}

TEST_F(SequenceTest, ANewTaskStartsFromThePrototypesSettings) {
  const platform::CTime before = platform::CTime::GetCurrentTime();
  NewTask("defaults");
  EXPECT_EQ(sequence.GetNumCount(), 1);
  EXPECT_EQ(sequence.GetName(), "Sequence 1");
  EXPECT_GE(sequence.GetStartTime(), before);  // the prototype's placeholder start reads as now
  EXPECT_EQ(sequence.GetSampleInterval(), 1);
  EXPECT_EQ(sequence.GetRollingAvg(), 10);
  EXPECT_EQ(sequence.GetChamberTime(), 2);
  EXPECT_EQ(sequence.GetTubeTime(), 3);
  setup->SetPressureUnit(COPresUnit::kpa);
  EXPECT_FLOAT_EQ(sequence.GetAirPres(), 101.325f);  // the standard atmosphere
}

TEST_F(SequenceTest, SavedSettingsAndAlarmsComeBackWithTheNextLoad) {
  NewTask("save");
  sequence.SetName("Morning");
  sequence.SetSerialNum("SN1001");
  sequence.SetFilterActive(1, true);
  sequence.SetActiveBank(1, 3);
  sequence.SetGasName(1, "CO");
  sequence.SetMW(1, 28.0f);
  sequence.SetMeasTimeMode(3);
  sequence.SetMeasTime(5, 4);
  sequence.SetReservedFlag(true);
  COAlarm a(*context);
  a.SetFilter(1);
  a.SetStoredLimit(30.0f);
  sequence.GetAlarms().push_back(a);
  sequence.Save();
  sequence.Close();
  EXPECT_EQ(sequence.GetName(), "");
  EXPECT_EQ(sequence.GetAlarmCount(), 0);
  EXPECT_EQ(sequence.GetSampleInterval(), 1);

  sequence.Load();
  EXPECT_EQ(sequence.GetName(), "Morning");
  EXPECT_EQ(sequence.GetSerialNum(), "SN1001");
  EXPECT_TRUE(sequence.IsFilterActive(1));
  EXPECT_EQ(sequence.GetActiveBank(1), 3);
  EXPECT_EQ(sequence.GetMeasTime(5), 4);
  EXPECT_TRUE(sequence.IsReservedFlag());
  ASSERT_EQ(sequence.GetAlarmCount(), 1);
  EXPECT_EQ(sequence.GetAlarm(0).GetStoredLimit(), 30.0f);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(SequenceTest, ANewSequenceIsNumberedOnAndStartsAMinuteAfterTheLastStop) {
  NewTask("numbers");
  for (int i = 0; i < 3; ++i) {
    sequence.SetStop(platform::CTime(2024, 5, 6, 9, 10 * i, 0), i);
    sequence.NewSequence();
  }
  ASSERT_EQ(sequence.GetNumCount(), 4);
  sequence.SetStop(platform::CTime(2024, 5, 6, 10, 0, 0), 77);
  sequence.GetAlarms().resize(2, COAlarm(*context));
  sequence.NewSequence();
  EXPECT_EQ(sequence.GetNumCount(), 5);
  EXPECT_EQ(sequence.GetName(), "Sequence 5");
  EXPECT_EQ(sequence.GetStartTime(), platform::CTime(2024, 5, 6, 10, 1, 0));
  EXPECT_EQ(sequence.GetStopTime(), platform::CTime(2024, 5, 6, 10, 2, 0));

  COSequence other(*context);
  other.Load();
  EXPECT_EQ(other.GetNumCount(), 5);  // the last row is the active one
  EXPECT_EQ(other.GetStopTime(), platform::CTime(2024, 5, 6, 10, 2, 0));
  EXPECT_EQ(other.GetAlarmCount(), 2);
  // The row before it was written when the new one began.
  other.LoadForMeas(MakeMeas(platform::CTime(2024, 5, 6, 10, 0, 30), 0, 1, 0.0f));
  EXPECT_EQ(other.GetNumCount(), 4);
  EXPECT_EQ(other.GetStopNum(), 77);
  other.Close();
}

TEST_F(SequenceTest, GasNamesAndMolecularWeightsComeFromTheMonitorUnlessLocked) {
  SetBank(monitor.setup, 0, 1, "CO2   ", 44.01f);
  SetBank(monitor.setup, 1, 0, "_unused", 10.0f);
  sequence.SetActiveBank(0, 1);
  sequence.SetActiveBank(1, 0);
  sequence.SetActiveBank(2, 255);
  EXPECT_EQ(sequence.GetGasName(0), "CO2");
  EXPECT_EQ(sequence.GetGasName(1), "n/a");
  EXPECT_EQ(sequence.GetGasName(2), "n/a");  // no bank names nothing
  EXPECT_EQ(sequence.GetGasName(5), "Water Vapour");
  EXPECT_EQ(sequence.GetGasName(7), "Air Pressure");
  EXPECT_FLOAT_EQ(sequence.GetMW(0), 44.01f);
  sequence.SetMW(2, 99.0f);
  EXPECT_EQ(sequence.GetMW(2), 1.0f);

  sequence.SetFilterLocked(0, true);  // freezes name and weight
  SetBank(monitor.setup, 0, 1, "CH4", 16.04f);
  EXPECT_EQ(sequence.GetGasName(0), "CO2");
  EXPECT_FLOAT_EQ(sequence.GetMW(0), 44.01f);
  sequence.SetFilterLocked(5, true);
  EXPECT_TRUE(sequence.IsFilterLocked(5));

  DataContext calibration(ProgramIdentity("Calibration"));
  COSequence calibrating(calibration);
  EXPECT_EQ(calibrating.GetGasName(0), "A");
  EXPECT_EQ(calibrating.GetGasName(7), "P: Pressure");
}

TEST_F(SequenceTest, AGasIsDefinedByAMountedFilterWithANamedBank) {
  MonitorSetup& s = monitor.setup;
  EXPECT_FALSE(sequence.IsGasDefined(0));
  EXPECT_TRUE(sequence.IsGasDefined(5));
  s.GetFilter(0).m_number.Assign(std::string("4711"));
  EXPECT_FALSE(sequence.IsGasDefined(0));
  s.GetFilter(0).GetBank(2).SetGasName("_old");
  s.GetFilter(0).GetBank(2).SetSpanDate(CalibTime(platform::CTime(2024, 1, 1, 0, 0, 0)));
  EXPECT_FALSE(sequence.IsGasDefined(0));
  s.GetFilter(0).GetBank(2).SetSpanDate(CalibTime());  // never calibrated: it counts
  EXPECT_TRUE(sequence.IsGasDefined(0));
  s.GetFilter(0).m_number.Assign(std::string("____"));
  EXPECT_FALSE(sequence.IsGasDefined(0));
  EXPECT_FALSE(sequence.IsBankDefined(0, 2));
}

TEST_F(SequenceTest, TheMonitorSetUpCarriesTheSamplingSettingsInDisplayUnits) {
  setup->SetPressureUnit(COPresUnit::hpa);
  setup->SetLengthUnit(COLengUnit::foot);
  sequence.SetAirPres(1013.0f);
  sequence.SetTubeLength(10.0f);
  sequence.SetFilterActive(2, true);
  sequence.SetFilterActive(5, true);
  sequence.SetActiveBank(2, 4);
  sequence.SetRollingAvgOn(true);
  struct Times {
    unsigned char mode, code;
    float seconds;
  };
  for (const Times& t : {Times{0, 6, 1.0f}, Times{1, 0, 5.0f}, Times{2, 0, 20.0f}, Times{3, 0, 0.5f}, Times{3, 6, 50.0f},
                         Times{3, 9, 5.0f}}) {
    sequence.SetMeasTimeMode(t.mode);
    sequence.SetMeasTime(2, t.code);
    EXPECT_EQ(sequence.GetIntegrationTime(2), t.seconds) << int(t.mode) << "/" << int(t.code);
  }
  MonitorSetup s;
  sequence.GetMonitorSetup(s);
  EXPECT_FLOAT_EQ(s.m_airPressure, 1013.0f);
  EXPECT_FLOAT_EQ(s.m_tubeLength, 10.0f);
  EXPECT_EQ(s.m_presUnit, COPresUnit::hpa);
  EXPECT_EQ(s.m_notContinuous, 1);
  EXPECT_EQ(s.m_rollingAvgOn, 1);
  EXPECT_EQ(s.GetFilter(2).m_active, 1);
  EXPECT_EQ(s.GetFilter(2).m_activeBank, 4);
  EXPECT_EQ(s.GetFilter(1).m_active, 0);
  EXPECT_EQ(s.m_waterActive, 1);
  EXPECT_FLOAT_EQ(s.m_normTemp, 20.0f);
}

// --- alarms ---

class AlarmTest : public SequenceTest {
 protected:
  AlarmTest() { monitor.state = MeasState::active; }
  COAlarm Alarm(int filter, float limit, bool relay1) {
    COAlarm a(*context);
    a.SetFilter(static_cast<unsigned char>(filter));
    a.SetStoredLimit(limit);
    a.SetActionRelay1(relay1);
    return a;
  }
  void Check(int channel, float value) {
    ++seconds;
    COMeas m = MakeMeas(base, seconds, seconds, 0.0f);
    m.SetValue(channel, value);
    sequence.CheckAlarms(m);
  }
  int seconds = 0;
};

TEST_F(AlarmTest, AValueAboveTheLimitExceedsItAndAnAbsentValueChangesNothing) {
  sequence.GetAlarms() = {Alarm(0, 10.0f, true)};
  struct Case {
    float value;
    bool exceeded;
    bool triggered;
  };
  const Case cases[] = {{9.9f, false, false}, {10.0f, false, false}, {10.1f, true, true}, {MeasValue::kNoValue, true, true},
                        {3.0f, false, true}, {MeasValue::kNoValue, false, true}};
  for (const Case& c : cases) {
    Check(0, c.value);
    EXPECT_EQ(sequence.GetAlarms()[0].IsExceeded(), c.exceeded) << c.value;
    EXPECT_EQ(sequence.GetAlarms()[0].IsTriggered(), c.triggered) << c.value;
  }
  EXPECT_EQ(switches, std::vector<std::string>({"relay1:on", "relay1:off"}));
}

TEST_F(AlarmTest, AnOutputFollowsEveryAlarmThatAsksForIt) {
  sequence.GetAlarms() = {Alarm(0, 10.0f, true), Alarm(1, 10.0f, true)};
  auto& acks = context->AlarmAcknowledgements();
  acks[0] = acks[1] = acks[2] = true;
  auto both = [&](float a, float b) {
    ++seconds;
    COMeas m = MakeMeas(base, seconds, seconds, 0.0f);
    m.SetValue(0, a);
    m.SetValue(1, b);
    sequence.CheckAlarms(m);
  };
  both(11, 0);
  EXPECT_FALSE(acks[0] || acks[1]);
  EXPECT_TRUE(acks[2]);  // beyond the table
  both(11, 11);
  both(0, 11);
  EXPECT_EQ(switches, std::vector<std::string>({"relay1:on"}));
  both(0, 0);
  EXPECT_EQ(switches, std::vector<std::string>({"relay1:on", "relay1:off"}));
  monitor.state = MeasState::idle;  // not measuring: nothing switches
  both(11, 11);
  EXPECT_EQ(switches.size(), 2u);
  EXPECT_FALSE(sequence.GetAlarms()[0].IsExceeded());
}

TEST_F(AlarmTest, TheStopSwitchesOffWhatIsOn) {
  COAlarm a = Alarm(0, 10.0f, true);
  a.SetActionPC(true);
  sequence.GetAlarms() = {a};
  Check(0, 50.0f);
  sequence.ResetAlarmOutputs();
  EXPECT_EQ(switches, std::vector<std::string>({"pc:on", "relay1:on", "pc:off", "relay1:off"}));
  EXPECT_FALSE(sequence.GetAlarms()[0].IsExceeded());
  EXPECT_TRUE(sequence.GetAlarms()[0].IsTriggered());
  sequence.ResetAlarmOutputs();
  EXPECT_EQ(switches.size(), 4u);
}

TEST_F(AlarmTest, EachAlarmChecksItsOwnCopyOfTheMeasurement) {
  NewTask("rolling");
  kovo::test::ObserverSteps store(*context);
  // One minute of 0 ppm, then a single 100 ppm sample: its two-minute
  // average stays low, its own value does not.
  COMeas last;
  for (int i = 0; i < 60; ++i) {
    last = MakeMeas(base, i, 0, i == 59 ? 100.0f : 0.0f);
    store.Write(last);
  }
  COAlarm averaged = Alarm(0, 50.0f, false);
  averaged.SetUseRollingAvg(true);
  averaged.SetRollingAvg(1);
  averaged.SetActionPC(true);
  COAlarm instant = Alarm(0, 50.0f, true);
  sequence.GetAlarms() = {averaged, instant};
  sequence.CheckAlarms(last);
  EXPECT_FALSE(sequence.GetAlarms()[0].IsExceeded());
  EXPECT_TRUE(sequence.GetAlarms()[1].IsExceeded());
  EXPECT_EQ(switches, std::vector<std::string>({"relay1:on"}));
  // Twice the limit over the minute does exceed the average.
  for (int i = 60; i < 120; ++i) {
    last = MakeMeas(base, i, 0, 120.0f);
    store.Write(last);
  }
  sequence.CheckAlarms(last);
  EXPECT_TRUE(sequence.GetAlarms()[0].IsExceeded());
  store.Close();
}

TEST_F(AlarmTest, TheDescriptionNamesGasLimitUnitAndActions) {
  SetBank(monitor.setup, 0, 0, "CO2", 44.01f);
  COAlarm a = Alarm(0, 25.0f, false);
  a.SetUseRollingAvg(true);
  a.SetRollingAvg(10);
  a.SetActionPC(true);
  a.SetActionRelay2(true);
  EXPECT_EQ(a.GetDescription(), "CO2: 25.000 ppm (Limit 1, Rol. Avg 10 min, PC, Rel. 2)");
  COAlarm w = Alarm(5, 1000.0f, true);
  w.SetLimit2(true);
  w.SetActionMonitor(true);
  EXPECT_EQ(w.GetDescription(), "Water Vapour: 1.000e+03 ppm (Limit 2, Monitor, Rel. 1)");
}

TEST_F(AlarmTest, LimitsAreGivenInTheDisplayUnitAndKeptInPpm) {
  SetBank(monitor.setup, 0, 0, "CO", 28.0f);
  setup->SetGasConcUnit(COConcUnit::mg_m3);
  COAlarm a(*context);
  a.SetLimit(1.164f);  // mg/m³ of a gas of weight 28 at 20 °C
  EXPECT_NEAR(a.GetStoredLimit(), 1.0f, 0.002f);
  EXPECT_NEAR(a.GetLimit(), 1.164f, 1e-4f);
}

// --- general subject and sequence observer ---

class Recorder : public CGenObserver {
 public:
  Recorder(std::vector<std::string>* log, std::string name) : m_log(log), m_name(std::move(name)) {}
  void Update(const CGenEvent& e) override {
    std::string entry = m_name + std::to_string(e.kind);
    if (e.meas != nullptr) entry += "#" + std::to_string(e.meas->GetMeasNo());
    m_log->push_back(entry);
    if (onUpdate) onUpdate(e);
  }
  std::function<void(const CGenEvent&)> onUpdate;

 private:
  std::vector<std::string>* m_log;
  std::string m_name;
};

TEST(GenSub, KindsRaisedInAPassFollowItInTheOrderRaised) {
  COGenSub sub;
  std::vector<std::string> log;
  Recorder a(&log, "a"), b(&log, "b");
  a.onUpdate = [&sub](const CGenEvent& e) {
    if (e.kind == eNewMeas) {
      sub.Notify(eUserEvent);
      sub.Notify(eTaskStopped);
    }
  };
  sub.Attach(&a);
  sub.Attach(&b);
  COMeas m;
  m.SetMeasNo(1);
  sub.NotifyMeas(eNewMeas, m);
  EXPECT_EQ(log, std::vector<std::string>({"a5#1", "b5#1", "a9", "b9", "a6", "b6"}));
}

TEST(GenSub, AMeasurementAnnouncedInsideAPassWaitsForIt) {
  // A message box shown by an observer runs the message loop, which may hand
  // the next finished sample to the general subject.
  COGenSub sub;
  std::vector<std::string> log;
  Recorder a(&log, "a"), b(&log, "b");
  bool nested = false;
  a.onUpdate = [&](const CGenEvent& e) {
    if (e.kind == eNewMeas && !nested) {
      nested = true;
      COMeas m2;
      m2.SetMeasNo(2);
      sub.NotifyMeas(eNewMeas, m2);
      sub.Notify(eUserEvent);
    }
  };
  b.onUpdate = [&](const CGenEvent& e) { log.push_back("b sees " + std::to_string(e.kind)); };
  sub.Attach(&a);
  sub.Attach(&b);
  COMeas m1;
  m1.SetMeasNo(1);
  sub.NotifyMeas(eNewMeas, m1);
  EXPECT_EQ(log, std::vector<std::string>({"a5#1", "b5#1", "b sees 5", "a5#2", "b5#2", "b sees 5", "a9", "b9",
                                           "b sees 9"}));
}

TEST_F(SequenceTest, TheObserverFollowsTheStoredMeasurementsAndSavesOnlyAtTheFirst) {
  NewTask("observed");
  std::vector<std::string> log;
  Recorder after(&log, "w");
  genSub.Attach(&sequence);
  genSub.Attach(&after);
  sequence.SetFilterActive(0, true);
  SetBank(monitor.setup, 0, 0, "CO", 28.0f);
  genSub.Notify(eTaskStarted);
  genSub.NotifyMeas(eNewMeas, MakeMeas(base, 6, 0, 1.0f));  // not stored: not followed
  for (int no : {7, 8, 9}) genSub.NotifyMeas(eMeasStored, MakeMeas(base, no, no, 1.0f));
  EXPECT_EQ(sequence.GetStartNum(), 7);
  EXPECT_EQ(sequence.GetStopNum(), 9);
  EXPECT_EQ(sequence.GetStartTime(), base + platform::CTimeSpan(7));
  EXPECT_TRUE(sequence.IsFilterLocked(0));
  EXPECT_FALSE(sequence.IsFilterLocked(1));
  EXPECT_EQ(log, std::vector<std::string>({"w4", "w5#0", "w7#7", "w7#8", "w7#9"}));

  COSequence stored(*context);
  stored.Load();
  EXPECT_EQ(stored.GetStartNum(), 7);
  EXPECT_EQ(stored.GetStopNum(), 7);
  EXPECT_EQ(stored.GetGasName(0), "CO");
  stored.Close();
  genSub.Detach(&after);
  genSub.Detach(&sequence);
}

// The store announces each measurement once its row is numbered and its
// alarms checked: whoever hears the announcement finds both done, in
// whatever order the observers were attached.
TEST_F(AlarmTest, TheStoredMeasurementReachesEveryObserverInEitherAttachOrder) {
  const COAlarm alarm = Alarm(0, 50.0f, true);
  for (const bool storeFirst : {true, false}) {
    NewTask(storeFirst ? "storefirst" : "storelast");
    sequence.GetAlarms() = {alarm};
    CODBObs& store = context->DBObs();
    std::vector<std::string> seen;
    CGenCallback probe([&](const CGenEvent& e) {
      if (e.kind != eMeasStored) return;
      seen.push_back(std::to_string(e.meas->GetMeasNo()) + (sequence.GetAlarms()[0].IsExceeded() ? " over" : "") +
                     (store.GetLastMeas()->GetMeasNo() == e.meas->GetMeasNo() ? " stored" : ""));
    });
    genSub.Attach(&probe);
    if (storeFirst) genSub.Attach(&store);
    genSub.Attach(&sequence);
    if (!storeFirst) genSub.Attach(&store);
    genSub.Notify(eTaskStarted);
    for (int s = 0; s < 3; ++s) genSub.NotifyMeas(eNewMeas, MakeMeas(base, s, 0, s == 1 ? 80.0f : 1.0f));
    genSub.Notify(eTaskStopped);
    EXPECT_EQ(seen, std::vector<std::string>({"1 stored", "2 over stored", "3 stored"})) << storeFirst;
    EXPECT_EQ(sequence.GetStartNum(), 1) << storeFirst;
    EXPECT_EQ(sequence.GetStopNum(), 3) << storeFirst;
    EXPECT_EQ(sequence.GetStopTime(), base + platform::CTimeSpan(2)) << storeFirst;
    genSub.Detach(&store);
    genSub.Detach(&sequence);
    genSub.Detach(&probe);
    store.CloseRecordsets();
  }
}

TEST_F(SequenceTest, AStopWithoutMeasurementsStillSwitchesTheOutputsOff) {
  genSub.Attach(&sequence);
  monBeep.m_request = 1;
  genSub.Notify(eTaskStarted);
  genSub.Notify(eTaskStopped);
  EXPECT_EQ(switches, std::vector<std::string>({"monitor:off"}));
  genSub.Detach(&sequence);
}

}  // namespace
