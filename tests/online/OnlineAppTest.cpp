// The Online program's start-up against the simulated monitor: the system
// database made on first start, the connection, the identity taken over,
// the commands' enabling; and the way out when the user gives up on the
// monitor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <filesystem>

#include "COMeasObs.h"
#include "db/Database.h"
#include "NumView.h"
#include "TaskRecords.h"
#include "COEvent.h"
#include "AlarmPage.h"
#include "FilterPage.h"
#include "SequenceSheet.h"
#include "MeasStartDialog.h"
#include "EventDialog.h"
#include "AlarmView.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "FormViews.h"
#include <QMdiArea>
#include <QMdiSubWindow>
#include "ChooseTask.h"
#include "ModalWatch.h"
#include "OdbcTestSupport.h"
#include "OnlineFixture.h"
#include "OnlineApp.h"
#include "OnlineCommands.h"
#include "SimulatedMonitor.h"
#include "TaskDialogs.h"
#include "ComDialog.h"
#include <QMenuBar>
#include <QListWidget>
#include "serial/SerialPort.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class OnlineAppTest : public ::testing::Test {
 protected:
  OnlineAppTest() {
    platform::EnsureGuiApplication();
    ServeProgram(odbc.Dir().Path(), sim, 200);
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
  }
  ~OnlineAppTest() override { unsetenv("KOVO_PROGRAM_FOLDER"); }
  static void Route(const std::string& path) {
    for (unsigned port = 0; port <= 4; ++port) platform::SetSerialPortPath(port, path);
  }
  static bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }
  // A task measuring filter A, started now and running.
  static void StartMeasuring(COnlineApp& app, const std::string& task) {
    ProgramContext& ctx = app.Context();
    COMeasObs& obs = *ctx.MeasObs();
    MonitorSetup monitor = obs.GetDevice().GetSetup();
    monitor.GetFilter(0).GetBank(0).SetGasName("CO2");
    monitor.GetFilter(0).GetBank(0).SetMW(44.01f);
    obs.GetDevice().SetSetup(monitor);
    ctx.Setup().CreateMeasDatabase(task);
    ctx.Setup().SetDatabaseDesc(task);
    ctx.Sequence().Load();
    ctx.ActiveSequence().SetSerialNum(monitor.m_serial.ToString());
    ctx.ActiveSequence().SetFilterActive(0, true);
    ctx.ActiveSequence().Save();
    ctx.Setup().SetMeasDatabaseOpen(true);
    ASSERT_TRUE(obs.StartMeasurement(platform::CTime::GetCurrentTime(), 0, platform::CTime(), false));
    ASSERT_TRUE(PumpUntil([&] { return obs.GetState() == MeasState::active; }));
  }
  // A new task, open, with the commands following it.
  static void OpenNewTask(COnlineApp& app, const std::string& task) {
    COSystemSetup& setup = app.Context().Setup();
    setup.CreateMeasDatabase(task);
    setup.SetDatabaseDesc(task);
    app.Context().Sequence().Load();
    setup.SetMeasDatabaseOpen(true);
    app.Frame()->UpdateCommands();
  }
  std::unique_ptr<COnlineApp> MakeApp() {
    return MakeTestProgram<COnlineApp>(exitCode, std::chrono::milliseconds(2000));
  }

  OdbcScope odbc;
  kovo::sim::SimulatedMonitor sim;
  platform::ScriptedMessageSink messages;
  int exitCode = -1;
};

TEST_F(OnlineAppTest, StartsOnTheMonitorWithAFreshSystemDatabase) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  EXPECT_TRUE(std::filesystem::exists(odbc.Dir().Path() + "/data/SYSTEM.db"));
  EXPECT_TRUE(app->Context().MeasObs()->IsConnected());
  EXPECT_EQ(app->Context().Instrument().GetInstrumentId(), sim.State().serial);
  EXPECT_EQ(exitCode, -1);
  EXPECT_TRUE(messages.Texts().empty());

  CMainFrame& frame = *app->Frame();
  EXPECT_TRUE(frame.isVisible());
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "online_main.png"));
  // Without a task nothing can be measured.
  for (unsigned id : {ID_START, ID_PAUSE, ID_STOP}) EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
  EXPECT_TRUE(frame.Action(ID_COMMUNICATION)->isEnabled());
  app->Context().Setup().SetMeasDatabaseOpen(true);
  frame.UpdateCommands();
  EXPECT_TRUE(frame.Action(ID_START)->isEnabled());
  EXPECT_FALSE(frame.Action(ID_PAUSE)->isEnabled());
  EXPECT_EQ(frame.Action(ID_START)->shortcut(), QKeySequence(Qt::Key_F3));
  app->Context().Setup().SetMeasDatabaseOpen(false);
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, PrintsTheMonitorsMeasuredDataInATextWindow) {
  auto app = MakeApp();
  std::vector<std::string> opened;
  app->SetTextWindowOpener([&](const std::string& text) {
    opened.push_back(text);
    return true;
  });
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  // Nothing recorded yet: the warning, and the monitor is told it was seen.
  const size_t before = sim.Lines().size();
  ASSERT_TRUE(frame.Execute(ID_PRINT_MONITOR_DATA));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"WARNING: NO MEASURED DATA AVAILABLE"});
  EXPECT_TRUE(sim.WaitForLines(before + 2, 2000));
  const std::vector<std::string> lines = sim.Lines();
  EXPECT_EQ(lines.back(), "A_M");
  EXPECT_TRUE(opened.empty());

  sim.Modify([](kovo::sim::MonitorState& s) {
    for (long n = 1; n <= 3; ++n) {
      kovo::sim::MonitorState::RecordedSample r;
      r.number = n;
      r.used = {true, false, false, false, false, false};
      s.recorded.push_back(r);
    }
  });
  messages.Clear();
  ASSERT_TRUE(frame.Execute(ID_PRINT_MONITOR_DATA));
  EXPECT_TRUE(messages.Texts().empty());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(opened[0].find("Recorded Samples : 3"), std::string::npos);
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, WindowsOpenOnTheTaskAndTheSingleOnesStaySingle) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  EXPECT_FALSE(frame.Execute(ID_WINDOW_NEW_NUMERIC));  // no task open
  COSystemSetup& setup = app->Context().Setup();
  OpenNewTask(*app, "windows");
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_MEASSTATUS));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_MEASSTATUS));
  std::vector<std::string> titles;
  for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList()) titles.push_back(sub->windowTitle().toStdString());
  EXPECT_EQ(titles, (std::vector<std::string>{"Numeric Window 1", "Numeric Window 2", "Measurement Status"}));
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "online_windows.png"));

  // The print of the monitor's memory in a text window of its own.
  sim.Modify([](kovo::sim::MonitorState& s) {
    kovo::sim::MonitorState::RecordedSample r;
    r.number = 1;
    r.used = {true, false, false, false, false, false};
    s.recorded.push_back(r);
  });
  ASSERT_TRUE(frame.Execute(ID_PRINT_MONITOR_DATA));
  auto* print = dynamic_cast<CPrintView*>(frame.ActiveView());
  ASSERT_NE(print, nullptr);
  EXPECT_NE(print->GetText().find("Recorded Samples : 1"), std::string::npos);
  setup.SetMeasDatabaseOpen(false);
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, TheFormWindowsKeepTheirSizeAndHaveNoMaximiseBox) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  OpenNewTask(*app, "forms");
  for (unsigned id : {unsigned(ID_WINDOW_MEASSTATUS), unsigned(ID_WINDOW_ALARMS), unsigned(ID_VIEW_CURSORS)}) {
    ASSERT_TRUE(frame.Execute(id)) << id;
    QMdiSubWindow* sub = frame.MdiArea()->activeSubWindow();
    ASSERT_NE(sub, nullptr) << id;
    const std::string title = sub->windowTitle().toStdString();
    EXPECT_FALSE(sub->windowFlags() & Qt::WindowMaximizeButtonHint) << title;
    EXPECT_TRUE(sub->windowFlags() & Qt::WindowMinimizeButtonHint) << title;
    const QSize size = sub->size();
    sub->resize(size + QSize(200, 100));
    EXPECT_EQ(sub->size(), size) << title;
    sub->resize(size - QSize(40, 40));
    EXPECT_EQ(sub->size(), size) << title;
    sub->showMinimized();
    EXPECT_TRUE(sub->isMinimized()) << title;
    EXPECT_LT(sub->height(), size.height()) << title;
    sub->showNormal();
    EXPECT_EQ(sub->size(), size) << title;
  }
  app->Context().Setup().SetMeasDatabaseOpen(false);
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, ClosingWhileMeasuringAsksAndCancelKeepsTheMeasurementGoing) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_NO_FATAL_FAILURE(StartMeasuring(*app, "closing"));
  COMeasObs& obs = *app->Context().MeasObs();

  CMainFrame& frame = *app->Frame();
  messages.Clear();
  messages.Answer(platform::IDCANCEL);
  EXPECT_FALSE(frame.close());
  EXPECT_TRUE(frame.isVisible());
  EXPECT_EQ(obs.GetState(), MeasState::active);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"This action will stop the measurement"});

  messages.Answer(platform::IDOK);
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(app->ExitInstance(), 0);
  EXPECT_EQ(obs.GetState(), MeasState::idle);
}

// Something that ignores the task's claim deletes its file while it is
// measured, with a window following the samples: the person is told once,
// naming the file, the measurement stops, and no later sample brings a
// message more.
TEST_F(OnlineAppTest, ATaskFileDeletedUnderAMeasurementIsToldOnceAndStopsIt) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_NO_FATAL_FAILURE(StartMeasuring(*app, "Victim"));
  ProgramContext& ctx = app->Context();
  COMeasObs& obs = *ctx.MeasObs();
  ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(PumpUntil([&] { return ctx.DBObs().GetLastMeas()->GetMeasNo() >= 2; }));
  messages.Clear();
  const std::string file = ctx.Setup().DataFile(ctx.Setup().GetDatabaseName());
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix);

  ASSERT_TRUE(PumpUntil([&] { return obs.GetState() == MeasState::idle; }));
  PumpUntil([] { return false; }, 2);  // ten sample periods
  const std::vector<std::string> told = messages.Texts();
  ASSERT_EQ(told.size(), 1u) << ::testing::PrintToString(told);
  EXPECT_NE(told[0].find(file), std::string::npos) << told[0];
  EXPECT_NE(told[0].find("The measurement has been stopped."), std::string::npos) << told[0];
  EXPECT_EQ(obs.GetState(), MeasState::idle);
}

TEST_F(OnlineAppTest, GivingUpOnTheMonitorEndsTheProgramWithCodeOne) {
  Route(odbc.File("nowhere"));
  auto app = MakeApp();
  // The port dialog comes each time no monitor answers; Cancel gives up.
  int shown = 0;
  ModalWatch watch([&](platform::CDialog* dlg) {
    ++shown;
    static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDCANCEL))->click();
  });
  app->InitInstance();
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(shown, 1);
}

TEST_F(OnlineAppTest, UntilAMonitorHasAnsweredAPortWithoutModemLinesHasNone) {
  Route(odbc.File("nowhere"));
  auto app = MakeApp();
  std::vector<bool> checkedAtPortDialog;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dynamic_cast<COComDialog*>(dlg) == nullptr) return;
    checkedAtPortDialog.push_back(app->Context().MeasObs()->GetLink().GetOptions().checkModem);
    Route(sim.SlavePath());
    static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click();
  });
  ASSERT_TRUE(app->InitInstance());
  EXPECT_EQ(checkedAtPortDialog, std::vector<bool>{true});
  // Once it has answered, the modem lines no longer count.
  EXPECT_TRUE(app->Context().MeasObs()->IsConnected());
  EXPECT_FALSE(app->Context().MeasObs()->GetLink().GetOptions().checkModem);
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, ATaskIsCreatedClosedAndOpenedAgainWithItsWindows) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  COSystemSetup& setup = app->Context().Setup();
  std::string task = "Harbour survey";
  ModalWatch watch([&task](platform::CDialog* dlg) {
    if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
      created->SetDlgItemText(CNewDatabase::kDescription, task);
      static_cast<QPushButton*>(created->GetDlgItem(platform::IDOK))->click();
    } else if (auto* open = dynamic_cast<COpenDatabase*>(dlg)) {
      ChooseTask(*open, task);
    }
  });

  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(setup.IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
  EXPECT_EQ(setup.GetDatabaseDesc(), "Harbour survey");
  // A monitor the system has not seen yet gives its filters first.
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Gas Monitor not known\nUploading filter information now"});
  messages.Clear();
  EXPECT_EQ(app->Context().ActiveSequence().GetSerialNum(), sim.State().serial);
  EXPECT_TRUE(frame.windowTitle().endsWith("Harbour survey"));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_MEASSTATUS));
  const auto titles = [&frame] {
    std::vector<std::string> t;
    for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList()) t.push_back(sub->windowTitle().toStdString());
    return t;
  };
  // A task without saved windows opens in a graph window.
  ASSERT_EQ(titles().size(), 3u);

  // Closing the task takes its windows, never the main window.
  ASSERT_TRUE(frame.Execute(ID_FILE_CLOSE));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(setup.IsMeasDatabaseOpen());
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(titles().empty());
  frame.UpdateCommands();
  EXPECT_FALSE(frame.Action(ID_FILE_CLOSE)->isEnabled());

  ASSERT_TRUE(frame.Execute(ID_FILE_OPEN));
  ASSERT_TRUE(setup.IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
  EXPECT_EQ(setup.GetDatabaseDesc(), "Harbour survey");
  // The most recently active window comes back on top.
  std::vector<std::string> reopened = titles();
  std::sort(reopened.begin(), reopened.end());
  EXPECT_EQ(reopened, (std::vector<std::string>{"Graphic Window 1", "Measurement Status", "Numeric Window 1"}));
  ASSERT_NE(frame.MdiArea()->activeSubWindow(), nullptr);
  EXPECT_EQ(frame.MdiArea()->activeSubWindow()->windowTitle(), "Measurement Status");
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "online_reopened.png"));
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());

  // A task file that has become no database while the program let go of
  // it is refused once, with why, and stays as it is.
  task = "Broken one";
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(setup.IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
  const std::string file = setup.DataFile(setup.GetDatabaseName());
  task = "Harbour survey";
  ASSERT_TRUE(frame.Execute(ID_FILE_OPEN));
  ASSERT_TRUE(setup.IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
  ASSERT_TRUE(frame.Execute(ID_FILE_CLOSE));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  messages.Clear();
  std::ofstream(file, std::ios::trunc) << "not a database";
  task = "Broken one";
  ASSERT_TRUE(frame.Execute(ID_FILE_OPEN));
  EXPECT_FALSE(setup.IsMeasDatabaseOpen());
  ASSERT_EQ(messages.Texts().size(), 1u) << ::testing::PrintToString(messages.Texts());
  EXPECT_NE(messages.Texts()[0].find("[SQLite]file is not a database (26)"), std::string::npos) << messages.Texts()[0];
  EXPECT_EQ(std::filesystem::file_size(file), std::string("not a database").size());
  EXPECT_TRUE(titles().empty());
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(app->ExitInstance(), 0);
}


TEST_F(OnlineAppTest, AfterARestartTheFiltersComeFromTheStoredSetWithoutAReload) {
  ModalWatch watch([](platform::CDialog* dlg) {
    if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
      created->SetDlgItemText(CNewDatabase::kDescription, "Restarted");
      created->accept();
    } else if (auto* open = dynamic_cast<COpenDatabase*>(dlg)) {
      ChooseTask(*open, "Restarted");
    }
  });
  {
    auto first = MakeApp();
    ASSERT_TRUE(first->InitInstance());
    ASSERT_TRUE(first->Frame()->Execute(ID_FILE_NEW));  // the monitor's filters are uploaded and stored
    ASSERT_TRUE(first->Context().Setup().IsMeasDatabaseOpen());
    EXPECT_EQ(first->ExitInstance(), 0);
  }
  messages.Clear();
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_TRUE(app->Frame()->Execute(ID_FILE_OPEN));
  ASSERT_TRUE(app->Context().Setup().IsMeasDatabaseOpen());
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  const COSequence& sequence = app->Context().ActiveSequence();
  for (int f : {0, 1, 2}) EXPECT_TRUE(sequence.IsGasDefined(f)) << f;
  EXPECT_EQ(sequence.GetGasName(1), "CH4");
  EXPECT_EQ(app->ExitInstance(), 0);
}

// What a user does with the program in one sitting, through its commands
// and dialogs: a task with two gases and an alarm measured, watched,
// commented, stopped, closed and opened again.
TEST_F(OnlineAppTest, AMeasuredTaskKeepsEverySampleItsEventsAndItsWindows) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  ProgramContext& ctx = app->Context();
  COMeasObs& obs = *ctx.MeasObs();
  const auto check = [](platform::CDialog& page, int id) {
    auto* button = qobject_cast<QAbstractButton*>(page.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << id;
    if (!button->isChecked()) button->click();
  };
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
      created->SetDlgItemText(CNewDatabase::kDescription, "Stack test");
      created->accept();
    } else if (auto* sheet = dynamic_cast<COSequenceSheet*>(dlg)) {
      ASSERT_TRUE(sheet->SetActivePage(1));
      check(sheet->FilterPage(), COFilterPage::kCheckA);
      check(sheet->FilterPage(), COFilterPage::kCheckB);
      ASSERT_TRUE(sheet->SetActivePage(2));
      COAlarmPage& alarms = *sheet->AlarmPage();
      alarms.SetDlgItemText(COAlarmPage::kLimit, "0");
      alarms.SetDlgItemText(COAlarmPage::kAverage, "10");
      check(alarms, COAlarmPage::kActionRelay1);
      alarms.OnAddNew();
      sheet->accept();
    } else if (auto* start = dynamic_cast<CMeasStart*>(dlg)) {
      start->SetDlgItemText(CMeasStart::kDescription, "First run");
      start->accept();
    } else if (auto* event = dynamic_cast<CEventDialog*>(dlg)) {
      event->SetDlgItemText(CEventDialog::kText, "door open");
      event->accept();
    } else if (auto* open = dynamic_cast<COpenDatabase*>(dlg)) {
      ChooseTask(*open, "Stack test");
    }
  });
  const auto pumpUntil = [](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  };

  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(ctx.Setup().IsMeasDatabaseOpen());
  messages.Clear();
  ASSERT_TRUE(frame.Execute(ID_SETTINGS));
  EXPECT_TRUE(ctx.ActiveSequence().IsFilterActive(0));
  EXPECT_TRUE(ctx.ActiveSequence().IsFilterActive(1));
  ASSERT_EQ(ctx.ActiveSequence().GetAlarmCount(), 1);
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_MEASSTATUS));

  // Samples arrive; the alarm (any concentration above zero) comes up in its
  // window and switches relay 1 on.
  ASSERT_TRUE(frame.Execute(ID_START));
  ASSERT_TRUE(pumpUntil([&] { return ctx.DBObs().GetLastMeas()->GetMeasNo() >= 3; }));
  EXPECT_EQ(ctx.ActiveSequence().GetName(), "First run");
  ASSERT_TRUE(pumpUntil([&] { return dynamic_cast<CAlarmsView*>(frame.ActiveView()) != nullptr; }));
  auto* alarms = dynamic_cast<CAlarmsView*>(frame.ActiveView());
  EXPECT_GE(alarms->List().GetCount(), 1);
  EXPECT_TRUE(pumpUntil([&] { return sim.State().relays[0]; }));
  // The numeric window follows the samples, though they come faster than
  // the second it waits before it moves on.
  CNumView* numeric = nullptr;
  for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList())
    if (auto* v = dynamic_cast<CNumView*>(sub->widget())) numeric = v;
  ASSERT_NE(numeric, nullptr);
  EXPECT_TRUE(pumpUntil([&] {
    platform::RecordingDC dc;
    numeric->Draw(dc, platform::CRect(0, 0, 500, 300));
    const auto& calls = dc.Calls();
    return std::none_of(calls.begin(), calls.end(),
                        [](const std::string& c) { return c.find("\"(No data)\"") != std::string::npos; });
  }));
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "online_measuring.png"));
  // Confirmed, the alarm leaves the list and relay 1 is switched off (the
  // next sample, still above the limit, raises it again).
  const size_t beforeConfirm = sim.Lines().size();
  alarms->ConfirmAll();
  EXPECT_EQ(alarms->List().GetCount(), 0);
  EXPECT_TRUE(pumpUntil([&] {
    const std::vector<std::string> lines = sim.Lines();
    return std::find(lines.begin() + static_cast<long>(beforeConfirm), lines.end(), "R 1,N") != lines.end();
  }));

  // A comment on the last sample, then the stop.
  ASSERT_TRUE(frame.Execute(ID_USER_EVENT));
  ASSERT_TRUE(frame.Execute(ID_STOP));
  ASSERT_TRUE(pumpUntil([&] { return obs.GetState() == MeasState::idle; }));
  const int last = ctx.DBObs().GetLastMeas()->GetMeasNo();
  ASSERT_TRUE(frame.Execute(ID_FILE_CLOSE));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());

  ASSERT_TRUE(frame.Execute(ID_FILE_OPEN));
  ASSERT_TRUE(ctx.Setup().IsMeasDatabaseOpen());
  std::vector<std::string> titles;
  for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList()) titles.push_back(sub->windowTitle().toStdString());
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles,
            (std::vector<std::string>{"Alarm Status", "Graphic Window 1", "Measurement Status", "Numeric Window 1"}));

  // Every sample up to the last one received, numbered without a gap.
  const std::vector<COMeas> stored = StoredMeas(ctx);
  ASSERT_EQ(static_cast<int>(stored.size()), last);
  for (int i = 0; i < last; ++i) EXPECT_EQ(stored[static_cast<size_t>(i)].GetMeasNo(), i + 1);
  std::vector<int> types;
  bool comment = false;
  for (const StoredEvent& e : StoredEvents(ctx)) {
    types.push_back(e.type);
    comment = comment || e.text == "door open";
  }
  EXPECT_TRUE(comment);
  EXPECT_NE(std::find(types.begin(), types.end(), COEvent::typeTaskStarted), types.end());
  EXPECT_NE(std::find(types.begin(), types.end(), COEvent::typeTaskStopped), types.end());
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(app->ExitInstance(), 0);
}


TEST_F(OnlineAppTest, ADatabaseErrorInACommandIsShownWithItsMessageAndTheProgramGoesOn) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  bool ranAfter = false;
  frame.AddCommand({40001, "Failing", {}, [] { throw platform::CDBException(-1, "disk I/O error"); }, {}, {}});
  frame.AddCommand({40002, "Next", {}, [&] { ranAfter = true; }, {}, {}});
  messages.Clear();
  EXPECT_TRUE(frame.Execute(40001));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Database error\n\ndisk I/O error"});
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(frame.Execute(40002));
  EXPECT_TRUE(ranAfter);
  EXPECT_EQ(app->ExitInstance(), 0);
}

// Ending the program while it measures ends the run as Stop does: one stop
// of the task and one new sequence row, however the program is ended. The
// commands follow the measurement's state meanwhile without being asked.
class OnlineExitTest : public OnlineAppTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OnlineExitTest, EndingTheProgramWhileMeasuringStoresOneStopAndOneNewSequenceRow) {
  const bool stopFirst = GetParam();
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_NO_FATAL_FAILURE(StartMeasuring(*app, "ending"));
  ProgramContext& ctx = app->Context();
  COMeasObs& obs = *ctx.MeasObs();
  CMainFrame& frame = *app->Frame();
  ASSERT_TRUE(PumpUntil([&] { return ctx.DBObs().GetLastMeas()->GetMeasNo() >= 2; }));
  EXPECT_FALSE(frame.Action(ID_START)->isEnabled());
  EXPECT_TRUE(frame.Action(ID_STOP)->isEnabled());
  EXPECT_TRUE(frame.Action(ID_PAUSE)->isEnabled());
  if (stopFirst) {
    ASSERT_TRUE(frame.Execute(ID_STOP));
    ASSERT_TRUE(PumpUntil([&] { return obs.GetState() == MeasState::idle; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.Action(ID_START)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_STOP)->isEnabled());
  } else {
    messages.Answer(platform::IDOK);
  }
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(app->ExitInstance(), 0);
  // Stopped by the measurement itself, not given up at the deadline.
  EXPECT_EQ(obs.GetState(), MeasState::idle);
  EXPECT_EQ(ctx.ActiveSequence().GetNumCount(), 2);
  int stops = 0;
  for (const StoredEvent& e : StoredEvents(ctx)) stops += e.type == COEvent::typeTaskStopped ? 1 : 0;
  EXPECT_EQ(stops, 1);
}

INSTANTIATE_TEST_SUITE_P(StopThenExitOrExitAlone, OnlineExitTest, ::testing::Bool());

TEST_F(OnlineAppTest, NewCommunicationSettingsConnectTheMonitorOnTheChosenPort) {
  kovo::sim::SimulatedMonitor other;
  other.Modify([](kovo::sim::MonitorState& s) { s.serial = "K0777"; });
  other.Start();
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_EQ(app->Context().Instrument().GetInstrumentId(), sim.State().serial);
  platform::SetSerialPortPath(1, other.SlavePath());
  ModalWatch watch([](platform::CDialog* dlg) {
    if (dynamic_cast<COComDialog*>(dlg) == nullptr) return;
    static_cast<QAbstractButton*>(dlg->GetDlgItem(COComDialog::kCom2))->click();
    static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click();
  });
  ASSERT_TRUE(app->Frame()->Execute(ID_COMMUNICATION));
  EXPECT_EQ(app->Context().Setup().GetComPort(), 1);
  EXPECT_EQ(app->Context().Instrument().GetInstrumentId(), "K0777");
  EXPECT_TRUE(app->Context().MeasObs()->IsConnected());
  // A monitor the system has not seen yet gives its filters.
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Gas Monitor not known\nUploading filter information now"});
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(OnlineAppTest, TheTestGeneratorMeasuresWithoutTheMonitorOnlyWhenStartedForDebugging) {
  auto app = std::make_unique<COnlineApp>(std::vector<std::string>{"/noSplash", "1"});
  app->SetExitAction([this](int code) { exitCode = code; });
  app->SetTestGeneratorPause(std::chrono::milliseconds(1));
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  std::vector<std::string> menus;
  for (QAction* menu : frame.menuBar()->actions()) menus.push_back(menu->text().toStdString());
  EXPECT_EQ(menus.back(), "&Debug");
  ProgramContext& ctx = app->Context();
  OpenNewTask(*app, "generated");
  ASSERT_TRUE(frame.Execute(ID_NOTIFY_TASK_STARTED));
  ASSERT_TRUE(frame.Execute(ID_TEST_GENERATOR_5));
  ASSERT_TRUE(PumpUntil([&] { return StoredMeas(ctx).size() == 5; }));
  for (const COMeas& m : StoredMeas(ctx))
    for (int channel = 0; channel < 6; ++channel) {
      EXPECT_GE(m.GetValue(channel), 0.0f);
      EXPECT_LE(m.GetValue(channel), 20.0f);
    }
  ASSERT_TRUE(frame.Execute(ID_NOTIFY_TASK_STOPPED));
  std::vector<int> types;
  for (const StoredEvent& e : StoredEvents(ctx)) types.push_back(e.type);
  EXPECT_EQ(types, (std::vector<int>{COEvent::typeTaskStarted, COEvent::typeTaskStopped}));
  ctx.Setup().SetMeasDatabaseOpen(false);
  EXPECT_EQ(app->ExitInstance(), 0);

  // Without the debug flag there is no debugging menu.
  app.reset();
  auto plain = MakeApp();
  ASSERT_TRUE(plain->InitInstance());
  for (QAction* menu : plain->Frame()->menuBar()->actions()) EXPECT_NE(menu->text(), "&Debug");
  EXPECT_EQ(plain->ExitInstance(), 0);
}

}  // namespace
}  // namespace kovo::test
