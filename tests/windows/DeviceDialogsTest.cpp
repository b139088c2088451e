// The communication, message and progress dialogs on Qt, and the queued call
// that carries finished services into the user-interface thread's loops.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <functional>
#include <thread>

#include <algorithm>
#include <cstdlib>
#include "ProgramProfiles.h"
#include "ComDialog.h"
#include "DataTestSupport.h"
#include "DeviceDialogs.h"
#include "EngineFixture.h"
#include "ModalWatch.h"
#include "ui/UiNotifier.h"
#include "ui/WinApp.h"

namespace {

struct Gui {
  Gui() { platform::EnsureGuiApplication(); }
};

TEST(UiNotifierTest, ACallFromAnotherThreadRunsInsideAModalLoopAndNotAfterTheNotifierIsGone) {
  Gui gui;
  platform::CDialog dlg(100);
  int runs = 0;
  auto notifier = std::make_unique<platform::UiNotifier>([&] {
    ++runs;
    dlg.EndDialog(platform::IDOK);
  });
  std::function<void(unsigned)> post = notifier->AsNotifier();
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    post(214);
  });
  EXPECT_EQ(dlg.DoModal(), platform::IDOK);
  worker.join();
  EXPECT_EQ(runs, 1);

  post(214);
  notifier.reset();
  post(214);
  QApplication::processEvents();
  EXPECT_EQ(runs, 1);
}

// The clients' windows against the simulated monitor, with the device's
// finished services carried by the queued call.
class ClientWindows : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    device->SetNotifier(notifier.AsNotifier());
    device->SetDialogs(&dialogs);
    OpenDevice();
  }

  Gui gui;
  platform::ScriptedMessageSink messages;
  platform::UiNotifier notifier{[this] { device->DispatchDone(); }};
  DataContext context{kovo::test::ProfileOf("Online")};
  CODeviceDialogs dialogs{context};
};

TEST_F(ClientWindows, TheMessageWindowShowsItsTextUntilTheServiceHasFinished) {
  kovo::sim::SimTimings slow = SimDefaults();
  slow.replyDelayMs = 150;  // the window is surely open while the reply is awaited
  monitor->SetTimings(slow);
  std::string shown;
  bool captionless = false;
  ModalWatch watch([&](platform::CDialog* dlg) {
    shown = dlg->GetDlgItemText(COMessageWnd::kText);
    captionless = dlg->windowFlags().testFlag(Qt::FramelessWindowHint);
  });
  COGetIDClient id(device.get(), 0);
  EXPECT_TRUE(id.GetID());
  EXPECT_EQ(shown, "Retrieving Gas Monitor ID...");
  EXPECT_TRUE(captionless);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ClientWindows, TheProgressWindowMovesItsBarAndCancelWaitsForTheService) {
  std::vector<int> bar;
  std::string caption;
  std::string text;
  bool openAfterCancel = false;
  bool cancelled = false;
  ModalWatch watch([&](platform::CDialog* dlg) {
    auto* progress = qobject_cast<QProgressBar*>(dlg->GetDlgItem(COProgressWnd::kBar));
    if (progress == nullptr) return;
    caption = dlg->GetWindowText();
    text = dlg->GetDlgItemText(COProgressWnd::kText);
    bar.push_back(progress->value());
    if (!cancelled && progress->value() >= 20) {
      cancelled = true;
      static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDCANCEL))->click();
      openAfterCancel = dlg->isVisible();
    }
  });
  COUploadAllClient upload(device.get(), 0);
  EXPECT_FALSE(upload.UploadAll());
  EXPECT_EQ(caption, "Uploading");
  EXPECT_EQ(text, "Retrieving filter info...");
  ASSERT_TRUE(cancelled);
  EXPECT_TRUE(openAfterCancel);
  EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
  EXPECT_LT(bar.back(), 100);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Communication error"}));
}

TEST_F(ClientWindows, AProgressWindowCanBeShownWithoutALoopOfItsOwn) {
  COUploadAllClient progress(device.get(), 0);
  progress.m_caption = "Uploading";
  progress.Create();
  EXPECT_TRUE(progress.IsWindow());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  progress.EndDialog(1);
  EXPECT_FALSE(progress.IsWindow());
}

// The communication dialog over the program's system set-up.
class ComDialogTest : public kovo::test::DataTest {
 protected:
  ComDialogTest() {
    setup->SetComPort(2);
    monitor.port = -1;  // what the dialog hands to the link is seen afresh
  }

  QRadioButton* Radio(COComDialog& dlg, int i) {
    return static_cast<QRadioButton*>(dlg.GetDlgItem(COComDialog::kCom1 + i));
  }
  // The port the system database holds now.
  int StoredPort() {
    DataContext fresh(kovo::test::ProfileOf("Online"));
    EXPECT_TRUE(fresh.Setup().OpenSystemDatabase());
    return fresh.Setup().GetComPort();
  }

  Gui gui;
};

TEST_F(ComDialogTest, OkStoresTheChosenPortInTheSetUpTheLinkAndTheDatabase) {
  COComDialog dlg(*context);
  dlg.show();
  EXPECT_EQ(dlg.GetWindowText(), "Communication");
  ASSERT_TRUE(Radio(dlg, 2)->isChecked());
  EXPECT_TRUE(Radio(dlg, 1)->isEnabled());
  Radio(dlg, 1)->setChecked(true);
  static_cast<QPushButton*>(dlg.GetDlgItem(platform::IDOK))->click();
  EXPECT_EQ(dlg.result(), platform::IDOK);
  EXPECT_EQ(setup->GetComPort(), 1);
  EXPECT_EQ(monitor.port, 1);
  EXPECT_EQ(StoredPort(), 1);
}

TEST_F(ComDialogTest, CancelKeepsThePort) {
  const int stored = StoredPort();
  COComDialog dlg(*context);
  dlg.show();
  Radio(dlg, 0)->setChecked(true);
  static_cast<QPushButton*>(dlg.GetDlgItem(platform::IDCANCEL))->click();
  EXPECT_EQ(dlg.result(), platform::IDCANCEL);
  EXPECT_EQ(setup->GetComPort(), 2);
  EXPECT_EQ(monitor.port, 2);  // loading the dialog writes the port back as it was
  EXPECT_EQ(StoredPort(), stored);
}

TEST_F(ComDialogTest, WhileMeasuringThePortIsLockedAndOkWritesItAgain) {
  monitor.state = MeasState::active;
  COComDialog dlg(*context);
  dlg.show();
  EXPECT_FALSE(dlg.GetDlgItem(COComDialog::kPortGroup)->isEnabled());
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Radio(dlg, i)->isEnabled()) << i;
  static_cast<QPushButton*>(dlg.GetDlgItem(platform::IDOK))->click();
  EXPECT_EQ(dlg.result(), platform::IDOK);
  EXPECT_EQ(monitor.port, 2);
  EXPECT_EQ(StoredPort(), 2);
}

TEST_F(ComDialogTest, EachPortShowsTheDeviceItStandsFor) {
  setenv("KOVO_COM2", "/dev/ttyUSB0", 1);
  COComDialog dlg(*context);
  unsetenv("KOVO_COM2");
  dlg.show();
  std::vector<std::string> texts;
  for (QLabel* label : dlg.findChildren<QLabel*>()) texts.push_back(label->text().toStdString());
  for (const char* device : {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS3"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), device), texts.end()) << device;
  dlg.grab().save(QString::fromStdString(::testing::TempDir() + "com_dialog.png"));
}

}  // namespace
