// A graph window over a task too long to read at once: the read goes on on a
// thread of its own while the window says it is loading, a new interval
// takes the place of the one loading, a window closed meanwhile leaves its
// read to end on its own, a task closed meanwhile stops it, and a follow
// read so keeps the rows shown until the new ones come.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <memory>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DataTestSupport.h"
#include "GraphView.h"
#include "MeasReader.h"
#include "TestSupport.h"
#include "WindowLayer.h"
#include "ui/WinApp.h"

namespace {

using kovo::test::DataTest;

constexpr int kRows = 200000;

class LongReadTest : public DataTest {
 protected:
  // Measurements 1..kRows a second apart from base, gas A rising with the
  // number, water falling; an alarm every ten thousandth.
  LongReadTest() {
    NewTask("long");
    sqlite3* db = nullptr;
    sqlite3_open(setup->DataFile(setup->GetDatabaseName()).c_str(), &db);
    const std::string rows = std::to_string(kRows), start = std::to_string(base.GetTime());
    const std::string sql =
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " + rows +
        ") INSERT INTO [Meas] SELECT datetime(" + start + " + i, 'unixepoch', 'localtime'), i, i / 1000.0, 1, 1, 1, 1,"
        " 500 - i / 1000.0, NULL, 1013 FROM r;"
        "INSERT INTO [Event] SELECT [MeasTime], 2, 'alarm', 0 FROM [Meas] WHERE [MeasNo] % 10000 = 0;";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    context->SetDocument(&doc);
    setup->SetMeasDatabaseOpen(true);
  }
  ~LongReadTest() override {
    views.clear();
    context->SetDocument(nullptr);
  }

  // A graph of gas A and water over measurements first to last.
  CGraphView& OpenGraph(int first, int last) {
    views.push_back(std::make_unique<CGraphView>(layer, &doc));
    auto& v = static_cast<CGraphView&>(*views.back());
    v.resize(400, 300);
    Show(v, first, last);
    return v;
  }
  void Show(CGraphView& v, int first, int last) {
    COMeasInterval& i = v.Interval();
    i.SetMeasMode(COMeasInterval::kByNumber);
    i.MoveTo(platform::CTime(), last);
    i.SetLength(last - first + 1);
    GasAAndWaterColumns(i);
    v.ReloadData();
  }
  // Plays the user-interface thread until the window has its rows; false
  // when a minute was not enough.
  static bool WaitLoaded(CGraphView& v) {
    QElapsedTimer clock;
    clock.start();
    while (v.IsLoading() && clock.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return !v.IsLoading();
  }
  std::vector<std::string> Paint(CGraphView& v) {
    platform::RecordingDC dc;
    v.Draw(dc, platform::CRect(0, 0, 400, 300));
    return dc.Calls();
  }
  static bool Has(const std::vector<std::string>& calls, const std::string& part) {
    return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(part) != std::string::npos; });
  }

  QApplication* gui = platform::EnsureGuiApplication();
  platform::CTime base{2024, 5, 6, 10, 0, 0};
  CDocument doc;
  CWindowLayer layer{*context};
  std::vector<std::unique_ptr<CMeasViewBase>> views;
};

TEST_F(LongReadTest, ALongReadGoesOnOffTheWindowsThreadAndEndsWithEveryRowAndFigure) {
  CGraphView& v = OpenGraph(1, kRows);
  ASSERT_TRUE(v.IsLoading());
  EXPECT_TRUE(Has(Paint(v), "Loading the measurements"));
  ASSERT_TRUE(WaitLoaded(v));
  const auto calls = Paint(v);
  EXPECT_FALSE(Has(calls, "Loading the measurements"));
  EXPECT_EQ(v.LastMeasNo(), kRows);
  EXPECT_EQ(v.Nearest(-1)->GetMeasNo(), 1);
  // The figures made on the read's thread are those of a pass here.
  COMeasInterval here = v.Interval();
  COMeasBuffer rows(*context);
  rows.SetInterval(&here);
  here.LoadData(rows);
  for (int axis = 0; axis < 2; ++axis) {
    EXPECT_EQ(v.Interval().GetDataMin(axis), here.GetDataMin(axis));
    EXPECT_EQ(v.Interval().GetDataMax(axis), here.GetDataMax(axis));
  }
  EXPECT_EQ(v.Interval().GetDataMax(0), static_cast<float>(kRows / 1000.0));
}

TEST_F(LongReadTest, AnIntervalAskedForWhileLoadingTakesItsPlace) {
  CGraphView& v = OpenGraph(1, kRows);
  ASSERT_TRUE(v.IsLoading());
  // A short one is read at once; the long one never shows.
  Show(v, kRows - 99, kRows);
  EXPECT_FALSE(v.IsLoading());
  for (int k = 0; k < 20; ++k) QApplication::processEvents(QEventLoop::AllEvents, 20);
  Paint(v);
  EXPECT_EQ(v.Nearest(-1)->GetMeasNo(), kRows - 99);
  // A long one after a long one: the second's rows come.
  Show(v, 1, kRows);
  ASSERT_TRUE(v.IsLoading());
  Show(v, 11, kRows - 10);
  ASSERT_TRUE(WaitLoaded(v));
  Paint(v);
  EXPECT_EQ(v.Nearest(-1)->GetMeasNo(), 11);
  EXPECT_EQ(v.LastMeasNo(), kRows - 10);
}

TEST_F(LongReadTest, AWindowClosedWhileLoadingLeavesItsReadBehindSafely) {
  for (int round = 0; round < 3; ++round) {
    OpenGraph(1, kRows);
    ASSERT_TRUE(static_cast<CGraphView&>(*views.back()).IsLoading());
    // Closed at once, and after its read had gone on a while.
    if (round > 0)
      for (int k = 0; k < round * 5; ++k) QApplication::processEvents(QEventLoop::AllEvents, 20);
    views.pop_back();
  }
  // Nothing is delivered to the windows that went.
  for (int k = 0; k < 20; ++k) QApplication::processEvents(QEventLoop::AllEvents, 20);
  CGraphView& v = OpenGraph(kRows - 9, kRows);
  EXPECT_FALSE(v.IsLoading());
  Paint(v);
  EXPECT_EQ(v.LastMeasNo(), kRows);
}

TEST_F(LongReadTest, AFollowThatReadsTheIntervalAgainKeepsWhatTheWindowShowsMeanwhile) {
  CGraphView& v = OpenGraph(1, kRows);
  ASSERT_TRUE(WaitLoaded(v));
  // An interval by number is read whole again on every sample.
  v.FollowData();
  ASSERT_TRUE(v.IsLoading());
  const auto calls = Paint(v);
  EXPECT_FALSE(Has(calls, "Loading the measurements"));
  EXPECT_EQ(v.LastMeasNo(), kRows);
  ASSERT_NE(v.Nearest(-1), nullptr);
  EXPECT_EQ(v.Nearest(-1)->GetMeasNo(), 1);
  ASSERT_TRUE(WaitLoaded(v));
  Paint(v);
  EXPECT_EQ(v.LastMeasNo(), kRows);
}

TEST_F(LongReadTest, CursorsDraggedWhileAFollowReadsKeepTheirOwnFigures) {
  layer.Cursors().SetCursorOn(true);
  CGraphView& v = OpenGraph(1, kRows);
  ASSERT_TRUE(WaitLoaded(v));
  v.FollowData();
  ASSERT_TRUE(v.IsLoading());
  // A drag over the rows shown meanwhile.
  Paint(v);
  const platform::CRect plot = v.PlotRect();
  const int y = (plot.top + plot.bottom) / 2;
  v.SetActivationTime(std::chrono::steady_clock::now() - std::chrono::seconds(5));
  v.ButtonDown(platform::CPoint(plot.left + plot.Width() / 4, y), false);
  v.ButtonUp(platform::CPoint(plot.left + plot.Width() / 2, y));
  COMeasInterval& in = v.Interval();
  const int left = in.GetLeftCursor(), right = in.GetRightCursor();
  ASSERT_GT(left, 0);
  ASSERT_GT(right, left);
  ASSERT_TRUE(WaitLoaded(v));
  EXPECT_EQ(in.GetLeftCursorMeas()->GetMeasNo(), left);
  EXPECT_EQ(in.GetRightCursorMeas()->GetMeasNo(), right);
  // Gas A is the number over a thousand: its mean between the cursors.
  EXPECT_NEAR(in.GetColumns()[0].GetStatistics().GetAverage(), (left + right) / 2000.0, 1e-3);
}

TEST_F(LongReadTest, ATaskClosedWhileLoadingStopsTheReadAndTakesNoRows) {
  CGraphView& v = OpenGraph(1, kRows);
  ASSERT_TRUE(v.IsLoading());
  // A sample came meanwhile: the follow it asked for is dropped with the read.
  v.FollowData();
  doc.m_bAutoDelete = false;
  doc.OnCloseDocument();
  EXPECT_FALSE(v.IsLoading());
  // A window's read of the same rows started after it: once that has
  // delivered, the stopped read would have too.
  CGraphView& other = OpenGraph(1, kRows);
  ASSERT_TRUE(WaitLoaded(other));
  for (int k = 0; k < 5; ++k) QApplication::processEvents(QEventLoop::AllEvents, 20);
  Paint(v);
  EXPECT_EQ(v.LastMeasNo(), 0);
  EXPECT_EQ(v.Nearest(-1), nullptr);
}

}  // namespace
