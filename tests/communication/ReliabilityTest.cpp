// A monitoring run while the monitor misbehaves: the service fails cleanly or
// goes on, no thread hangs, the device closes and opens again, and every
// sample the monitor sent before the fault reached the client.
#include <gtest/gtest.h>

#include "MonitoringFixture.h"
#include "Services.h"
#include "TestSupport.h"

namespace {

using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;
using kovo::sim::SimulatedMonitor;

struct Fault {
  const char* name;
  std::function<void(SimulatedMonitor&)> inject;
  std::function<void(SimulatedMonitor&)> mend;
  bool goesOn;
};

void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.name; }

void Normal(SimulatedMonitor& m) { m.SetMisbehaviour(Misbehaviour::none); }

const Fault kFaults[] = {
    {"Silence", [](SimulatedMonitor& m) { m.SetMisbehaviour(Misbehaviour::silent); }, Normal, false},
    {"Garbage", [](SimulatedMonitor& m) { m.SetMisbehaviour(Misbehaviour::garbage); }, Normal, false},
    {"SplitSlowReplies", [](SimulatedMonitor& m) { m.SetMisbehaviour(Misbehaviour::split); }, Normal, true},
    {"DroppedLine", [](SimulatedMonitor& m) { m.DropLine(100); }, [](SimulatedMonitor&) {}, false},
    {"Restart", [](SimulatedMonitor& m) { m.Restart(); }, [](SimulatedMonitor&) {}, true},
};

}  // namespace

class Reliability : public Monitoring, public ::testing::WithParamInterface<Fault> {
 protected:
  void SetUp() override {
    kovo::sim::SimTimings t = SimDefaults();
    t.restartSilenceMs = 100;  // shorter than a read's time-out
    StartEngine(t, folder.File("monitor"));
    Prepare();
  }

  void SetSampling(int intervalMs) {
    kovo::sim::SimTimings t = monitor->GetTimings();
    t.sampleIntervalMs = intervalMs;
    monitor->SetTimings(t);
  }

  kovo::test::TempDir folder;
};

TEST_P(Reliability, AMonitoringRunSurvivesAMisbehavingMonitor) {
  const Fault& fault = GetParam();
  auto service = StartService();
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 2; }));

  // No new samples for a while: then every sample sent has been received.
  SetSampling(60000);
  ASSERT_TRUE(PumpUntil([&] { return Numbers() == monitor->State().delivered; }));
  const std::vector<long> beforeFault = Numbers();

  fault.inject(*monitor);
  if (fault.goesOn) {
    SetSampling(SimDefaults().sampleIntervalMs);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= beforeFault.size() + 3; }));
    EXPECT_EQ(service->GetLiveState(), Service::stateRunning);
    service->Stop();
  }
  ASSERT_TRUE(PumpUntil([&] { return Done(*service); }));
  EXPECT_EQ(service->IsFailed(), !fault.goesOn) << service->GetErrorText();
  EXPECT_EQ(client.Finished(service.get()), 1);

  const std::vector<long> got = Numbers();
  const std::vector<long> sent = monitor->State().delivered;
  ASSERT_GE(got.size(), beforeFault.size());
  EXPECT_TRUE(std::equal(beforeFault.begin(), beforeFault.end(), got.begin()));
  ASSERT_LE(got.size(), sent.size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), sent.begin()));
  if (std::string(fault.name) == "Restart") {
    // A sample after the restart tells of it: of the restart (event 7), or of
    // the read time-out that the deaf monitor caused (event 3).
    bool reported = false;
    for (size_t i = beforeFault.size(); i < received.size(); ++i)
      reported = reported || received[i].HasEvent(7) || received[i].HasEvent(3);
    EXPECT_TRUE(reported);
  }

  // No thread hangs: the device closes and opens again.
  device->Close();
  // The lines written before the close reach the monitor while it still
  // misbehaves: on a loaded machine one still on its way would be answered
  // once mended, in front of the next open's exchanges.
  size_t lines = monitor->Lines().size();
  auto settled = Clock::now();
  PumpUntil([&] {
    if (monitor->Lines().size() != lines) {
      lines = monitor->Lines().size();
      settled = Clock::now();
    }
    return MsSince(settled) >= 300;
  });
  // A failed run leaves the monitor measuring, and a measuring monitor is not
  // opened: the user stops it on the instrument first.
  fault.mend(*monitor);
  monitor->Modify([](MonitorState& s) {
    s.measuring = false;
    s.extStatus = s.previousStatus = 0;
  });
  // A reply gets a generous second now: on a loaded machine an open that
  // timed out leaves its late reply in front of the next open's exchanges.
  link->SetTimeouts(1000, 1000);
  ASSERT_TRUE(PumpUntil([&] { return device->Open(); }, 5000));
  auto id = device->NewGetIDService(&client);
  client.Forget(id.get());
  id->Start();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(id.get()) == 1; }));
  EXPECT_FALSE(id->IsFailed()) << id->GetErrorText();
}

INSTANTIATE_TEST_SUITE_P(Faults, Reliability, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });
