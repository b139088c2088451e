#pragma once
// The program on Qt: owns the QApplication, runs InitInstance, the event loop
// and ExitInstance, and keeps every exception that reaches the event loop from
// ending the program.
#include <QApplication>
#include <QObject>
#include <exception>
#include <string>
#include <vector>

#include "core/App.h"
#include "core/Shell.h"

class QWidget;
class QEvent;

namespace platform {

// The wait cursor as Qt's override cursor, which nests.
class OverrideWaitCursor : public WaitCursorDisplay {
 public:
  void Begin() override;
  void End() override;
};

// A QApplication that reports exceptions escaping an event handler through
// the message sink instead of ending the program, and shows the suite's wait
// cursor. Tests that need a GUI use it.
class GuiApplication : public QApplication {
 public:
  GuiApplication(int& argc, char** argv);
  ~GuiApplication() override;
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  OverrideWaitCursor m_waitCursor;
  WaitCursorDisplay* m_previousWaitCursor;
};

// Shows the text of an exception that reached the user interface.
void ReportUnhandledException(std::exception_ptr e);

// The GUI application of the running program, creating one when none exists.
QApplication* EnsureGuiApplication();

class Application : public AppCore {
 public:
  Application(std::string name, std::vector<std::string> args);
  ~Application() override;

  // Creates the GUI when needed, installs the message filter and runs
  // InitInstance; when that succeeds and a main window exists, the event loop.
  // Returns ExitInstance's code, or the code the loop ended with.
  int Run();

  virtual bool InitInstance() { return true; }
  virtual int ExitInstance() { return 0; }
  // Sees every event of the program first; true consumes it.
  virtual bool PreTranslateMessage(QObject* receiver, QEvent* event) { return false; }

  QWidget* GetMainWnd() const { return m_mainWnd; }
  void SetMainWnd(QWidget* w) { m_mainWnd = w; }
  // Routes the events of the GUI through PreTranslateMessage.
  void InstallMessageFilter();

 private:
  class Filter;
  Filter* m_filter = nullptr;
  QWidget* m_mainWnd = nullptr;
};

}  // namespace platform
