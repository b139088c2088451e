// The Database administration program: backs up, restores and deletes the
// system database's filter banks and the measurement and calibration tasks.
#include <QApplication>

#include "Bitmaps.h"
#include "DataSources.h"
#include "Dialogs.h"
#include "OstrelStrings.h"
#include "OstrelsDlg.h"
#include "SpaceControl.h"
#include "SplashWnd.h"
#include "TaskRestore.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "ui/QtMessageSink.h"
#include "ui/WinApp.h"

namespace {

class COstrels : public platform::Application {
 public:
  COstrels(int argc, char** argv)
      : Application(kName, platform::ArgsFromMain(argc, argv)) {}

  bool InitInstance() override {
    platform::SetMessageSink(&m_messages);
    ostrel::COstrelsDlg dlg(m_sources);
    SetMainWnd(&dlg);
    ostrel::DirSelectChooser chooser(&dlg);
    IDirChooser* previous = SetDirChooser(&chooser);
    // Not while the program runs embedded or automated. The splash stays on
    // its own for the hold time, the window system heard meanwhile; then the
    // dialog comes.
    CSplashWnd::EnableSplashScreen(CSplashWnd::ShowSplashFromCommandLine(GetArgs()));
    if (CSplashWnd::IsEnabled()) {
      CSplashWnd::ShowSplashScreen(&dlg, kovo::IDB_SPLASH_OSTREL, CSplashWnd::HoldTime());
      CSplashWnd::HoldUserInterface();
    }
    if (!m_sources.OpenSystem()) {
      platform::MessageBox(platform::LoadString(IDS_SYSTEM_NOT_OPENED));
    } else {
      // What a crash left of a restore goes (or is finished) before anybody
      // sees a task list.
      ostrel::TaskRestore::SettleInterrupted(m_sources);
      dlg.DoModal();
    }
    SetDirChooser(previous);
    SetMainWnd(nullptr);
    // The program ends when the dialog closes.
    return false;
  }

  bool PreTranslateMessage(QObject* receiver, QEvent* event) override {
    return CSplashWnd::PreTranslateAppMessage(event);
  }

 private:
  static constexpr const char* kName = "Database Administration";
  platform::ProgramTexts m_texts{kName, kovo::ProgramStrings(kName)};
  platform::QtMessageSink m_messages;
  ostrel::DataSources m_sources;
};

}  // namespace

int main(int argc, char** argv) {
  platform::GuiApplication gui(argc, argv);
  COstrels app(argc, argv);
  return app.Run();
}
