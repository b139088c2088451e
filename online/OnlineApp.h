#pragma once
// The Online program: its start-up in order (splash, system database, serial
// port, the connection to the monitor with the port dialog until it answers
// or the user gives up), its own commands (new and open task, the
// measurement, the user event, the print of the monitor's memory, the alarm
// and status windows, the test generator), and its alarm outputs. The rest
// is the measurement programs' base.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QTimer>

#include "AlarmActions.h"
#include "MeasProgramApp.h"
#include "PCBeep.h"
#include "SequenceSheet.h"

class COnlineApp : public CMeasProgramApp {
 public:
  explicit COnlineApp(std::vector<std::string> args);
  ~COnlineApp() override;

  COPCBeep& PCBeep() { return *m_pcBeep; }
  // What ends the program when the user gives up on the monitor (std::exit).
  void SetExitAction(std::function<void(int)> exit) { m_exit = std::move(exit); }
  // Opens a text window with the text; false when none can be opened.
  void SetTextWindowOpener(std::function<bool(const std::string&)> open) { m_openText = std::move(open); }
  // The pause between the test generator's measurements (800 ms).
  void SetTestGeneratorPause(std::chrono::milliseconds pause) { m_generatorPause = pause; }

 protected:
  void Prepare() override;
  bool StartUp() override;
  void MakeCommands() override;
  void RegisterWindows() override;
  bool CloseTask() override;
  void OnNewTask() override;
  void OnOpenTask() override;
  void OnSettings() override;
  void OnStart() override;
  void OnPause() override;
  bool CanStop(MeasState state) const override {
    return state == MeasState::active || state == MeasState::delayedStart;
  }

 private:
  // The task named in the set-up is open: its windows come back.
  void OpenTaskDocument();
  void OnPrintMonitorData();
  void OnUserEvent();
  bool OpenText(const std::string& text);
  // Debugging: count made-up measurements of random concentrations, one
  // each pause, as if the monitor had sent them.
  void RunTestGenerator(unsigned command, int count);

  std::unique_ptr<COPCBeep> m_pcBeep;
  std::unique_ptr<COMonBeep> m_monBeep;
  std::unique_ptr<CORel1Beep> m_rel1Beep;
  std::unique_ptr<CORel2Beep> m_rel2Beep;
  std::unique_ptr<COAlarmStatus> m_alarmStatus;
  std::unique_ptr<COPageStatus> m_pageStatus;
  bool m_systemDatabase = false;
  std::function<bool(const std::string&)> m_openText;
  std::function<void(int)> m_exit = [](int code) { std::exit(code); };
  QTimer m_generator;
  int m_generatorLeft = 0;
  std::chrono::milliseconds m_generatorPause{800};
  std::vector<unsigned> m_generatorSeeded;
  std::mt19937 m_random;
};
