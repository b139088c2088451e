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

class QWidget;
class QEvent;

namespace platform {

// A QApplication that reports exceptions escaping an event handler through
// the message sink instead of ending the program. Tests that need a GUI use it.
class GuiApplication : public QApplication {
 public:
  GuiApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
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
