#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QMdiSubWindow>
#include <algorithm>
#include <memory>

#include "COSequence.h"
#include "DBDoc.h"
#include "FormViews.h"
#include "NumProperties.h"
#include "DataTestSupport.h"
#include "FiveMeasurementTask.h"
#include "NumView.h"
#include "../ModalWatch.h"
#include "ObserverSteps.h"
#include "ScreenText.h"
#include "TaskRecords.h"
#include "TestSupport.h"
#include "ViewBase.h"
#include "WindowLayer.h"
#include "WindowStore.h"
#include "ui/PainterDC.h"
#include "ui/WinApp.h"

namespace {

using kovo::test::DataTest;

constexpr int NumViewMargin = CNumView::kMargin;

bool Has(const std::vector<std::string>& calls, const std::string& part) {
  return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(part) != std::string::npos; });
}

using NumbersTest = DataTest;

TEST_F(NumbersTest, SmallestFreeNumberPerKind) {
  COWindowOrder graphs, numerics;
  auto g1 = std::make_unique<COMeasView>(graphs, *context, COMeasView::kGraphic);
  COMeasView n1(numerics, *context, COMeasView::kNumeric);
  EXPECT_EQ(g1->GetWindowTitle(), "Graphic Window 1");
  EXPECT_EQ(n1.GetWindowTitle(), "Numeric Window 1");
  auto g2 = std::make_unique<COMeasView>(graphs, *context, COMeasView::kGraphic);
  auto g3 = std::make_unique<COMeasView>(graphs, *context, COMeasView::kGraphic);
  g1.reset();
  COMeasView again(graphs, *context, COMeasView::kGraphic);
  EXPECT_EQ(again.GetWindowNumber(), 1);
  EXPECT_EQ(graphs.Numbers(), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(numerics.Numbers(), (std::vector<int>{1}));
}

TEST_F(NumbersTest, EachWindowLayerNumbersItsOwnWindows) {
  CWindowLayer first(*context);
  COMeasView a(first.WindowNumbers(COMeasView::kGraphic), *context, COMeasView::kGraphic);
  CWindowLayer second(*context);
  COMeasView b(second.WindowNumbers(COMeasView::kGraphic), *context, COMeasView::kGraphic);
  EXPECT_EQ(a.GetWindowNumber(), 1);
  EXPECT_EQ(b.GetWindowNumber(), 1);
}

TEST_F(NumbersTest, OneMoreThanTheNumberingAllowsIsRefused) {
  COWindowOrder numbers;
  std::vector<std::unique_ptr<COMeasView>> open;
  for (int i = 0; i < COMeasView::kMaxNumber; ++i)
    open.push_back(std::make_unique<COMeasView>(numbers, *context, COMeasView::kNumeric));
  EXPECT_EQ(open.back()->GetWindowNumber(), 1000);
  EXPECT_THROW(COMeasView(numbers, *context, COMeasView::kNumeric), TooManyWindows);
  // Opened through its creator, the window is refused with a message.
  CWindowRegistry registry;
  registry.Register(0, [&] { open.push_back(std::make_unique<COMeasView>(numbers, *context, COMeasView::kNumeric)); });
  EXPECT_FALSE(registry.Open(0));
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_NE(Shown()[0].find("1000"), std::string::npos);
  open.pop_back();
  EXPECT_EQ(COMeasView(numbers, *context, COMeasView::kNumeric).GetWindowNumber(), 1000);
}

TEST(WindowOrder, ActivationOrderGivesTheStoredPlace) {
  COWindowOrder order;
  const int a = order.Take(), b = order.Take(), c = order.Take();
  for (int n : {c, b, a}) order.MoveToFront(n);
  EXPECT_EQ(order.IndexOf(a), 0);
  EXPECT_EQ(order.IndexOf(b), 1);
  EXPECT_EQ(order.IndexOf(c), 2);
  order.Release(b);
  EXPECT_EQ(order.Take(), b);
  EXPECT_EQ(order.IndexOf(99), COWindowOrder::kSize);
}

class ViewsTest : public kovo::test::FiveMeasurementTask {
 protected:
  ViewsTest() : FiveMeasurementTask("views") {}
  // One numeric window over the task, gas A in ppm.
  CNumView& OpenNumeric() {
    return OpenByNumber<CNumView>([this](COMeasInterval& i) { i.GetColumns().push_back(PpmColumn(i, 0, 0xFF)); });
  }
};

TEST_F(ViewsTest, NumericWindowDrawsRowsAndEvents) {
  CNumView& v = OpenNumeric();
  const auto calls = Paint(v);
  const int rh = 3 + platform::RecordingDC::kCharHeight;
  EXPECT_EQ(v.RowHeight(), rh);
  EXPECT_TRUE(Has(calls, "DrawText \"Meas. No.\""));
  EXPECT_TRUE(Has(calls, "DrawText \"[ppm]\""));
  // Row 3 starts at 2.5 row heights plus two rows; its value is right-aligned.
  const int y3 = 5 * rh / 2 + 2 * rh;
  EXPECT_TRUE(Has(calls, "DrawText \"3\" 0," + std::to_string(y3)));
  EXPECT_TRUE(Has(calls, "DrawText \"30.000\" 0," + std::to_string(y3)));
  EXPECT_TRUE(Has(calls, "DrawText \"note\""));  // the comment, trimmed
  EXPECT_TRUE(Has(calls, "Polygon"));            // the alarm on gas A
  EXPECT_FALSE(Has(calls, "(No data)"));
}

TEST_F(ViewsTest, NumericWindowWithoutMeasurements) {
  CNumView& v = OpenNumeric();
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetEndTime(base + platform::CTimeSpan(7200));
  v.Interval().SetStartTime(base + platform::CTimeSpan(3600));
  v.ReloadData();
  const auto calls = Paint(v);
  EXPECT_TRUE(Has(calls, "DrawText \"(No data)\""));
  EXPECT_TRUE(Has(calls, "DrawText \"Time\""));
  EXPECT_TRUE(Has(calls, "LineTo"));
}

TEST_F(ViewsTest, AnAlarmMarksOnlyItsChannelsColumn) {
  CNumView& v = OpenNumeric();
  v.Interval().GetColumns()[0].SetChannel(1);
  v.ReloadData();
  EXPECT_FALSE(Has(Paint(v), "Polygon"));
}

TEST_F(ViewsTest, CursorDragSetsTheCursorsAndStatistics) {
  layer.Cursors().SetCursorOn(true);
  CNumView& v = OpenNumeric();
  Paint(v);
  const int rh = v.RowHeight();
  // Not within a second of activation: the activating click starts no drag.
  v.Activated();
  v.ButtonDown(platform::CPoint(0, 3 * rh), false);
  v.ButtonUp(platform::CPoint(0, 5 * rh));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 0);

  v.SetActivationTime(std::chrono::steady_clock::now() - std::chrono::seconds(2));
  // Row k's lower boundary lies at (k + 2) row heights.
  v.ButtonDown(platform::CPoint(0, 4 * rh), false);
  v.MouseMove(platform::CPoint(0, 6 * rh));
  v.ButtonUp(platform::CPoint(0, 6 * rh));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 2);
  EXPECT_EQ(v.Interval().GetRightCursor(), 4);
  const COMeasStatistics& s = v.Interval().GetColumns()[0].GetStatistics();
  EXPECT_EQ(s.m_count, 3u);
  EXPECT_NEAR(s.GetAverage(), 30.0, 1e-4);
  EXPECT_TRUE(Has(Paint(v), "FillSolidRect 3,"));  // the cursor lines

  // Shift moves only the moving end; the anchor stays.
  v.ButtonDown(platform::CPoint(0, 3 * rh), true);
  v.ButtonUp(platform::CPoint(0, 3 * rh));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 1);
  EXPECT_EQ(v.Interval().GetRightCursor(), 2);
  EXPECT_TRUE(v.CanZoomIn());
  v.OnZoomIn();
  EXPECT_EQ(v.Interval().GetFirst(), 1);
  EXPECT_EQ(v.Interval().GetLast(), 2);
}

TEST_F(ViewsTest, TheNumericWindowFollowsTheTaskWithoutBlocking) {
  CNumView& v = OpenNumeric();
  v.Interval().SetLeftCursor(2);
  v.Interval().SetRightCursor(3);
  QElapsedTimer clock;
  clock.start();
  genSub.NotifyMeas(eMeasStored, kovo::test::MakeMeas(base, 50, 8, 1.0f));
  EXPECT_EQ(v.Interval().GetLast(), 5);  // the wait is a timer, not a sleep
  while (v.Interval().GetLast() != 8 && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(v.Interval().GetLast(), 8);
  EXPECT_EQ(v.Interval().GetFirst(), 4);  // the span is kept
  EXPECT_EQ(v.Interval().GetLeftCursor(), 3);
}

// A running task fills a table longer than the window: the newest row
// stays in view while the window follows, unless the person scrolled away.
TEST_F(ViewsTest, TheNumericWindowKeepsTheNewestRowInViewUnlessScrolledAway) {
  kovo::test::ObserverSteps store(*context);  // stores before the window reads
  CNumView& v = OpenNumeric();
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetStartTime(base);
  v.Interval().SetEndTime(base + platform::CTimeSpan(3600));
  v.ReloadData();
  int k = 5;
  const auto sample = [&] {
    ++k;
    COMeas m = kovo::test::MakeMeas(base, 50 + k, 0, static_cast<float>(k));
    store.Write(m);
  };
  const auto lastShown = [&] { return v.PickRow(v.ScrollY() + v.height() - v.RowHeight() / 2); };
  for (int i = 0; i < 60; ++i) sample();
  EXPECT_GT(v.ScrollY(), 0);
  EXPECT_EQ(lastShown(), k);
  v.grab().save(QString::fromStdString(::testing::TempDir() + "numeric_following.png"));

  v.SetScrollY(0);
  sample();
  EXPECT_EQ(v.ScrollY(), 0);
  EXPECT_LT(lastShown(), k);

  // Back at the end, it follows again.
  v.SetScrollY(1 << 30);
  sample();
  EXPECT_EQ(lastShown(), k);
}

// A window opened on a task longer than it shows, before the task runs
// on: it shows the oldest rows, and the newest once new ones come, as long
// as the person has not scrolled.
TEST_F(ViewsTest, ANumericWindowOpenedOnALongTaskFollowsItsNewRows) {
  kovo::test::ObserverSteps store(*context);
  int k = 5;
  const auto sample = [&] {
    ++k;
    COMeas m = kovo::test::MakeMeas(base, 50 + k, 0, static_cast<float>(k));
    store.Write(m);
  };
  for (int i = 0; i < 60; ++i) sample();
  CNumView& v = OpenNumeric();
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetStartTime(base);
  v.Interval().SetEndTime(base + platform::CTimeSpan(3600));
  v.ReloadData();
  v.Repaint();
  const auto lastShown = [&] { return v.PickRow(v.ScrollY() + v.height() - v.RowHeight() / 2); };
  EXPECT_EQ(v.ScrollY(), 0);
  EXPECT_LT(lastShown(), k);
  sample();
  EXPECT_GT(v.ScrollY(), 0);
  EXPECT_EQ(lastShown(), k);
}

// The store writes the stop event in the pass that announces the stop: a
// window attached before the store shows it all the same.
TEST_F(ViewsTest, AWindowAttachedBeforeTheStoreShowsTheStopTheStoreWrites) {
  CNumView& v = OpenNumeric();
  kovo::test::ObserverSteps store(*context);
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetStartTime(base);
  v.Interval().SetEndTime(base + platform::CTimeSpan(3600));
  v.ReloadData();
  for (int i = 0; i < 3; ++i) {
    COMeas m = kovo::test::MakeMeas(base, 60 + i, 0, 1.0f);
    store.Write(m, i == 0);
  }
  context->GenSub().Notify(eTaskStopped);
  QApplication::processEvents();
  // The start and the stop each draw a rule of three strokes in the task's colour.
  const auto taskStrokes = [&] {
    int n = 0;
    for (const std::string& call : Paint(v))
      n += call.rfind("FillSolidRect", 0) == 0 && call.find(" 808080") == call.size() - 7;
    return n;
  };
  const int shown = taskStrokes();
  v.ReloadData();
  EXPECT_EQ(taskStrokes(), shown);  // nothing was left to read
}

// The program's font, as its Font command chose it, is the windows' on
// screen and on paper.
TEST_F(ViewsTest, TheNumericWindowDrawsInTheProgramsFont) {
  platform::LOGFONT lf;
  lf.lfHeight = -28;
  lf.lfFaceName = "DejaVu Sans";
  platform::CFont big, small;
  big.CreateFontIndirect(lf);
  lf.lfHeight = -18;
  small.CreateFontIndirect(lf);
  layer.SetFonts(&big, &small);
  CNumView& v = OpenNumeric();
  EXPECT_TRUE(kovo::test::ShowsText(v.grab().toImage(), "Meas. No.", platform::ToQFont(big.GetLogFont())));
  QImage paper(800, 1100, QImage::Format_RGB32);
  QPainter painter(&paper);
  platform::CPainterDC dc(&painter);
  dc.SetPrinting(true);
  v.DrawPage(dc, platform::CSize(800, 1100), 1);
  EXPECT_GE(v.RowHeight(), 28);
}

// Columns and event texts wider than the window: it scrolls across to
// them, and none of them lies under a scroll bar.
TEST_F(ViewsTest, ANarrowNumericWindowScrollsAcrossToItsColumnsAndEventTexts) {
  kovo::test::StoreEvent(*context, kovo::test::MakeMeas(base, 40, 4, 40.0f),
                         COEvent(COEvent::typeComment, "door of the store room opened", 0.0f));
  CNumView& v = OpenNumeric();
  CColumn water(*context);
  water.SetChannel(5);
  water.SetAxis(0xFF);
  water.SetUnit(COConcUnit::ppm);
  water.SetSequence(&context->ActiveSequence(), &v.Interval());
  v.Interval().GetColumns().push_back(water);
  v.ReloadData();
  v.resize(260, 240);
  v.show();
  v.Repaint();
  QApplication::processEvents();
  v.grab();  // the event texts are measured as they are drawn
  v.Repaint();
  QScrollBar* across = nullptr;
  for (QScrollBar* b : v.findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Horizontal) across = b;
  ASSERT_NE(across, nullptr);
  EXPECT_FALSE(across->isHidden());
  const QFont font = v.ProgramFont();
  const QFont small = platform::ToQFont(layer.Fonts().small);
  const QImage left = v.grab().toImage();
  EXPECT_FALSE(kovo::test::ShowsText(left, "W: Water Vapour", font));
  EXPECT_FALSE(kovo::test::ShowsText(left, "door of the store room opened", small));
  across->setValue(across->maximum());
  const QImage right = v.grab().toImage();
  right.save(QString::fromStdString(::testing::TempDir() + "numeric_scrolled_across.png"));
  EXPECT_TRUE(kovo::test::ShowsText(right, "door of the store room opened", small));
  EXPECT_TRUE(kovo::test::ShowsText(right, "W: Water Vapour", font));
}

// A task measuring into an open window of a long interval: each sample is
// taken in without reading the interval again, and a paint draws a screenful.
TEST_F(ViewsTest, ALongTableTakesInNewSamplesAndDrawsOnlyWhatItShows) {
  CNumView& v = OpenNumeric();
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetStartTime(base);
  v.Interval().SetEndTime(base + platform::CTimeSpan(3600));
  v.ReloadData();
  Paint(v);
  {
    kovo::test::ObserverSteps store(*context);
    for (int k = 6; k <= 400; ++k) {
      COMeas m = kovo::test::MakeMeas(base, 50 + k, 0, static_cast<float>(k));
      store.Write(m);
    }
    store.Close();
  }
  v.FollowData();
  const platform::CSize size = v.ContentSize();  // in the window's own font
  const int fontRow = v.RowHeight();
  EXPECT_EQ(size.cy, (400 * fontRow + 5 * fontRow / 2 + 1) * 118 / 100);
  Paint(v);
  const int rh = v.RowHeight();
  v.SetScrollY(5 * rh / 2 + 300 * rh);  // row 301 at the top
  const auto calls = Paint(v);
  EXPECT_TRUE(Has(calls, "DrawText \"301.000\" 0,0"));
  const long values = std::count_if(calls.begin(), calls.end(),
                                    [](const std::string& c) { return c.find(".000\"") != std::string::npos; });
  EXPECT_LE(values, 300 / rh + 6);
  EXPECT_EQ(v.PickRow(5 * rh / 2 + 300 * rh + rh / 2), 301);

  // An event entered at an older row shows at once.
  kovo::test::StoreEvent(*context, kovo::test::MakeMeas(base, 351, 301, 301.0f),
                         COEvent(COEvent::typeComment, "late", 0.0f));
  genSub.Notify(eUserEvent);
  EXPECT_TRUE(Has(Paint(v), "DrawText \"late\""));
  v.grab().save(QString::fromStdString(::testing::TempDir() + "numeric_scrolled.png"));
}

TEST_F(ViewsTest, PrintingPagesTheTable) {
  CNumView& v = OpenNumeric();
  platform::RecordingDC dc;
  dc.SetPrinting(true);
  const int rh = 3 + platform::RecordingDC::kCharHeight;
  // A page of 6 rows: page 1 prints 3 (it carries the headers), page 2 the rest.
  const platform::CSize page(600, 6 * rh * 100 / 80 + 1);
  EXPECT_EQ(v.PageCount(dc, page), 2);
  v.DrawPage(dc, page, 1);
  EXPECT_TRUE(Has(dc.Calls(), "\"Page: 1\""));
  EXPECT_TRUE(Has(dc.Calls(), "DrawText \"3\""));
  EXPECT_FALSE(Has(dc.Calls(), "DrawText \"4\""));
  dc.Clear();
  v.DrawPage(dc, page, 2);
  EXPECT_TRUE(Has(dc.Calls(), "DrawText \"4\""));
  EXPECT_FALSE(Has(dc.Calls(), "DrawText \"Meas. No.\""));
  // A font larger than the page still gives pages of a few rows.
  EXPECT_GE(v.PageCount(dc, platform::CSize(600, 1)), 1);
}

TEST_F(ViewsTest, CopyAndPrintToPdf) {
  CNumView& v = OpenNumeric();
  v.resize(400, 60);  // shows two rows
  v.SetScrollY(3 * v.RowHeight());
  v.Copy();
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_TRUE(mime->hasImage());
  // The whole table, with a margin, whatever the window shows.
  const int tableHeight = 5 * v.RowHeight() + 5 * v.RowHeight() / 2 + NumViewMargin / 2;
  EXPECT_EQ(qvariant_cast<QImage>(mime->imageData()).height(), tableHeight + tableHeight * 18 / 100);
  const QByteArray svg = mime->data("image/svg+xml");
  EXPECT_TRUE(svg.contains("<svg"));
  EXPECT_TRUE(svg.contains("10.000"));
  EXPECT_TRUE(svg.contains("50.000"));
  kovo::test::TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString file = QString::fromStdString(dir.Path() + "/table.pdf");
  printer.setOutputFileName(file);
  v.PrintTo(printer);
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
}

TEST_F(ViewsTest, TheWindowStoreRoundTrip) {
  std::vector<std::string> opened;
  layer.Registry().Register(CMeasViewBase::kNumericType, [&] {
    opened.push_back("numeric");
    OpenNumeric();
  });
  layer.Registry().Register(CMeasViewBase::kGraphType, [&] { opened.push_back("graph"); });

  // No rows: one graph window.
  layer.Store().Restore();
  EXPECT_EQ(opened, (std::vector<std::string>{"graph"}));
  EXPECT_FALSE(layer.Store().IsRestoring());

  CNumView& a = OpenNumeric();
  CNumView& b = OpenNumeric();
  b.Interval().SetLeftCursor(2);
  b.Interval().SetRightCursor(4);
  b.Interval().SetLength(3);
  b.Activated();  // b was active last
  layer.Store().Save();
  layer.Store().Save();  // replaces, never adds
  views.clear();
  opened.clear();
  layer.Store().Restore();
  ASSERT_EQ(opened, (std::vector<std::string>{"numeric", "numeric"}));
  auto* first = static_cast<CNumView*>(views[0].get());
  auto* last = static_cast<CNumView*>(views[1].get());
  // The least recently active comes first, so b ends on top.
  EXPECT_EQ(first->Interval().GetFirst(), 1);
  EXPECT_EQ(last->Interval().GetFirst(), 3);
  EXPECT_EQ(last->Interval().GetLeftCursor(), 2);
  ASSERT_EQ(last->Interval().GetColumns().size(), 1u);
  EXPECT_EQ(last->Interval().GetColumns()[0].GetAxis(), 0xFF);
  (void)a;
}

TEST_F(ViewsTest, PlacementsOfMaximisedWindows) {
  CNumView& v = OpenNumeric();
  v.setGeometry(10, 20, 300, 200);
  v.showMaximized();
  ASSERT_TRUE(v.isMaximized());
  EXPECT_EQ(v.SavedStyle(), CMeasViewBase::kStyleMaximized);
  EXPECT_EQ(v.SavedRect(), v.normalGeometry().translated(0, 40));
  CCursorView cv(layer, &doc);
  cv.showMaximized();
  EXPECT_EQ(cv.SavedStyle(), 0);  // never saved as maximised

  std::vector<long> styles;
  layer.Registry().Register(CMeasViewBase::kNumericType,
                            [&] { styles.push_back(layer.Store().CurrentPlacement().style); });
  layer.Registry().Register(CMeasViewBase::kCursorType,
                            [&] { styles.push_back(layer.Store().CurrentPlacement().style); });
  layer.Store().Save();
  layer.Store().Restore();
  std::sort(styles.begin(), styles.end());
  EXPECT_EQ(styles, (std::vector<long>{0, CMeasViewBase::kStyleMaximized}));
}

TEST_F(ViewsTest, AFailingRestoreLeavesNoStaleRow) {
  OpenNumeric();
  layer.Store().Save();
  views.clear();
  layer.Registry().Register(CMeasViewBase::kNumericType, [] { throw std::runtime_error("no room"); });
  EXPECT_THROW(layer.Store().Restore(), std::runtime_error);
  EXPECT_FALSE(layer.Store().IsRestoring());
  // A later window starts from its defaults.
  CNumView v(layer, &doc);
  EXPECT_NE(v.Interval().GetFirst(), 1);
}

TEST_F(ViewsTest, CursorValuesWithoutACursorWindow) {
  CCursorView cv(layer, &doc);
  EXPECT_EQ(cv.GetWindowTitle(), "Cursor Values");
  EXPECT_EQ(cv.Text(1056), "n/a");
  EXPECT_EQ(cv.Text(1159), "n/a");
  EXPECT_EQ(cv.Text(1084), "");
  EXPECT_EQ(cv.Text(1128), "Cursor Pos:");
}

TEST_F(ViewsTest, CursorValuesBetweenAndAtTheCursors) {
  layer.Cursors().SetCursorOn(true);
  CNumView& v = OpenNumeric();
  v.Activated();
  CCursorView cv(layer, &doc);
  v.Interval().SetLeftCursor(2);
  v.Interval().SetRightCursor(4);
  v.ReloadData();  // tells the cursor window
  EXPECT_EQ(cv.GetWindowTitle(), "Cursor Values [Numeric Window 1]");
  EXPECT_EQ(cv.Text(1128), "Left Cursor:");
  EXPECT_EQ(cv.Text(1056), "2");
  EXPECT_EQ(cv.Text(1057), "4");
  EXPECT_EQ(cv.Text(1159), "3");
  EXPECT_EQ(cv.Text(1079), "20.000");  // minimum
  EXPECT_EQ(cv.Text(1083), "30.000");  // average
  EXPECT_EQ(cv.Text(1080), "40.000");  // maximum
  EXPECT_EQ(cv.Text(1081), "10.000");  // standard deviation
  EXPECT_EQ(cv.Text(1084 + 6), "");  // one column: the other rows are blank
  EXPECT_TRUE(cv.IsShown(1159));
  EXPECT_FALSE(cv.IsShown(1127));

  v.Interval().SetLeftCursor(2);
  v.Interval().SetRightCursor(2);
  v.ReloadData();
  EXPECT_EQ(cv.Text(1128), "Cursor Pos:");
  EXPECT_EQ(cv.Text(1079), "20.000");
  EXPECT_EQ(cv.Text(1083), "");
  EXPECT_EQ(cv.Text(1125), "note");
  EXPECT_FALSE(cv.IsShown(1159));
  EXPECT_FALSE(cv.IsShown(1057));
  EXPECT_TRUE(cv.IsShown(1127));

  platform::RecordingDC dc;
  dc.SetPrinting(true);
  cv.Draw(dc, platform::CRect(0, 0, 2000, 2000));
  EXPECT_TRUE(Has(dc.Calls(), "Cursor Pos: 2"));

  // By time the cursors are dates and times, each whole on the form.
  v.Interval().SetMeasMode(COMeasInterval::kByTime);
  v.Interval().SetStartTime(base);
  v.Interval().SetEndTime(base + platform::CTimeSpan(3600));
  v.Interval().SetRightCursor(4);
  v.ReloadData();
  const QImage form = cv.grab().toImage();
  form.save(QString::fromStdString(::testing::TempDir() + "cursor_values.png"));
  EXPECT_TRUE(kovo::test::ShowsText(form, QString::fromStdString(cv.Text(1056)), cv.font()));
  EXPECT_TRUE(kovo::test::ShowsText(form, QString::fromStdString(cv.Text(1057)), cv.font()));
}

TEST_F(ViewsTest, ClosingTheCursorWindowEndsTheCursorMode) {
  layer.Cursors().SetCursorOn(true);
  { CCursorView cv(layer, &doc); }
  EXPECT_FALSE(layer.Cursors().IsCursorOn());
}

TEST_F(ViewsTest, ViewSettingsShowsTheSequenceThatCoversTheCursor) {
  COSequence& active = context->ActiveSequence();
  active.SetStart(base, 1);
  active.SetStop(base + platform::CTimeSpan(50), 5);
  active.Save();
  active.NewSequence();  // starts 60 seconds after the first one stopped
  const int second = active.GetNumCount();

  std::vector<int> shown;
  layer.showSequenceSettings = [&](COSequence& s) {
    shown.push_back(s.GetNumCount());
    EXPECT_TRUE(layer.Cursors().IsSettingsShown());
  };
  layer.Cursors().SetCursorOn(true);
  CNumView& v = OpenNumeric();
  v.Activated();
  CCursorView cv(layer, &doc);
  COMeas* left = v.Interval().GetLeftCursorMeas();
  left->SetMeasNo(9);
  const std::pair<int, int> cases[] = {{20, second - 1}, {500, second}};
  for (auto [seconds, expected] : cases) {
    left->SetTime(base + platform::CTimeSpan(seconds));
    cv.OnViewSettings();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), expected) << seconds;
  }
  EXPECT_FALSE(layer.Cursors().IsSettingsShown());
  shown.clear();
  left->SetTime(base - platform::CTimeSpan(3600));
  cv.OnViewSettings();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Unable to find sequence"}));
}

TEST_F(ViewsTest, StatusWindowBeforeTheFirstMeasurement) {
  CStatusView sv(layer, &doc);
  EXPECT_EQ(sv.Text(1108), "Idle");
  EXPECT_EQ(sv.Text(1107), "");
  EXPECT_EQ(sv.Text(1101), "");
  EXPECT_EQ(sv.Text(1094), "");
}

// A status window whose frame is made taller than its form (as a tile
// does) shows its rows from the top, as a form does; a shorter frame cuts
// off only the bottom.
TEST_F(ViewsTest, TheStatusWindowsRowsStandAtTheTopOfItsFrame) {
  CMainFrame frame;
  frame.resize(900, 800);
  frame.show();
  auto* view = new CStatusView(layer, &doc);
  QMdiSubWindow* sub = ShowView(frame, view);
  QApplication::processEvents();
  const int top = view->y();
  EXPECT_LE(top, sub->height() - sub->contentsRect().height() + 1);
  for (int extra : {200, -60}) {
    sub->resize(sub->width(), view->height() + top + extra);
    QApplication::processEvents();
    EXPECT_EQ(view->y(), top) << extra;
  }
  sub->resize(sub->width(), view->height() + top + 200);
  QApplication::processEvents();
  const QImage shot = sub->grab().toImage();
  shot.save(QString::fromStdString(::testing::TempDir() + "status_in_tall_frame.png"));
  const QImage upper = shot.copy(0, 0, shot.width(), top + view->height());
  EXPECT_TRUE(kovo::test::ShowsText(upper, "Status Information", view->font()));
  EXPECT_TRUE(kovo::test::ShowsText(upper, "Air Pressure", view->font()));
}

TEST_F(ViewsTest, TheTextWindowPrintsPagedAndIsNeverSaved) {
  views.push_back(std::make_unique<CPrintView>(layer, &doc));
  auto& pv = static_cast<CPrintView&>(*views.back());
  std::string text;
  for (int i = 1; i <= 100; ++i) text += "line " + std::to_string(i) + "\n";
  pv.SetText(text);
  platform::RecordingDC dc;
  dc.SetPrinting(true);
  const platform::CSize page(1000, 66 * platform::RecordingDC::kCharHeight);  // 66 lines of the recording font
  EXPECT_EQ(pv.PageCount(dc, page), 2);
  pv.DrawPage(dc, page, 2);
  EXPECT_TRUE(Has(dc.Calls(), "line 67"));
  EXPECT_FALSE(Has(dc.Calls(), "line 66\""));
  QPrinter printer;
  pv.PreparePrinter(printer);
  EXPECT_NEAR(printer.pageLayout().pageSize().size(QPageSize::Inch).height(), 11.0, 0.01);
  EXPECT_NEAR(printer.pageLayout().margins(QPageLayout::Inch).left(), 0.25, 0.01);

  OpenNumeric();
  layer.Store().Save();
  views.clear();
  std::vector<int> opened;
  for (int type = 0; type <= 5; ++type) layer.Registry().Register(type, [&opened, type] { opened.push_back(type); });
  layer.Store().Restore();
  EXPECT_EQ(opened, std::vector<int>{CMeasViewBase::kNumericType});
}

TEST_F(ViewsTest, TheColumnsPageKeepsTheGraphCurves) {
  COMeasInterval interval(*context);
  interval.GetColumns().clear();
  auto column = [&](int channel, unsigned char axis) {
    CColumn c(*context);
    c.SetChannel(static_cast<unsigned char>(channel));
    c.SetAxis(axis);
    c.SetSequence(&context->ActiveSequence(), &interval);
    interval.GetColumns().push_back(c);
  };
  column(0, 0);     // a curve of a graph
  column(1, 0xFF);  // numeric columns
  column(2, 0xFF);
  column(5, 1);  // another curve
  COYAxisPageNum page(*context, interval);
  ASSERT_EQ(page.Columns().size(), 2u);

  page.List().setCurrentRow(-1);
  page.OnInsertBefore();
  page.OnRemove();
  EXPECT_EQ(page.Columns().size(), 2u);  // nothing without a selection

  page.List().setCurrentRow(0);
  page.OnRemove();
  ASSERT_EQ(page.Columns().size(), 1u);
  EXPECT_EQ(page.List().currentRow(), 0);  // the new first entry
  EXPECT_EQ(page.Columns()[0].GetChannel(), 2);
  page.OnAddNew();
  page.Save();

  std::vector<std::pair<int, int>> kept;  // channel, axis
  for (const CColumn& c : interval.GetColumns()) kept.push_back({c.GetChannel(), c.GetAxis()});
  ASSERT_EQ(kept.size(), 4u);
  EXPECT_EQ(kept[0], std::make_pair(0, 0));
  EXPECT_EQ(kept[1], std::make_pair(5, 1));
  EXPECT_EQ(kept[2], std::make_pair(2, 0xFF));
  EXPECT_EQ(kept[3].second, 0xFF);
}

// A leak detector's pressure is a numeric column as it is a graph curve,
// in the pressure unit of the set-up.
TEST_F(ViewsTest, ALeakDetectorsPressureIsAColumn) {
  context->Instrument().SetInfo("Tebb", "1");
  COMeasInterval interval(*context);
  COYAxisPageNum page(*context, interval);
  const int pressure = page.Parameters().findData(7);
  ASSERT_GE(pressure, 0);
  EXPECT_EQ(page.Parameters().itemText(pressure), "Pressure");
  page.Parameters().setCurrentIndex(pressure);
  page.OnParameterChange();
  EXPECT_EQ(page.Units().currentText().toStdString(), setup->GetPressureUnit().GetText());
  page.OnAddNew();
  page.Save();
  ASSERT_FALSE(interval.GetColumns().empty());
  EXPECT_EQ(interval.GetColumns().back().GetChannel(), 7);
  EXPECT_EQ(interval.GetColumns().back().GetAxis(), 0xFF);

  context->Instrument().SetInfo("Kovo", "1");
  COYAxisPageNum other(*context, interval);
  EXPECT_LT(other.Parameters().findData(7), 0);
}

// The numeric window's sheet: the interval (span, time or number, rolling
// average) and its columns, opened again on the page last left until
// another task opens.
TEST_F(ViewsTest, ThePropertiesSheetHasTheIntervalAndReopensOnItsLastPageOfTheTask) {
  CNumView& v = OpenNumeric();
  std::vector<std::string> titles;
  int opened = -1;
  ModalWatch watch([&](platform::CDialog* d) {
    auto* sheet = dynamic_cast<COWindowPropertiesNum*>(d);
    if (sheet == nullptr) return;
    titles.clear();
    for (int p = 0; p < sheet->GetPageCount(); ++p) titles.push_back(sheet->GetPage(p)->windowTitle().toStdString());
    opened = sheet->GetActiveIndex();
    sheet->grab().save(QString::fromStdString(::testing::TempDir() + "numeric_properties.png"));
    sheet->SetActivePage(1);
    sheet->reject();
  });
  v.OnWindowProperties();
  EXPECT_EQ(titles, (std::vector<std::string>{"Interval", "Columns"}));
  EXPECT_EQ(opened, 0);
  v.OnWindowProperties();
  EXPECT_EQ(opened, 1);
  // Another task opens its windows: the first page again.
  layer.Store().Restore();
  v.OnWindowProperties();
  EXPECT_EQ(opened, 0);
}

}  // namespace
