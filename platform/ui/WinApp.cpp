#include "WinApp.h"

#include <QEvent>
#include <QWidget>
#include <clocale>

#include "QtMessageSink.h"
#include "core/MessageSink.h"
#include "core/Exception.h"

namespace platform {

void OverrideWaitCursor::Begin() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void OverrideWaitCursor::End() { QApplication::restoreOverrideCursor(); }

GuiApplication::GuiApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_previousWaitCursor(SetWaitCursorDisplay(&m_waitCursor)) {
  // Qt takes the locale from the environment; numbers are read and written in
  // the C form everywhere in the suite.
  std::setlocale(LC_NUMERIC, "C");
}

GuiApplication::~GuiApplication() { SetWaitCursorDisplay(m_previousWaitCursor); }

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportUnhandledException(std::current_exception());
  }
  return false;
}

void ReportUnhandledException(std::exception_ptr e) {
  MessageBox(DescribeException(e), MB_OK | MB_ICONERROR);
}

QApplication* EnsureGuiApplication() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  static int argc = 1;
  static char name[] = "kovo";
  static char* argv[] = {name, nullptr};
  return new GuiApplication(argc, argv);
}

class Application::Filter : public QObject {
 public:
  explicit Filter(Application* app) : m_app(app) {}
  bool eventFilter(QObject* receiver, QEvent* event) override {
    return m_app->PreTranslateMessage(receiver, event);
  }

 private:
  Application* m_app;
};

Application::Application(std::string name, std::vector<std::string> args)
    : AppCore(std::move(name), std::move(args)) {}

Application::~Application() { delete m_filter; }

void Application::InstallMessageFilter() {
  if (m_filter) return;
  QApplication* gui = EnsureGuiApplication();
  m_filter = new Filter(this);
  gui->installEventFilter(m_filter);
}

int Application::Run() {
  QApplication* gui = EnsureGuiApplication();
  InstallMessageFilter();
  // Messages and questions on the screen, unless a sink listens already (a
  // test's); the terminal is for tools without a screen.
  struct ScreenMessages {
    QtMessageSink screen;
    MessageSink* previous = SetMessageSink(nullptr);
    ScreenMessages() { SetMessageSink(previous != nullptr ? previous : &screen); }
    ~ScreenMessages() { SetMessageSink(previous); }
  } messages;
  int code = 0;
  try {
    if (InitInstance() && m_mainWnd) code = gui->exec();
    int exitCode = ExitInstance();
    if (code == 0) code = exitCode;
  } catch (...) {
    ReportUnhandledException(std::current_exception());
    code = 1;
  }
  return code;
}

}  // namespace platform
