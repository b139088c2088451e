// The Online program's windows as a person sees them while a new task is
// measured: pictures of the windows, read for the texts and curves in them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QTimer>
#include <sqlite3.h>
#include <chrono>
#include <cstdlib>
#include <functional>

#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "FilterPage.h"
#include "FormViews.h"
#include "GraphView.h"
#include "MeasStartDialog.h"
#include "NumView.h"
#include "ModalWatch.h"
#include "OdbcTestSupport.h"
#include "OnlineApp.h"
#include "OnlineCommands.h"
#include "OnlineFixture.h"
#include "ScreenText.h"
#include "SequenceSheet.h"
#include "SimulatedMonitor.h"
#include "TaskDialogs.h"
#include "serial/SerialPort.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

// A new task of gases A and B on the simulated monitor, made, set and
// started through the program's commands and dialogs.
class OnlineWindowsTest : public ::testing::Test {
 protected:
  OnlineWindowsTest() {
    ServeProgram(odbc.Dir().Path(), sim, 200);
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
    app = std::make_unique<COnlineApp>(std::vector<std::string>{"/noSplash"});
    app->SetStopWait(std::chrono::milliseconds(2000));
    UseShortTimings(*app->Context().MeasObs());
  }
  ~OnlineWindowsTest() override {
    if (app) {
      app->Context().MeasObs()->StopService();
      app->Frame()->close();
      app->ExitInstance();
    }
    unsetenv("KOVO_PROGRAM_FOLDER");
  }

  // Plays the user-interface thread until done holds or half a minute passed.
  static bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }

  // The dialogs of New, Sequence Settings and Start as a person fills them.
  void Answer(platform::CDialog* dlg) {
    if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
      created->SetDlgItemText(CNewDatabase::kDescription, "Window test");
      created->accept();
    } else if (auto* sheet = dynamic_cast<COSequenceSheet*>(dlg)) {
      sheet->SetActivePage(1);
      for (int id : {COFilterPage::kCheckA, COFilterPage::kCheckB}) {
        auto* box = qobject_cast<QAbstractButton*>(sheet->FilterPage().GetDlgItem(id));
        if (box != nullptr && !box->isChecked()) box->click();
      }
      sheet->accept();
    } else if (auto* start = dynamic_cast<CMeasStart*>(dlg)) {
      start->SetDlgItemText(CMeasStart::kDescription, "Run");
      start->accept();
    } else if (onOther) {
      onOther(dlg);
    }
  }

  template <class View>
  View* Find() {
    for (QMdiSubWindow* sub : app->Frame()->MdiArea()->subWindowList())
      if (auto* v = dynamic_cast<View*>(sub->widget())) return v;
    return nullptr;
  }

  QApplication* gui = platform::EnsureGuiApplication();
  OdbcScope odbc;
  kovo::sim::SimulatedMonitor sim;
  platform::ScriptedMessageSink messages;
  std::unique_ptr<COnlineApp> app;
  std::function<void(platform::CDialog*)> onOther;
  ModalWatch watch{[this](platform::CDialog* dlg) { Answer(dlg); }};
};

TEST_F(OnlineWindowsTest, TheStatusWindowShowsEachNewSample) {
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  COMeasObs& obs = *app->Context().MeasObs();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(frame.Execute(ID_SETTINGS));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_MEASSTATUS));
  auto* status = Find<CStatusView>();
  ASSERT_NE(status, nullptr);
  ASSERT_TRUE(frame.Execute(ID_START));
  ASSERT_TRUE(PumpUntil([&] { return obs.HasLastMeas(); }));

  const platform::CTime first = obs.GetLastMeas().GetMeasTime();
  const QImage before = status->grab().toImage();
  ASSERT_TRUE(PumpUntil([&] { return obs.GetLastMeas().GetMeasTime() != first; }));
  const QImage after = status->grab().toImage();
  after.save(QString::fromStdString(::testing::TempDir() + "online_status_after.png"));

  const QString firstText = QString::fromStdString(first.Format("%X"));
  const QString newText = QString::fromStdString(obs.GetLastMeas().GetMeasTime().Format("%X"));
  EXPECT_TRUE(ShowsText(before, firstText, status->font()));
  EXPECT_FALSE(ShowsText(before, newText, status->font()));
  EXPECT_TRUE(ShowsText(after, newText, status->font()));
}

TEST_F(OnlineWindowsTest, TheGraphOfANewTaskShowsItsCurvesOnceSamplesArrive) {
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  COMeasObs& obs = *app->Context().MeasObs();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  // The task opens in a graph window, before its gases are chosen.
  auto* graph = Find<CGraphView>();
  ASSERT_NE(graph, nullptr);
  // A minute's span, so that seconds of samples make a line.
  onOther = [](platform::CDialog* dlg) {
    if (auto* sheet = dynamic_cast<CGraphWindowSheet*>(dlg)) {
      sheet->SetActivePage(0);
      sheet->IntervalPage().TimeSpan().SetWindowText("00:00:01");
      sheet->accept();
    }
  };
  ASSERT_TRUE(frame.Execute(ID_WINDOW_PROPERTIES));
  ASSERT_TRUE(frame.Execute(ID_SETTINGS));
  ASSERT_TRUE(frame.Execute(ID_START));
  // Some seconds of samples, and a person looking until the curves show.
  ASSERT_TRUE(PumpUntil([&] { return app->Context().DBObs().GetLastMeas()->GetMeasNo() >= 20; }));
  graph->resize(500, 320);
  QImage picture;
  EXPECT_TRUE(PumpUntil([&] {
    picture = graph->grab().toImage();
    const platform::CRect p = graph->PlotRect();
    // Gas A's curve in red, along a good part of the plot.
    return ColourBox(picture, QRect(p.left, p.top, p.Width(), p.Height()), QColor(255, 0, 0)).width() >= 20;
  }));
  picture.save(QString::fromStdString(::testing::TempDir() + "online_new_task_graph.png"));
  // Its time axis is the task's.
  EXPECT_EQ(graph->Interval().GetEndTime().GetYear(), obs.GetLastMeas().GetMeasTime().GetYear());
}


// The graph and numeric windows go to the task's start and end, and scroll
// back and forward, from the toolbar and the View menu, as in the other
// programs.
TEST_F(OnlineWindowsTest, TheWindowsGoToTheTasksStartAndEndAndScrollFromTheToolbarAndMenu) {
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  COMeasObs& obs = *app->Context().MeasObs();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(frame.Execute(ID_SETTINGS));
  ASSERT_TRUE(frame.Execute(ID_START));
  ASSERT_TRUE(PumpUntil([&] { return app->Context().DBObs().GetLastMeas()->GetMeasNo() >= 6; }));
  obs.StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return obs.GetState() == MeasState::idle; }));
  const int last = app->Context().DBObs().GetLastMeas()->GetMeasNo();

  QMenu* viewMenu = nullptr;
  for (QAction* menu : frame.menuBar()->actions())
    if (menu->text() == "&View") viewMenu = menu->menu();
  ASSERT_NE(viewMenu, nullptr);
  for (unsigned id : {ID_GOTO_START, ID_SCROLL_BACKWARD, ID_SCROLL_FORWARD, ID_GOTO_END}) {
    QAction* action = frame.Action(id);
    ASSERT_NE(action, nullptr) << id;
    EXPECT_TRUE(frame.ToolBar()->actions().contains(action)) << id;
    EXPECT_TRUE(viewMenu->actions().contains(action)) << id;
  }

  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  for (CIntervalView* view : {static_cast<CIntervalView*>(Find<CGraphView>()), static_cast<CIntervalView*>(Find<CNumView>())}) {
    ASSERT_NE(view, nullptr);
    frame.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    frame.UpdateCommands();
    COMeasInterval& in = view->Interval();
    in.SetMeasMode(COMeasInterval::kByNumber);
    in.MoveTo(platform::CTime(), 1000);
    in.SetLength(3);
    frame.Action(ID_GOTO_START)->trigger();
    EXPECT_EQ(in.GetFirst(), 1) << view->GetWindowTitle();
    EXPECT_EQ(in.GetLast(), 3) << view->GetWindowTitle();
    frame.Action(ID_SCROLL_FORWARD)->trigger();
    EXPECT_EQ(in.GetFirst(), 2) << view->GetWindowTitle();
    frame.Action(ID_GOTO_END)->trigger();
    EXPECT_EQ(in.GetLast(), last) << view->GetWindowTitle();
    frame.Action(ID_SCROLL_BACKWARD)->trigger();
    EXPECT_EQ(in.GetLast(), last - 1) << view->GetWindowTitle();
  }
}

// A graph opened over a long task while samples come: its read goes on beside
// the measurement, the user-interface thread goes on turning meanwhile, and
// every sample is stored. How long that thread is held up at the most is a
// figure of the soak harness (online_soak --stored 300000 prints it).
TEST_F(OnlineWindowsTest, AGraphOverALongTaskOpensWhileEverySampleIsStoredAndTheProgramAnswers) {
  constexpr int kStored = 300000;
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  DataContext& data = app->Context();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  auto* graph = Find<CGraphView>();
  ASSERT_NE(graph, nullptr);
  ASSERT_TRUE(frame.Execute(ID_SETTINGS));
  // The task's earlier measurements, a second apart up to a minute ago.
  const time_t firstTime = platform::CTime::GetCurrentTime().GetTime() - kStored - 60;
  const std::string file = data.Setup().DataFile(data.Setup().GetDatabaseName());
  auto count = [&] {
    sqlite3* db = nullptr;
    long n = -1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM [Meas]", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = static_cast<long>(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
  };
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
                            std::to_string(kStored) + ") INSERT INTO [Meas] SELECT datetime(" +
                            std::to_string(firstTime) +
                            " + i, 'unixepoch', 'localtime'), i, 400 + i % 100, 2 + i % 7, 0, 0, 0, 5, NULL, 1013 "
                            "FROM r;";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  long received = 0;
  CGenCallback samples([&](const CGenEvent& e) {
    if (e.kind == eNewMeas) ++received;
  });
  data.GenSub().Attach(&samples);
  ASSERT_TRUE(frame.Execute(ID_START));
  ASSERT_TRUE(PumpUntil([&] { return received >= 3; }));

  // Turns of the user-interface thread's loop while the read goes on.
  long turnsWhileLoading = 0;
  QTimer turn;
  QObject::connect(&turn, &QTimer::timeout, [&] {
    if (graph->IsLoading()) ++turnsWhileLoading;
  });
  turn.start(0);
  COMeasInterval& whole = graph->Interval();
  whole.SetMeasMode(COMeasInterval::kByTime);
  whole.SetStartTime(platform::CTime(firstTime));
  whole.SetEndTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(3600));
  graph->ReloadData();
  EXPECT_TRUE(graph->IsLoading());
  const long before = received;
  EXPECT_TRUE(PumpUntil([&] { return !graph->IsLoading(); }));
  turn.stop();
  EXPECT_GT(turnsWhileLoading, 0);
  // Samples came while it loaded, and some more after.
  EXPECT_TRUE(PumpUntil([&] { return received >= before + 10; }));
  graph->update();
  PumpUntil([&] { return graph->LastMeasNo() > kStored; });
  EXPECT_GT(graph->LastMeasNo(), kStored);

  app->Context().MeasObs()->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return app->Context().MeasObs()->GetState() == MeasState::idle; }));
  const long total = received;
  EXPECT_TRUE(PumpUntil([&] { return count() >= kStored + total; }));
  EXPECT_EQ(count(), kStored + total);
  data.GenSub().Detach(&samples);
}

}  // namespace
}  // namespace kovo::test
