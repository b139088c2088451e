#pragma once
// The base of every program's application: its identity, the three fonts,
// the command-line flags, about box and splash screen.
#include <chrono>
#include <string>
#include <vector>

#include "ProgramProfile.h"
#include "core/StringTable.h"
#include "core/DeviceContext.h"
#include "ui/WinApp.h"

// Command id of the standard About command.
constexpr unsigned ID_APP_ABOUT = 0xE140;

class TarnicBaseApp : public platform::Application {
 public:
  // profile: what sets the program apart; its name is the application's.
  // The program's own texts and message caption are in place while it lives.
  TarnicBaseApp(ProgramProfile profile, std::vector<std::string> args);
  ~TarnicBaseApp() override;

  virtual platform::CFont* GetCurFont() { return &m_curFont; }
  virtual platform::CFont* GetCurSmallFont() { return &m_curSmallFont; }
  virtual platform::CFont* GetCurSmallPrintFont() { return &m_curSmallPrintFont; }

  // What sets the program apart; the program context is built with it.
  const ProgramProfile& Profile() const { return m_profile; }
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

  ProgramProfile m_profile;
  platform::ProgramTexts m_texts;
  platform::CFont m_curFont;
  platform::CFont m_curSmallFont;
  platform::CFont m_curSmallPrintFont;
  bool m_debugInfo = false;
  bool m_rs232LikeYelt = false;
};
