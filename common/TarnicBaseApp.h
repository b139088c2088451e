#pragma once
// The base of every program's application: its identity, the three fonts,
// the command-line flags, about box and splash screen.
#include <chrono>
#include <string>
#include <vector>

#include "ProgramIdentity.h"
#include "core/DeviceContext.h"
#include "ui/WinApp.h"

// Command id of the standard About command.
constexpr unsigned ID_APP_ABOUT = 0xE140;

class TarnicBaseApp : public platform::Application {
 public:
  // name: the application name the programs are told apart by.
  TarnicBaseApp(std::string name, std::vector<std::string> args);
  ~TarnicBaseApp() override;

  virtual platform::CFont* GetCurFont() { return &m_curFont; }
  virtual platform::CFont* GetCurSmallFont() { return &m_curSmallFont; }
  virtual platform::CFont* GetCurSmallPrintFont() { return &m_curSmallPrintFont; }

  // The application name; the program context is built with it.
  const ProgramIdentity& Identity() const { return m_identity; }
  bool GetDebugInfo() const { return m_debugInfo; }
  bool GetRS232LikeYeltInfo() const { return m_rs232LikeYelt; }

  // The name the program file's version block is kept under ("Online.exe").
  std::string ProgramFile() const;

  // Routes a menu command; true when handled.
  virtual bool OnCmdMsg(unsigned id);
  void OnAbout();
  // Shows the splash over the main window, when enabled, for the splash time.
  void ShowSplashScreen();
  bool PreTranslateMessage(QObject* receiver, QEvent* event) override;

  // How long ShowSplashScreen holds the user-interface thread (2 s).
  static void SetSplashHoldTime(std::chrono::milliseconds t);
  // The years the about box's rights notice names.
  static const char* const kCopyrightPeriod;

 protected:
  virtual void InitSplashScreen();

  ProgramIdentity m_identity;
  platform::CFont m_curFont;
  platform::CFont m_curSmallFont;
  platform::CFont m_curSmallPrintFont;
  bool m_debugInfo = false;
  bool m_rs232LikeYelt = false;
};
