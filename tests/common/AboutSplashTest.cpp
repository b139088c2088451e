#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "AboutDlg.h"
#include "Bitmaps.h"
#include "ProgramProfiles.h"
#include "SplashWnd.h"
#include "TarnicBaseApp.h"
#include "core/MessageSink.h"

namespace {

class TestApp : public TarnicBaseApp {
 public:
  using TarnicBaseApp::TarnicBaseApp;
  using TarnicBaseApp::InitSplashScreen;
};

class KeyCounter : public QWidget {
 public:
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

int SplashWindows() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<CSplashWnd*>(w) && w->isVisible()) ++n;
  return n;
}

bool WaitUntil(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return done();
}

// Runs the About command and reads the box while it is up.
struct AboutSeen {
  std::string caption, name, version, rights;
};
AboutSeen RunAbout(TarnicBaseApp& app) {
  AboutSeen seen;
  QTimer::singleShot(0, [&] {
    auto* dlg = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
    if (!dlg) return;
    seen.caption = dlg->GetWindowText();
    seen.name = dlg->GetDlgItemText(CAboutDlg::IDC_NAME);
    seen.version = dlg->GetDlgItemText(CAboutDlg::IDC_VERSION);
    seen.rights = dlg->GetDlgItemText(CAboutDlg::IDC_RIGHTS);
    dlg->accept();
  });
  EXPECT_TRUE(app.OnCmdMsg(ID_APP_ABOUT));
  return seen;
}

class Gui : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::EnsureGuiApplication();
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
  }
};

}  // namespace

TEST_F(Gui, AboutBoxShowsNameVersionAndRights) {
  TestApp app(kovo::test::ProfileOf("Online"), {"online"});
  AboutSeen seen = RunAbout(app);
  EXPECT_EQ(seen.caption, "About Nolt Online");
  EXPECT_EQ(seen.name, "Nolt Online");
  // The build stamped the program file with its version and build number.
  EXPECT_EQ(seen.version.rfind("v.1.38(build1.38.0.", 0), 0u) << seen.version;
  EXPECT_EQ(seen.version.back(), ')');
  EXPECT_NE(seen.rights.find(TarnicBaseApp::kCopyrightPeriod), std::string::npos);

  platform::SetFileVersion("Online.exe", {1, 38, 2, 7});
  EXPECT_EQ(RunAbout(app).version, "v.1.38(build1.38.2.7)");
  EXPECT_EQ(CAboutDlg::VersionText("Elsewhere.exe"), "v.1.38");  // no version block
  EXPECT_FALSE(app.OnCmdMsg(0xE141));
}

TEST_F(Gui, SplashIsShownOverTheMainWindowAndClosesAtItsTimer) {
  TestApp app(kovo::test::ProfileOf("Presentation"), {"presentation"});
  app.InstallMessageFilter();
  QWidget main;
  main.resize(800, 600);
  main.show();
  app.SetMainWnd(&main);
  app.InitSplashScreen();
  EXPECT_EQ(app.Profile().splashBitmap, 109);
  app.ShowSplashScreen();
  EXPECT_EQ(SplashWindows(), 1);
  EXPECT_EQ(CSplashWnd::Shown(), nullptr);  // key presses no longer go to it
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (dynamic_cast<CSplashWnd*>(w)) {
      EXPECT_EQ(w->size(), QSize(643, 482));
    }
  }
  EXPECT_TRUE(WaitUntil([] { return SplashWindows() == 0; }));
}

TEST_F(Gui, KeyPressClosesTheSplashAndIsConsumed) {
  TestApp app(kovo::test::ProfileOf("Online"), {"online"});
  app.InstallMessageFilter();
  KeyCounter main;
  main.show();
  CSplashWnd::EnableSplashScreen(true);
  CSplashWnd::ShowSplashScreen(&main, app.Profile().splashBitmap);
  ASSERT_NE(CSplashWnd::Shown(), nullptr);
  CSplashWnd::ShowSplashScreen(&main, app.Profile().splashBitmap);  // no second one while one is shown
  EXPECT_EQ(SplashWindows(), 1);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&main, &press);
  EXPECT_EQ(main.keys, 0);
  EXPECT_EQ(CSplashWnd::Shown(), nullptr);
  EXPECT_TRUE(WaitUntil([] { return SplashWindows() == 0; }));
  QApplication::sendEvent(&main, &press);  // later keys pass on
  EXPECT_EQ(main.keys, 1);
}

// The administration program's start: its splash over its dialog, which is
// not shown yet, for the time it is given.
TEST_F(Gui, ASplashOverAHiddenWindowStaysItsTimeAndTakesNoPressOnceHidden) {
  TestApp app(ProgramProfile{"Database Administration"}, {"ostrel"});
  app.InstallMessageFilter();
  KeyCounter main;
  CSplashWnd::EnableSplashScreen(true);
  CSplashWnd::ShowSplashScreen(&main, kovo::IDB_SPLASH_OSTREL, std::chrono::hours(1));
  QPointer<CSplashWnd> splash = CSplashWnd::Shown();
  ASSERT_NE(splash, nullptr);
  EXPECT_EQ(splash->geometry().center(), splash->screen()->availableGeometry().center());
  WaitUntil([] { return false; }, 2 * CSplashWnd::kCloseTimerMs);
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->isVisible()) << "closed at the standard timer, not its own time";

  // Closed before any event loop deleted it, it takes no press.
  splash->close();
  EXPECT_EQ(CSplashWnd::Shown(), nullptr);
  main.show();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&main, &press);
  EXPECT_EQ(main.keys, 1);
  EXPECT_TRUE(WaitUntil([] { return SplashWindows() == 0; }));
}

TEST_F(Gui, NoSplashWhenTheCommandLineSaysSoOrTheProgramHasNoBitmap) {
  QWidget main;
  {
    TestApp app(kovo::test::ProfileOf("Online"), {"online", "/Embedding"});
    app.SetMainWnd(&main);
    app.InitSplashScreen();
    EXPECT_FALSE(CSplashWnd::IsEnabled());
    app.ShowSplashScreen();
    EXPECT_EQ(SplashWindows(), 0);
  }
  {
    TestApp app(ProgramProfile{"Database Administration"}, {"ostrel", "1"});
    app.SetMainWnd(&main);
    app.InitSplashScreen();
    EXPECT_TRUE(CSplashWnd::IsEnabled());
    app.ShowSplashScreen();
    EXPECT_EQ(SplashWindows(), 0);
    EXPECT_EQ(CSplashWnd::Shown(), nullptr);
  }
}

TEST_F(Gui, ExceptionsReachingTheUserInterfaceAreReported) {
  struct Thrower : QObject {
    bool event(QEvent*) override { throw std::runtime_error("handler failed"); }
  } thrower;
  platform::ScriptedMessageSink sink;
  QEvent e(QEvent::User);
  QApplication::sendEvent(&thrower, &e);
  EXPECT_EQ(sink.Texts(), std::vector<std::string>{"handler failed"});

  struct FailingApp : TarnicBaseApp {
    using TarnicBaseApp::TarnicBaseApp;
    bool InitInstance() override { throw std::runtime_error("start-up failed"); }
  } app(kovo::test::ProfileOf("Online"), {"online"});
  EXPECT_EQ(app.Run(), 1);
  EXPECT_EQ(sink.Texts().back(), "start-up failed");
}
