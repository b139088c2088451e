#pragma once
// The Presentation program: stored measurement tasks opened one at a time and
// shown in the shared windows, user events on their measurements, and the
// text export of a window. It never talks to the monitor and runs no
// measurement. The rest is the measurement programs' base.
#include <functional>
#include <string>
#include <vector>

#include "MeasProgramApp.h"

class COMeasView;

class CPresentationApp : public CMeasProgramApp {
 public:
  // The save file chooser: title, default file name and filter in; the path
  // chosen out, empty when the user cancelled.
  using FileChooser =
      std::function<std::string(const std::string& title, const std::string& name, const std::string& filter)>;

  explicit CPresentationApp(std::vector<std::string> args);

  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
  // The short-date pattern of exported times ("M/d/yy" style); the locale's
  // unless given.
  void SetDatePattern(std::string pattern) { m_datePattern = std::move(pattern); }

  // The commands, also for tests.
  void OnFileOpen();
  bool CloseTask() override;
  void OnExport();
  void OnUserEvent();
  bool UserEventEnabled() const;

 protected:
  bool StartUp() override;
  void MakeCommands() override;
  void RegisterWindows() override;
  void OnOpenTask() override { OnFileOpen(); }
  // Closing the main window closes the task the way Close does.
  bool OnMainWindowClose() override;
  // A window of the task's document is closing: the last one closes the task.
  void OnWindowClosing(QWidget* frame) override;

 private:
  void CloseAllWindows();
  // The active window's interval, or none.
  COMeasView* ActiveWindowData() const;
  std::string DatePattern() const;

  bool m_systemDatabase = false;
  bool m_closingAll = false;
  FileChooser m_chooseFile;
  std::string m_datePattern;
};
