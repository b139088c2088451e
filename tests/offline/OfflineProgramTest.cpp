// The Offline program as a person uses it, offscreen against the simulated
// monitor: its sheet, the keys and buttons of a sheet without Cancel, a
// stand-alone run set up and downloaded, the monitor's memory uploaded into a
// task that the Presentation program then opens, and the refusals on the way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "ProgramProfiles.h"
#include "AboutDlg.h"
#include "COMeasObs.h"
#include "COOfflineMeasObs.h"
#include "CORecBankSet.h"
#include "DataTestSupport.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "FilterPage.h"
#include "MeasReader.h"
#include "ChooseTask.h"
#include "ModalWatch.h"
#include "OdbcTestSupport.h"
#include "OfflineAlarmPage.h"
#include "OfflineApp.h"
#include "OfflineMemory.h"
#include "OfflineSheet.h"
#include "OfflineStrings.h"
#include "OnlineFixture.h"
#include "PresentationApp.h"
#include "PresentationCommands.h"
#include "SamplingPage.h"
#include "SimulatedMonitor.h"
#include "SplashWnd.h"
#include "TaskDialogs.h"
#include "UnitsDialog.h"
#include "UpDownload.h"
#include "UpDownloadPage.h"
#include "core/StringTable.h"
#include "serial/SerialPort.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class OfflineProgramTest : public ::testing::Test {
 protected:
  OfflineProgramTest() {
    platform::EnsureGuiApplication();
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
    memory.Install(sim);
    sim.Start();
    Route(sim.SlavePath());
  }
  ~OfflineProgramTest() override { app.reset(); }
  static void Route(const std::string& path) {
    for (unsigned port = 0; port <= 4; ++port) platform::SetSerialPortPath(port, path);
  }
  // The filters A to C of the monitor as a filter-info upload stored them.
  void StoreFilterConfiguration() {
    DataContext data(kovo::test::ProfileOf("Online"));
    FakeMeasurement monitor;
    data.SetMeasurement(&monitor);
    ASSERT_TRUE(data.Setup().OpenSystemDatabase());
    MonitorSetup s;
    s.m_serial.Assign(sim.State().serial);
    const char* gases[] = {"CO2", "CH4", "N2O"};
    const float weights[] = {44.01f, 16.04f, 44.01f};
    for (int f = 0; f < 3; ++f) {
      s.GetFilter(f).m_number.Assign(sim.State().uaNumbers[static_cast<size_t>(f)]);
      s.GetFilter(f).GetBank(0).SetGasName(gases[f]);
      s.GetFilter(f).GetBank(0).SetMW(weights[f]);
    }
    CORecBankSet sets(data);
    sets.SetSetup(s);
    sets.SaveSet(CORecBankSet::kCurrent, "Current banks");
    sets.CloseWithDatabase();
    data.SetMeasurement(nullptr);
  }
  void LoadMemory() { memory.Load(std::string(KOVO_OFFLINE_DATA) + "/memory.txt"); }
  // Starts the program and shows its sheet; the Up/Download page has talked
  // to the monitor by then.
  COOfflineSheet& Open() {
    app = std::make_unique<COfflineApp>(std::vector<std::string>{"/noSplash"});
    UseShortTimings(*app->Context().MeasObs());
    app->SetExitAction([this](int code) { exitCode = code; });
    EXPECT_TRUE(app->Start());
    app->Sheet()->show();
    return *app->Sheet();
  }
  static void Click(platform::CDialog& dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
  static void Type(platform::CDialog& dialog, int id, const std::string& text) {
    qobject_cast<QLineEdit*>(dialog.GetDlgItem(id))->setText(QString::fromStdString(text));
  }
  static void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  // The monitor takes lines on a thread of its own.
  static bool Eventually(const std::function<bool()>& done) {
    for (int waited = 0; waited < 2000; waited += 5) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  bool Sent(const std::string& line) const {
    const auto lines = sim.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // Chooses the task in the list and uploads into it.
  static void UploadInto(CUpDownloadPage& page, const std::string& description) {
    const auto found = page.TaskList()->findItems(QString::fromStdString(description), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    page.TaskList()->setCurrentItem(found[0]);
    Click(page, CUpDownloadPage::kExistingTask);
    Click(page, CUpDownloadPage::kUpload);
  }

  OdbcScope odbc;
  ProgramFolderScope programFolder{odbc.Dir().Path()};
  kovo::sim::SimulatedMonitor sim;
  kovo::sim::OfflineMemory memory;
  platform::ScriptedMessageSink messages;
  std::unique_ptr<COfflineApp> app;
  int exitCode = -1;
};

TEST_F(OfflineProgramTest, AStandAloneRunDownloadedUploadedAndShownInThePresentationProgram) {
  StoreFilterConfiguration();
  LoadMemory();
  COOfflineSheet& sheet = Open();
  EXPECT_EQ(sheet.windowTitle().toStdString(), "Offline - Sequence Settings");
  EXPECT_EQ(sheet.GetPageCount(), 4);
  // The Up/Download page opened the link, found the configuration and closed
  // it again before the sheet turned to its first page.
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  EXPECT_FALSE(app->Context().MeasObs()->GetDevice().IsOpen());

  // Two filters, each on its first bank.
  ASSERT_TRUE(sheet.SetActivePage(1));
  COFilterPage& gas = sheet.FilterPage();
  Click(gas, COFilterPage::kCheckA);
  Click(gas, COFilterPage::kCheckB);
  EXPECT_EQ(gas.BankBox(1)->currentText().toStdString(), "CH4");

  // An alarm on CO2 at 500 ppm.
  ASSERT_TRUE(sheet.SetActivePage(2));
  COOfflineAlarmPage& alarms = *sheet.OfflineAlarmPage();
  ASSERT_EQ(alarms.GasCombo().count(), 3);
  Type(alarms, COAlarmPage::kLimit, "500");
  Type(alarms, COAlarmPage::kAverage, "10");
  alarms.GasCombo().setCurrentIndex(0);
  alarms.OnGasChange();
  alarms.OnAddNew();
  ASSERT_EQ(alarms.List().GetCount(), 1);

  // Downloaded: the monitor measures with it from now on.
  ASSERT_TRUE(sheet.SetActivePage(COOfflineSheet::kUpDownloadPage));
  CUpDownloadPage& page = sheet.UpDownloadPage();
  sim.ClearLines();
  Click(page, CUpDownloadPage::kDownload);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The download of the sequence settings has finished: the "
                                                       "Gas Monitor measures with them on its own."});
  messages.Clear();
  EXPECT_TRUE(Sent("SE US_F,F_A,Y"));
  EXPECT_TRUE(Sent("SE US_F,F_C,N"));
  EXPECT_FALSE(Sent("SE MEM,N"));  // not a leak detector

  // Uploaded into a new task named in the dialog that comes after the count.
  ModalWatch watch([](platform::CDialog* dlg) {
    if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
      created->SetDlgItemText(CNewDatabase::kDescription, "Harbour stand-alone");
      Click(*created, platform::IDOK);
    }
  });
  Click(page, CUpDownloadPage::kNewTask);
  Click(page, CUpDownloadPage::kUpload);
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  // The monitor answered the stored set-up queries with what it was given.
  const MonitorSetup uploaded = app->Context().MeasObs()->GetDevice().GetSetup();
  EXPECT_EQ(uploaded.GetFilter(0).m_active, 1);
  EXPECT_EQ(uploaded.GetFilter(1).m_active, 1);
  EXPECT_EQ(uploaded.GetFilter(2).m_active, 0);
  EXPECT_EQ(uploaded.m_waterActive, 0);
  EXPECT_NEAR(uploaded.GetFilter(0).m_alarmLimit1, 500.0f * 44.01f / 24.054f, 0.5f);
  EXPECT_FALSE(uploaded.GetFilter(1).m_alarmLimit1.IsValid());
  EXPECT_TRUE(Eventually([this] { return memory.RecordCount() == 0; }));
  ASSERT_EQ(page.TaskList()->count(), 1);
  EXPECT_EQ(page.TaskList()->item(0)->text().toStdString(), "Harbour stand-alone");

  Click(sheet, platform::IDOK);
  EXPECT_FALSE(sheet.isVisible());
  app.reset();

  // The Presentation program opens the task by its open command and finds
  // every record with its events.
  {
    CPresentationApp presentation(std::vector<std::string>{"/noSplash"});
    ASSERT_TRUE(presentation.InitInstance());
    bool chosen = false;
    ModalWatch open([&](platform::CDialog* dlg) {
      auto* task = dynamic_cast<COpenDatabase*>(dlg);
      if (task != nullptr && !chosen) chosen = ChooseTask(*task, "Harbour stand-alone");
    });
    presentation.Frame()->UpdateCommands();
    ASSERT_TRUE(presentation.Frame()->Execute(ID_FILE_OPEN));
    ASSERT_TRUE(presentation.TaskOpen());
    COMeasInterval all(presentation.Context());
    all.SetMeasMode(COMeasInterval::kByNumber);
    all.MoveTo(platform::CTime(2026, 5, 4, 0, 15, 30), 36);
    all.SetLength(36);
    COMeasReader reader(presentation.Context());
    reader.SetInterval(&all);
    std::vector<int> numbers;
    std::vector<std::string> events;
    for (reader.MoveFirst(); !reader.IsEOF(); reader.MoveNext()) {
      const COMeas& m = reader.GetCurrent();
      numbers.push_back(m.GetMeasNo());
      for (const COEvent& e : m.GetEvents())
        events.push_back(m.GetMeasTime().Format("%H:%M:%S ") + std::to_string(e.GetType()) + " " + e.GetText());
    }
    reader.Close();
    ASSERT_EQ(numbers.size(), 36u);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 36);
    const std::string unit = presentation.Context().Setup().GetGasConcUnitText();
    const std::vector<std::string> expected = {
        "23:40:30 5 Measurement task started",
        "23:42:30 0 U3",
        "23:44:30 8 ",
        "23:46:30 10 ",
        "23:47:30 2 CH4: n/a " + unit + " (Limit 1)",
        "23:48:30 10 ",
        "23:48:30 2 N2O: n/a " + unit + " (Limit 1)",
        "23:49:30 9 ",
        "23:50:30 7 ",
        "23:51:30 0 U12",
        "23:51:30 7 ",
        "23:53:30 2 Water Vapour: n/a " + presentation.Context().Setup().GetHumidityUnitText() + " (Limit 1)",
        "00:05:30 9 ",
        "00:15:30 6 Measurement task stopped",
    };
    EXPECT_EQ(events, expected);
  }

  // The same recorded run again into the same task: its sequence is older
  // than the task's last one.
  LoadMemory();
  messages.Clear();
  COOfflineSheet& again = Open();
  ASSERT_TRUE(again.SetActivePage(COOfflineSheet::kUpDownloadPage));
  sim.ClearLines();
  UploadInto(again.UpDownloadPage(), "Harbour stand-alone");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{platform::LoadString(IDS_SEQUENCE_OLDER)});
  EXPECT_TRUE(Eventually([this] { return !sim.State().keyboardLocked; }));
  EXPECT_EQ(memory.RecordCount(), 36u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
}

TEST_F(OfflineProgramTest, AMissingSystemDatabaseEndsTheProgramBeforeItsSheet) {
  std::filesystem::create_directories(odbc.File("data"));
  std::ofstream(odbc.File("data/SYSTEM.db")) << "no database";
  app = std::make_unique<COfflineApp>(std::vector<std::string>{"/noSplash"});
  EXPECT_FALSE(app->InitInstance());
  const auto texts = messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].compare(0, 30, "Unable to open system database"), 0) << texts[0];
  // No window but the splash.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<CSplashWnd*>(w) == nullptr) EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
  EXPECT_FALSE(sim.State().keyboardLocked);
}

TEST_F(OfflineProgramTest, CloseEscapeAndTheWindowsCloseEndTheSheetAndUnitsOnlyOpensTheUnits) {
  StoreFilterConfiguration();
  COOfflineSheet& sheet = Open();
  EXPECT_EQ(sheet.GetDlgItemText(platform::IDOK), "Close");
  EXPECT_FALSE(qobject_cast<QPushButton*>(sheet.GetDlgItem(platform::IDOK))->isDefault());
  EXPECT_EQ(sheet.GetDlgItemText(platform::IDCANCEL), "Units...");
  EXPECT_EQ(sheet.GetDlgItemText(COOfflineSheet::ID_DEFAULT), "Default...");
  EXPECT_TRUE(sheet.GetDlgItem(COOfflineSheet::ID_DEFAULT)->isVisible());

  // "Units...": the units dialog, and the sheet stays.
  int units = 0;
  std::string about;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dynamic_cast<CUnits*>(dlg) != nullptr) {
      ++units;
      Click(*dlg, platform::IDCANCEL);
    } else if (dynamic_cast<CAboutDlg*>(dlg) != nullptr) {
      about = dlg->windowTitle().toStdString();
      Click(*dlg, platform::IDOK);
    }
  });
  Click(sheet, platform::IDCANCEL);
  EXPECT_EQ(units, 1);
  EXPECT_TRUE(sheet.isVisible());

  // The about box names the program.
  Click(sheet, COOfflineSheet::ID_ABOUT);
  EXPECT_EQ(about, "About Nolt Offline");

  // Enter in a field ends nothing.
  QWidget* interval = sheet.SamplingPage().GetDlgItem(COSamplingPage::kInterval);
  Key(interval, Qt::Key_Return);
  EXPECT_TRUE(sheet.isVisible());

  // Escape ends the sheet as "Close" does, without the units dialog.
  Key(interval, Qt::Key_Escape);
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(sheet.result(), platform::IDOK);
  EXPECT_EQ(units, 1);

  // So does the window's close.
  sheet.show();
  sheet.close();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(units, 1);
}

TEST_F(OfflineProgramTest, AnEmptyMemoryWarnsBeforeAnyDialogOrTask) {
  StoreFilterConfiguration();
  COOfflineSheet& sheet = Open();
  ASSERT_TRUE(sheet.SetActivePage(COOfflineSheet::kUpDownloadPage));
  CUpDownloadPage& page = sheet.UpDownloadPage();
  int dialogs = 0;
  ModalWatch watch([&](platform::CDialog* dlg) {
    ++dialogs;
    Click(*dlg, platform::IDCANCEL);
  });
  Click(page, CUpDownloadPage::kNewTask);
  Click(page, CUpDownloadPage::kUpload);
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNoMeasurementWarning});
  EXPECT_FALSE(app->Context().Setup().IsMeasDatabaseOpen());
  EXPECT_EQ(page.TaskList()->count(), 0);
  EXPECT_FALSE(app->Context().MeasObs()->GetDevice().IsOpen());
}

TEST_F(OfflineProgramTest, GivingUpOnTheMonitorEndsTheProgramWithCodeOne) {
  Route(odbc.File("nowhere"));
  int shown = 0;
  ModalWatch watch([&](platform::CDialog* dlg) {
    ++shown;
    Click(*dlg, platform::IDCANCEL);
  });
  Open();
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(messages.Texts().front(), "Unable to get Gas Monitor Serial\n\n" + odbc.File("nowhere") + ": No such file or directory");
}

}  // namespace
}  // namespace kovo::test
