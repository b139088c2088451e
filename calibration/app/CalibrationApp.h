#pragma once
// The Calibration program: its start-up in order (splash, system database,
// serial port, the connection to the monitor, where Cancel in the port
// dialog goes on without a monitor, then the monitor's user level, which
// must allow a calibration), its own commands (calibration tasks, the
// calibration measurement, marking and calculating, the calibration values
// and their download, the filter copies, the print-outs) and its windows
// (the calibration status window, the interval marks in the graph and
// numeric windows). The rest is the measurement programs' base.
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CaliContext.h"
#include "MeasProgramApp.h"

class COCaliMeasObs;
class COCaliSequenceObs;
class COFilterCopies;
class COPageStatus;
class Calibrator;
class QPrinter;
struct TaskSequence;
namespace calibration {
class COCaliStatus;
}

class CCalibrationApp : public CMeasProgramApp {
 public:
  explicit CCalibrationApp(std::vector<std::string> args);
  ~CCalibrationApp() override;

  COCaliMeasObs& Cali() { return *m_cali; }
  COCaliSequenceObs& CaliSequence() { return *m_sequence; }
  Calibrator& GetCalibrator() { return *m_calibrator; }
  COFilterCopies& Copies() { return *m_copies; }
  calibration::COCaliStatus& Status() { return *m_status; }
  calibration::CaliContext& CaliContext() { return *m_caliContext; }
  // Cancel in the port dialog at start-up: the program works on stored
  // tasks only.
  bool IsNoMonitor() const { return m_noMonitor; }

  // What ends the program when the monitor refuses a calibration (std::exit).
  void SetExitAction(std::function<void(int)> exit) { m_exit = std::move(exit); }
  // The printer the print-outs go to, as it is set up, without the print
  // dialog (tests); none: the dialog.
  void SetPrinter(QPrinter* printer) { m_printer = printer; }

 protected:
  void Prepare() override;
  bool StartUp() override;
  void MakeCommands() override;
  void RegisterWindows() override;
  void OnNewTask() override;
  void OnOpenTask() override;
  void OnSettings() override;
  void OnStart() override;
  void OnPause() override;
  void Reconnect() override;
  void NewSequenceRow() override;
  // Calculated values that no download took to the monitor are lost with
  // the program, and with another task (whose banks replace them): the user
  // is asked first.
  bool OnMainWindowClose() override;

 private:
  TaskSequence Sequence();
  // No undownloaded values, or the user lets them go.
  bool MayDiscardValues(unsigned questionId);
  // The task named in the set-up is open: its banks in the calibrator, its
  // windows back.
  void OpenTaskDocument();
  // The user level of the monitor allows a calibration; false when the
  // program has to end.
  bool CheckUserLevel();
  // The cursor window's "View Settings...": the sheet on the sequence that
  // holds the left cursor's measurement.
  void ShowSettingsAt(const COMeas& leftCursor);
  void OpenGraphAfterBanks();
  // The shared windows read the task's channels and its run's end from the
  // context's sequence: it follows the calibration sequence, in memory only.
  void MirrorSequence();
  void OnPrintBanks();
  void OnPrintCurrentCalibration();

  std::unique_ptr<Calibrator> m_calibrator;
  std::unique_ptr<COCaliSequenceObs> m_sequence;
  std::unique_ptr<COCaliMeasObs> m_cali;
  std::unique_ptr<COFilterCopies> m_copies;
  std::unique_ptr<COPageStatus> m_pageStatus;
  std::unique_ptr<calibration::CaliContext> m_caliContext;
  std::unique_ptr<calibration::COCaliStatus> m_status;
  class Mirror;
  std::unique_ptr<Mirror> m_mirror;
  bool m_observersAttached = false;
  bool m_noMonitor = false;
  QPrinter* m_printer = nullptr;
  std::function<void(int)> m_exit = [](int code) { std::exit(code); };
};
