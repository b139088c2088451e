#pragma once
// The Presentation program: stored measurement tasks opened one at a time and
// shown in the shared windows, user events on their measurements, and the
// text export of a window. It never talks to the monitor and runs no
// measurement.
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DBDoc.h"
#include "MainFrame.h"
#include "ProgramContext.h"
#include "TarnicBaseApp.h"
#include "ViewBase.h"
#include "WindowLayer.h"

class COMeasView;
class QTabWidget;

class CPresentationApp : public TarnicBaseApp {
 public:
  // The save file chooser: title, default file name and filter in; the path
  // chosen out, empty when the user cancelled.
  using FileChooser =
      std::function<std::string(const std::string& title, const std::string& name, const std::string& filter)>;

  explicit CPresentationApp(std::vector<std::string> args);
  ~CPresentationApp() override;

  bool InitInstance() override;

  ProgramContext& Context() { return *m_context; }
  CMainFrame* Frame() { return m_frame.get(); }
  CWindowLayer& Layer() { return *m_layer; }
  bool TaskOpen() const;

  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
  // The short-date pattern of exported times ("M/d/yy" style); the locale's
  // unless given.
  void SetDatePattern(std::string pattern) { m_datePattern = std::move(pattern); }

  // The window commands, which the window store reopens saved windows by.
  void OnWindowNewGraphic() override;
  void OnWindowNewNumeric() override;
  void OnViewCursors() override;

  // The commands, also for tests.
  void OnFileOpen();
  void CloseTask();
  void OnExport();
  void OnUserEvent();
  bool UserEventEnabled() const;

 private:
  void MakeCommands();
  void MakeFonts();
  void OnFont();
  // A command's work; a database error is shown with its message and the
  // program goes on.
  std::function<void()> Guarded(std::function<void()> run);
  void RegisterWindows();
  template <class View>
  View* OpenView();
  void CloseAllWindows();
  // A window of the task's document is closing: the last one closes the task.
  void OnWindowClosing(QWidget* frame);
  // The active graph or numeric window, or none.
  CMeasViewBase* ActiveMeasView() const;
  COMeasView* ActiveWindowData() const;
  // A command of the active window: its own routing where it has one.
  void AddViewCommand(unsigned id, const std::string& text, const QKeySequence& key, const std::string& tip,
                      int icon, CMeasViewBase::Command which);
  QWidget* MakeIntervalPages(COMeasInterval& interval, QWidget* parent);
  std::string DatePattern() const;

  std::unique_ptr<ProgramContext> m_context;
  std::unique_ptr<CWindowLayer> m_layer;
  std::unique_ptr<CDBDoc> m_document;
  QPointer<QWidget> m_cursorWindow;
  std::unique_ptr<CMainFrame> m_frame;
  bool m_systemDatabase = false;
  bool m_closingAll = false;
  QObject* m_closeWatch = nullptr;
  FileChooser m_chooseFile;
  std::string m_datePattern;
};
