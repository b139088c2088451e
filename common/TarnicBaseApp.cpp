#include "TarnicBaseApp.h"

#include <QApplication>
#include <QIcon>

#include "AboutDlg.h"
#include "Bitmaps.h"
#include "BuildVersion.h"
#include "SplashWnd.h"
#include "StringData.h"
#include "core/App.h"
#include "core/Text.h"

// --- TarnicBaseApp ---

const char* const TarnicBaseApp::kCopyrightPeriod = "1998-2026";

TarnicBaseApp::TarnicBaseApp(ProgramProfile profile, std::vector<std::string> args)
    : platform::Application(profile.name, std::move(args)),
      m_profile(std::move(profile)),
      m_texts(m_profile.name, kovo::ProgramStrings(m_profile.name)) {
  const std::vector<std::string>& a = GetArgs();
  if (a.size() >= 2 && !a[1].empty() && a[1][0] == '1') m_debugInfo = true;
  if (a.size() >= 3 && !a[2].empty() && a[2][0] == '1') m_rs232LikeYelt = true;
  // The program file carries the version of the build that made it.
  platform::FileVersion stamped;
  if (!platform::GetFileVersion(ProgramFile(), &stamped)) platform::SetFileVersion(ProgramFile(), kovo::kBuildVersion);
}

std::string TarnicBaseApp::ProgramFile() const { return platform::Format("%s.exe", GetAppName().c_str()); }

TarnicBaseApp::~TarnicBaseApp() {
  m_curSmallPrintFont.DeleteObject();
  m_curSmallFont.DeleteObject();
  m_curFont.DeleteObject();
}

bool TarnicBaseApp::OnCmdMsg(unsigned id) {
  if (id == ID_APP_ABOUT) {
    OnAbout();
    return true;
  }
  return false;
}

void TarnicBaseApp::OnAbout() {
  CAboutDlg dlg;
  dlg.SetAppName(GetAppName());
  dlg.SetAppVersion(CAboutDlg::VersionText(ProgramFile()));
  dlg.SetCopyrightPeriode(kCopyrightPeriod);
  dlg.DoModal();
}

void TarnicBaseApp::InitSplashScreen() {
  // Every window of the program carries the program's icon.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()))
    QApplication::setWindowIcon(QIcon(kovo::LoadProgramIcon(QString::fromStdString(GetAppName()))));
  CSplashWnd::EnableSplashScreen(CSplashWnd::ShowSplashFromCommandLine(GetArgs()));
}

void TarnicBaseApp::ShowSplashScreen() {
  CSplashWnd::ShowSplashScreen(GetMainWnd(), m_profile.splashBitmap);
  CSplashWnd::HoldUserInterface();
  CSplashWnd::ForgetShown();
}

void TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds t) { CSplashWnd::SetHoldTime(t); }

bool TarnicBaseApp::PreTranslateMessage(QObject* receiver, QEvent* event) {
  if (CSplashWnd::PreTranslateAppMessage(event)) return true;
  return platform::Application::PreTranslateMessage(receiver, event);
}
