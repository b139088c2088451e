#pragma once
// The Online program: its objects for the whole run, its start-up in order
// (splash, system database, serial port, the connection to the monitor with
// the port dialog until it answers or the user gives up), its main window
// with every command, and its shut-down.
#include <QPointer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AlarmActions.h"
#include "DeviceDialogs.h"
#include "MainFrame.h"
#include "PCBeep.h"
#include "SequenceSheet.h"
#include "ProgramContext.h"
#include "TarnicBaseApp.h"
#include "DBDoc.h"
#include "WindowLayer.h"
#include "ui/UiNotifier.h"

class COnlineApp : public TarnicBaseApp {
 public:
  explicit COnlineApp(std::vector<std::string> args);
  ~COnlineApp() override;

  bool InitInstance() override;
  int ExitInstance() override;

  ProgramContext& Context() { return *m_context; }
  CMainFrame* Frame() { return m_frame.get(); }
  CWindowLayer& Layer() { return *m_layer; }
  COPCBeep& PCBeep() { return *m_pcBeep; }
  // What ends the program when the user gives up on the monitor (std::exit).
  void SetExitAction(std::function<void(int)> exit) { m_exit = std::move(exit); }
  // Opens a text window with the text; false when none can be opened.
  void SetTextWindowOpener(std::function<bool(const std::string&)> open) { m_openText = std::move(open); }
  // How long the shut-down waits at most for a running measurement to stop.
  void SetStopWait(int ms) { m_stopWaitMs = ms; }

  // The commands' enabling rules.
  bool TaskOpen() const;

 private:
  void MakeCommands();
  // Task close, as New and Open run it first: false leaves the task open.
  bool CloseTask();
  // A blank document in place of the one that was closed.
  void RenewDocument();
  void OnNewTask();
  void OnOpenTask();
  // The task named in the set-up is open: its windows come back.
  void OpenTaskDocument();
  void MakeFonts();
  void OnFont();
  void OnStart();
  void OnSettings();
  void OnPrintMonitorData();
  void OnUserEvent();
  bool OnMainWindowClose();
  // Window commands; the window store restores through the same creators.
  void RegisterWindows();
  template <class View>
  View* OpenView();
  void OpenNumeric();
  // Activates the one window there is; false when there is none.
  bool ActivateSingle(QWidget* window);
  void OpenStatus();
  void OpenCursorValues();
  bool OpenText(const std::string& text);
  static int PrintLinesPerPage();

  std::unique_ptr<ProgramContext> m_context;
  std::unique_ptr<CODeviceDialogs> m_dialogs;
  std::unique_ptr<platform::UiNotifier> m_notifier;
  std::unique_ptr<CWindowLayer> m_layer;
  std::unique_ptr<CDBDoc> m_document;
  QPointer<QWidget> m_statusWindow;
  QPointer<QWidget> m_cursorWindow;
  QPointer<QWidget> m_alarmWindow;
  std::unique_ptr<CMainFrame> m_frame;
  std::unique_ptr<COPCBeep> m_pcBeep;
  std::unique_ptr<COMonBeep> m_monBeep;
  std::unique_ptr<CORel1Beep> m_rel1Beep;
  std::unique_ptr<CORel2Beep> m_rel2Beep;
  std::unique_ptr<COAlarmStatus> m_alarmStatus;
  std::unique_ptr<COPageStatus> m_pageStatus;
  bool m_systemDatabase = false;
  int m_stopWaitMs = 5000;
  std::function<bool(const std::string&)> m_openText;
  std::function<void(int)> m_exit = [](int code) { std::exit(code); };
};
