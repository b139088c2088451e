// The device clients against the simulated monitor: the dialog clients with
// windows that need no display, and the one-shot clients of the alarm outputs.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceClients.h"
#include "EngineFixture.h"
#include "HeadlessDialogs.h"
#include "Services.h"

namespace {

using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;

class DeviceClients : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    // A reply gets a generous second even on a loaded machine; a monitor that
    // stays silent for that long fails at once.
    link->SetTimeouts(1000, 1000);
    device->Comm().GetSource().SetEmptyReadLimit(1);
    device->SetDialogs(&dialogs);
  }

  bool Sent(const std::string& line) const {
    const auto lines = monitor->Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  platform::ScriptedMessageSink messages;
  HeadlessDialogs dialogs{[this](const std::function<bool()>& done, int ms) { return PumpUntil(done, ms); }};
};

TEST_F(DeviceClients, TheIdentityIsReadOncePerRunEvenAcrossAReconnection) {
  OpenDevice();
  monitor->ClearLines();
  COGetIDClient first(device.get(), false);
  EXPECT_TRUE(first.GetID());
  EXPECT_EQ(dialogs.shown, std::vector<std::string>({"Retrieving Gas Monitor ID..."}));
  EXPECT_TRUE(Sent("*IDN?"));
  EXPECT_EQ(device->GetSetup().m_serial.ToString(), "K0042");

  device->Close();
  OpenDevice();
  monitor->ClearLines();
  COGetIDClient again(device.get(), false);
  EXPECT_TRUE(again.GetID());
  EXPECT_EQ(monitor->Lines(), std::vector<std::string>());
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(DeviceClients, AFailedIdentificationIsReportedUnlessQuietAndAskedAgainNextTime) {
  OpenDevice();
  for (bool quiet : {false, true}) {
    SCOPED_TRACE(quiet ? "quiet" : "not quiet");
    messages.Clear();
    monitor->SetMisbehaviour(Misbehaviour::garbage);
    COGetIDClient failing(device.get(), quiet);
    EXPECT_FALSE(failing.GetID());
    EXPECT_EQ(messages.Texts(), quiet ? std::vector<std::string>() : std::vector<std::string>({"Communication error"}));
    EXPECT_FALSE(device->RunFlags().identified);
  }
  monitor->SetMisbehaviour(Misbehaviour::none);
  COGetIDClient mended(device.get(), false);
  EXPECT_TRUE(mended.GetID());
  EXPECT_TRUE(device->RunFlags().identified);
}

TEST_F(DeviceClients, AClosedDeviceRunsNoServiceAndOpensNoWindow) {
  COGetIDClient id(device.get(), false);
  EXPECT_FALSE(id.GetID());
  COCheckConfigurationClient config(device.get(), false);
  EXPECT_FALSE(config.CheckConfiguration());
  COUploadAllClient upload(device.get(), false);
  EXPECT_FALSE(upload.UploadAll());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>(3, "Communication error"));
  EXPECT_EQ(device->GetScheduler().GetPendingCount(), 0u);
}

TEST_F(DeviceClients, TheConfigurationCheckShowsItsTextAndFailsOnAMonitorMessage) {
  OpenDevice();
  monitor->PostMessage("LAMP FAULT");
  COCheckConfigurationClient failing(device.get(), false);
  EXPECT_FALSE(failing.CheckConfiguration());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error"}));
  COCheckConfigurationClient config(device.get(), false);
  EXPECT_TRUE(config.CheckConfiguration());
  EXPECT_EQ(dialogs.shown, std::vector<std::string>(2, "Retrieving UA-numbers..."));
}

TEST_F(DeviceClients, TheUploadShowsItsProgressAndEndsWhenTheServiceHas) {
  OpenDevice();
  COUploadAllClient upload(device.get(), false);
  EXPECT_TRUE(upload.UploadAll());
  EXPECT_EQ(dialogs.shown,
            std::vector<std::string>({"Retrieving Gas Monitor ID...", "Uploading | Retrieving filter info..."}));
  ASSERT_GE(dialogs.progress.size(), 10u);
  EXPECT_TRUE(std::is_sorted(dialogs.progress.begin(), dialogs.progress.end()));
  EXPECT_LE(dialogs.progress.back(), 100);
  EXPECT_EQ(device->GetSetup().GetFilter(0).GetBank(0).GetGasName().ToString(), "CO2");
  EXPECT_TRUE(messages.Texts().empty());

  monitor->ClearLines();
  COUploadAllClient again(device.get(), false);
  EXPECT_TRUE(again.UploadAll());
  EXPECT_TRUE(monitor->Lines().empty());
}

TEST_F(DeviceClients, CancellingAnUploadClosesItsWindowOnlyWhenTheServiceReportsBack) {
  OpenDevice();
  monitor->ClearLines();
  bool cancelled = false;
  bool openAfterCancel = false;
  dialogs.onProgress = [&](COProgress* progress) {
    if (cancelled) return;
    cancelled = true;
    progress->OnCancel();
    openAfterCancel = progress->IsWindow();
  };
  COUploadAllClient upload(device.get(), false);
  EXPECT_FALSE(upload.UploadAll());
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(openAfterCancel);
  EXPECT_FALSE(upload.IsWindow());
  // The upload of several hundred queries ended at the cancel.
  EXPECT_LT(monitor->Lines().size(), 100u);
  // A cancelled service counts as failed; the next upload asks again.
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error"}));
  dialogs.onProgress = nullptr;
  COUploadAllClient again(device.get(), false);
  EXPECT_TRUE(again.UploadAll());
}

// A progress client whose window is gone.
class WindowlessProgress : public COProgress {
 public:
  using COProgress::COProgress;
  void ServiceDone(Service* service) override {
    checks.push_back(CheckResult(service));
    results.push_back(OnServiceProgress(service));
  }
  std::vector<bool> checks;
  std::vector<bool> results;
};

TEST_F(DeviceClients, ProgressWithoutAWindowMovesNothingAndStillReportsTheResult) {
  OpenDevice();
  WindowlessProgress progress(device.get(), false);
  auto service = device->NewUploadAllService(&progress);
  service->Start();
  ASSERT_TRUE(PumpUntil([&] { return !progress.results.empty() && progress.results.back(); }));
  ASSERT_GE(progress.results.size(), 2u);
  // Every report before the end reads as not finished and shows nothing.
  EXPECT_EQ(std::count(progress.checks.begin(), progress.checks.end(), true), 1);
  EXPECT_TRUE(progress.checks.back());
  EXPECT_EQ(progress.GetProgressPos(), 0);
  EXPECT_TRUE(messages.Texts().empty());
}

// One-shot clients that count their own deletion.
template <class Base>
class Counted : public Base {
 public:
  Counted(DeviceKovo* device, int* deleted) : Base(device, false), m_deleted(deleted) {}
  ~Counted() override { ++*m_deleted; }

 private:
  int* m_deleted;
};

TEST_F(DeviceClients, OneShotClientsSwitchTheMonitorAndDeleteThemselves) {
  OpenDevice();
  struct Case {
    const char* name;
    std::function<void(DeviceKovo*, int*)> run;
    std::function<bool(const MonitorState&)> done;
  } cases[] = {
      {"beeper on", [](DeviceKovo* d, int* n) { (new Counted<COAlarmClient>(d, n))->SetAlarm(true); },
       [](const MonitorState& s) { return s.beeper; }},
      {"relay 2 on", [](DeviceKovo* d, int* n) { (new Counted<CORelayClient>(d, n))->SetRelay(2, 1); },
       [](const MonitorState& s) { return s.relays[1] && !s.relays[0]; }},
      {"relay 1 on", [](DeviceKovo* d, int* n) { (new Counted<CORelayClient>(d, n))->SetRelay(1, 1); },
       [](const MonitorState& s) { return s.relays[0]; }},
      {"relay 1 flag 2 is off", [](DeviceKovo* d, int* n) { (new Counted<CORelayClient>(d, n))->SetRelay(1, 2); },
       [](const MonitorState& s) { return !s.relays[0] && s.relays[1]; }},
      {"beeper off", [](DeviceKovo* d, int* n) { (new Counted<COAlarmClient>(d, n))->SetAlarm(false); },
       [](const MonitorState& s) { return !s.beeper; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int deleted = 0;
    c.run(device.get(), &deleted);
    ASSERT_TRUE(PumpUntil([&] { return deleted == 1; }));
    EXPECT_TRUE(c.done(monitor->State()));
  }
  EXPECT_EQ(monitor->State().rejected, 0);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(DeviceClients, AFailingOneShotClientReportsAndStillDeletesItself) {
  OpenDevice();
  monitor->SetMisbehaviour(Misbehaviour::silent);
  int deleted = 0;
  (new Counted<COAlarmClient>(device.get(), &deleted))->SetAlarm(true);
  ASSERT_TRUE(PumpUntil([&] { return deleted == 1; }));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error"}));
}

}  // namespace
