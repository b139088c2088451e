#pragma once
// The Offline program: no main window, only its sequence sheet, which sets
// up a stand-alone run, downloads it to the monitor and uploads what the
// monitor recorded. Its start-up prepares the serial stack and the system
// database; the sheet's Up/Download page is the first to talk to the
// monitor. Closing the sheet ends the program.
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "TarnicBaseApp.h"

class CODeviceDialogs;
class COOfflineMeasObs;
class COOfflineSheet;
class COUpDownload;
class ProgramContext;

namespace platform {
class UiNotifier;
}

class COfflineApp : public TarnicBaseApp {
 public:
  explicit COfflineApp(std::vector<std::string> args);
  ~COfflineApp() override;

  // The start-up, the sheet until it closes; false, so the program ends.
  bool InitInstance() override;
  // The start-up up to the sheet, which is made but not shown: false when
  // the program ends before it (no system database).
  bool Start();

  ProgramContext& Context() { return *m_context; }
  COOfflineMeasObs& MeasObs() { return *m_measObs; }
  COUpDownload& Transfer() { return *m_transfer; }
  // Null before Start.
  COOfflineSheet* Sheet() { return m_sheet.get(); }
  // What ends the program when the user gives up on the monitor (std::exit).
  void SetExitAction(std::function<void(int)> exit) { m_exit = std::move(exit); }

 private:
  // The monitor's type and serial as the device holds them, published to the
  // program's instrument identity; the port's modem check off again.
  void PublishIdentity();
  // The sampling settings of the measurement prototype's first sequence.
  void TakeDefaultSampling();

  std::unique_ptr<ProgramContext> m_context;
  std::unique_ptr<platform::UiNotifier> m_notifier;
  std::unique_ptr<CODeviceDialogs> m_dialogs;
  std::unique_ptr<COOfflineMeasObs> m_measObs;
  std::unique_ptr<COUpDownload> m_transfer;
  std::unique_ptr<COOfflineSheet> m_sheet;
  std::function<void(int)> m_exit = [](int code) { std::exit(code); };
};
