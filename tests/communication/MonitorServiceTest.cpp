// The monitoring service on the simulated monitor: the set-up download,
// polling, delayed start and timed stop, stopping and the final cycle.
#include <gtest/gtest.h>

#include <algorithm>

#include "MonitoringFixture.h"
#include "Services.h"

namespace {
using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;
using Lines = std::vector<std::string>;

// The clock lines carry the time of the run.
Lines Masked(Lines lines) {
  for (std::string& l : lines) {
    if (l.rfind("SE CL,", 0) == 0) l = "SE CL,<time>";
    if (l.rfind("SE DA,", 0) == 0) l = "SE DA,<date>";
  }
  return lines;
}

Lines Between(const Lines& lines, const std::string& from, const std::string& to) {
  auto begin = std::find(lines.begin(), lines.end(), from);
  auto end = std::find(begin, lines.end(), to);
  return Lines(begin, end == lines.end() ? end : end + 1);
}

}  // namespace

TEST_F(Monitoring, ARunFromStartToStopDeliversEverySampleInOrder) {
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return Polling(*service) && !client.calls.empty(); }));
  EXPECT_TRUE(service->IsTimerRunning());
  EXPECT_EQ(client.calls.front().state, Service::stateRunning);  // told that polling began

  const Lines expectedStart = {
      "SE L_U,U_METER", "SE H_U,U_PPM", "SE PR_U,U_MBAR", "SE T_U,U_CE", "SE C_U,U_PPM", "SE A_P,1013.0",
      "SE C_C,Y", "SE W_C,N", "SE C_S,Y", "SE S_I,\"00:01\"", "SE N_T,20.0", "SE CL,<time>", "SE DA,<date>",
      "SE M_M,N", "SE F_T_F,N", "SE T_L,12.5", "D_A,Y", "SE A_T,\"00:05\"",
      "SE US_F,F_A,Y", "SE B,F_A,1", "E_C 83", "C_P F_A,1,A_L,1.0E32", "E_C 83", "C_P F_A,1,A_L,5.000000E+02,2",
      "SE S_I_T,F_A,5.0",
      "SE US_F,F_B,Y", "SE B,F_B,2", "E_C 83", "C_P F_B,2,A_L,1.0E32", "E_C 83", "C_P F_B,2,A_L,5.000000E+02,2",
      "SE S_I_T,F_B,5.0",
      "SE US_F,F_C,N", "SE US_F,F_D,N", "SE US_F,F_E,N",
      "SE US_F,F_W,Y", "E_C 83", "C_P F_W,A_L,1.0E32", "E_C 83", "C_P F_W,A_L,1.0E32,2", "SE S_I_T,F_W,2.0",
      "A_M?", "CO_SRQ 1,1", "STA_M"};
  const Lines lines = Masked(monitor->Lines());
  ASSERT_GE(lines.size(), expectedStart.size());
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<long>(expectedStart.size())), expectedStart);
  EXPECT_EQ(monitor->State().rejected, 0);

  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 4; }));
  service->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
  EXPECT_FALSE(service->IsFailed()) << service->GetErrorText();
  EXPECT_FALSE(service->IsTimerRunning());
  EXPECT_FALSE(monitor->State().measuring);

  // Every sample the monitor sent, each once, in order.
  EXPECT_EQ(Numbers(), monitor->State().delivered);
  // A cycle that finds no sample ready asks for none.
  const Lines sent = monitor->Lines();
  EXPECT_EQ(static_cast<size_t>(std::count(sent.begin(), sent.end(), "O_SP_C? SA_DA,AL")), received.size());
  EXPECT_GT(std::count(sent.begin(), sent.end(), "CO_SRQ? 1,MEM"), std::count(sent.begin(), sent.end(), "A_M?"));
  for (size_t i = 1; i < received.size(); ++i) EXPECT_GE(received[i].GetMeasTime(), received[i - 1].GetMeasTime());

  // The stop list, then the final cycle from the start of its list.
  const Lines all = monitor->Lines();
  const Lines stop = Between(all, "STOP_M", "CO_SRQ? 1,MEM");
  ASSERT_GE(stop.size(), 3u);
  EXPECT_EQ(all[static_cast<size_t>(std::find(all.begin(), all.end(), "STOP_M") - all.begin()) - 2], "A_M");
  EXPECT_EQ(stop[1], "EX_S?");
  EXPECT_EQ(stop.back(), "CO_SRQ? 1,MEM");
  EXPECT_EQ(client.Finished(service.get()), 1);
}

TEST_F(Monitoring, FixedFlushTimesAndAFilterWithoutBank) {
  MonitorSetup s = SequenceSetup();
  s.m_modeFlag = 1;  // flushing by fixed times
  s.m_chamberTime = 30;
  s.m_tubeTime = 45;
  s.GetFilter(1).m_activeBank = MonitorService::kNoBank;
  device->SetSetup(s);
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return Polling(*service); }));
  const Lines lines = monitor->Lines();
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  auto hasPrefix = [&](const std::string& p) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(p, 0) == 0; });
  };
  EXPECT_TRUE(has("SE F_T_F,Y"));
  EXPECT_TRUE(has("SE C_F_T,30"));
  EXPECT_TRUE(has("SE T_F_T,45"));
  EXPECT_FALSE(hasPrefix("SE T_L,"));
  // No bank 256 and no index 255: filter B keeps the monitor's bank and limits.
  EXPECT_FALSE(hasPrefix("SE B,F_B"));
  EXPECT_FALSE(hasPrefix("C_P F_B"));
  EXPECT_TRUE(has("SE US_F,F_B,Y"));
  EXPECT_TRUE(has("SE S_I_T,F_B,5.0"));
  service->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
}

TEST_F(Monitoring, DelayedStart) {
  // More than 60 seconds ahead: a window timer (61 s, at 5 ms a second).
  AtStartOfSecond();
  MonitorSetup s = device->GetSetup();
  s.m_startTime = CalibTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(61));
  device->SetSetup(s);
  const auto start = Clock::now();
  auto delayed = StartService();
  EXPECT_TRUE(delayed->IsWaitingForStart());
  EXPECT_EQ(delayed->GetLiveState(), Service::stateNew);
  ASSERT_TRUE(PumpUntil([&] { return Polling(*delayed); }));
  EXPECT_GE(MsSince(start), 61 * 5 - 10);
  EXPECT_FALSE(delayed->IsWaitingForStart());
  delayed->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*delayed); }));

  // 60 seconds ahead: at once.
  AtStartOfSecond();
  s.m_startTime = CalibTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(60));
  device->SetSetup(s);
  auto atOnce = StartService();
  EXPECT_FALSE(atOnce->IsWaitingForStart());
  EXPECT_EQ(atOnce->GetLiveState(), Service::stateRunning);
  ASSERT_TRUE(PumpUntil([&] { return Polling(*atOnce); }));
  atOnce->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*atOnce); }));
}

TEST_F(Monitoring, StoppingAServiceThatWaitsForItsStartTellsTheClientAtOnce) {
  MonitorSetup s = device->GetSetup();
  s.m_startTime = CalibTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(3600));
  device->SetSetup(s);
  auto service = StartService();
  ASSERT_TRUE(service->IsWaitingForStart());
  service->Stop();
  ASSERT_EQ(client.calls.size(), 1u);  // on the calling thread, no dispatch
  EXPECT_EQ(client.calls[0].state, Service::stateFinished);
  EXPECT_FALSE(service->IsWaitingForStart());
  PumpFor(50);
  EXPECT_EQ(client.calls.size(), 1u);
  EXPECT_TRUE(monitor->Lines().empty());
}

TEST_F(Monitoring, TimedStop) {
  // More than 120 seconds ahead: a window timer stops the run (121 s, at
  // 5 ms a second).
  AtStartOfSecond();
  MonitorSetup s = device->GetSetup();
  s.m_stopTime = CalibTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(121));
  device->SetSetup(s);
  auto timed = StartService();
  EXPECT_TRUE(timed->HasStopTimer());
  ASSERT_TRUE(PumpUntil([&] { return Done(*timed); }));
  EXPECT_FALSE(timed->IsFailed());
  const Lines lines = monitor->Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "STOP_M"), lines.end());

  // 120 seconds ahead: no timer; the run goes on until it is stopped.
  AtStartOfSecond();
  s.m_stopTime = CalibTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(120));
  device->SetSetup(s);
  auto untimed = StartService();
  EXPECT_FALSE(untimed->HasStopTimer());
  untimed->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*untimed); }));
}

TEST_F(Monitoring, AStopDuringACycleWaitsForItsEndAndLateTicksQueueNothing) {
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return Polling(*service); }));
  kovo::sim::SimTimings slow = SimDefaults();
  slow.replyDelayMs = 40;
  monitor->SetTimings(slow);
  ASSERT_TRUE(PumpUntil([&] { return service->IsCyclePending(); }));
  service->Stop();
  EXPECT_EQ(service->GetPhase(), MonitorService::phasePolling);  // the cycle ends first
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
  EXPECT_FALSE(service->IsFailed()) << service->GetErrorText();
  // One cycle at a time: ticks during a long cycle were dropped.
  const Lines lines = monitor->Lines();
  const Lines beforeStop(lines.begin(), std::find(lines.begin(), lines.end(), "A_M"));
  for (size_t i = 1; i < beforeStop.size(); ++i) {
    if (beforeStop[i] == "CO_SRQ? 1,MEM") {
      EXPECT_NE(beforeStop[i - 1], "CO_SRQ? 1,MEM");
    }
  }

  // A tick after the end.
  const size_t count = monitor->Lines().size();
  service->OnTimer();
  EXPECT_EQ(device->GetScheduler().GetPendingCount(), 0u);
  PumpFor(50);
  EXPECT_EQ(monitor->Lines().size(), count);
  EXPECT_EQ(client.Finished(service.get()), 1);
}

TEST_F(Monitoring, AStatusThatNeverComesEndsTheRunWithTryAgain) {
  kovo::sim::SimTimings t = SimDefaults();
  t.statusDelayMs = 60000;
  monitor->SetTimings(t);
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
  EXPECT_TRUE(service->IsFailed());
  EXPECT_EQ(service->GetErrorText(), "Try again");
  const Lines lines = monitor->Lines();
  const auto sta = std::find(lines.begin(), lines.end(), "STA_M");
  EXPECT_EQ(std::count(sta, lines.end(), "EX_S?"), FastTimings().statusAsks);
  EXPECT_FALSE(service->IsTimerRunning());
}

TEST_F(Monitoring, AServiceStartedWhilePolling) {
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 1; }));
  auto id = device->NewGetIDService(&client);
  id->Start();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(id.get()) == 1; }));
  EXPECT_FALSE(id->IsFailed());
  EXPECT_EQ(device->GetSetup().m_serial.ToString(), "K0042");
  const size_t before = received.size();
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= before + 2; }));  // polling went on
  service->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
  EXPECT_EQ(Numbers(), monitor->State().delivered);
}

TEST_F(Monitoring, SamplesKeepTheirDatesOverAMonthLongRun) {
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 1; }));
  // The monitor's clock runs on by twenty days, twice.
  for (int step = 1; step <= 2; ++step) {
    monitor->Modify([](MonitorState& s) { s.clockOffsetSeconds += 20LL * 86400; });
    const size_t before = received.size();
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= before + 2; }));
    const MonitorState state = monitor->State();
    const time_t monitorNow = std::time(nullptr) + static_cast<time_t>(state.clockOffsetSeconds);
    const long long off = static_cast<long long>(received.back().GetMeasTime().GetTime()) - monitorNow;
    EXPECT_LT(off < 0 ? -off : off, 600) << "step " << step << ": " << received.back().GetMeasTime().ToText();
  }
  service->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
}
