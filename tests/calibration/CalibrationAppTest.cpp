// The Calibration program's main window, offscreen against the simulated
// monitor: its start-up (a monitor that forbids a calibration ends it, no
// monitor lets it work on stored tasks), a calibration task recorded,
// copied, printed, closed and opened again, and the end of the program while
// a calibration runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "COCaliMeasObs.h"
#include "core/DeviceContext.h"
#include "COCaliSequence.h"
#include "COSystemSetup.h"
#include "BankValues.h"
#include "CaliServices.h"
#include "CaliSettings.h"
#include "CaliStatus.h"
#include "CaliStatusView.h"
#include "CaliValues.h"
#include "Calibrator.h"
#include "DownloadSheet.h"
#include "FilterCopies.h"
#include "Readings.h"
#include "CalibrationApp.h"
#include "CalibrationBanks.h"
#include "CalibrationCommands.h"
#include "CalibrationFixture.h"
#include "CurrentCalibration.h"
#include "FilterCopyDialogs.h"
#include "GraphView.h"
#include "ModalWatch.h"
#include "NumView.h"
#include "OdbcTestSupport.h"
#include "OnlineFixture.h"
#include "SimulatedMonitor.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "serial/SerialPort.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kAskDiscard =
    "The calculated calibration values have not been downloaded to the gas monitor.\nExit and discard them?";
const std::string kAskDiscardForTask =
    "The calculated calibration values have not been downloaded to the gas monitor.\nDiscard them?";

class CalibrationAppTest : public ::testing::Test {
 protected:
  CalibrationAppTest() {
    platform::EnsureGuiApplication();
    banks.Install(sim);
    LoadOpticalFilterTable(kovo::sim::CalibrationBanks::FilterTablePath());
    ServeProgram(odbc.Dir().Path(), sim, 60);
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
  }
  ~CalibrationAppTest() override { unsetenv("KOVO_PROGRAM_FOLDER"); }

  static bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }
  std::unique_ptr<CCalibrationApp> MakeApp() {
    return MakeTestProgram<CCalibrationApp>(exitCode, std::chrono::milliseconds(3000));
  }
  static Texts Titles(CMainFrame& frame) {
    Texts t;
    for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList()) t.push_back(sub->windowTitle().toStdString());
    std::sort(t.begin(), t.end());
    return t;
  }
  template <class View>
  static View* Find(CMainFrame& frame) {
    for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList())
      if (auto* view = dynamic_cast<View*>(sub->widget())) return view;
    return nullptr;
  }
  // Answers the task dialogs with the task's description and the filter
  // copy dialogs with the copy's.
  std::unique_ptr<ModalWatch> AnswerDialogs() {
    return std::make_unique<ModalWatch>([this](platform::CDialog* dlg) {
      auto ok = [dlg] { static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click(); };
      if (auto* created = dynamic_cast<CNewDatabase*>(dlg)) {
        created->SetDlgItemText(CNewDatabase::kDescription, task);
        ok();
      } else if (auto* open = dynamic_cast<COpenDatabase*>(dlg)) {
        const auto found = open->List()->findItems(QString::fromStdString(task), Qt::MatchExactly);
        if (found.size() != 1) return;
        open->List()->setCurrentItem(found[0]);
        ok();
      } else if (auto* upload = dynamic_cast<CONewFilterCopy*>(dlg)) {
        static_cast<QLineEdit*>(upload->GetDlgItem(CONewFilterCopy::kDescription))
            ->setText(QString::fromStdString(copy));
        upload->accept();
      } else if (dlg->GetTemplateId() == calibration::COCalculateDlg::IDD) {
        dlg->accept();
      } else if (auto* sheet = dynamic_cast<calibration::CODownloadSheet*>(dlg)) {
        // Filter A's first bank takes its zero point and its span.
        for (int page : {0, 2}) {
          sheet->SetActivePage(page);
          auto* p = static_cast<calibration::CODownloadPage*>(sheet->GetActivePage());
          p->OnUnselectAll();
          static_cast<QCheckBox*>(p->GetDlgItem(calibration::CODownloadPage::kWater))->setChecked(false);
          static_cast<QCheckBox*>(p->GetDlgItem(calibration::CODownloadPage::kBoxes[0][0]))->setChecked(true);
        }
        sheet->SetActivePage(1);
        static_cast<calibration::CODownloadPage*>(sheet->GetActivePage())->OnUnselectAll();
        static_cast<QCheckBox*>(sheet->GetActivePage()->GetDlgItem(calibration::CODownloadPage::kWater))
            ->setChecked(false);
        ok();
      } else if (auto* download = dynamic_cast<COOpenFilterCopy*>(dlg)) {
        const auto found = download->List()->findItems(QString::fromStdString(copy), Qt::MatchExactly);
        if (found.size() != 1) return;
        download->List()->setCurrentItem(found[0]);
        download->accept();
      }
    });
  }
  // A new calibration task of zero-point readings, measuring.
  void StartCalibrating(CCalibrationApp& app) {
    CMainFrame& frame = *app.Frame();
    ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
    ASSERT_TRUE(app.Context().Setup().IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
    app.CaliSequence().CaliMode = COCaliSequence::modeZero;
    app.CaliSequence().Save();
    app.Cali().SetReadingPause(5);
    frame.UpdateCommands();
    ASSERT_TRUE(frame.Action(ID_START)->isEnabled());
    ASSERT_TRUE(frame.Execute(ID_START));
    ASSERT_TRUE(PumpUntil([&] { return StoredMeas(app.Context()).size() >= 3; }));
  }

  // The print-out of the command into a PDF file, read back page by page.
  Texts PrintToPdf(CCalibrationApp& app, unsigned command, const std::string& name) {
    const std::string pdf = odbc.Dir().Path() + "/" + name;
    {
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf));
      app.SetPrinter(&printer);
      EXPECT_TRUE(app.Frame()->Execute(command));
      app.SetPrinter(nullptr);
    }
    return PdfPages(pdf);
  }
  // One run of the calibration sequence in the mode, the cell as the scene
  // says; at least n readings stored. Returns the run's readings.
  std::vector<COMeas> Run(CCalibrationApp& app, const std::string& scene, int mode, size_t n) {
    sim.Modify([&](kovo::sim::MonitorState& s) { EXPECT_TRUE(kovo::sim::ApplyScene(s, scene).empty()); });
    COCaliSequence& sequence = app.CaliSequence();
    sequence.CaliMode = static_cast<unsigned char>(mode);
    sequence.Save();
    CMainFrame& frame = *app.Frame();
    const size_t before = StoredMeas(app.Context()).size();
    frame.UpdateCommands();
    EXPECT_TRUE(frame.Execute(ID_START));
    EXPECT_TRUE(PumpUntil([&] { return StoredMeas(app.Context()).size() >= before + n; }));
    EXPECT_TRUE(frame.Execute(ID_STOP));
    EXPECT_TRUE(PumpUntil([&] { return app.Cali().GetState() == MeasState::idle; }));
    const std::vector<COMeas> all = StoredMeas(app.Context());
    return std::vector<COMeas>(all.begin() + static_cast<long>(before), all.end());
  }
  // The cursors of the graph window on the two readings, then Mark Interval.
  static void Mark(CCalibrationApp& app, CGraphView& graph, const COMeas& left, const COMeas& right) {
    COMeasView* view = graph.MeasView();
    *view->GetInterval().GetLeftCursorMeas() = left;
    *view->GetInterval().GetRightCursorMeas() = right;
    COCursorStatus& cursors = app.Layer().Cursors();
    cursors.SetWindowData(view);
    cursors.SetCursorOn(true);
    EXPECT_TRUE(app.Frame()->Execute(ID_CALI_MARK_INTERVAL));
  }

  OdbcScope odbc;
  kovo::sim::SimulatedMonitor sim;
  kovo::sim::CalibrationBanks banks;
  platform::ScriptedMessageSink messages;
  int exitCode = -1;
  std::string task = "Calibration of filter A";
  std::string copy = "Before calibration";
};

TEST_F(CalibrationAppTest, ATaskIsRecordedItsBanksCopiedAndPrintedAndItOpensAgainWithoutTheStatusWindow) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  EXPECT_FALSE(app->IsNoMonitor());
  EXPECT_EQ(sim.Lines().front(), "SE? USER_L");
  // Without a task nothing is measured or calculated; the banks move.
  for (unsigned id : std::initializer_list<unsigned>{ID_START, ID_PAUSE, ID_STOP, ID_SETTINGS, ID_CALI_CALCULATE, ID_VIEW_CURSORS})
    EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
  for (unsigned id : {ID_CALI_UPLOAD_BANKS, ID_CALI_DOWNLOAD_BANKS, ID_CALI_DOWNLOAD_VALUES})
    EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
  EXPECT_EQ(frame.Action(ID_PAUSE)->shortcut(), QKeySequence(Qt::Key_F4));
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "calibration_main.png"));

  const auto watch = AnswerDialogs();
  ASSERT_NO_FATAL_FAILURE(StartCalibrating(*app));
  // A monitor the program folder has not seen gives its banks first.
  EXPECT_EQ(messages.Texts(), Texts{"Gas Monitor not known\nUploading filter information now"});
  messages.Clear();
  EXPECT_TRUE(frame.windowTitle().endsWith(QString::fromStdString(task)));
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(frame.Execute(ID_CALI_WINDOW_STATUS));
  ASSERT_TRUE(frame.Execute(ID_CALI_WINDOW_STATUS));
  EXPECT_EQ(Titles(frame), (Texts{"Calibration Status", "Graphic Window 1", "Numeric Window 1"}));
  frame.UpdateCommands();
  for (unsigned id : std::initializer_list<unsigned>{ID_START, ID_CALI_UPLOAD_BANKS, ID_CALI_DOWNLOAD_BANKS, ID_CALI_DOWNLOAD_VALUES})
    EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
  EXPECT_TRUE(frame.Action(ID_PAUSE)->isEnabled());

  // The samples reach every window (a graph opened on the run reads what
  // is stored; it stays there while newer ones wait).
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_GRAPHIC));
  auto* graph = dynamic_cast<CGraphView*>(frame.ActiveView());
  auto* numeric = Find<CNumView>(frame);
  auto* status = Find<CCaliStatusView>(frame);
  ASSERT_TRUE(graph && numeric && status);
  EXPECT_EQ(status->Text(CCaliStatusView::kState), "Active");
  EXPECT_TRUE(PumpUntil([&] {
    frame.grab();
    return graph->LastMeasNo() >= 3 && numeric->PickRow(1 << 20) >= 3;
  })) << graph->LastMeasNo() << " " << numeric->PickRow(1 << 20);
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "calibration_measuring.png"));
  {
    // The numeric window's headers name each channel once, as its legends do.
    platform::RecordingDC dc;
    numeric->Draw(dc, platform::CRect(0, 0, 800, 400));
    const std::string drawn = ::testing::PrintToString(dc.Calls());
    EXPECT_EQ(drawn.find("A: A"), std::string::npos) << drawn;
    EXPECT_EQ(drawn.find("T: T:"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("T: Temperature"), std::string::npos) << drawn;
  }
  ASSERT_TRUE(frame.Execute(ID_STOP));
  ASSERT_TRUE(PumpUntil([&] { return app->Cali().GetState() == MeasState::idle; }));
  EXPECT_EQ(status->Text(CCaliStatusView::kState), "Idle");

  // All banks as a copy, then changed on the monitor and written back; a
  // graph window opens after each dialog.
  ASSERT_TRUE(frame.Execute(ID_CALI_UPLOAD_BANKS));
  const Texts sets = BankSetRows(app->Context());
  ASSERT_FALSE(sets.empty());
  EXPECT_EQ(sets.back().substr(sets.back().find(':')), ":" + copy);
  EXPECT_EQ(Titles(frame).size(), 5u);
  const auto before = sim.State().params;
  sim.Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,1,C_CO_F_1"] = " 1.000000E+00";
    s.params["F_A,2,C_OF_F"] = " 2.000000E+00";
  });
  ASSERT_TRUE(frame.Execute(ID_CALI_DOWNLOAD_BANKS));
  EXPECT_EQ(messages.Texts(), Texts{"The download has finished.\nThe gas monitor received: all banks"});
  messages.Clear();
  EXPECT_EQ(Titles(frame).size(), 6u);
  const auto after = sim.State().params;
  // A copy keeps neither the alarm limits nor the calibration gases'
  // concentrations and signals.
  const Texts notKept = {",A_L", "C_CO_C_", "C_U,", "_V"};
  for (const auto& [key, value] : before) {
    if (std::any_of(notKept.begin(), notKept.end(), [&](const std::string& k) { return key.find(k) != std::string::npos; }))
      continue;
    EXPECT_EQ(after.at(key), value) << key;
  }

  // Every bank of the monitor on 16 pages.
  const Texts pages = PrintToPdf(*app, ID_CALI_PRINT_BANKS, "banks.pdf");
  ASSERT_EQ(pages.size(), 16u);
  for (size_t p = 0; p < pages.size(); ++p) {
    EXPECT_NE(pages[p].find("Serial: " + sim.State().serial), std::string::npos) << p + 1;
    EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1)), std::string::npos) << p + 1;
  }
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());

  // The monitor's own print of its current calibration, to its end line.
  const Texts printed = PrintToPdf(*app, ID_CALI_PRINT_CURRENT, "current.pdf");
  ASSERT_FALSE(printed.empty());
  EXPECT_NE(printed.back().find("Factor 10"), std::string::npos);
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());

  // Closed and opened again: its windows come back, the status window not.
  ASSERT_TRUE(frame.Execute(ID_FILE_CLOSE));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Titles(frame).empty());
  ASSERT_TRUE(frame.Execute(ID_FILE_OPEN));
  ASSERT_TRUE(app->Context().Setup().IsMeasDatabaseOpen()) << ::testing::PrintToString(messages.Texts());
  const Texts reopened = Titles(frame);
  EXPECT_EQ(std::count(reopened.begin(), reopened.end(), "Numeric Window 1"), 1);
  EXPECT_EQ(std::count(reopened.begin(), reopened.end(), "Calibration Status"), 0);
  EXPECT_EQ(reopened.size(), 5u) << ::testing::PrintToString(reopened);
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  // The run stored before keeps its row; nothing was interrupted.
  EXPECT_EQ(CaliSequenceRows(app->Context()).size(), 2u);
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(app->ExitInstance(), 0);
}

// Filter A calibrated against the simulated monitor, whose true factors are
// its own banks: zero air, then a span gas; marked, calculated, downloaded.
TEST_F(CalibrationAppTest, FilterAIsCalibratedEndToEndAndTheMonitorHoldsTheNewBank) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  ProgramContext& ctx = app->Context();
  ctx.Setup().SetGasConcUnit(COConcUnit::mg_m3);
  CMainFrame& frame = *app->Frame();
  const auto watch = AnswerDialogs();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  ASSERT_TRUE(ctx.Setup().IsMeasDatabaseOpen());
  app->Cali().SetReadingPause(5);
  messages.Clear();
  // The cell's readings move as those of the simulated monitor that a
  // person calibrates against.
  sim.Modify([](kovo::sim::MonitorState& s) { s.motion = kovo::sim::LivelyMotion(); });
  const std::string cell = "temperature 25\n";
  const std::vector<COMeas> zero = Run(*app, cell + "zero", COCaliSequence::modeZero, 6);
  COCaliSequence& sequence = app->CaliSequence();
  sequence.SpanFilter = 0;
  sequence.CaliCross = 0;
  sequence.CaliHighConc = 1;
  sequence.SetConcSpanHigh(COConcUnit::mg_m3, 700.0f);
  const std::vector<COMeas> span = Run(*app, cell + "span A 700", COCaliSequence::modeSpan1P, 6);
  ASSERT_GE(zero.size(), 6u);
  ASSERT_GE(span.size(), 6u);
  EXPECT_EQ(CaliSequenceRows(ctx).size(), 3u);

  // The cursor window's View Settings opens the sheet of the run at the
  // left cursor; past every run there is none.
  std::string sheet;
  {
    ModalWatch look([&](platform::CDialog* dlg) {
      if (dynamic_cast<calibration::COCaliSettings*>(dlg) == nullptr) return;
      sheet = dlg->windowTitle().toStdString();
      dlg->reject();
    });
    app->Layer().showSettingsAt(span[2]);
  }
  EXPECT_EQ(sheet, "Calibration Sequence Settings (Sequence 2)");
  COMeas later;
  later.SetTime(platform::CTime::GetCurrentTime() + platform::CTimeSpan(86400));
  app->Layer().showSettingsAt(later);
  EXPECT_EQ(messages.Texts(), Texts{"Unable to find sequence"});
  messages.Clear();

  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_GRAPHIC));
  auto* graph = dynamic_cast<CGraphView*>(frame.ActiveView());
  ASSERT_NE(graph, nullptr);
  Mark(*app, *graph, zero[1], zero.back());
  Mark(*app, *graph, span[1], span.back());
  EXPECT_TRUE(app->Status().ZeroMark().IsSet());
  EXPECT_TRUE(app->Status().SpanHighMark(0).IsSet());
  ASSERT_TRUE(frame.Execute(ID_WINDOW_NEW_NUMERIC));
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "calibration_marked.png"));
  ASSERT_TRUE(frame.Execute(ID_CALI_CALCULATE));
  const std::optional<calibration::CaliResults>& results = app->CaliContext().results;
  ASSERT_TRUE(results.has_value()) << ::testing::PrintToString(messages.Texts());
  EXPECT_TRUE(results->zeroPoint);
  EXPECT_TRUE(results->singlePoint[0]);

  // The factors the readings give are the monitor's own, within half a
  // percent.
  const auto param = [this](const std::string& key) { return std::stod(sim.State().params.at(key)); };
  const BankInfo& a = app->GetCalibrator().GetBank(0);
  EXPECT_NEAR(a.m_concOffset, param("F_A,1,C_OF_F"), std::fabs(param("F_A,1,C_OF_F")) * 0.005);
  EXPECT_NEAR(a.m_spanLow, param("F_A,1,C_CO_F_1"), std::fabs(param("F_A,1,C_CO_F_1")) * 0.005);
  const float offset = a.m_concOffset;
  const float factor = a.m_spanLow;

  // Downloaded into bank A1, read back from the monitor, kept as its
  // current bank set.
  frame.UpdateCommands();
  ASSERT_TRUE(frame.Action(ID_CALI_DOWNLOAD_VALUES)->isEnabled());
  ASSERT_TRUE(frame.Execute(ID_CALI_DOWNLOAD_VALUES));
  EXPECT_EQ(messages.Texts(), Texts{"The download has finished.\nThe gas monitor received: A1"});
  DeviceKovo& device = app->Cali().GetDevice();
  MonitorSetup cleared = device.GetSetup();
  GasBank::reset(cleared.GetFilter(0).GetBank(0));
  device.SetSetup(cleared);
  const size_t mark = sim.Lines().size();
  COCaliMessageClient client(&device, false);
  ASSERT_TRUE(client.Run(IDS_UPLOADING, CreateUploadBankService(device, &client, 0, 0)));
  const Texts lines = sim.Lines();
  EXPECT_NE(std::find(lines.begin() + static_cast<long>(mark), lines.end(), "C_P? F_A,1,C_OF_F"), lines.end());
  const BankInfo& read = device.Setup().GetFilter(0).GetBank(0);
  EXPECT_NEAR(read.m_concOffset, offset, std::fabs(offset) * 1e-5);
  EXPECT_NEAR(read.m_spanLow, factor, std::fabs(factor) * 1e-5);
  MonitorSetup stored;
  ASSERT_TRUE(app->Copies().LoadCurrentSet(sim.State().serial, stored));
  EXPECT_NEAR(stored.GetFilter(0).GetBank(0).m_concOffset, offset, std::fabs(offset) * 1e-5);
  EXPECT_NEAR(stored.GetFilter(0).GetBank(0).m_spanLow, factor, std::fabs(factor) * 1e-5);
  // The zero points of the other filters and of the water vapour went to no
  // bank: the end asks before they are lost.
  messages.Clear();
  messages.Answer(platform::IDYES);
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(messages.Texts(), Texts{kAskDiscard});
  EXPECT_EQ(app->ExitInstance(), 0);
}

// A bank dialog left with Cancel has nothing to show: no window opens.
TEST_F(CalibrationAppTest, ABankDialogLeftWithCancelOpensNoWindow) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  {
    const auto watch = AnswerDialogs();
    ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  }
  const Texts windows = Titles(frame);
  ASSERT_FALSE(windows.empty());
  ModalWatch cancel([](platform::CDialog* dlg) { dlg->reject(); });
  for (unsigned id : {ID_CALI_UPLOAD_BANKS, ID_CALI_DOWNLOAD_BANKS}) {
    frame.UpdateCommands();
    ASSERT_TRUE(frame.Execute(id)) << id;
    EXPECT_EQ(Titles(frame), windows) << id;
  }
  EXPECT_EQ(app->ExitInstance(), 0);
}

// Values calculated and never downloaded are lost with the program: the end
// asks, and No keeps the program; once downloaded, nothing is asked.
TEST_F(CalibrationAppTest, TheEndAsksBeforeCalculatedValuesThatWereNotDownloadedAreLost) {
  auto app = MakeApp();
  ASSERT_TRUE(app->InitInstance());
  CMainFrame& frame = *app->Frame();
  const auto watch = AnswerDialogs();
  ASSERT_TRUE(frame.Execute(ID_FILE_NEW));
  // As Calculate leaves filter A after a zero point and a span.
  app->GetCalibrator().MarkCalculated(0, groupOffset | groupSpan);
  // Another task's banks would replace them: New and Open ask as well.
  for (unsigned id : {ID_FILE_NEW, ID_FILE_OPEN}) {
    messages.Clear();
    messages.Answer(platform::IDNO);
    ASSERT_TRUE(frame.Execute(id));
    EXPECT_EQ(messages.Texts(), Texts{kAskDiscardForTask}) << id;
    EXPECT_TRUE(app->GetCalibrator().HasUndeliveredValues()) << id;
  }
  messages.Clear();
  messages.Answer(platform::IDNO);
  EXPECT_FALSE(frame.close());
  EXPECT_EQ(messages.Texts(), Texts{kAskDiscard});
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(app->Context().Setup().IsMeasDatabaseOpen());
  // Into bank A1, the zero point and the span.
  frame.UpdateCommands();
  ASSERT_TRUE(frame.Execute(ID_CALI_DOWNLOAD_VALUES));
  messages.Clear();
  EXPECT_TRUE(frame.close());
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(CalibrationAppTest, EndingTheProgramWhileACalibrationRunsStoresOneStopAndNoExtraRow) {
  // The end waits for the stop itself, never for its wait to run out: one
  // that waited would outlast the test.
  auto app = MakeTestProgram<CCalibrationApp>(exitCode, std::chrono::hours(1));
  ASSERT_TRUE(app->InitInstance());
  const auto watch = AnswerDialogs();
  ASSERT_NO_FATAL_FAILURE(StartCalibrating(*app));
  messages.Clear();
  messages.Answer(platform::IDOK);
  EXPECT_TRUE(app->Frame()->close());
  EXPECT_EQ(messages.Texts(), Texts{"This action will stop the measurement"});
  EXPECT_EQ(app->ExitInstance(), 0);
  EXPECT_EQ(app->Cali().GetState(), MeasState::idle);
  int stops = 0;
  for (const StoredEvent& e : StoredEvents(app->Context())) stops += e.text == "Measurement task stopped";
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(CaliSequenceRows(app->Context()).size(), 2u);

  // Idle, the end does not wait.
  EXPECT_EQ(app->ExitInstance(), 0);
}

TEST_F(CalibrationAppTest, AMonitorAtUserLevelOneOrTwoEndsTheProgramWithItsWarning) {
  struct Case {
    int level;
    bool runs;
  } cases[] = {{1, false}, {2, false}, {3, true}};
  for (const Case& c : cases) {
    sim.Modify([&c](kovo::sim::MonitorState& s) { s.userLevel = c.level; });
    messages.Clear();
    exitCode = -1;
    auto app = MakeApp();
    EXPECT_EQ(app->InitInstance(), c.runs) << c.level;
    if (c.runs) {
      EXPECT_TRUE(messages.Texts().empty()) << c.level;
      EXPECT_EQ(exitCode, -1);
      EXPECT_TRUE(app->Frame()->isVisible());
    } else {
      EXPECT_EQ(messages.Texts(), Texts{kUserLevelWarning}) << c.level;
      EXPECT_EQ(exitCode, 0) << c.level;
      EXPECT_FALSE(app->Frame()->isVisible());
    }
    app->ExitInstance();
  }
}

TEST_F(CalibrationAppTest, WithoutAMonitorItWorksOnStoredTasksAndAsksNoUserLevel) {
  for (unsigned port = 0; port <= 4; ++port) platform::SetSerialPortPath(port, odbc.File("nowhere"));
  auto app = MakeApp();
  int shown = 0;
  ModalWatch cancel([&](platform::CDialog* dlg) {
    ++shown;
    static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDCANCEL))->click();
  });
  ASSERT_TRUE(app->InitInstance());
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(app->IsNoMonitor());
  EXPECT_EQ(exitCode, -1);
  EXPECT_TRUE(sim.Lines().empty());
  EXPECT_TRUE(app->Frame()->isVisible());
  EXPECT_EQ(app->ExitInstance(), 0);
}

}  // namespace
}  // namespace kovo::test
