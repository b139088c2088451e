// The device's open and close, and the one-shot services and the upload, on
// the simulated monitor.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "MonitorService.h"
#include "Services.h"

namespace {
using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;
using Lines = std::vector<std::string>;
}  // namespace

class Device : public EngineFixture {
 protected:
  // Runs a service to its end and returns the lines the monitor received.
  template <class T>
  Lines Run(ServiceHandle<T>& service) {
    monitor->ClearLines();
    client.Forget(service.get());
    service->Start();
    EXPECT_TRUE(PumpUntil([&] { return client.Finished(service.get()) == 1; }));
    return monitor->Lines();
  }
};

TEST_F(Device, ANonZeroStatusOrNoAnswerKeepsItClosed) {
  const struct {
    std::function<void(MonitorState&)> change;
    Misbehaviour misbehaviour;
  } cases[] = {
      {[](MonitorState& s) { s.extStatus = 8; }, Misbehaviour::none},
      {[](MonitorState& s) { s.extStatus = 1; }, Misbehaviour::none},
      {[](MonitorState&) {}, Misbehaviour::garbage},
      {[](MonitorState&) {}, Misbehaviour::silent},
  };
  link->SetTimeouts(100, 100);
  for (const auto& k : cases) {
    monitor->ClearLines();
    monitor->Modify(k.change);
    monitor->SetMisbehaviour(k.misbehaviour);
    EXPECT_FALSE(device->Open());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(link->isOpen());
    EXPECT_FALSE(monitor->State().keyboardLocked);
    EXPECT_EQ(monitor->Lines().front(), "EX_S?");
    monitor->Modify([](MonitorState& s) { s.extStatus = 0; });
    monitor->SetMisbehaviour(Misbehaviour::none);
  }
  // The port was let go each time.
  EXPECT_TRUE(device->Open());
}

TEST_F(Device, DestroyingAnOpenDeviceClosesIt) {
  OpenDevice();
  device.reset();
  EXPECT_FALSE(link->isOpen());
  ASSERT_TRUE(monitor->WaitForLines(3, 2000));
  EXPECT_EQ(monitor->Lines().back(), "K_L N");
}

TEST_F(Device, CloseReturnsAtOnceWhileAReadWaitsOnASilentMonitor) {
  // A read that would wait longer than the test may take: the close cuts it.
  link->SetTimeouts(kLongerThanAnyTest, kLongerThanAnyTest);
  OpenDevice();
  monitor->SetMisbehaviour(Misbehaviour::silent);
  auto id = device->NewGetIDService(&client);
  id->Start();
  ASSERT_TRUE(monitor->WaitForLines(3, 2000));  // "*IDN?" went out
  device->Close();
  EXPECT_FALSE(link->isOpen());
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(id.get()) == 1; }));
  EXPECT_TRUE(id->IsFailed());
  ASSERT_TRUE(monitor->WaitForLines(4, 2000));
  EXPECT_EQ(monitor->Lines().back(), "K_L N");  // unlocked all the same

  // And it opens again.
  monitor->SetMisbehaviour(Misbehaviour::none);
  client.calls.clear();
  ASSERT_TRUE(device->Open());
  auto again = device->NewGetIDService(&client);
  Run(again);
  EXPECT_FALSE(again->IsFailed());
  EXPECT_EQ(device->GetSetup().m_serial.ToString(), "K0042");
}

TEST_F(Device, CloseCutsAStatusWaitShort) {
  DeviceTimings t = FastTimings();
  t.statusPauseMs = kLongerThanAnyTest;
  device->SetTimings(t);
  monitor->SetTimings([] {
    kovo::sim::SimTimings s = SimDefaults();
    s.statusDelayMs = 60000;  // the measurement never shows as started
    return s;
  }());
  OpenDevice();
  auto service = device->NewMonitorService(&client);
  service->Start();
  ASSERT_TRUE(PumpUntil([&] {
    const Lines lines = monitor->Lines();
    return std::count(lines.begin(), lines.end(), "EX_S?") >= 2;  // the open's and the wait's first
  }));
  device->Close();
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(service.get()) == 1; }));
  EXPECT_TRUE(service->IsFailed());
}

TEST_F(Device, OneShotServices) {
  OpenDevice();
  const struct {
    std::function<ServiceHandle<Service>()> make;
    Lines lines;
  } cases[] = {
      {[&] { return ServiceHandle<Service>(device->NewSetAlarmService(&client, true).release()); }, {"A_STA", "A_M?"}},
      {[&] { return ServiceHandle<Service>(device->NewSetAlarmService(&client, false).release()); }, {"A_STO", "A_M?"}},
      {[&] { return ServiceHandle<Service>(device->NewSetRelayService(&client, 2, 1).release()); },
       {"E_C 26", "R Y", "E_C 26", "R 2,Y", "A_M?"}},
      // On only for a flag of exactly 1.
      {[&] { return ServiceHandle<Service>(device->NewSetRelayService(&client, 1, 2).release()); },
       {"E_C 26", "R Y", "E_C 26", "R 1,N", "A_M?"}},
      {[&] { return ServiceHandle<Service>(device->NewCheckConfigService(&client).release()); }, {"A_M?"}},
      {[&] { return ServiceHandle<Service>(device->NewGetIDService(&client).release()); }, {"*IDN?", "A_M?"}},
  };
  for (const auto& k : cases) {
    client.calls.clear();
    auto service = k.make();
    EXPECT_EQ(Run(service), k.lines);
    EXPECT_FALSE(service->IsFailed());
  }
  const MonitorState s = monitor->State();
  EXPECT_FALSE(s.beeper);
  EXPECT_TRUE(s.relays[1]);
  EXPECT_FALSE(s.relays[0]);
  EXPECT_EQ(s.rejected, 0);
  const MonitorSetup setup = device->GetSetup();
  EXPECT_EQ(setup.m_model.ToString(), "1314");
  EXPECT_EQ(setup.m_serial.ToString(), "K0042");
  EXPECT_EQ(setup.m_version.ToString(), "12");
}

TEST_F(Device, AMonitorMessageFailsTheServiceAfterItWasReadAndAcknowledged) {
  OpenDevice();
  monitor->PostMessage("Filter A fault");
  auto id = device->NewGetIDService(&client);
  Run(id);
  monitor->WaitForLines(4, 2000);  // "A_M" has no reply to wait for
  EXPECT_EQ(monitor->Lines(), (Lines{"*IDN?", "A_M?", "P_U_D_B?", "A_M"}));
  EXPECT_TRUE(id->IsFailed());
  EXPECT_EQ(id->GetErrorText(), "Try again");
  EXPECT_EQ(device->TextBuffer().ToString(), "Filter A fault");
  EXPECT_FALSE(monitor->State().messagePending);
}

TEST_F(Device, UploadAllWithProgress) {
  OpenDevice();
  auto upload = device->NewUploadAllService(&client);
  std::vector<int> progress;
  client.onDone = [&](Service*) {
    if (upload->GetState() != Service::stateFinished) progress.push_back(upload->GetProgress());
  };
  monitor->ClearLines();
  upload->Start();
  EXPECT_EQ(upload->GetCommandCount(), 471u);
  ASSERT_TRUE(PumpUntil([&] { return client.Finished(upload.get()) == 1; }, 30000));
  EXPECT_FALSE(upload->IsFailed()) << upload->GetErrorText();
  EXPECT_EQ(monitor->Lines().size(), 466u);  // every command but the five look-ups talks to the monitor
  ASSERT_FALSE(progress.empty());
  EXPECT_GE(progress.front(), 2);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i], progress[i - 1] + 2);
  EXPECT_EQ(upload->GetProgress(), 100);

  const MonitorSetup s = device->GetSetup();
  EXPECT_EQ(s.GetFilter(0).GetNumber().ToString(), "1312");
  EXPECT_EQ(s.GetFilter(4).GetNumber().ToString(), "____");
  EXPECT_EQ(s.m_uaNumbers.Get(1), 977u);  // "0977"
  EXPECT_EQ(s.m_uaNumbers.Get(4), 0u);    // none mounted
  const BankInfo& co2 = s.GetFilter(0).GetBank(0);
  EXPECT_EQ(co2.GetGasName().ToString(), "CO2");
  EXPECT_FLOAT_EQ(co2.GetMW(), 44.01f);
  EXPECT_FLOAT_EQ(co2.GetConcOffset(), 0.0125f);
  EXPECT_FALSE(co2.IsTwoPoint());
  EXPECT_FLOAT_EQ(co2.GetCross(1), 0.0f);
  EXPECT_FALSE(co2.GetCross(0).IsValid());  // its own slot is not asked
  EXPECT_TRUE(co2.GetZeroDate().IsValid());
  EXPECT_EQ(co2.GetZeroDate().GetTime().Format("%Y-%m-%d"), "2004-05-06");
  const BankInfo& unused = s.GetFilter(2).GetBank(3);
  EXPECT_EQ(unused.GetGasName().ToString(), "_");
  EXPECT_FALSE(unused.GetSpanLow().IsValid());
  EXPECT_FALSE(unused.GetSpanDate().IsValid());
  EXPECT_FLOAT_EQ(s.m_water.GetGain(), 2.0e-6f);
  EXPECT_FLOAT_EQ(s.m_water.GetConcOffset(), 0.042f);
  EXPECT_FALSE(s.m_water.GetSpanDate().IsValid());
  EXPECT_FLOAT_EQ(device->GetData().m_values[9], 12.5f);  // item 10
}
