// The Online program's windows as a person sees them while a new task is
// measured: pictures of the windows, read for the texts and curves in them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <chrono>
#include <cstdlib>
#include <functional>

#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "FilterPage.h"
#include "FormViews.h"
#include "GraphView.h"
#include "MeasStartDialog.h"
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
  void Answer(CDialog* dlg) {
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
  std::function<void(CDialog*)> onOther;
  ModalWatch watch{[this](CDialog* dlg) { Answer(dlg); }};
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

  const CTime first = obs.GetLastMeas().GetMeasTime();
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
  onOther = [](CDialog* dlg) {
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
    const CRect p = graph->PlotRect();
    // Gas A's curve in red, along a good part of the plot.
    return ColourBox(picture, QRect(p.left, p.top, p.Width(), p.Height()), QColor(255, 0, 0)).width() >= 20;
  }));
  picture.save(QString::fromStdString(::testing::TempDir() + "online_new_task_graph.png"));
  // Its time axis is the task's.
  EXPECT_EQ(graph->Interval().GetEndTime().GetYear(), obs.GetLastMeas().GetMeasTime().GetYear());
}

}  // namespace
}  // namespace kovo::test
