#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <tuple>

#include "Axis.h"
#include "COSequence.h"
#include "Curve.h"
#include "DBDoc.h"
#include "DataTestSupport.h"
#include "GraphView.h"
#include "Legend.h"
#include "ObserverSteps.h"
#include "StringEx.h"
#include "TaskRecords.h"
#include "core/Shell.h"
#include "core/Text.h"
#include "TestSupport.h"
#include "WindowLayer.h"
#include "WindowStore.h"
#include "ui/PainterDC.h"
#include "ui/WinApp.h"
#include "../DialogFixture.h"
#include "../ModalWatch.h"
#include "GraphProperties.h"

namespace {

using kovo::test::DataTest;

bool Has(const std::vector<std::string>& calls, const std::string& part) {
  return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(part) != std::string::npos; });
}

int Count(const std::vector<std::string>& calls, const std::string& part) {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.find(part) != std::string::npos; }));
}

// The texts drawn, in order.
std::vector<std::string> Texts(const std::vector<std::string>& calls) {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.rfind("DrawText \"", 0) == 0) out.push_back(c.substr(10, c.find('"', 10) - 10));
  return out;
}

// --- the axes on their own ---

class GraphAxisTest : public DataTest {
 protected:
  // The left axis fixed from min to max.
  COMeasInterval Fixed(float min, float max) {
    COMeasInterval i(*context);
    i.SetAutoScaleMode(0, 2);
    i.SetScaleMin(0, min);
    i.SetScaleMax(0, max);
    return i;
  }
};

TEST_F(GraphAxisTest, VerticalTickTable) {
  struct Case {
    const char* name;
    float min, max;
    int labelSlots;
    double step;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {"four slots over ten", 0.0f, 10.0f, 4, 2.5, {"0.0", "2.5", "5.0", "7.5", "10.0"}},
      {"raw 0.03 takes magnitude 0.1", 0.0f, 0.12f, 4, 0.05, {"0.00", "0.05", "0.10"}},
      {"negative minimum", -3.7f, 0.25f, 4, 1.0, {"-3", "-2", "-1", "0"}},
      {"beyond the table", 0.0f, 95.0f, 1, 100.0, {"0"}},
      {"a million and more", 0.0f, 4e6f, 4, 1e6, {"0", "1000000", "2.000e+06", "3.000e+06", "4.000e+06"}},
  };
  const int label = 16;
  for (const Case& c : cases) {
    COMeasInterval in = Fixed(c.min, c.max);
    CYAxis axis;
    axis.SetWindowData(&in);
    axis.SetLabelSize(label);
    const int available = c.labelSlots * (3 + label);
    const double step = axis.TickStep(available);
    EXPECT_NEAR(step, c.step, 1e-9) << c.name;
    std::vector<std::string> labels;
    for (double v : axis.Ticks(step, available)) {
      CStringEx s;
      s.AxisFormat(v, step);
      labels.push_back(s.GetString());
    }
    EXPECT_EQ(labels, c.labels) << c.name;
  }
}

TEST_F(GraphAxisTest, NoTicksWithoutARangeOrARoomForOneLabel) {
  struct Case {
    const char* name;
    float min, max;
    int available;
  };
  const Case cases[] = {
      {"minimum equals maximum", 5.0f, 5.0f, 400},
      {"maximum below minimum", 5.0f, 1.0f, 400},
      {"lower than one label", 0.0f, 10.0f, 18},
      {"no height at all", 0.0f, 10.0f, 0},
      {"negative height", 0.0f, 10.0f, -50},
  };
  for (const Case& c : cases) {
    COMeasInterval in = Fixed(c.min, c.max);
    CYAxis axis;
    axis.SetWindowData(&in);
    axis.SetLabelSize(16);
    EXPECT_EQ(axis.TickStep(c.available), 0.0) << c.name;
    platform::RecordingDC dc;
    CODCWrapper w(&dc);
    platform::CSize area(300, c.available);
    axis.Draw(&w, &area);
    EXPECT_TRUE(Texts(dc.Calls()).empty()) << c.name;
    EXPECT_EQ(Count(dc.Calls(), "LineTo"), 1) << c.name;  // the axis line alone
  }
}

TEST_F(GraphAxisTest, TheTickCountIsBoundedByTheLabelSlots) {
  // A range of ten orders of magnitude over a table step: never more
  // labels than fit.
  COMeasInterval in = Fixed(0.0f, 1e10f);
  CYAxis axis;
  axis.SetWindowData(&in);
  axis.SetLabelSize(16);
  const double step = axis.TickStep(10 * 19);
  ASSERT_GT(step, 0.0);
  EXPECT_LE(axis.Ticks(step, 10 * 19).size(), 12u);
  EXPECT_TRUE(axis.Ticks(std::nan(""), 190).empty());
  EXPECT_TRUE(axis.Ticks(-1.0, 190).empty());
}

TEST_F(GraphAxisTest, HorizontalTickTable) {
  struct Case {
    const char* name;
    int mode;
    long start, end;
    int width;
    long step;
    std::vector<long> ticks;  // empty: not checked
  };
  const Case cases[] = {
      // 37 + 3 units a label: 10 labels on 400 units.
      {"numbers", COMeasInterval::kByNumber, 20, 119, 400, 10, {20, 30, 40, 50, 60, 70, 80, 90, 100, 110}},
      {"start off the step", COMeasInterval::kByNumber, 3, 30, 400, 5, {5, 10, 15, 20, 25, 30}},
      {"one measurement", COMeasInterval::kByNumber, 7, 7, 400, 1, {7}},
      {"beyond 10000 a label", COMeasInterval::kByNumber, 1, 200001, 400, 400, {}},
      {"an hour", COMeasInterval::kByTime, 1700000000, 1700003600, 400, 600, {}},
      {"beyond 200 days a label", COMeasInterval::kByTime, 0, 17280000L * 11, 400, 400, {}},
      {"narrower than a label", COMeasInterval::kByNumber, 1, 100, 39, 0, {}},
  };
  for (const Case& c : cases) {
    COMeasInterval in(*context);
    in.SetMeasMode(static_cast<unsigned char>(c.mode));
    if (c.mode == COMeasInterval::kByNumber) {
      in.MoveTo(platform::CTime(), static_cast<int>(c.end));
      in.SetLength(static_cast<int>(c.end - c.start + 1));
    } else {
      in.SetEndTime(platform::CTime(static_cast<time_t>(c.end)));
      in.SetStartTime(platform::CTime(static_cast<time_t>(c.start)));
    }
    CXAxis axis;
    axis.SetWindowData(&in);
    axis.SetLabelSize(37);
    EXPECT_EQ(axis.TickStep(c.width), c.step) << c.name;
    if (!c.ticks.empty()) EXPECT_EQ(axis.Ticks(c.step), c.ticks) << c.name;
  }
}

TEST_F(GraphAxisTest, TimeTicksCarryTwoLinesNumbersOnlyAboveZero) {
  COMeasInterval in(*context);
  CXAxis axis;
  axis.SetWindowData(&in);
  axis.SetLabelSize(60);
  axis.SetExtent(0, 600);
  in.SetEndTime(platform::CTime(2024, 5, 6, 11, 0, 0));
  in.SetStartTime(platform::CTime(2024, 5, 6, 10, 0, 0));
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  platform::CSize area(600, 100);
  axis.Draw(&w, &area);
  const std::vector<std::string> t = Texts(dc.Calls());
  // Ten slots over an hour: ten-minute steps, date and time under each.
  ASSERT_EQ(t.size(), 14u);
  EXPECT_EQ(t[0], "24-05-06");
  EXPECT_EQ(t[1], "10:00:00");
  EXPECT_EQ(t[3], "10:10:00");
  // Two label lines: 2 × 16 + 3 gaps + line offset + tick above the bottom.
  EXPECT_EQ(area.cy, 100 - 32 - 9 - 1 - 4);

  in.SetMeasMode(COMeasInterval::kByNumber);
  in.MoveTo(platform::CTime(), 3);
  in.SetLength(6);  // -2 to 3
  axis.SetLabelSize(10);
  dc.Clear();
  area = platform::CSize(600, 100);
  axis.Draw(&w, &area);
  EXPECT_EQ(Texts(dc.Calls()), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(area.cy, 100 - 1 - 3 - 16 - 4);
}

TEST_F(GraphAxisTest, LegendLines) {
  COMeasInterval in(*context);
  CColumn a(*context);
  a.SetChannel(0);
  a.SetUnit(COConcUnit::ppm);
  a.SetPenStyle(platform::PS_DOT);
  a.SetSequence(&context->ActiveSequence(), &in);
  const std::string text = CLegend::Text(a);
  EXPECT_EQ(text.substr(0, 3), "A: ");
  EXPECT_EQ(text.substr(text.size() - 6), " (ppm)");
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  platform::CSize area(400, 300);
  CLeftLegend left;
  left.SetSecond(16);
  left.SetEntry(1, &a);
  left.Draw(&w, &area);
  CRightLegend right;
  right.SetSecond(16);
  right.SetEntry(0, &a);
  right.Draw(&w, &area);
  const int tw = static_cast<int>(text.size()) * platform::RecordingDC::kCharWidth;
  const auto& calls = dc.Calls();
  ASSERT_EQ(calls.size(), 6u);
  // Row 1 on the left: the sample at y = 6 + 16 + 8, the text beside it.
  EXPECT_EQ(calls[0], "MoveTo 6,30");
  EXPECT_EQ(calls[1], "LineTo 22,30 pen 2/1/0000FF");
  EXPECT_EQ(calls[2], "DrawText \"" + text + "\" 28,22,394,38 fmt 24");
  // Row 0 on the right: the sample ends two margins before the text.
  EXPECT_EQ(calls[3], platform::Format("MoveTo %d,14", 400 - 12 - 16 - tw));
  EXPECT_EQ(calls[4], platform::Format("LineTo %d,14 pen 2/1/0000FF", 400 - 12 - tw));
  EXPECT_EQ(calls[5], "DrawText \"" + text + "\" 0,6,394,22 fmt 26");

  // The Calibration program's legend leaves the letter out.
  dc.Clear();
  left.SetWithLetter(false);
  left.Draw(&w, &area);
  ASSERT_EQ(dc.Calls().size(), 3u);
  EXPECT_EQ(dc.Calls()[2], "DrawText \"" + text.substr(3) + "\" 28,22,394,38 fmt 24");
}

// --- the curves on their own ---

// Many measurements in a narrow plot: the picture is the size of the plot
// and covers the same pixels as every segment drawn one by one.
TEST_F(GraphAxisTest, CurvesThroughManyMeasurementsKeepTheirPicture) {
  const int n = 20000, cx = 200, cy = 150;
  COMeasInterval in(*context);
  in.SetMeasMode(COMeasInterval::kByNumber);
  in.MoveTo(platform::CTime(), n);
  in.SetLength(n);
  in.SetAutoScaleMode(0, 2);
  in.SetScaleMin(0, 0.0f);
  in.SetScaleMax(0, 100.0f);
  in.GetColumns().clear();
  CColumn a(*context);
  a.SetChannel(0);
  a.SetAxis(0);
  a.SetUnit(COConcUnit::ppm);
  a.SetSequence(&context->ActiveSequence(), &in);
  in.GetColumns().push_back(a);
  std::vector<COMeas> ms(n);
  unsigned seed = 7;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    ms[i].SetMeasNo(i + 1);
    // Now and then a value beyond the axis, an absent value, a stop.
    float value = static_cast<float>(seed % 1000) / 10.0f;
    if (i % 1000 == 500) value = 150.0f;
    if (i % 2000 != 1999) ms[i].SetValue(0, value);
    if (i % 4999 == 4998) ms[i].AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
  }
  std::vector<const COMeas*> index;
  for (const COMeas& m : ms) index.push_back(&m);
  CCurve curve(*context);
  curve.SetData(&in, &index, &in.GetColumns());

  auto image = [] {
    QImage im(200, 150, QImage::Format_RGB32);
    im.fill(Qt::white);
    return im;
  };
  QImage ours = image(), naive = image();
  {
    QPainter p(&ours);
    platform::CPainterDC dc(&p);
    dc.SaveDC();
    CODCWrapper w(&dc);
    platform::CSize area(cx, cy);
    int last = 0;
    curve.Draw(&w, &area, &last);
    dc.RestoreDC();
    EXPECT_EQ(last, n);
  }
  EXPECT_LT(curve.PictureSize(), 8u * cx);
  {
    // Segment by segment, each measurement's stop marker after the segment
    // that ends there.
    QPainter p(&naive);
    auto x = [&](int no) { return static_cast<int>(std::trunc((no - 1.0) / (n - 1) * cx)); };
    // The values span the plot less a tick's length at the bottom and top.
    auto y = [&](double v) { return static_cast<int>(std::trunc(cy - 4 - v / 100.0 * (cy - 8))); };
    auto marker = [&](const COMeas& m) {
      if (!m.HasEvent(COEvent::typeTaskStopped)) return;
      p.fillRect(QRect(x(m.GetMeasNo()) - 3, 0, 3, 1), QColor(128, 128, 128));
      p.fillRect(QRect(x(m.GetMeasNo()), 0, 1, cy), QColor(128, 128, 128));
    };
    p.setPen(QPen(QColor(255, 0, 0), 1));
    marker(ms[0]);
    for (int i = 1; i < n; ++i) {
      const COMeas& a0 = ms[i - 1];
      const COMeas& b0 = ms[i];
      const double va = GetConvertedValue(*context, a0, 0, COConcUnit::ppm).GetValue();
      const double vb = GetConvertedValue(*context, b0, 0, COConcUnit::ppm).GetValue();
      const bool drawn = a0.IsValueValid(0) && b0.IsValueValid(0) && !a0.HasEvent(COEvent::typeTaskStopped) &&
                         ((va >= 0 && va <= 100) || (vb >= 0 && vb <= 100));
      if (drawn) p.drawLine(x(a0.GetMeasNo()), y(va), x(b0.GetMeasNo()), y(vb));
      marker(b0);
    }
  }
  int differing = 0;
  for (int yy = 0; yy < cy; ++yy)
    for (int xx = 0; xx < cx; ++xx) differing += ours.pixel(xx, yy) != naive.pixel(xx, yy);
  EXPECT_EQ(differing, 0);
}

TEST_F(GraphAxisTest, EveryCurveGetsItsPenHoweverManyThereAre) {
  COMeasInterval in(*context);
  in.SetMeasMode(COMeasInterval::kByNumber);
  in.MoveTo(platform::CTime(), 2);
  in.SetLength(2);
  in.GetColumns().clear();
  for (int k = 0; k < 60; ++k) {
    CColumn c(*context);
    c.SetChannel(static_cast<unsigned char>(k % 5));
    c.SetAxis(0);
    c.SetUnit(COConcUnit::ppm);
    c.SetCustomColor(static_cast<platform::COLORREF>(k + 1));
    c.SetSequence(&context->ActiveSequence(), &in);
    in.GetColumns().push_back(c);
  }
  in.SetAutoScaleMode(0, 2);
  std::vector<COMeas> ms(2);
  for (int i = 0; i < 2; ++i) {
    ms[i].SetMeasNo(i + 1);
    for (int ch = 0; ch < 5; ++ch) ms[i].SetValue(ch, 10.0f * (i + 1));
  }
  std::vector<const COMeas*> index{&ms[0], &ms[1]};
  CCurve curve(*context);
  curve.SetData(&in, &index, &in.GetColumns());
  platform::RecordingDC dc;
  dc.SaveDC();
  CODCWrapper w(&dc);
  platform::CSize area(100, 100);
  int last = 0;
  curve.Draw(&w, &area, &last);
  EXPECT_EQ(Count(dc.Calls(), "LineTo 100,59"), 60);
  EXPECT_TRUE(Has(dc.Calls(), "pen 0/1/00003C"));  // the sixtieth
}

// --- the graph window over a task ---

// Five measurements by number with every gas and water = 10 * number; a
// start at 1, a comment at 2, an alarm on gas A at 3, a stop at 5. Gas A on
// the left axis, water on the right, both in ppm.
class GraphTest : public DataTest {
 protected:
  GraphTest() {
    NewTask("graph");
    context->SetDocument(&doc);
    kovo::test::ObserverSteps store(*context);
    for (int k = 1; k <= 5; ++k) {
      COMeas m = kovo::test::MakeMeas(base, k * 10, 0, 10.0f * k);
      if (k == 1) m.AddEvent(COEvent(COEvent::typeTaskStarted, "start", 0.0f));
      if (k == 2) m.AddEvent(COEvent(COEvent::typeComment, "  note ", 0.0f));
      if (k == 3) m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 0.0f));
      if (k == 5) m.AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
      store.Write(m);
    }
    store.Close();
    setup->SetMeasDatabaseOpen(true);
  }
  ~GraphTest() override {
    views.clear();
    context->SetDocument(nullptr);
  }
  CGraphView& OpenGraph() {
    views.push_back(std::make_unique<CGraphView>(layer, &doc));
    auto* v = static_cast<CGraphView*>(views.back().get());
    if (!layer.Store().IsRestoring()) {
      COMeasInterval& i = v->Interval();
      i.SetMeasMode(COMeasInterval::kByNumber);
      i.MoveTo(platform::CTime(), 5);
      i.SetLength(5);
      i.GetColumns().clear();
      for (int ch : {0, 5}) {
        CColumn c(*context);
        c.SetChannel(static_cast<unsigned char>(ch));
        c.SetAxis(ch == 0 ? 0 : 1);
        c.SetColorIndex(static_cast<unsigned char>(ch));
        c.SetUnit(COConcUnit::ppm);
        c.SetSequence(&context->ActiveSequence(), &i);
        i.GetColumns().push_back(c);
      }
      v->ReloadData();
    }
    v->resize(400, 300);
    return *v;
  }
  std::vector<std::string> Paint(CGraphView& v, int cx = 400, int cy = 300) {
    platform::RecordingDC dc;
    v.Draw(dc, platform::CRect(0, 0, cx, cy));
    return dc.Calls();
  }

  QApplication* gui = platform::EnsureGuiApplication();
  platform::CTime base{2024, 5, 6, 10, 0, 0};
  CDocument doc;
  CWindowLayer layer{*context};
  std::vector<std::unique_ptr<CMeasViewBase>> views;
};

TEST_F(GraphTest, WhatTheGraphDraws) {
  CGraphView& v = OpenGraph();
  EXPECT_EQ(v.GetWindowTitle(), "Graphic Window 1");
  const auto calls = Paint(v);
  // Legends: a row of 16 with a 6 margin, then the block of 16 + 8 + 6.
  const auto texts = Texts(calls);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].substr(0, 3), "A: ");
  EXPECT_EQ(texts[1].substr(0, 3), "W: ");
  // Labels of 10 to 50 by 5 take 16 + tick 4 + 4 gaps + 1: 33 units a side;
  // the x axis (one label line) stands 24 above the bottom.
  EXPECT_EQ(v.PlotRect(), platform::CRect(33, 38, 367, 276));
  EXPECT_TRUE(Has(calls, "MoveTo 33,276"));
  EXPECT_TRUE(Has(calls, "LineTo 367,276 pen 0/1/000000"));
  for (const char* label : {"\"1\" -167,284", "\"2\" -84,284", "\"3\" 0,284", "\"4\" 83,284", "\"5\" 167,284"})
    EXPECT_TRUE(Has(calls, std::string("DrawText ") + label)) << label;
  // Left labels right-aligned before the axis, right ones after it. The
  // values span the plot less a tick's length (4) at the bottom and top:
  // 10 stands at 272, above the x axis, and 50 at 42, below the top line.
  EXPECT_TRUE(Has(calls, "DrawText \"10\" -975,256,25,288 fmt 26"));
  EXPECT_TRUE(Has(calls, "DrawText \"50\" -975,26,25,58 fmt 26"));
  EXPECT_TRUE(Has(calls, "DrawText \"10\" 375,256,1375,288 fmt 24"));
  // The grey line along the top of the plot.
  EXPECT_TRUE(Has(calls, "FillSolidRect 34,38,366,39 C0C0C0"));
  // Gas A through its five points, water the same in its own colour; the
  // lowest and the highest clear of the plot's edges.
  const char* path[] = {"MoveTo 33,272", "LineTo 116,214 pen 0/1/0000FF", "LineTo 200,157 pen 0/1/0000FF",
                        "LineTo 283,99 pen 0/1/0000FF", "LineTo 367,42 pen 0/1/0000FF"};
  auto it = std::find(calls.begin(), calls.end(), std::string("IntersectClipRect 34,35,367,276"));
  ASSERT_NE(it, calls.end());
  for (const char* step : path) {
    it = std::find(it, calls.end(), std::string(step));
    EXPECT_NE(it, calls.end()) << step;
  }
  EXPECT_TRUE(Has(calls, "LineTo 367,42 pen 0/1/CF00EF"));
  // Markers: start flag and line, the comment's line and text, the alarm on
  // gas A's curve, the stop's flag to the left.
  EXPECT_TRUE(Has(calls, "FillSolidRect 33,38,36,39 808080"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 33,38,34,276 808080"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 116,38,117,276 C00000"));
  EXPECT_TRUE(Has(calls, "DrawText \"note\" 16,-62,216,38 fmt 29"));
  EXPECT_EQ(Count(calls, "Polygon"), 1);
  EXPECT_TRUE(Has(calls, "Polygon 200,157 197,154 203,154"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 364,38,367,39 808080"));
  EXPECT_EQ(v.LastMeasNo(), 5);
  // A repaint replays the same picture.
  EXPECT_EQ(Paint(v), calls);
}

// A zero-air plateau at the lowest value and a span line at the highest,
// as a calibration draws them: each stands inside the plot, clear of the x
// axis below and the top line above, on the screen and on paper.
TEST_F(GraphTest, FlatLinesAtTheLowestAndHighestValueStandInsideThePlot) {
  {
    kovo::test::ObserverSteps store(*context);
    for (int k = 6; k <= 15; ++k) {
      COMeas m = kovo::test::MakeMeas(base, 10 * k, 0, k <= 10 ? 0.0f : 100.0f);
      store.Write(m);
    }
    store.Close();
  }
  CGraphView& v = OpenGraph();
  v.Interval().MoveTo(platform::CTime(), 15);
  v.Interval().SetLength(10);
  v.Interval().GetColumns().pop_back();  // water would cover gas A
  v.ReloadData();
  // The rows where gas A's curve runs along a quarter of the plot or more.
  const auto flatRows = [&](const QImage& picture) {
    const platform::CRect plot = v.PlotRect();
    std::vector<int> rows;
    for (int y = std::max(0, plot.top - 5); y <= std::min(picture.height() - 1, plot.bottom + 5); ++y) {
      int red = 0;
      for (int x = plot.left; x < plot.right; ++x) red += picture.pixelColor(x, y) == QColor(255, 0, 0);
      if (red >= plot.Width() / 4) rows.push_back(y);
    }
    return rows;
  };
  QImage screen(400, 300, QImage::Format_RGB32);
  {
    QPainter painter(&screen);
    platform::CPainterDC dc(&painter);
    v.Draw(dc, platform::CRect(0, 0, 400, 300));
  }
  const platform::CRect onScreen = v.PlotRect();
  const std::vector<int> screenRows = flatRows(screen);
  QImage paper(850, 1100, QImage::Format_RGB32);
  paper.fill(Qt::white);
  {
    QPainter painter(&paper);
    platform::CPainterDC dc(&painter);
    dc.SetPrinting(true);
    v.DrawPage(dc, platform::CSize(850, 1100), 1);
  }
  const platform::CRect onPaper = v.PlotRect();
  const std::vector<int> paperRows = flatRows(paper);
  screen.save(QString::fromStdString(::testing::TempDir() + "graph_flat_lines.png"));
  for (const auto& [where, rows, plot] : {std::make_tuple("screen", screenRows, onScreen),
                                          std::make_tuple("paper", paperRows, onPaper)}) {
    ASSERT_EQ(rows.size(), 2u) << where;
    EXPECT_GT(rows.front(), plot.top) << where;  // the span line below the top line
    EXPECT_LT(rows.back(), plot.bottom) << where;  // the plateau above the x axis
  }
}

TEST_F(GraphTest, AStopEndsTheLinesAndAGapBreaksOnlyItsCurve) {
  {
    kovo::test::ObserverSteps store(*context);
    COMeas m6 = kovo::test::MakeMeas(base, 60, 0, 60.0f);
    m6.SetValue(5, 3.4e38f);  // no water
    store.Write(m6);
    COMeas m7 = kovo::test::MakeMeas(base, 70, 0, 70.0f);
    store.Write(m7);
    store.Close();
  }
  CGraphView& v = OpenGraph();
  v.Interval().MoveTo(platform::CTime(), 7);
  v.Interval().SetLength(7);
  v.ReloadData();
  const auto calls = Paint(v);
  // x of 6 and 7: 278 and 334 in the plot; gas A of 60 and 70 on 10 to 70.
  EXPECT_FALSE(Has(calls, "LineTo 311,80 pen 0/1/0000FF"));  // not from the stop at 5
  EXPECT_TRUE(Has(calls, "MoveTo 311,80"));
  EXPECT_TRUE(Has(calls, "LineTo 367,42 pen 0/1/0000FF"));
  EXPECT_FALSE(Has(calls, "LineTo 367,42 pen 0/1/CF00EF"));  // water is absent at 6
  EXPECT_TRUE(Has(calls, "pen 0/1/CF00EF"));
}

TEST_F(GraphTest, DegenerateIntervalsDraw) {
  CGraphView& v = OpenGraph();
  struct Case {
    const char* name;
    std::function<void(COMeasInterval&)> set;
    std::vector<std::string> expected;  // parts of calls
  };
  const Case cases[] = {
      {"one measurement",
       [](COMeasInterval& i) {
         i.MoveTo(platform::CTime(), 3);
         i.SetLength(1);
       },
       {"DrawText \"3\""}},
      {"from equal to to, by time",
       [this](COMeasInterval& i) {
         i.SetMeasMode(COMeasInterval::kByTime);
         i.SetEndTime(base + platform::CTimeSpan(30));
         i.SetStartTime(base + platform::CTimeSpan(30));
       },
       {"DrawText \"10:00:30\""}},
      {"a fixed axis of no height",
       [](COMeasInterval& i) {
         i.SetAutoScaleMode(0, 2);
         i.SetScaleMin(0, 5.0f);
         i.SetScaleMax(0, 5.0f);
       },
       {"LineTo 367,"}},
      {"a point far above a narrow axis",
       [](COMeasInterval& i) {
         i.SetAutoScaleMode(0, 2);
         i.SetScaleMin(0, 10.0f);
         i.SetScaleMax(0, 10.001f);
       },
       // Gas A from 10 (in range) to 20, millions of units above the plot:
       // the line leaves towards that point and ends 100000 above the plot.
       {"MoveTo 73,276", "LineTo 76,-99962 pen 0/1/0000FF"}},
      {"an empty interval",
       [this](COMeasInterval& i) {
         i.SetMeasMode(COMeasInterval::kByTime);
         i.SetEndTime(base - platform::CTimeSpan(100));
         i.SetStartTime(base - platform::CTimeSpan(200));
       },
       {"C0C0C0"}},
  };
  const COMeasInterval original = v.Interval();
  for (const Case& c : cases) {
    v.Interval() = original;
    c.set(v.Interval());
    v.ReloadData();
    for (platform::CSize size : {platform::CSize(400, 300), platform::CSize(1, 1), platform::CSize(0, 0)}) {
      const auto calls = Paint(v, size.cx, size.cy);
      if (size.cx == 400)
        for (const std::string& part : c.expected) EXPECT_TRUE(Has(calls, part)) << c.name << " " << part;
      for (const std::string& call : calls) {
        EXPECT_EQ(call.find("2147483647"), std::string::npos) << c.name << ": " << call;
        EXPECT_EQ(call.find("-2147483648"), std::string::npos) << c.name << ": " << call;
      }
    }
  }
}

TEST_F(GraphTest, NearestMeasurement) {
  CGraphView& v = OpenGraph();
  Paint(v);
  // Positions in the plot: 0, 83, 167, 250, 334.
  const std::pair<int, int> cases[] = {{-1, 1}, {0, 1},   {41, 1},  {42, 2},   {125, 3},
                                       {124, 2}, {291, 4}, {292, 5}, {334, 5}, {5000, 5}};
  for (auto [x, no] : cases) {
    const COMeas* m = v.Nearest(x);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetMeasNo(), no) << x;
  }
  // A window narrower than 25 text heights is drawn at that width.
  Paint(v, 2, 300);
  EXPECT_EQ(v.PlotRect().Width(), 25 * 16 - 66);
}

TEST_F(GraphTest, CursorDragAndZoom) {
  layer.Cursors().SetCursorOn(true);
  CGraphView& v = OpenGraph();
  Paint(v);
  const int left = v.PlotRect().left, mid = v.PlotRect().top + 100;
  // The click that activates the window starts no drag.
  v.Activated();
  v.ButtonDown(platform::CPoint(left + 83, mid), false);
  EXPECT_FALSE(v.IsDragging());
  v.ButtonUp(platform::CPoint(left + 250, mid));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 0);
  // The next one does.
  v.ButtonDown(platform::CPoint(left + 83, mid), false);
  ASSERT_TRUE(v.IsDragging());
  v.MouseMove(platform::CPoint(left + 250, mid));
  EXPECT_TRUE(Has(Paint(v), "FillSolidRect 115,38,118,"));  // a drag mark
  v.ButtonUp(platform::CPoint(left + 250, mid));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 2);
  EXPECT_EQ(v.Interval().GetRightCursor(), 4);
  const COMeasStatistics& s = v.Interval().GetColumns()[0].GetStatistics();
  EXPECT_EQ(s.m_count, 3u);
  EXPECT_NEAR(s.GetAverage(), 30.0, 1e-4);
  v.Interval().SetLeftCursor(2);
  // The cursor lines and their caps in navy.
  const auto calls = Paint(v);
  EXPECT_TRUE(Has(calls, "FillSolidRect 116,38,117,276 800000"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 113,38,120,39 800000"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 283,38,284,276 800000"));
  // Outside the plot (and its 5 units around) a click does nothing.
  v.ButtonDown(platform::CPoint(left - 6, mid), false);
  EXPECT_FALSE(v.IsDragging());

  // Shift moves only the drag end: from 2 back to 1.
  v.ButtonDown(platform::CPoint(left, mid), true);
  v.ButtonUp(platform::CPoint(left, mid));
  EXPECT_EQ(v.Interval().GetLeftCursor(), 1);
  EXPECT_EQ(v.Interval().GetRightCursor(), 2);
  EXPECT_EQ(v.DragAnchor().GetMeasNo(), 2);
  EXPECT_TRUE(v.CanZoomIn());
  v.OnZoomIn();
  EXPECT_EQ(v.Interval().GetFirst(), 1);
  EXPECT_EQ(v.Interval().GetLast(), 2);
  v.OnZoomOut();
  EXPECT_EQ(v.Interval().GetFirst(), 0);  // a span of 1 counts as 2
  v.OnZoomOut();
  EXPECT_EQ(v.Interval().GetFirst(), -1);
}

TEST_F(GraphTest, ADecorationIsDrawnOnThePlotUnderTheCurves) {
  CGraphView& v = OpenGraph();
  v.SetPlotDecoration([](CODCWrapper& dc, const platform::CSize& plot) { dc.FillSolidRect(0, 0, 5, plot.cy, 0x123456); });
  const auto calls = Paint(v);
  const auto mark = std::find(calls.begin(), calls.end(), std::string("FillSolidRect 33,38,38,276 123456"));
  ASSERT_NE(mark, calls.end());
  EXPECT_NE(std::find(mark, calls.end(), std::string("LineTo 116,214 pen 0/1/0000FF")), calls.end());
}

TEST_F(GraphTest, BothCursorsOnOneMeasurementPutTheLeftMarkOffThePlot) {
  layer.Cursors().SetCursorOn(true);
  CGraphView& v = OpenGraph();
  Paint(v);
  v.SetActivationTime(std::chrono::steady_clock::now() - std::chrono::seconds(5));
  v.ButtonDown(platform::CPoint(v.PlotRect().left + 167, 100), false);
  const auto calls = Paint(v);
  EXPECT_TRUE(Has(calls, "FillSolidRect -468,38,-465,"));
  EXPECT_TRUE(Has(calls, "FillSolidRect 199,38,202,"));
}

TEST_F(GraphTest, ScalingAndMovingTheInterval) {
  CGraphView& v = OpenGraph();
  EXPECT_FALSE(v.CanScale(0));
  v.Interval().SetAutoScaleMode(0, 2);
  EXPECT_TRUE(v.CanScale(0));
  EXPECT_FALSE(v.CanScale(1));
  v.OnScale(0, true);
  EXPECT_EQ(v.Interval().GetAxisMin(0), 0.0f);
  EXPECT_EQ(v.Interval().GetAxisMax(0), 50.0f);
  v.OnScale(0, false);
  EXPECT_EQ(v.Interval().GetAxisMin(0), 10.0f);
  EXPECT_TRUE(Has(Paint(v), "DrawText \"10\" -975,256,25,288"));

  v.OnScrollBack();
  EXPECT_EQ(v.Interval().GetFirst(), -1);
  // Numbers of 0 and below get no label.
  auto texts = Texts(Paint(v));
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "0"), 0);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "-1"), 0);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "3"), 1);
  v.OnScrollForward();
  EXPECT_EQ(v.Interval().GetFirst(), 1);
  v.OnMoveLast();
  EXPECT_EQ(v.Interval().GetLast(), 5);
  v.OnMoveFirst();
  EXPECT_EQ(v.Interval().GetFirst(), 1);
  EXPECT_EQ(v.Interval().GetLast(), 5);
}

// An alarm at the top of the plot after a comment: the comment's label,
// drawn above the plot, leaves the alarm's marker whole.
TEST_F(GraphTest, ALabelLeavesTheAlarmMarkersAfterItWhole) {
  kovo::test::StoreEvent(*context, kovo::test::MakeMeas(base, 50, 5, 50.0f),
                         COEvent(COEvent::typeAlarm, "alarm", 0.0f));
  CGraphView& v = OpenGraph();
  QImage image(400, 300, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    platform::CPainterDC dc(&painter);
    v.Draw(dc, platform::CRect(0, 0, 400, 300));
  }
  image.save(QString::fromStdString(::testing::TempDir() + "graph_alarm_at_top.png"));
  // The marker's body stands in the three rows above its tip, which is a
  // tick's length below the plot's top line.
  const platform::CRect plot = v.PlotRect();
  int red = 0;
  for (int y = plot.top + 1; y < plot.top + 4; ++y)
    for (int x = plot.right - 4; x < plot.right; ++x) red += image.pixelColor(x, y) == QColor(255, 0, 0);
  EXPECT_GE(red, 6);
}

TEST_F(GraphTest, TheGraphFollowsTheTaskWithoutBlocking) {
  CGraphView& v = OpenGraph();
  v.Interval().SetLeftCursor(3);
  v.Interval().SetRightCursor(4);
  QElapsedTimer clock;
  clock.start();
  const COMeas newest = kovo::test::MakeMeas(base, 50, 8, 1.0f);
  genSub.NotifyMeas(eNewMeas, newest);  // not stored yet: ignored
  EXPECT_EQ(v.Interval().GetLast(), 5);
  genSub.NotifyMeas(eMeasStored, newest);
  EXPECT_EQ(v.Interval().GetLast(), 5);  // the wait is a timer, not a sleep
  while (v.Interval().GetLast() != 8 && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(v.Interval().GetLast(), 8);
  EXPECT_EQ(v.Interval().GetFirst(), 4);
  EXPECT_EQ(v.Interval().GetLeftCursor(), 4);
  // The cursors moved with the data: their measurements are read again.
  EXPECT_EQ(v.DragAnchor().GetMeasNo(), 4);
  EXPECT_EQ(v.DragEnd().GetMeasNo(), 5);
}

// Following a task in time keeps the rows still shown and reads the new ones:
// the window then draws what one opened afresh on the same span draws.
TEST_F(GraphTest, AGraphFollowingATaskDrawsWhatAFreshOneDraws) {
  auto byTime = [&](CGraphView& g) {
    g.Interval().SetMeasMode(COMeasInterval::kByTime);
    g.Interval().SetStartTime(base + platform::CTimeSpan(15));
    g.Interval().SetEndTime(base + platform::CTimeSpan(60));
    g.ReloadData();
  };
  CGraphView& v = OpenGraph();
  byTime(v);
  Paint(v);
  {
    // The window hears of each row stored and follows to the newest.
    kovo::test::ObserverSteps store(*context);
    for (int k = 6; k <= 40; ++k) {
      COMeas m = kovo::test::MakeMeas(base, 50 + k, 0, static_cast<float>(k % 7));
      store.Write(m);
    }
    store.Close();
  }
  QElapsedTimer clock;
  clock.start();
  while (v.Interval().GetEndTime() != base + platform::CTimeSpan(90) && clock.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_EQ(v.Interval().GetStartTime(), base + platform::CTimeSpan(45));

  CGraphView& fresh = OpenGraph();
  byTime(fresh);
  fresh.Interval() = v.Interval();
  fresh.ReloadData();
  const auto followed = Paint(v);
  EXPECT_EQ(followed, Paint(fresh));
  EXPECT_GT(Count(followed, "LineTo"), 30);
}

TEST_F(GraphTest, TheWindowStoreRoundTrip) {
  layer.Registry().Register(CMeasViewBase::kGraphType, [&] { OpenGraph(); });
  CGraphView& g = OpenGraph();
  g.Interval().GetColumns()[1].SetPenStyle(platform::PS_DASH);
  g.Interval().GetColumns()[1].SetCustomColor(0x123456);
  g.Interval().SetLeftCursor(2);
  g.Interval().SetRightCursor(4);
  g.Interval().SetLength(3);
  g.Interval().SetAutoScaleMode(1, 2);
  g.Interval().SetScaleMax(1, 80.0f);
  layer.Store().Save();
  views.clear();
  layer.Store().Restore();
  ASSERT_EQ(views.size(), 1u);
  auto& r = static_cast<CGraphView&>(*views[0]);
  const COMeasInterval& in = r.Interval();
  EXPECT_EQ(in.GetMeasMode(), COMeasInterval::kByNumber);
  EXPECT_EQ(in.GetFirst(), 3);
  EXPECT_EQ(in.GetLast(), 5);
  EXPECT_EQ(in.GetAutoScaleMode(1), 2);
  EXPECT_EQ(in.GetScaleMax(1), 80.0f);
  EXPECT_EQ(r.DragAnchor().GetMeasNo(), 4);
  EXPECT_EQ(r.DragEnd().GetMeasNo(), 2);
  ASSERT_EQ(in.GetColumns().size(), 2u);
  EXPECT_EQ(in.GetColumns()[0].GetChannel(), 0);
  EXPECT_EQ(in.GetColumns()[0].GetAxis(), 0);
  EXPECT_EQ(in.GetColumns()[1].GetChannel(), 5);
  EXPECT_EQ(in.GetColumns()[1].GetAxis(), 1);
  EXPECT_EQ(in.GetColumns()[1].GetPenStyle(), platform::PS_DASH);
  EXPECT_EQ(in.GetColumns()[1].GetColor(), 0x123456u);
}

TEST_F(GraphTest, PrintingAndCopying) {
  CGraphView& v = OpenGraph();
  platform::RecordingDC dc;
  dc.SetPrinting(true);
  v.DrawPage(dc, platform::CSize(1000, 800), 1);
  // The graph on the middle four fifths, the title above it.
  EXPECT_TRUE(Has(dc.Calls(), "DrawText \"Graphic Window 1 - "));
  EXPECT_TRUE(Has(dc.Calls(), "28,86,"));  // the left legend's text at (100, 80) + (28, 6)
  // A page too small for anything still prints.
  for (platform::CSize page : {platform::CSize(10, 10), platform::CSize(0, 0)}) {
    platform::RecordingDC tiny;
    tiny.SetPrinting(true);
    v.DrawPage(tiny, page, 1);
    EXPECT_FALSE(tiny.Calls().empty());
  }
  // A very large font on a real printer.
  const platform::LOGFONT normal = setup->GetFont();
  platform::LOGFONT huge = normal;
  huge.lfHeight = -4000;
  setup->SetFont(huge);
  kovo::test::TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString file = QString::fromStdString(dir.Path() + "/graph.pdf");
  printer.setOutputFileName(file);
  v.PrintTo(printer);
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
  // On the clipboard the window in the program's font, 18 % larger.
  setup->SetFont(normal);
  v.Copy();
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  const QImage image = qvariant_cast<QImage>(mime->imageData());
  EXPECT_EQ(image.width(), 400 + 400 * 18 / 100);
  EXPECT_EQ(image.height(), 300 + 300 * 18 / 100);
  EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
}

TEST_F(GraphTest, ASmallWindowScrolls) {
  CGraphView& v = OpenGraph();
  v.show();
  const int th = QFontMetrics(v.font()).height();
  v.resize(25 * th - 10, 300);
  QApplication::processEvents();
  v.grab();
  const auto bars = v.findChildren<QScrollBar*>();
  const bool horizontal = std::any_of(bars.begin(), bars.end(), [](QScrollBar* b) {
    return b->orientation() == Qt::Horizontal && b->isVisible();
  });
  EXPECT_TRUE(horizontal);
  v.resize(25 * th + 50, 8 * th + 50);
  QApplication::processEvents();
  for (QScrollBar* b : v.findChildren<QScrollBar*>()) EXPECT_FALSE(b->isVisible());
  if (const char* dirName = std::getenv("KOVO_SHOT_DIR")) {
    layer.Cursors().SetCursorOn(true);
    v.Interval().SetLeftCursor(2);
    v.Interval().SetRightCursor(4);
    v.ReloadData();
    v.SetActivationTime(std::chrono::steady_clock::now() - std::chrono::seconds(5));
    v.ButtonDown(platform::CPoint(v.PlotRect().left + 83, 100), false);
    v.ButtonUp(platform::CPoint(v.PlotRect().left + 250, 100));
    v.resize(640, 420);
    v.grab().save(QString(dirName) + "/graph_window.png");
  }
}

}  // namespace

// --- the properties sheet ---

namespace {

// A sheet over an interval with gases A and B on the left, water on the
// right and a numeric window's column of C.
class GraphSheetTest : public DataTest {
 protected:
  GraphSheetTest() {
    interval.GetColumns().clear();
    for (auto [channel, axis] : {std::pair<int, int>{0, 0}, {1, 0}, {5, 1}, {2, 0xFF}}) {
      CColumn c(*context);
      c.SetChannel(static_cast<unsigned char>(channel));
      c.SetAxis(static_cast<unsigned char>(axis));
      c.SetColorIndex(static_cast<unsigned char>(channel));
      c.SetUnit(COConcUnit::ppm);
      c.SetSequence(&context->ActiveSequence(), &interval);
      interval.GetColumns().push_back(c);
    }
    interval.SetMeasMode(COMeasInterval::kByTime);
    interval.SetInterval(10);
  }
  std::vector<std::pair<int, int>> Columns() const {
    std::vector<std::pair<int, int>> out;
    for (const CColumn& c : interval.GetColumns()) out.push_back({c.GetChannel(), c.GetAxis()});
    return out;
  }

  QApplication* gui = platform::EnsureGuiApplication();
  COMeasInterval interval{*context};
};

TEST_F(GraphSheetTest, TheRollingAverageFollowsTheMode) {
  CGraphWindowSheet sheet(*context, interval);
  ASSERT_TRUE(sheet.SetActivePage(0));
  sheet.show();
  COXAxisPage& page = sheet.IntervalPage();
  EXPECT_EQ(page.ShownMode(), 0);
  EXPECT_EQ(page.AverageTime().GetSeconds(), 600);
  EXPECT_EQ(page.GetDlgItemText(1087), "DD:HH:MM");
  page.ByNumber().setChecked(true);
  page.UpdateModeFields();
  EXPECT_EQ(page.AverageCount().GetValue(), 10);
  EXPECT_EQ(page.GetDlgItemText(1087), "measurements");
  EXPECT_FALSE(page.AverageTime().isVisible());
  page.ByTime().setChecked(true);
  page.UpdateModeFields();
  EXPECT_EQ(page.AverageTime().GetSeconds(), 600);
  // By number, OK stores the mode and the count.
  page.ByNumber().setChecked(true);
  page.UpdateModeFields();
  page.Count().SetValue(25);
  page.AverageCount().SetValue(4);
  sheet.accept();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(interval.GetMeasMode(), COMeasInterval::kByNumber);
  EXPECT_EQ(interval.GetCount(), 25);
  EXPECT_EQ(interval.GetInterval(), 4);
}

TEST_F(GraphSheetTest, WrongEntriesKeepTheSheetOpen) {
  struct Case {
    const char* name;
    int page;
    std::function<void(CGraphWindowSheet&)> enter;
    const char* message;
  };
  const Case cases[] = {
      {"a span over 30 days", 0, [](CGraphWindowSheet& s) { s.IntervalPage().TimeSpan().SetWindowText("31:00:00"); },
       "Please enter an interval between 00:00:01 and 30:00:00"},
      {"an average over a day", 0,
       [](CGraphWindowSheet& s) { s.IntervalPage().AverageTime().SetWindowText("01:00:01"); },
       "Please enter an interval between 00:00:01 and 01:00:00"},
      {"maximum equal to minimum", 1,
       [](CGraphWindowSheet& s) {
         s.LeftPage().MaxEdit().setText("5");
         s.LeftPage().MinEdit().setText("5");
       },
       "Please enter a legal Interval"},
      {"a limit beyond the range", 2, [](CGraphWindowSheet& s) { s.RightPage().MaxEdit().setText("200000"); },
       "Please enter a valid float between -100000.00 and 100000.00"},
  };
  const COMeasInterval before = interval;
  for (const Case& c : cases) {
    CGraphWindowSheet sheet(*context, interval);
    ASSERT_TRUE(sheet.SetActivePage(c.page));
    sheet.show();
    c.enter(sheet);
    messages.Clear();
    sheet.accept();
    EXPECT_EQ(Shown(), std::vector<std::string>{c.message}) << c.name;
    EXPECT_TRUE(sheet.isVisible()) << c.name;
    sheet.hide();
  }
  EXPECT_EQ(interval.GetTimeSpan(), before.GetTimeSpan());
  EXPECT_EQ(interval.GetInterval(), before.GetInterval());
  EXPECT_EQ(interval.GetScaleMax(0), before.GetScaleMax(0));
}

TEST_F(GraphSheetTest, EachAxisPageEditsOnlyItsOwnCurves) {
  CGraphWindowSheet sheet(*context, interval);
  ASSERT_TRUE(sheet.SetActivePage(1));
  sheet.show();
  if (const char* dir = std::getenv("KOVO_SHOT_DIR")) {
    for (int page : {0, 2, 1}) {
      sheet.SetActivePage(page);
      QApplication::processEvents();
      sheet.grab().save(QString(dir) + QString("/graph_sheet_%1.png").arg(page));
    }
  }
  COYAxisPage& left = sheet.LeftPage();
  ASSERT_EQ(left.Curves().size(), 2u);
  EXPECT_EQ(left.Curves()[0]->GetChannel(), 0);
  EXPECT_EQ(left.Working().GetChannel(), 0);  // the first entry's settings
  // A curve is changed by removing it and adding the edited one again.
  left.List().SetCurSel(0);
  left.OnRemove();
  ASSERT_EQ(left.Curves().size(), 1u);
  EXPECT_EQ(left.List().GetCurSel(), 0);
  left.Styles().SetCurSel(platform::PS_DOT);
  left.UpdateControls();
  left.OnAddNew();
  left.List().SetCurSel(0);
  left.OnInsertBefore();
  left.List().SetCurSel(-1);
  left.OnRemove();  // nothing selected: nothing removed
  ASSERT_EQ(left.Curves().size(), 3u);
  EXPECT_EQ(left.Curves()[2]->GetPenStyle(), platform::PS_DOT);
  EXPECT_EQ(left.Curves()[2]->GetAxis(), 0);
  std::vector<std::pair<int, int>> expected{{2, 0xFF}};
  for (const CColumn* c : left.Curves()) expected.push_back({c->GetChannel(), 0});
  expected.push_back({5, 1});
  // The right page sees the water only.
  ASSERT_TRUE(sheet.SetActivePage(2));
  ASSERT_EQ(sheet.RightPage().Curves().size(), 1u);
  EXPECT_EQ(sheet.RightPage().Curves()[0]->GetChannel(), 5);
  sheet.accept();
  // Each page's curves replaced as a whole, in the list's order, after the
  // columns of no axis.
  EXPECT_EQ(Columns(), expected);
  EXPECT_EQ(interval.GetColumns()[3].GetPenStyle(), platform::PS_DOT);
  EXPECT_EQ(interval.GetColumns()[3].GetOwner(), &interval);
}

TEST_F(GraphSheetTest, ANewParameterTakesItsUnitAndACustomColourItsEntry) {
  CGraphWindowSheet sheet(*context, interval);
  ASSERT_TRUE(sheet.SetActivePage(2));
  sheet.show();
  COYAxisPage& right = sheet.RightPage();
  if (right.Parameters().SelectItemData(5) < 0) GTEST_SKIP() << "the task defines no water";
  right.OnParameterChange();
  EXPECT_EQ(right.Working().GetChannel(), 5);
  EXPECT_EQ(right.Working().GetUnit(), setup->GetHumidityUnit().GetUnit());
  right.chooseColour = [](platform::COLORREF& c) {
    c = 0x123456;
    return true;
  };
  right.OnDefineColour();
  EXPECT_EQ(right.Working().GetColor(), 0x123456u);
  EXPECT_EQ(right.Colours().GetCurSel(), 7);
  EXPECT_EQ(right.Colours().GetColor(7), 0x123456u);
  right.OnAddNew();
  sheet.accept();
  EXPECT_EQ(interval.GetColumns().back().GetColor(), 0x123456u);
}

TEST_F(GraphSheetTest, F1OpensTheManualOnEveryPage) {
  std::vector<std::string> opened;
  const platform::DesktopOpener previous = platform::SetDesktopOpener([&](const std::string& path, const std::string&) {
    opened.push_back(path);
    return true;
  });
  CGraphWindowSheet sheet(*context, interval);
  sheet.show();
  // Wherever the focus is: an edit, a list, a combo box.
  const std::pair<int, QWidget*> places[] = {{0, &sheet.IntervalPage().TimeSpan()},
                                             {1, &sheet.LeftPage().List()},
                                             {2, &sheet.RightPage().Parameters()}};
  for (const auto& [page, control] : places) {
    ASSERT_TRUE(sheet.SetActivePage(page));
    opened.clear();
    PressKey(control, Qt::Key_F1);
    EXPECT_EQ(opened, std::vector<std::string>{setup->GetProgramFolder() + "Gas monitor software Manual Pask.pdf"})
        << page;
  }
  platform::SetDesktopOpener(previous);
  EXPECT_TRUE(sheet.isVisible());
}

TEST_F(GraphSheetTest, TheSheetReopensOnItsLastPage) {
  int lastPage = 0;  // the window layer's
  {
    CGraphWindowSheet sheet(*context, interval, nullptr, nullptr, nullptr, &lastPage);
    ModalWatch watch([](platform::CDialog* d) {
      auto* s = dynamic_cast<CGraphWindowSheet*>(d);
      if (s == nullptr) return;
      s->SetActivePage(2);
      s->reject();
    });
    sheet.DoModal();
  }
  EXPECT_EQ(lastPage, 2);
  CGraphWindowSheet again(*context, interval, nullptr, nullptr, nullptr, &lastPage);
  EXPECT_EQ(again.GetActiveIndex(), 2);
  // Cancel changed nothing.
  EXPECT_EQ(Columns().size(), 4u);
}

}  // namespace
