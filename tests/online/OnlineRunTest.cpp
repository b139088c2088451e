// A user's online measurement from end to end, on the window layer's dialogs
// and the queued call into the user-interface thread, headless, against the
// simulated monitor over a pseudo-terminal: connect, upload the filters,
// make a task, start a sequence with two filters and an alarm, let samples
// come (some above the limit), stop; then read the task database and the
// monitor's outputs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <thread>

#include "AlarmActions.h"
#include "DeviceDialogs.h"
#include "OnlineFixture.h"
#include "StartupConnection.h"
#include "ui/UiNotifier.h"
#include "ui/WinApp.h"

namespace {

using kovo::sim::MonitorState;

struct Row {
  int no;
  platform::CTime time;
  long sample;
  float b;
};
using kovo::test::OnlineFixture;

// The PC beep as the alarm check reaches it, recorded; the monitor's outputs
// are the program's own.
class RecordedPCBeep : public COAction {
 public:
  void Execute(bool on) override { switches.push_back(on); }
  std::vector<bool> switches;
};
// The window layer's dialogs, noting each window the clients open.
class NotedDialogs : public CODeviceDialogs {
 public:
  using CODeviceDialogs::CODeviceDialogs;
  std::unique_ptr<IClientWindow> CreateMessageWindow(COMessageDlg* dialog) override {
    windows.push_back(dialog->m_text);
    return CODeviceDialogs::CreateMessageWindow(dialog);
  }
  std::unique_ptr<IClientWindow> CreateProgressWindow(COProgress* dialog) override {
    windows.push_back(dialog->m_caption + ": " + dialog->m_text);
    return CODeviceDialogs::CreateProgressWindow(dialog);
  }
  std::vector<std::string> windows;
};

class OnlineRun : public OnlineFixture {
 protected:
  // A second and more between samples: each has a time of its own.
  static constexpr int kSampleMs = 1200;
  static constexpr float kLow = 1.0f;    // mg/m³ of CH4: 1.5 ppm
  static constexpr float kHigh = 20.0f;  // 30 ppm, above the alarm's 10 ppm

  OnlineRun() {
    // The program's user-interface side in place of the headless one.
    qtDialogs = std::make_unique<NotedDialogs>(*context);
    program.SetDeviceDialogs(qtDialogs.get());
    program.SetNotifier(notifier.AsNotifier());
    context->SetAlarmOutputs(&pcBeep, &monBeep, &rel1Beep, &rel2Beep);
  }

  // Runs the Qt event loop until done holds.
  bool QtPumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
      if (Clock::now() >= deadline) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  void SetLevel(float mgPerM3) {
    sim->Modify([mgPerM3](MonitorState& s) { s.levels[1] = mgPerM3; });
  }

  // Where a line first and last appears in what the monitor received.
  static long First(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  }

  QApplication* gui = platform::EnsureGuiApplication();
  platform::UiNotifier notifier{[this] { obs->GetDevice().DispatchDone(); }};
  std::unique_ptr<NotedDialogs> qtDialogs;
  RecordedPCBeep pcBeep;
  COMonBeep monBeep{*obs};
  CORel1Beep rel1Beep{*obs};
  CORel2Beep rel2Beep{*obs};
};

TEST_F(OnlineRun, AnOnlineMeasurementIsStoredWithItsEventsAndSwitchesTheMonitorsOutputs) {
  SetSampling(kSampleMs);
  SetLevel(kLow);

  // Start-up: the monitor is connected and its filters come from it.
  ConnectToMonitor(program);
  ASSERT_TRUE(obs->IsConnected());
  ASSERT_TRUE(obs->LoadSetupFromDatabase());

  // A new task with filters A and B and one alarm on B: the monitor's beeper
  // and relay 1, not relay 2.
  PrepareTask("Online run");
  setup->SetMeasDatabaseOpen(true);
  COAlarm alarm(*context);
  alarm.SetFilter(1);
  alarm.SetStoredLimit(10.0f);
  alarm.SetActionPC(true);
  alarm.SetActionMonitor(true);
  alarm.SetActionRelay1(true);
  sequence.GetAlarms().push_back(alarm);
  sequence.Save();

  // The main window hears of every measurement that found the alarm exceeded.
  int exceeded = 0;
  COAlarmStatus status(*context, [&] { ++exceeded; });
  genSub.Attach(&status);
  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(QtPumpUntil([&] { return obs->GetState() == MeasState::active; }));
  // The monitor marks its own alarm above 5 mg/m³ on B.
  sim->Modify([](MonitorState& s) { s.params["F_B,1,A_L"] = " 5.000000E+00"; });
  // One sample low, two high, one low again.
  ASSERT_TRUE(QtPumpUntil([&] { return Received().size() >= 1; }));
  SetLevel(kHigh);
  ASSERT_TRUE(QtPumpUntil([&] { return Received().size() >= 3; }));
  SetLevel(kLow);
  ASSERT_TRUE(QtPumpUntil([&] { return Received().size() >= 4; }));
  obs->StopMeasurement();
  ASSERT_TRUE(QtPumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  // The outputs' clients started with the last low sample may still wait
  // behind the monitoring service's stop: they run and are handed back, and
  // the monitor reads their last lines (set commands get no answer to wait
  // for), before the outputs are looked at.
  Scheduler<Service>& scheduler = obs->GetDevice().GetScheduler();
  ASSERT_TRUE(QtPumpUntil([&] { return scheduler.GetPendingCount() == 0 && scheduler.GetDoneCount() == 0; }));
  ASSERT_TRUE(QtPumpUntil([&] { return Sent("A_STO") && Sent("R 1,N"); }));
  genSub.Detach(&status);
  EXPECT_TRUE(messages.Texts() ==
              std::vector<std::string>({"Gas Monitor not known\nUploading filter information now"}));
  EXPECT_EQ(qtDialogs->windows, std::vector<std::string>({"Retrieving Gas Monitor ID...",
                                                          "Uploading: Retrieving filter info...",
                                                          "Retrieving UA-numbers..."}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // Every sample the monitor delivered, in order, numbered from 1, with
  // filter B in ppm.
  std::vector<Row> rows;
  for (const COMeas& m : StoredMeas()) rows.push_back({m.GetMeasNo(), m.GetMeasTime(), SampleNo(m), m.GetValue(1)});
  const std::vector<long> delivered = sim->State().delivered;
  ASSERT_EQ(rows.size(), delivered.size());
  ASSERT_GE(rows.size(), 4u);
  std::vector<bool> high;
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].no, static_cast<int>(i + 1));
    EXPECT_EQ(rows[i].sample, delivered[i]);
    if (i > 0) {
      EXPECT_GT(rows[i].time, rows[i - 1].time);
    }
    high.push_back(rows[i].b > 10.0f);
    EXPECT_NEAR(rows[i].b, (high.back() ? kHigh : kLow) * kMolarVolume / 16.04f, 0.01f) << i;
  }
  EXPECT_EQ(std::count(high.begin(), high.end(), true), 2);
  EXPECT_EQ(exceeded, 2);

  // The events: the start at the first sample, the monitor's and the PC's
  // alarm at each high one, the stop at the last.
  std::vector<std::string> expected;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string at = rows[i].time.Format("%H:%M:%S");
    if (i == 0) expected.push_back(at + " [5] Measurement task started");
    if (high[i]) {
      expected.push_back(at + " [2] CH4: n/a ppm (Limit 1)");
      expected.push_back(at + " [2] CH4: 10.000 ppm (Limit 1, PC, Monitor, Rel. 1)");
    }
    if (i + 1 == rows.size()) expected.push_back(at + " [6] Measurement task stopped");
  }
  std::vector<std::string> events;
  for (const StoredEvent& e : StoredEvents()) events.push_back(e.Line());
  EXPECT_EQ(events, expected);

  // The outputs went on with the first high sample and off with the first
  // low one after it; relay 2 is not among the alarm's actions.
  EXPECT_EQ(pcBeep.switches, std::vector<bool>({true, false}));
  const std::vector<std::string> lines = sim->Lines();
  EXPECT_LT(First(lines, "A_STA"), First(lines, "A_STO"));
  EXPECT_LT(First(lines, "R 1,Y"), First(lines, "R 1,N"));
  EXPECT_LT(First(lines, "A_STO"), static_cast<long>(lines.size()));
  EXPECT_LT(First(lines, "R 1,N"), static_cast<long>(lines.size()));
  EXPECT_EQ(First(lines, "R 2,Y"), static_cast<long>(lines.size()));
  const MonitorState end = sim->State();
  EXPECT_FALSE(end.beeper);
  EXPECT_FALSE(end.relays[0]);
  EXPECT_FALSE(end.relays[1]);
  EXPECT_EQ(end.rejected, 0);
  EXPECT_FALSE(end.measuring);
}

}  // namespace
