// The measurement subject against the simulated monitor, without a display:
// its states and texts, the checks before a start, the hand-over of the
// samples, pause and resume, and what happens when the line drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "COGenSub.h"
#include "DeviceClients.h"
#include "OnlineFixture.h"

namespace {

using kovo::sim::Misbehaviour;
using kovo::test::OnlineFixture;
using kovo::test::Recorder;

int Count(const std::vector<int>& v, int x) { return static_cast<int>(std::count(v.begin(), v.end(), x)); }

class MeasObsTest : public OnlineFixture {
 protected:
  void Connect() {
    ASSERT_TRUE(obs->Connect(false));
    GiveBanks();
  }
  // Connected, with a task, measuring.
  void RunUntilActive() {
    Connect();
    PrepareTask("run");
    ASSERT_TRUE(StartNow());
    ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  }
  void StopAndWait() {
    obs->StopMeasurement();
    ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  }
  // The sample numbers of the stored measurements, and the stored events' types.
  std::vector<long> StoredNumbers() {
    std::vector<long> numbers;
    for (const COMeas& m : StoredMeas()) numbers.push_back(SampleNo(m));
    return numbers;
  }
  std::vector<int> StoredEventTypes() {
    std::vector<int> types;
    for (const StoredEvent& e : StoredEvents()) types.push_back(e.type);
    return types;
  }
};

TEST_F(MeasObsTest, ARunGoesFromStartingThroughActiveToIdle) {
  Connect();
  PrepareTask("states");
  EXPECT_EQ(obs->GetStatusText(), "Idle");
  ASSERT_TRUE(StartNow());
  EXPECT_EQ(obs->GetState(), MeasState::starting);
  EXPECT_EQ(obs->GetStatusText(), "Starting");
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  EXPECT_EQ(obs->GetStatusText(), "Active");
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 3; }));
  EXPECT_TRUE(obs->HasLastMeas());
  obs->StopMeasurement();
  EXPECT_EQ(obs->GetStatusText(), "Stopping");
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));

  // The subject's own observers hear of the start and the stop request; the
  // rest goes through the general subject.
  EXPECT_EQ(States(), std::vector<MeasState>({MeasState::starting, MeasState::stopping}));
  const std::vector<int> kinds = Kinds();
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(kinds.front(), eTaskStarted);
  EXPECT_EQ(kinds.back(), eTaskStopped);
  EXPECT_EQ(Count(kinds, eNewMeas), static_cast<int>(Received().size()));
  EXPECT_FALSE(obs->HasLastMeas());
  EXPECT_EQ(dialogs->shown, std::vector<std::string>({"Retrieving Gas Monitor ID...", "Retrieving UA-numbers..."}));

  // Gases arrive in mg/m³ and are kept in ppm (filter B holds CH4).
  const float mgB = sim->State().levels[1];
  EXPECT_NEAR(Received().back().GetValue(1), mgB * kMolarVolume / 16.04f, 0.01f);
  // Everything the monitor sent is stored, in order; the next run gets a new
  // sequence row.
  EXPECT_EQ(ReceivedNumbers(), sim->State().delivered);
  EXPECT_EQ(StoredNumbers(), sim->State().delivered);
  EXPECT_EQ(sequence.GetNumCount(), 2);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(MeasObsTest, ADelayedStartIsShownWithItsTimeAndAStopBeforeItSendsNothing) {
  Connect();
  PrepareTask("delayed");
  const platform::CTime at = platform::CTime::GetCurrentTime() + platform::CTimeSpan(3600);
  ASSERT_TRUE(obs->StartMeasurement(at, 1, platform::CTime(), 0));
  EXPECT_EQ(obs->GetState(), MeasState::delayedStart);
  EXPECT_EQ(obs->GetStatusText(), "Delayed start at " + at.Format("%y-%m-%d %X"));
  PumpFor(100);
  obs->StopMeasurement();
  EXPECT_EQ(obs->GetState(), MeasState::idle);
  EXPECT_EQ(Kinds(), std::vector<int>({eTaskStopped}));
  EXPECT_FALSE(Sent("STA_M"));
  EXPECT_TRUE(StoredEventTypes().empty());
}

TEST_F(MeasObsTest, WaitingResultsAreHandedOverOldestFirstWithoutSleeping) {
  RunUntilActive();
  const size_t before = Received().size();
  // The user-interface thread is busy while samples come in.
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (obs->GetService()->GetResultCount() < 4 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GE(obs->GetService()->GetResultCount(), 4u);
  EXPECT_TRUE(obs->IsMeasuring());
  SetSampling(60000);
  // One dispatch hands over every waiting result, with no pause between them.
  obs->GetDevice().DispatchDone();
  EXPECT_GE(Received().size(), before + 4);
  EXPECT_FALSE(obs->IsMeasuring());
  ASSERT_TRUE(PumpUntil([&] { return ReceivedNumbers() == sim->State().delivered; }));
  StopAndWait();
  EXPECT_EQ(StoredNumbers(), sim->State().delivered);
}

TEST_F(MeasObsTest, AnObserverThatThrowsStopsOneHandOverAndLosesNoSample) {
  RunUntilActive();
  bool armed = true;
  CGenCallback thrower([&](const CGenEvent& e) {
    if (!armed || e.kind != eNewMeas) return;
    armed = false;
    throw std::runtime_error("observer failed");
  });
  genSub.Attach(&thrower);
  // Several samples wait, so the throw comes with more behind it.
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (obs->GetService()->GetResultCount() < 3 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_THROW(obs->GetDevice().DispatchDone(), std::runtime_error);
  EXPECT_FALSE(armed);

  // The hand-over goes on from the event loop, and so do later ones.
  const size_t after = Received().size();
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= after + 3; }));
  StopAndWait();
  genSub.Detach(&thrower);
  EXPECT_EQ(ReceivedNumbers(), sim->State().delivered);
  EXPECT_EQ(StoredNumbers(), sim->State().delivered);
  EXPECT_EQ(Count(Kinds(), eTaskStopped), 1);
}

TEST_F(MeasObsTest, PauseAndResumeKeepTheTaskRunning) {
  RunUntilActive();
  ASSERT_TRUE(PumpUntil([&] { return !Received().empty(); }));
  obs->StartStopMonitor();
  EXPECT_EQ(obs->GetState(), MeasState::restartStopping);
  EXPECT_EQ(obs->GetStatusText(), "");
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::restartStopped; }));
  const size_t paused = Received().size();
  obs->StartStopMonitor();
  EXPECT_EQ(obs->GetState(), MeasState::restartStarting);
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= paused + 2; }));
  EXPECT_EQ(Count(Kinds(), eTaskStarted), 1);
  EXPECT_EQ(Count(Kinds(), eTaskStopped), 0);
  EXPECT_EQ(States(), std::vector<MeasState>({MeasState::starting, MeasState::restartStopping, MeasState::restartStopped,
                                        MeasState::restartStarting, MeasState::active}));
  StopAndWait();
  EXPECT_EQ(Count(Kinds(), eTaskStopped), 1);
}

TEST_F(MeasObsTest, RestartOutsideARunningOrPausedTaskDoesNothing) {
  Connect();
  PrepareTask("restart");
  obs->StartStopMonitor();  // no service has ever run
  EXPECT_EQ(obs->GetState(), MeasState::idle);

  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  obs->StopMeasurement();
  obs->StartStopMonitor();  // stopping: the stop stands
  EXPECT_EQ(obs->GetState(), MeasState::stopping);
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  obs->StartStopMonitor();  // the finished service is still held
  EXPECT_EQ(obs->GetState(), MeasState::idle);
  PumpFor(100);
  EXPECT_EQ(obs->GetState(), MeasState::idle);
  EXPECT_TRUE(States() == std::vector<MeasState>({MeasState::starting, MeasState::stopping}));
  EXPECT_EQ(Count(Kinds(), eTaskStopped), 1);
}

TEST_F(MeasObsTest, TheStartChecksTheMonitorAgainstTheSequence) {
  Connect();
  struct Case {
    const char* name;
    std::function<void(COSequence&, MonitorSetup&)> differ;
    int answer;
    bool started;
    std::vector<std::string> asked;
    std::function<bool(const COSequence&)> after;
  };
  const std::string serialQ = "Wrong Gas Monitor serial number";
  const std::string gasQ = "A gasname in the Gas Monitor, do not match the selected gas";
  const std::string mwQ = "A molecular weight in the Gas Monitor, do not match the molweight of the selected gas ";
  auto lockedAs = [](const std::string& gas, float mw) {
    return [gas, mw](COSequence& s, MonitorSetup&) {
      s.SetFilterLocked(1, true);
      s.SetGasName(1, gas);
      s.SetMW(1, mw);
    };
  };
  const Case cases[] = {
      {"serial declined", [](COSequence& s, MonitorSetup&) { s.SetSerialNum("OTHER"); }, platform::IDCANCEL, false, {serialQ},
       [](const COSequence& s) { return s.GetSerialNum() == "OTHER"; }},
      {"serial taken", [](COSequence& s, MonitorSetup&) { s.SetSerialNum("OTHER"); }, platform::IDOK, true, {serialQ},
       [](const COSequence& s) { return s.GetSerialNum() == "K0042"; }},
      {"gas declined", lockedAs("CO", 16.04f), platform::IDCANCEL, false, {gasQ},
       [](const COSequence& s) { return s.GetGasName(1) == "CO"; }},
      {"gas taken", lockedAs("CO", 16.04f), platform::IDOK, true, {gasQ},
       [](const COSequence& s) { return s.GetGasName(1) == "CH4"; }},
      {"weight declined", lockedAs("CH4", 28.0f), platform::IDCANCEL, false, {mwQ},
       [](const COSequence& s) { return s.GetMW(1) == 28.0f; }},
      {"weight taken", lockedAs("CH4", 28.0f), platform::IDOK, true, {mwQ},
       [](const COSequence& s) { return s.GetMW(1) == 16.04f; }},
      {"no gas in the bank", [](COSequence& s, MonitorSetup& m) {
         s.SetFilterLocked(1, true);
         s.SetGasName(1, "CO");
         m.GetFilter(1).GetBank(0).SetGasName("_");
       }, platform::IDOK, true, {}, [](const COSequence& s) { return s.GetGasName(1) == "CO"; }},
      {"no bank chosen", [](COSequence& s, MonitorSetup&) {
         s.SetFilterLocked(1, true);
         s.SetGasName(1, "CO");
         s.SetActiveBank(1, 255);
       }, platform::IDOK, true, {}, [](const COSequence& s) { return s.GetGasName(1) == "CO"; }},
      {"blanks in the bank", [](COSequence& s, MonitorSetup& m) {
         s.SetFilterLocked(1, true);
         s.SetGasName(1, "CO");
         m.GetFilter(1).GetBank(0).SetGasName("   ");
       }, platform::IDOK, true, {}, [](const COSequence& s) { return s.GetGasName(1) == "CO"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GiveBanks();
    PrepareTask(c.name);
    MonitorSetup monitorSetup = obs->GetDevice().GetSetup();
    c.differ(sequence, monitorSetup);
    obs->GetDevice().SetSetup(monitorSetup);
    messages.Clear();
    messages.Answer(c.answer);
    EXPECT_EQ(StartNow(), c.started);
    EXPECT_EQ(messages.Texts(), c.asked);
    EXPECT_TRUE(c.after(sequence));
    if (c.started) {
      ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
      StopAndWait();
    } else {
      EXPECT_EQ(obs->GetState(), MeasState::idle);
    }
  }
}

TEST_F(MeasObsTest, AFailedIdentityOrConfigurationEndsTheStart) {
  Connect();
  PrepareTask("failures");
  obs->GetDevice().RunFlags() = ClientRunFlags();  // the identity is asked for again
  sim->SetMisbehaviour(Misbehaviour::garbage);
  EXPECT_FALSE(StartNow());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error"}));

  sim->SetMisbehaviour(Misbehaviour::none);
  ASSERT_TRUE(obs->RetrieveMonitorID());
  sim->PostMessage("LAMP FAULT");  // the configuration check finds it
  messages.Clear();
  EXPECT_FALSE(StartNow());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error", "Unable to reload gas info"}));
  EXPECT_EQ(obs->GetState(), MeasState::idle);
  EXPECT_TRUE(Kinds().empty());
  EXPECT_FALSE(Sent("STA_M"));
}

TEST_F(MeasObsTest, AFailedConnectionMayBeTakenOffline) {
  Unplug();
  EXPECT_FALSE(obs->Connect(false));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Unable to get Gas Monitor Serial"}));
  messages.Clear();
  messages.Answer(platform::IDNO);
  EXPECT_FALSE(obs->Connect(true));
  messages.Answer(platform::IDYES);
  EXPECT_TRUE(obs->Connect(true));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>(2, "Unable to get Gas Monitor ID\nDo you want to work offline?"));
  EXPECT_TRUE(obs->IsOffline());
  EXPECT_TRUE(obs->Connect(true));  // connected, if only offline

  // Without the offline choice the monitor is tried again.
  PlugIn();
  EXPECT_TRUE(obs->Connect(false));
  EXPECT_EQ(obs->GetMonitorSetup().m_serial.ToString(), "K0042");
}

TEST_F(MeasObsTest, OfflineAMonitorWithoutAStoredSetHasNoConfiguration) {
  Unplug();
  messages.Answer(platform::IDYES);
  ASSERT_TRUE(obs->Connect(true));
  MonitorSetup known = obs->GetDevice().GetSetup();
  known.m_serial.Assign(std::string("K0099"));
  obs->GetDevice().SetSetup(known);
  messages.Clear();
  EXPECT_FALSE(obs->LoadSetupFromDatabase());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Unable to load configuration from the last filter info upload"}));
}

TEST_F(MeasObsTest, TheMonitorsFiltersAreUploadedOnceAndThenComeFromTheStoredSet) {
  ASSERT_TRUE(obs->Connect(false));
  ASSERT_TRUE(obs->LoadSetupFromDatabase());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Gas Monitor not known\nUploading filter information now"}));
  EXPECT_EQ(dialogs->shown.back(), "Uploading | Retrieving filter info...");
  EXPECT_EQ(obs->GetMonitorSetup().GetFilter(1).GetBank(0).GetGasName().ToString(), "CH4");

  // In the next run (a measurement subject of its own, which knows only the
  // identity) the stored set fills the filters and their banks.
  COMeasObs next(*context, program.Instrument());
  next.GetDevice().SetDialogs(dialogs.get());
  MonitorSetup changed = obs->GetDevice().GetSetup();
  for (FilterInfo& f : changed.m_filters) f.m_number.Clear();
  changed.GetFilter(1).GetBank(0).SetGasName("XX");
  next.GetDevice().SetSetup(changed);
  const size_t windows = dialogs->shown.size();
  messages.Clear();
  ASSERT_TRUE(next.LoadSetupFromDatabase());
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(dialogs->shown.size(), windows);
  EXPECT_EQ(next.GetMonitorSetup().GetFilter(1).GetBank(0).GetGasName().ToString(), "CH4");
  EXPECT_EQ(next.GetMonitorSetup().m_serial.ToString(), "K0042");
  for (int f = 0; f < 5; ++f)
    EXPECT_EQ(next.GetMonitorSetup().GetFilter(f).GetNumber().ToString(), sim->State().uaNumbers[size_t(f)]) << f;
  EXPECT_EQ(next.GetMonitorSetup().m_uaNumbers.Get(1), 977u);
}

TEST_F(MeasObsTest, ADroppedLineEndsTheRunWithEverySampleStoredAndTheRunStartsAgain) {
  RunUntilActive();
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 3; }));
  sim->DropLine(300);
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Task stopped\nCommunication error"}));
  // Every sample received is stored; at most the one on the line when it
  // dropped is lost.
  const std::vector<long> stored = StoredNumbers();
  const std::vector<long> sent = sim->State().delivered;
  EXPECT_EQ(stored, ReceivedNumbers());
  ASSERT_GE(stored.size(), 3u);
  ASSERT_LE(sent.size(), stored.size() + 1);
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), sent.begin()));
  EXPECT_EQ(StoredEventTypes(), std::vector<int>({COEvent::typeTaskStarted, COEvent::typeTaskStopped}));

  // The line is back: the run starts again on the same task.
  ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(odbc.File("monitor")); }));
  messages.Clear();
  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= stored.size() + 3; }));
  StopAndWait();
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(StoredNumbers(), ReceivedNumbers());
  EXPECT_EQ(Count(StoredEventTypes(), COEvent::typeTaskStarted), 2);
  EXPECT_EQ(Count(StoredEventTypes(), COEvent::typeTaskStopped), 2);
}

TEST_F(MeasObsTest, ASecondStartNeverDatesASampleBeforeTheTasksLast) {
  // A second between samples, so each has a time of its own.
  SetSampling(1100);
  Connect();
  PrepareTask("twice");
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    const size_t before = Received().size();
    // The monitor's clock comes out as the minute after the start, and runs
    // ahead: a second start soon after would come out in the minute of the
    // last sample (unless a minute began meanwhile).
    platform::CTime waitUntil;
    if (run == 1) {
      const platform::CTime last = StoredMeas().back().GetMeasTime();
      waitUntil = last - platform::CTimeSpan(last.GetSecond());
    }
    const bool waits = run == 1 && platform::CTime::GetCurrentTime() < waitUntil;
    ASSERT_TRUE(StartNow());
    if (waits) {
      // The start waits for that minute, and says so.
      EXPECT_EQ(obs->GetState(), MeasState::delayedStart);
      EXPECT_EQ(obs->GetStatusText(), "Delayed start at " + waitUntil.Format("%y-%m-%d %X"));
    }
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= before + 2; }));
    StopAndWait();
  }
  const std::vector<COMeas> stored = StoredMeas();
  ASSERT_GE(stored.size(), 4u);
  for (size_t i = 1; i < stored.size(); ++i)
    EXPECT_GT(stored[i].GetMeasTime(), stored[i - 1].GetMeasTime())
        << i << ": " << stored[i - 1].GetMeasTime().Format("%X") << " then " << stored[i].GetMeasTime().Format("%X");
  EXPECT_TRUE(messages.Texts().empty()) << messages.Texts()[0];

  // A last sample far ahead (a clock that went back) is not waited for: the
  // start is refused, saying from when on it can be, and nothing reaches the
  // monitor.
  platform::CTime last;
  {
    COMeas ahead = kovo::test::MakeMeas(platform::CTime::GetCurrentTime(), 3 * 3600 + 25, 99, 1.0f);
    last = ahead.GetMeasTime();
    COMeas bound;
    CORecMeas meas(*context);
    meas.SetTarget(&bound);
    meas.Open(platform::CRecordset::dynaset);
    meas.AddNew();
    bound = ahead;
    meas.Update();
    meas.CloseWithDatabase();
  }
  sim->ClearLines();
  EXPECT_FALSE(StartNow());
  EXPECT_EQ(obs->GetState(), MeasState::idle);
  EXPECT_FALSE(Sent("STA_M"));
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find("Please start at " + (last - platform::CTimeSpan(last.GetSecond())).Format("%y-%m-%d %X") +
                                     " or later."),
            std::string::npos)
      << messages.Texts()[0];
}

}  // namespace
