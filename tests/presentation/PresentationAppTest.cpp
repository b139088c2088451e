// The Presentation program on stored tasks, through its real dialogs with the
// message sink and the file chooser scripted: a task opened, its interval
// set, a user event added and deleted, the export written and read back,
// and what happens when a task closes or its database fails.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <map>
#include <tuple>

#include "ProgramProfiles.h"
#include "Bitmaps.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "COAirPressure.h"
#include "COSequence.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataTestSupport.h"
#include "FormViews.h"
#include "ChooseTask.h"
#include "ModalWatch.h"
#include "NumView.h"
#include "ObserverSteps.h"
#include "OdbcTestSupport.h"
#include "PresentationApp.h"
#include "GraphProperties.h"
#include "GraphView.h"
#include "PresentationCommands.h"
#include "PropertyPages.h"
#include "StartupConnection.h"
#include "TaskDialogs.h"
#include "TaskRecords.h"
#include "TextExport.h"
#include "UnitsDialog.h"
#include "UserEventDialog.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

using presentation::COEventPage;
using presentation::COXAxisPage;

// Made after the test main has pinned the time zone.
platform::CTime Base() { return platform::CTime(2007, 3, 9, 10, 0, 0); }
// Channel A of measurements 1 to 3, in ppm.
const float kValues[] = {0.5f, 12.345f, 1234.5f};

std::vector<std::vector<std::string>> ReadFields(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::stringstream s(line);
    std::string f;
    while (std::getline(s, f, '\t')) fields.push_back(f);
    lines.push_back(fields);
  }
  return lines;
}

class PresentationAppTest : public ::testing::Test {
 protected:
  PresentationAppTest() {
    platform::EnsureGuiApplication();
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
  }

  // A task as the Online program leaves it, made before the program starts:
  // filter A measured, count measurements a minute apart, the first after
  // the task's start.
  // runs: the number of measurements of each run, a new sequence after each.
  static void MakeTask(const std::string& description, int count, std::vector<int> runs = {}) {
    DataContext data(kovo::test::ProfileOf("Online"));
    ASSERT_TRUE(data.Setup().OpenSystemDatabase());
    data.Setup().CreateMeasDatabase(description);
    data.Setup().SetDatabaseDesc(description);
    data.Sequence().Load();
    COSequence& seq = data.ActiveSequence();
    seq.SetFilterActive(0, true);
    seq.SetFilterLocked(0, true);
    seq.SetGasName(0, "CO2");
    seq.Save();
    {
      // The sequence follows the measurements as while measuring, after the
      // database observer has numbered them.
      ObserverSteps store(data);
      data.GenSub().Attach(&data.Sequence());
      if (runs.empty()) runs.push_back(count);
      int k = 0;
      for (size_t r = 0; r < runs.size(); ++r) {
        for (int n = 0; n < runs[r]; ++n, ++k) {
          COMeas m = MakeMeas(Base(), 60 * k, 0, k < 3 ? kValues[k] : 7.0f);
          store.Write(m, n == 0);
        }
        if (runs.size() > 1) data.ActiveSequence().NewSequence();
      }
      store.Close();
      data.GenSub().Detach(&data.Sequence());
    }
    data.Sequence().Close();
  }

  std::unique_ptr<CPresentationApp> StartApp() {
    auto app = std::make_unique<CPresentationApp>(std::vector<std::string>{"/noSplash"});
    app->SetDatePattern("M/d/yy");
    app->SetFileChooser([this](const std::string& title, const std::string& name, const std::string&) {
      chooserCalls.push_back(title + "|" + name);
      return chosenPath;
    });
    EXPECT_TRUE(app->InitInstance());
    // Values are written as stored.
    app->Context().Setup().SetGasConcUnit(COConcUnit::ppm);
    return app;
  }

  // Task / Open, choosing the task in the open-task dialog.
  static void OpenTask(CPresentationApp& app, const std::string& description) {
    bool chosen = false;
    ModalWatch watch([&](platform::CDialog* dlg) {
      auto* open = dynamic_cast<COpenDatabase*>(dlg);
      if (open != nullptr && !chosen) chosen = ChooseTask(*open, description);
    });
    app.Frame()->UpdateCommands();
    ASSERT_TRUE(app.Frame()->Execute(ID_FILE_OPEN));
    EXPECT_TRUE(chosen);
  }

  static std::vector<QMdiSubWindow*> Windows(CPresentationApp& app) {
    std::vector<QMdiSubWindow*> open;
    for (QMdiSubWindow* sub : app.Frame()->MdiArea()->subWindowList())
      if (sub->isVisible() || sub->isMinimized()) open.push_back(sub);
    return open;
  }
  // The task's numeric window, opened and active; a task opens with a
  // graph window only.
  static CNumView* Numeric(CPresentationApp& app) {
    for (QMdiSubWindow* sub : Windows(app))
      if (auto* v = dynamic_cast<CNumView*>(sub->widget())) {
        app.Frame()->MdiArea()->setActiveSubWindow(sub);
        return v;
      }
    app.Frame()->UpdateCommands();
    if (!app.Frame()->Execute(ID_WINDOW_NEW_NUMERIC)) return nullptr;
    return dynamic_cast<CNumView*>(app.Frame()->ActiveView());
  }
  static bool Enabled(CPresentationApp& app, unsigned id) {
    app.Frame()->UpdateCommands();
    return app.Frame()->Action(id)->isEnabled();
  }

  // The numeric window's properties, its pages worked by the script from
  // the range page; the script answers true to press OK, false to press
  // Cancel.
  static int RunProperties(CPresentationApp& app, const std::function<bool(platform::CDialog&, COXAxisPage&, COEventPage&)>& work,
                           int* sheets = nullptr) {
    int pressed = 0;
    ModalWatch watch([&](platform::CDialog* dlg) {
      auto* range = dlg->findChild<COXAxisPage*>();
      auto* events = dlg->findChild<COEventPage*>();
      if (range == nullptr || events == nullptr) return;
      ++pressed;
      // As a person would, the range page is shown before it is worked.
      static_cast<platform::CPropertySheet*>(dlg)->SetActivePage(range);
      const int button = work(*dlg, *range, *events) ? platform::IDOK : platform::IDCANCEL;
      qobject_cast<QPushButton*>(dlg->GetDlgItem(button))->click();
    });
    EXPECT_TRUE(app.Frame()->Execute(ID_WINDOW_PROPERTIES));
    if (sheets) *sheets = pressed;
    return pressed;
  }
  static void SetText(platform::CDialog& page, int id, const std::string& text) {
    qobject_cast<QLineEdit*>(page.GetDlgItem(id))->setText(QString::fromStdString(text));
  }
  // Number mode over from..to, the rolling average off.
  static bool ByNumber(platform::CDialog&, COXAxisPage& range, COEventPage&, int from, int to) {
    qobject_cast<QRadioButton*>(range.GetDlgItem(COXAxisPage::kNumber))->click();
    SetText(range, COXAxisPage::kFromNumber, std::to_string(from));
    SetText(range, COXAxisPage::kToNumber, std::to_string(to));
    qobject_cast<QCheckBox*>(range.GetDlgItem(COXAxisPage::kAverage))->setChecked(false);
    return true;
  }

  // A task of three measurements, opened in a started program; its numeric
  // window shows the three by number. The window is null when it did not open.
  std::unique_ptr<CPresentationApp> StartOverThree(const std::string& task, CNumView** view) {
    MakeTask(task, 3);
    auto app = StartApp();
    OpenTask(*app, task);
    *view = Numeric(*app);
    if (*view != nullptr)
      RunProperties(*app, [](platform::CDialog& d, COXAxisPage& r, COEventPage& e) { return ByNumber(d, r, e, 1, 3); });
    return app;
  }

  std::vector<std::string> StoredComments(CPresentationApp& app) {
    std::vector<std::string> rows;
    CORecEvent events(app.Context());
    events.m_strSort = "[EventTime]";
    events.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    for (; !events.IsEOF(); events.MoveNext())
      rows.push_back(events.m_EventTime.Format("%H:%M:%S") + " " + std::to_string(events.m_EventType) + " " +
                     events.m_EventText);
    events.CloseWithDatabase();
    return rows;
  }

  // The cursor-value window open and both cursors of the numeric window on
  // measurement left and right.
  static void PutCursors(CPresentationApp& app, CNumView& view, int left, int right) {
    if (!app.Layer().Cursors().IsCursorOn()) ASSERT_TRUE(app.Frame()->Execute(ID_VIEW_CURSORS));
    view.Interval().SetLeftCursor(left);
    view.Interval().SetRightCursor(right);
    app.Layer().Cursors().SetWindowData(view.MeasView());
    view.ReloadData();
  }

  OdbcScope odbc;
  ProgramFolderScope programFolder{odbc.Dir().Path()};
  platform::ScriptedMessageSink messages;
  std::string chosenPath;
  std::vector<std::string> chooserCalls;
};

TEST_F(PresentationAppTest, OpensAStoredTaskInANumericWindowAndOffersOnlyWhatItHas) {
  MakeTask("stored task", 5);
  auto app = StartApp();
  CMainFrame& frame = *app->Frame();
  EXPECT_EQ(frame.windowTitle().toStdString(), "Nolt Presentation");
  EXPECT_EQ(app->Context().MeasObs(), nullptr);
  for (unsigned id : std::initializer_list<unsigned>{ID_VIEW_CURSORS, ID_WINDOW_NEW_NUMERIC, ID_EXPORT, ID_USER_EVENT, ID_FILE_CLOSE})
    EXPECT_FALSE(Enabled(*app, id)) << id;
  EXPECT_TRUE(Enabled(*app, ID_FILE_OPEN));

  OpenTask(*app, "stored task");
  EXPECT_TRUE(app->TaskOpen());
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(frame.windowTitle().toStdString(), "Nolt Presentation - stored task");
  // A task without saved windows opens in a graph window.
  ASSERT_EQ(Windows(*app).size(), 1u);
  EXPECT_EQ(Windows(*app)[0]->windowTitle().toStdString(), "Graphic Window 1");
  EXPECT_TRUE(Enabled(*app, ID_VIEW_CURSORS));
  EXPECT_TRUE(Enabled(*app, ID_EXPORT));
  EXPECT_TRUE(Enabled(*app, ID_WINDOW_NEW_GRAPHIC));
  EXPECT_FALSE(Enabled(*app, ID_USER_EVENT));

  // Cursor values: one window, a second command shows it again.
  ASSERT_TRUE(frame.Execute(ID_VIEW_CURSORS));
  ASSERT_TRUE(frame.Execute(ID_VIEW_CURSORS));
  EXPECT_EQ(Windows(*app).size(), 2u);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(app->Layer().Cursors().IsCursorOn());
  EXPECT_TRUE(app->Layer().Cursors().IsCursorOn());
  // Closed, it comes again at once.
  frame.MdiArea()->activeSubWindow()->close();
  EXPECT_EQ(Windows(*app).size(), 1u);
  ASSERT_TRUE(frame.Execute(ID_VIEW_CURSORS));
  EXPECT_EQ(Windows(*app).size(), 2u);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(app->Layer().Cursors().IsCursorOn());

  ASSERT_NE(Numeric(*app), nullptr);
  RunProperties(*app, [](platform::CDialog& d, COXAxisPage& r, COEventPage& e) { return ByNumber(d, r, e, 1, 5); });
  frame.MdiArea()->tileSubWindows();
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "presentation_main.png"));
  frame.UpdateCommands();
}

// A task still being measured has its newest stop only in the measuring
// program: it opens on its newest data, as a finished task does.
TEST_F(PresentationAppTest, ATaskStillBeingMeasuredOpensOnItsNewestDataAsAFinishedOne) {
  MakeTask("still measured", 5);
  MakeTask("finished", 5, {3, 2});
  auto app = StartApp();
  for (const char* task : {"still measured", "finished"}) {
    OpenTask(*app, task);
    ASSERT_EQ(Windows(*app).size(), 1u) << task;
    auto* graph = dynamic_cast<CGraphView*>(Windows(*app)[0]->widget());
    ASSERT_NE(graph, nullptr) << task;
    graph->resize(500, 320);
    graph->grab();
    EXPECT_EQ(graph->LastMeasNo(), 5) << task;
    EXPECT_GE(graph->Interval().GetEndTime(), Base() + platform::CTimeSpan(4 * 60)) << task;
  }
}

TEST_F(PresentationAppTest, ATaskWithoutEventsOrWithoutItsFileIsNotOpened) {
  MakeTask("empty task", 0);
  MakeTask("lost task", 2);
  auto app = StartApp();
  // The file of the task goes; its entry in the task list stays.
  const std::string lost = app->Context().Setup().DataFile(COSystemSetup::NameFromDescription("lost task"));
  std::filesystem::remove(lost);
  const std::pair<const char*, std::string> cases[] = {
      {"empty task", "Unable to open task\nNo measurements"},
      {"lost task", "Unable to open measurement task\n\n" + lost + ": No such file or directory"},
  };
  for (const auto& [task, text] : cases) {
    messages.Clear();
    OpenTask(*app, task);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{text}) << task;
    EXPECT_FALSE(app->TaskOpen()) << task;
    EXPECT_TRUE(Windows(*app).empty()) << task;
    EXPECT_EQ(app->Frame()->windowTitle().toStdString(), "Nolt Presentation") << task;
    EXPECT_FALSE(Enabled(*app, ID_WINDOW_NEW_NUMERIC)) << task;
  }
}

TEST_F(PresentationAppTest, TheIntervalPageSetsTheRangeAndTheEventsPageTheKindsShown) {
  MakeTask("interval", 5);
  auto app = StartApp();
  OpenTask(*app, "interval");
  CNumView* view = Numeric(*app);
  ASSERT_NE(view, nullptr);

  std::vector<std::string> tabs;
  std::vector<std::string> sequences;
  RunProperties(*app, [&](platform::CDialog& sheet, COXAxisPage& range, COEventPage& events) {
    auto& pages = static_cast<platform::CPropertySheet&>(sheet);
    for (int i = 0; i < pages.GetPageCount(); ++i) tabs.push_back(pages.GetPage(i)->windowTitle().toStdString());
    for (int i = 0; i < range.Sequences().count(); ++i)
      sequences.push_back(range.Sequences().itemText(i).toStdString());
    pages.SetActivePage(&range);
    sheet.grab().save(QString::fromStdString(::testing::TempDir() + "presentation_interval_page.png"));
    ByNumber(sheet, range, events, 2, 4);
    qobject_cast<QCheckBox*>(range.GetDlgItem(COXAxisPage::kAverage))->setChecked(true);
    SetText(range, COXAxisPage::kAverageCount, "2");
    // The time field is not the one of the chosen mode.
    SetText(range, COXAxisPage::kAverageTime, "9");
    pages.SetActivePage(&events);
    qobject_cast<QCheckBox*>(events.GetDlgItem(COEventPage::kUser))->setChecked(false);
    sheet.grab().save(QString::fromStdString(::testing::TempDir() + "presentation_events_page.png"));
    return true;
  });
  EXPECT_EQ(tabs, (std::vector<std::string>{"Interval", "Columns", "Events"}));
  // One [Sequence] row: only "(All)".
  EXPECT_EQ(sequences, std::vector<std::string>{"(All)"});
  EXPECT_TRUE(messages.Texts().empty());
  COMeasInterval& i = view->Interval();
  EXPECT_EQ(i.GetMeasMode(), COMeasInterval::kByNumber);
  EXPECT_EQ(i.GetFirst(), 2);
  EXPECT_EQ(i.GetLast(), 4);
  EXPECT_TRUE(i.GetMeasAvg());
  EXPECT_EQ(i.GetInterval(), 2);
  EXPECT_FALSE(i.IsChannelShown(0));
  for (int type : {1, 2, 3, 4}) EXPECT_TRUE(i.IsChannelShown(type)) << type;

  // In time mode the averaging length is the time field's, in minutes.
  RunProperties(*app, [&](platform::CDialog&, COXAxisPage& range, COEventPage&) {
    qobject_cast<QRadioButton*>(range.GetDlgItem(COXAxisPage::kTime))->click();
    SetText(range, COXAxisPage::kAverageTime, "00:00:15");
    return true;
  });
  EXPECT_EQ(i.GetMeasMode(), COMeasInterval::kByTime);
  EXPECT_EQ(i.GetInterval(), 15);
  EXPECT_FALSE(i.IsChannelShown(0));  // the page loads the mask it saved
}

TEST_F(PresentationAppTest, TheRangeIsTakenFromAStoredSequenceOrFromAllOfThem) {
  MakeTask("sequences", 0, {2, 3});
  auto app = StartApp();
  OpenTask(*app, "sequences");
  CNumView* view = Numeric(*app);
  ASSERT_NE(view, nullptr);
  std::vector<std::string> entries;
  auto choose = [&](int entry) {
    RunProperties(*app, [&](platform::CDialog&, COXAxisPage& range, COEventPage&) {
      entries.clear();
      for (int i = 0; i < range.Sequences().count(); ++i) entries.push_back(range.Sequences().itemText(i).toStdString());
      qobject_cast<QRadioButton*>(range.GetDlgItem(COXAxisPage::kNumber))->click();
      range.Sequences().setCurrentIndex(entry);
      range.ApplySequence();
      return true;
    });
    return std::make_pair(view->Interval().GetFirst(), view->Interval().GetLast());
  };
  // Three rows: the one still to come is not offered.
  EXPECT_EQ(choose(2), std::make_pair(3, 5));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], "(All)");
  EXPECT_EQ(choose(1), std::make_pair(1, 2));
  EXPECT_EQ(choose(0), std::make_pair(1, 5));
  // The times follow as well: the second run from its first to its last.
  choose(2);
  EXPECT_EQ(view->Interval().GetStartTime(), Base() + platform::CTimeSpan(120));
  EXPECT_EQ(view->Interval().GetEndTime(), Base() + platform::CTimeSpan(240));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(PresentationAppTest, AnIntervalWhoseStartLiesAfterItsEndIsRefusedAndTheSheetStays) {
  MakeTask("refusals", 5);
  auto app = StartApp();
  OpenTask(*app, "refusals");
  ASSERT_NE(Numeric(*app), nullptr);
  struct Case {
    bool byNumber;
    std::string from, to;
    std::string refusal;  // none: accepted
    std::string average = "00:12:00";
  } cases[] = {
      {true, "3", "3", ""},
      {true, "4", "2", "Please enter a legal Interval"},
      {false, "07-03-09 10:02:00", "07-03-09 10:02:00", ""},
      {false, "07-03-09 10:02:01", "07-03-09 10:02:00", "Please enter a legal Interval"},
      // Twelve hours at most.
      {false, "07-03-09 10:00:00", "07-03-09 10:02:00", "", "00:12:01"},
  };
  for (const Case& c : cases) {
    messages.Clear();
    int round = 0;
    RunProperties(*app, [&](platform::CDialog&, COXAxisPage& range, COEventPage&) {
      if (round++ > 0) return false;  // refused: the sheet is still there, Cancel
      qobject_cast<QRadioButton*>(range.GetDlgItem(c.byNumber ? COXAxisPage::kNumber : COXAxisPage::kTime))->click();
      SetText(range, COXAxisPage::kAverageTime, c.average);
      if (c.byNumber) {
        SetText(range, COXAxisPage::kFromNumber, c.from);
        SetText(range, COXAxisPage::kToNumber, c.to);
      } else {
        SetText(range, COXAxisPage::kFromDate, c.from.substr(0, 8));
        SetText(range, COXAxisPage::kFromTime, c.from.substr(9));
        SetText(range, COXAxisPage::kToDate, c.to.substr(0, 8));
        SetText(range, COXAxisPage::kToTime, c.to.substr(9));
      }
      return true;
    });
    const bool accepted = c.refusal.empty() && c.average == "00:12:00";
    EXPECT_EQ(round, accepted ? 1 : 2) << c.from << " " << c.to << " " << c.average;
    if (!c.refusal.empty()) EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.refusal}) << c.from << " " << c.to;
    if (accepted) EXPECT_TRUE(messages.Texts().empty()) << c.from << " " << c.to;
  }
}

TEST_F(PresentationAppTest, AUserEventIsAddedChangedAndDeletedOnTheMeasurementUnderTheCursors) {
  CNumView* view = nullptr;
  auto app = StartOverThree("events", &view);
  ASSERT_NE(view, nullptr);
  PutCursors(*app, *view, 1, 2);
  EXPECT_FALSE(Enabled(*app, ID_USER_EVENT));  // the cursors on two measurements
  PutCursors(*app, *view, 1, 1);
  ASSERT_TRUE(Enabled(*app, ID_USER_EVENT));

  // Enters text into the dialog and presses OK; returns what it showed first.
  auto enter = [&](const std::string& text) {
    std::string shown = "(none)";
    ModalWatch watch([&](platform::CDialog* dlg) {
      if (dynamic_cast<presentation::CEventDialog*>(dlg) == nullptr || shown != "(none)") return;
      auto* edit = qobject_cast<QLineEdit*>(dlg->GetDlgItem(presentation::CEventDialog::kText));
      shown = edit->text().toStdString();
      dlg->grab().save(QString::fromStdString(::testing::TempDir() + "presentation_user_event.png"));
      edit->setText(QString::fromStdString(text));
      static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click();
    });
    EXPECT_TRUE(app->Frame()->Execute(ID_USER_EVENT));
    return shown;
  };
  const std::string started = "10:00:00 5 Measurement task started";
  EXPECT_EQ(enter("filter changed"), "");
  EXPECT_EQ(StoredComments(*app), (std::vector<std::string>{started, "10:00:00 0 filter changed"}));
  // The window read its interval again: the dialog finds the comment.
  EXPECT_EQ(enter("  filter changed again "), "filter changed");
  EXPECT_EQ(StoredComments(*app), (std::vector<std::string>{started, "10:00:00 0 filter changed again"}));
  EXPECT_EQ(enter(""), "filter changed again");
  EXPECT_EQ(StoredComments(*app), std::vector<std::string>{started});
  // Deleting where there is none changes nothing.
  EXPECT_EQ(enter(""), "");
  EXPECT_EQ(StoredComments(*app), std::vector<std::string>{started});
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(PresentationAppTest, TheExportWritesTheWindowsIntervalAndCancelWritesNothing) {
  CNumView* view = nullptr;
  auto app = StartOverThree("export", &view);
  ASSERT_NE(view, nullptr);

  // Cancel in the file chooser: nothing is written.
  chosenPath.clear();
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  EXPECT_EQ(chooserCalls, std::vector<std::string>{"Export (Active Window)|Export.txt"});
  EXPECT_TRUE(std::filesystem::directory_iterator(odbc.Dir().Path()) != std::filesystem::directory_iterator());
  EXPECT_FALSE(std::filesystem::exists(odbc.File("Export.txt")));

  chosenPath = odbc.File("measurements.txt");
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  const auto lines = ReadFields(chosenPath);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], (std::vector<std::string>{"\"Meas. No.\"", "\"A: CO2 [ppm]\"", "\"Event(s)\""}));
  EXPECT_EQ(lines[1], (std::vector<std::string>{"1", "500000e-006", "Start"}));
  EXPECT_EQ(lines[2], (std::vector<std::string>{"2", "123450e-004"}));
  EXPECT_EQ(lines[3], (std::vector<std::string>{"3", "123450e-002"}));
  EXPECT_TRUE(messages.Texts().empty());

  // An existing file: No to the question keeps it as it was, Yes replaces it.
  { std::ofstream(chosenPath) << "keep\n"; }
  messages.Answer(platform::IDNO);
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], chosenPath + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(ReadFields(chosenPath), (std::vector<std::vector<std::string>>{{"keep"}}));
  messages.Answer(platform::IDYES);
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  EXPECT_EQ(ReadFields(chosenPath).size(), 4u);

  // With the rolling average over two measurements, read from before the
  // interval's start.
  RunProperties(*app, [](platform::CDialog& d, COXAxisPage& range, COEventPage& e) {
    ByNumber(d, range, e, 2, 3);
    qobject_cast<QCheckBox*>(range.GetDlgItem(COXAxisPage::kAverage))->setChecked(true);
    SetText(range, COXAxisPage::kAverageCount, "2");
    return true;
  });
  messages.Answer(platform::IDYES);
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  auto mean = [](float a, float b) {
    std::string text;
    text_export::AppendValue(text, static_cast<float>((static_cast<double>(a) + b) / 2));
    return text;
  };
  const auto averaged = ReadFields(chosenPath);
  ASSERT_EQ(averaged.size(), 3u);
  EXPECT_EQ(averaged[1], (std::vector<std::string>{"2", mean(kValues[0], kValues[1])}));
  EXPECT_EQ(averaged[2], (std::vector<std::string>{"3", mean(kValues[1], kValues[2])}));

  // By time, with the date in the short-date pattern.
  RunProperties(*app, [](platform::CDialog&, COXAxisPage& range, COEventPage&) {
    qobject_cast<QRadioButton*>(range.GetDlgItem(COXAxisPage::kTime))->click();
    SetText(range, COXAxisPage::kFromDate, "07-03-09");
    SetText(range, COXAxisPage::kFromTime, "10:01:00");
    SetText(range, COXAxisPage::kToDate, "07-03-09");
    SetText(range, COXAxisPage::kToTime, "10:02:00");
    qobject_cast<QCheckBox*>(range.GetDlgItem(COXAxisPage::kAverage))->setChecked(false);
    return true;
  });
  messages.Answer(platform::IDYES);
  ASSERT_TRUE(app->Frame()->Execute(ID_EXPORT));
  const auto byTime = ReadFields(chosenPath);
  ASSERT_EQ(byTime.size(), 3u);
  EXPECT_EQ(byTime[0][0], "\"Time\"");
  EXPECT_EQ(byTime[1], (std::vector<std::string>{"03/09/07 10:01:00", "123450e-004"}));
  EXPECT_EQ(byTime[2], (std::vector<std::string>{"03/09/07 10:02:00", "123450e-002"}));
}

TEST_F(PresentationAppTest, ExitSavesTheOpenWindowsAsClosingTheTaskDoes) {
  MakeTask("first", 3);
  MakeTask("second", 3);
  {
    auto app = StartApp();
    OpenTask(*app, "first");
    ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
    ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
    ASSERT_EQ(Windows(*app).size(), 3u);
    // Open saves the first task's windows and closes it before it asks:
    // Cancel leaves no task open.
    {
      ModalWatch cancel([](platform::CDialog* dlg) {
        if (dynamic_cast<COpenDatabase*>(dlg)) static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDCANCEL))->click();
      });
      ASSERT_TRUE(app->Frame()->Execute(ID_FILE_OPEN));
    }
    EXPECT_FALSE(app->TaskOpen());
    EXPECT_TRUE(Windows(*app).empty());
    OpenTask(*app, "first");
    ASSERT_EQ(Windows(*app).size(), 3u);
    // Opening another task saves the first one's windows.
    OpenTask(*app, "second");
    EXPECT_TRUE(messages.Texts().empty());
    ASSERT_EQ(Windows(*app).size(), 1u);
    ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
    ASSERT_TRUE(app->Frame()->Execute(ID_APP_EXIT));
    EXPECT_FALSE(app->Frame()->isVisible());
    EXPECT_FALSE(app->TaskOpen());
  }
  auto app = StartApp();
  OpenTask(*app, "second");
  EXPECT_EQ(Windows(*app).size(), 2u);
  OpenTask(*app, "first");
  EXPECT_EQ(Windows(*app).size(), 3u);
  // Closing one window leaves the task open; closing the last one closes
  // the task and keeps that window for the next opening.
  Windows(*app)[0]->close();
  Windows(*app)[0]->close();
  EXPECT_TRUE(app->TaskOpen());
  Windows(*app)[0]->close();
  EXPECT_FALSE(app->TaskOpen());
  EXPECT_TRUE(Windows(*app).empty());
  OpenTask(*app, "first");
  EXPECT_EQ(Windows(*app).size(), 1u);
  ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
  ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_NEW_NUMERIC));
  // Task / Close saves them the same way.
  ASSERT_TRUE(app->Frame()->Execute(ID_FILE_CLOSE));
  EXPECT_TRUE(Windows(*app).empty());
  OpenTask(*app, "first");
  EXPECT_EQ(Windows(*app).size(), 3u);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(PresentationAppTest, ADatabaseErrorIsShownWithItsMessageAndTheProgramGoesOn) {
  CNumView* view = nullptr;
  auto app = StartOverThree("failing", &view);
  ASSERT_NE(view, nullptr);
  PutCursors(*app, *view, 2, 2);
  ASSERT_TRUE(Enabled(*app, ID_USER_EVENT));
  // The task's file goes away under the program.
  const std::string file = app->Context().Setup().DataFile(app->Context().Setup().GetDatabaseName());
  ASSERT_TRUE(std::filesystem::exists(file)) << file;
  std::filesystem::rename(file, file + ".gone");
  std::ofstream(file) << "no database";

  int shown = 0;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dynamic_cast<presentation::CEventDialog*>(dlg) == nullptr) return;
    auto* edit = qobject_cast<QLineEdit*>(dlg->GetDlgItem(presentation::CEventDialog::kText));
    // OK fails and keeps the dialog; then Cancel.
    if (shown++ == 0) {
      edit->setText("lost");
      static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click();
    } else {
      static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDCANCEL))->click();
    }
  });
  ASSERT_TRUE(app->Frame()->Execute(ID_USER_EVENT));
  EXPECT_EQ(shown, 2);
  ASSERT_FALSE(messages.Texts().empty());
  EXPECT_EQ(messages.Texts()[0].rfind("Database error\n\n", 0), 0u) << messages.Texts()[0];
  EXPECT_GT(messages.Texts()[0].size(), std::string("Database error\n\n").size());

  // Closing the task cannot save its windows: the message, and it closes.
  messages.Clear();
  ASSERT_TRUE(app->Frame()->Execute(ID_FILE_CLOSE));
  ASSERT_FALSE(messages.Texts().empty());
  EXPECT_EQ(messages.Texts()[0].rfind("Database error\n\n", 0), 0u) << messages.Texts()[0];
  EXPECT_FALSE(app->TaskOpen());
  EXPECT_TRUE(app->Frame()->isVisible());
  EXPECT_TRUE(Enabled(*app, ID_FILE_OPEN));
}

TEST_F(PresentationAppTest, TheUnitsCommandStoresTheChosenUnitsInTheSetUp) {
  MakeTask("units", 1);
  auto app = StartApp();
  OpenTask(*app, "units");
  bool pressed = false;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dynamic_cast<CUnits*>(dlg) == nullptr || pressed) return;
    pressed = true;
    // The gas concentration group's buttons follow the unit kinds: ppb.
    auto* first = qobject_cast<QRadioButton*>(dlg->GetDlgItem(CUnits::kGasConc));
    ASSERT_NE(first->group(), nullptr);
    first->group()->buttons()[COConcUnit::ppb]->click();
    static_cast<QPushButton*>(dlg->GetDlgItem(platform::IDOK))->click();
  });
  ASSERT_TRUE(app->Frame()->Execute(ID_UNITS));
  EXPECT_TRUE(pressed);
  EXPECT_EQ(app->Context().Setup().GetGasConcUnit().GetUnit(), COConcUnit::ppb);
}

// The Font command: OK on the font the dialog offers keeps the program's
// font as it was, in the set-up and in the system database; a style the
// person chooses is taken.
TEST_F(PresentationAppTest, TheFontDialogChangesTheFontOnlyWhenAnotherIsChosen) {
  auto app = StartApp();
  COSystemSetup& setup = app->Context().Setup();
  const platform::LOGFONT before = setup.GetFont();
  ASSERT_EQ(before.lfFaceName, "DejaVu Sans");
  struct Case {
    const char* name;
    std::function<void(QFontDialog&)> choose;
    int weight;
  };
  const Case cases[] = {
      {"OK without a change", [](QFontDialog&) {}, before.lfWeight},
      {"the bold style chosen",
       [](QFontDialog& dlg) {
         QFont bold = dlg.currentFont();
         bold.setStyleName("Bold");
         dlg.setCurrentFont(bold);
       },
       700},
  };
  for (const Case& c : cases) {
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dlg = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
      if (dlg == nullptr || answered) return;
      answered = true;
      c.choose(*dlg);
      dlg->accept();
    });
    poll.start(5);
    ASSERT_TRUE(app->Frame()->Execute(ID_FONT)) << c.name;
    EXPECT_TRUE(answered) << c.name;
    DataContext stored(kovo::test::ProfileOf("Online"));
    ASSERT_TRUE(stored.Setup().OpenSystemDatabase());
    for (const platform::LOGFONT& font : {setup.GetFont(), stored.Setup().GetFont()}) {
      EXPECT_FALSE(font.lfItalic) << c.name;
      EXPECT_EQ(font.lfWeight, c.weight) << c.name;
      EXPECT_EQ(font.lfFaceName, before.lfFaceName) << c.name;
      if (c.weight == before.lfWeight) EXPECT_EQ(font.lfHeight, before.lfHeight) << c.name;
    }
  }
}

TEST_F(PresentationAppTest, ReadingTheAirPressureWithoutAMeasurementSubjectKeepsTheStoredValue) {
  auto app = StartApp();
  ProgramContext& context = app->Context();
  ASSERT_EQ(context.MeasObs(), nullptr);
  // Even a leak detector's identity reaches no monitor from here.
  context.Instrument().SetInfo("Tebb", "SN1");
  COAirPressure pressure;
  pressure.SetValue(987.0f);
  ReadAirPressure(context, pressure);
  EXPECT_FLOAT_EQ(pressure.GetValue(COPresUnit(COPresUnit::hpa)), 987.0f);
  EXPECT_TRUE(messages.Texts().empty());
}


TEST_F(PresentationAppTest, TheGraphWindowsSheetHasTheIntervalAndEventsPagesOfThisProgram) {
  MakeTask("graph events", 5);
  auto app = StartApp();
  OpenTask(*app, "graph events");
  auto* graph = dynamic_cast<CGraphView*>(app->Frame()->ActiveView());
  ASSERT_NE(graph, nullptr);
  std::vector<std::string> tabs;
  bool ownInterval = false;
  ModalWatch watch([&](platform::CDialog* dlg) {
    auto* sheet = dynamic_cast<CGraphWindowSheet*>(dlg);
    if (sheet == nullptr || !tabs.empty()) return;
    for (int i = 0; i < sheet->GetPageCount(); ++i) tabs.push_back(sheet->GetPage(i)->GetWindowText());
    ownInterval = dynamic_cast<COXAxisPage*>(sheet->GetPage(0)) != nullptr;
    auto* events = dynamic_cast<COEventPage*>(sheet->GetPage(sheet->GetPageCount() - 1));
    ASSERT_NE(events, nullptr);
    ASSERT_TRUE(sheet->SetActivePage(events));
    qobject_cast<QCheckBox*>(events->GetDlgItem(COEventPage::kAlarms))->setChecked(false);
    sheet->accept();
  });
  ASSERT_TRUE(app->Frame()->Execute(ID_WINDOW_PROPERTIES));
  ASSERT_EQ(tabs.size(), 4u);
  EXPECT_EQ(tabs.back(), "Events");
  EXPECT_TRUE(ownInterval);
  graph = dynamic_cast<CGraphView*>(app->Frame()->ActiveView());
  ASSERT_NE(graph, nullptr);
  EXPECT_FALSE(graph->Interval().IsChannelShown(2));
  EXPECT_TRUE(graph->Interval().IsChannelShown(0));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(PresentationAppTest, TheMenusHavePrintSetupToolbarStatusBarAndArrangeIconsAndTheButtonsTheirIcons) {
  auto app = StartApp();
  CMainFrame& frame = *app->Frame();
  std::map<std::string, std::vector<std::string>> menus;
  for (QAction* menu : frame.menuBar()->actions())
    for (QAction* entry : menu->menu()->actions())
      if (!entry->isSeparator()) menus[menu->text().toStdString()].push_back(entry->text().toStdString());
  const auto has = [&menus](const std::string& menu, const std::string& entry) {
    const std::vector<std::string>& entries = menus[menu];
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  };
  EXPECT_TRUE(has("&Task", "P&rint Setup..."));
  EXPECT_TRUE(has("&View", "&Toolbar"));
  EXPECT_TRUE(has("&View", "&Status Bar"));
  EXPECT_TRUE(has("&Window", "&Arrange Icons"));

  // The toolbar comes and goes with its entry, which shows whether it is there.
  ASSERT_TRUE(frame.Execute(ID_VIEW_TOOLBAR));
  EXPECT_FALSE(frame.ToolBar()->isVisible());
  EXPECT_FALSE(frame.Action(ID_VIEW_TOOLBAR)->isChecked());
  ASSERT_TRUE(frame.Execute(ID_VIEW_TOOLBAR));
  EXPECT_TRUE(frame.ToolBar()->isVisible());
  ASSERT_TRUE(frame.Execute(ID_VIEW_STATUS_BAR));
  EXPECT_FALSE(frame.statusBar()->isVisible());

  // Copy, Print and Cursor Values: the desktop's icons, else the suite's own;
  // never a "save" icon for Copy.
  const std::tuple<unsigned, const char*, int> icons[] = {{ID_EDIT_COPY, "edit-copy", kovo::IDI_COPY},
                                                          {ID_FILE_PRINT, "document-print", kovo::IDI_PRINT},
                                                          {ID_VIEW_CURSORS, "view-statistics", kovo::IDI_CURSOR_VALUES}};
  const auto image = [](const QIcon& icon) { return icon.pixmap(QSize(24, 24)).toImage(); };
  for (const auto& [id, theme, bundled] : icons) {
    const QIcon expected = QIcon::hasThemeIcon(theme) ? QIcon::fromTheme(theme) : QIcon(kovo::LoadIconResource(bundled));
    EXPECT_EQ(image(frame.Action(id)->icon()), image(expected)) << theme;
  }
  EXPECT_NE(image(frame.Action(ID_EDIT_COPY)->icon()), image(frame.style()->standardIcon(QStyle::SP_DialogSaveButton)));
  // Every window carries the program's icon.
  EXPECT_EQ(image(QApplication::windowIcon()), image(QIcon(kovo::LoadProgramIcon("Presentation"))));
}

}  // namespace
}  // namespace kovo::test
