// Every print-out as a person holds it: printed to PDF, its pages
// rasterised, nothing drawn outside the printable area, and what must be
// seen (the axes, the rows, the text) dark enough to see.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrinter>
#include <algorithm>
#include <memory>
#include <string>

#include "COSequence.h"
#include "DBDoc.h"
#include "DataTestSupport.h"
#include "FormViews.h"
#include "GraphView.h"
#include "NumView.h"
#include "ObserverSteps.h"
#include "ScreenText.h"
#include "TestSupport.h"
#include "WindowLayer.h"
#include "core/Text.h"
#include "ui/WinApp.h"

namespace {

using kovo::test::DataTest;

constexpr int kDpi = 100;

// Where a page holds ink.
struct Ink {
  QRect box;        // around every pixel darker than the paper
  int longestColumn = 0;  // the longest vertical run of dark pixels
  int longestRow = 0;     // the longest horizontal run of dark pixels
};

Ink InkOf(const QImage& page) {
  Ink ink;
  std::vector<int> down(static_cast<size_t>(page.width()), 0);
  for (int y = 0; y < page.height(); ++y) {
    int across = 0;
    for (int x = 0; x < page.width(); ++x) {
      const int grey = qGray(page.pixel(x, y));
      if (grey < 250) ink.box |= QRect(x, y, 1, 1);
      const bool dark = grey < 128;
      across = dark ? across + 1 : 0;
      down[static_cast<size_t>(x)] = dark ? down[static_cast<size_t>(x)] + 1 : 0;
      ink.longestRow = std::max(ink.longestRow, across);
      ink.longestColumn = std::max(ink.longestColumn, down[static_cast<size_t>(x)]);
    }
  }
  return ink;
}

// How many neighbouring columns hold a dark vertical run of at least the
// length, the most of them side by side.
int ThickestVerticalLine(const QImage& page, int length) {
  int thickest = 0, side = 0;
  for (int x = 0; x < page.width(); ++x) {
    int run = 0, longest = 0;
    for (int y = 0; y < page.height(); ++y) {
      run = qGray(page.pixel(x, y)) < 128 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    side = longest >= length ? side + 1 : 0;
    thickest = std::max(thickest, side);
  }
  return thickest;
}

// A task of two hundred measurements a minute apart, gas A rising and
// water falling, with comments, alarms and a long event text.
class PrintTest : public DataTest {
 protected:
  PrintTest() {
    NewTask("prints");
    context->SetDocument(&doc);
    {
      kovo::test::ObserverSteps store(*context);
      for (int k = 1; k <= 200; ++k) {
        COMeas m = kovo::test::MakeMeas(base, 60 * k, 0, 10.0f * k);
        m.SetValue(5, 2000.0f - 5.0f * k);
        if (k == 1) m.AddEvent(COEvent(COEvent::typeTaskStarted, "start", 0.0f));
        if (k % 40 == 0) m.AddEvent(COEvent(COEvent::typeComment, "door of the store room opened for cleaning", 0.0f));
        if (k % 50 == 0) m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 0.0f));
        if (k == 200) m.AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
        store.Write(m, k == 1);
      }
      store.Close();
    }
    setup->SetMeasDatabaseOpen(true);
    context->ActiveSequence().SetStop(base + platform::CTimeSpan(60 * 200), 200);
  }
  ~PrintTest() override {
    views.clear();
    context->SetDocument(nullptr);
  }

  template <class View>
  View& Open() {
    views.push_back(std::make_unique<View>(layer, &doc));
    auto& v = static_cast<View&>(*views.back());
    v.resize(600, 400);
    return v;
  }
  // Gas A on the left, water on the right, over the whole task by time.
  void ShowTask(CIntervalView& v, unsigned char numericAxis = 0) {
    COMeasInterval& i = v.Interval();
    i.SetMeasMode(COMeasInterval::kByTime);
    i.SetStartTime(base);
    i.SetEndTime(base + platform::CTimeSpan(60 * 201));
    i.GetColumns().clear();
    for (int ch : {0, 5}) {
      CColumn c(*context);
      c.SetChannel(static_cast<unsigned char>(ch));
      c.SetAxis(numericAxis != 0 ? numericAxis : static_cast<unsigned char>(ch == 0 ? 0 : 1));
      c.SetColorIndex(static_cast<unsigned char>(ch));
      c.SetUnit(COConcUnit::ppm);
      c.SetSequence(&context->ActiveSequence(), &i);
      i.GetColumns().push_back(c);
    }
    v.ReloadData();
  }

  // The view printed to a PDF on A4 with 15 mm margins (or the view's own
  // page), rasterised.
  std::vector<QImage> Print(CMeasViewBase& view, const std::string& name, QPageLayout* used = nullptr) {
    const std::string pdf = dir.File(name + ".pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
    view.PreparePrinter(printer);
    view.PrintTo(printer);
    if (used) *used = printer.pageLayout();
    std::vector<QImage> pages = kovo::test::PdfPages(QString::fromStdString(pdf), kDpi);
    for (size_t p = 0; p < pages.size(); ++p)
      pages[p].save(QString::fromStdString(::testing::TempDir() + "print_" + name + "_" + std::to_string(p + 1) +
                                           ".png"));
    return pages;
  }
  // Every page's ink lies inside the printable area.
  static void ExpectInside(const std::vector<QImage>& pages, const QPageLayout& layout, const std::string& name) {
    const QRectF inches = layout.paintRect(QPageLayout::Inch);
    // A pixel of rounding on each side.
    const QRect printable(static_cast<int>(inches.left() * kDpi) - 1, static_cast<int>(inches.top() * kDpi) - 1,
                          static_cast<int>(inches.width() * kDpi) + 3, static_cast<int>(inches.height() * kDpi) + 3);
    ASSERT_FALSE(pages.empty()) << name;
    for (size_t p = 0; p < pages.size(); ++p) {
      const Ink ink = InkOf(pages[p]);
      EXPECT_FALSE(ink.box.isEmpty()) << name << " page " << p + 1;
      EXPECT_TRUE(printable.contains(ink.box)) << name << " page " << p + 1 << ": ink " << ink.box.x() << ","
                                               << ink.box.y() << " " << ink.box.width() << "x" << ink.box.height()
                                               << " on " << printable.x() << "," << printable.y() << " "
                                               << printable.width() << "x" << printable.height();
    }
  }

  QApplication* gui = platform::EnsureGuiApplication();
  kovo::test::TempDir dir;
  platform::CTime base{2024, 5, 6, 10, 0, 0};
  CDocument doc;
  CWindowLayer layer{*context};
  std::vector<std::unique_ptr<CMeasViewBase>> views;
};

TEST_F(PrintTest, TheGraphFitsItsPageWithItsAxesVisible) {
  CGraphView& v = Open<CGraphView>();
  ShowTask(v);
  QPageLayout layout;
  const std::vector<QImage> pages = Print(v, "graph", &layout);
  ExpectInside(pages, layout, "graph");
  ASSERT_EQ(pages.size(), 1u);
  // The axes: dark lines of several inches, across and down.
  const Ink ink = InkOf(pages[0]);
  EXPECT_GE(ink.longestColumn, 3 * kDpi);
  EXPECT_GE(ink.longestRow, 3 * kDpi);
  // On a printer of 300 dots an inch the vertical axes are lines of a
  // fifth of a millimetre or more, not a dot's width.
  const std::vector<QImage> fine = kovo::test::PdfPages(QString::fromStdString(dir.File("graph.pdf")), 300);
  ASSERT_EQ(fine.size(), 1u);
  EXPECT_GE(ThickestVerticalLine(fine[0], 900), 2);
}

TEST_F(PrintTest, TheNumericTableFitsItsPages) {
  monitor.setup.m_model = FixChBuf<5>("Kovo");
  monitor.setup.m_serial = FixChBuf<11>("1234567");
  monitor.setup.m_version = FixChBuf<5>("2.1");
  CNumView& v = Open<CNumView>();
  ShowTask(v, 0xFF);
  // The title names the monitor, in the program's font at the print's units.
  platform::RecordingDC dc;
  dc.SetPrinting(true);
  v.DrawPage(dc, platform::CSize(700, 1000), 1);
  const auto& calls = dc.Calls();
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& c) {
    return c.find("\"Numeric Window 1 - Kovo - Serial: 1234567/2.1 - ") != std::string::npos;
  }));

  QPageLayout layout;
  const std::vector<QImage> pages = Print(v, "numeric", &layout);
  EXPECT_GE(pages.size(), 2u);
  ExpectInside(pages, layout, "numeric");
}

TEST_F(PrintTest, TheCursorValuesFitTheirPage) {
  layer.Cursors().SetCursorOn(true);
  CNumView& numeric = Open<CNumView>();
  ShowTask(numeric, 0xFF);
  numeric.Interval().SetLeftCursor(20);
  numeric.Interval().SetRightCursor(120);
  numeric.ReloadData();
  numeric.Activated();
  CCursorView& v = Open<CCursorView>();
  QPageLayout layout;
  const std::vector<QImage> pages = Print(v, "cursors", &layout);
  ASSERT_EQ(pages.size(), 1u);
  ExpectInside(pages, layout, "cursors");
  // Its lines lie close, as a table: all of it on the page's upper half.
  const Ink ink = InkOf(pages[0]);
  EXPECT_LT(ink.box.bottom(), pages[0].height() / 2);
}

TEST_F(PrintTest, TheTextAndTheMonitorsMemoryFitTheirPages) {
  CPrintView& v = Open<CPrintView>();
  // The monitor's memory print-out: pages of 78 lines, each begun by a
  // form feed, some lines as wide as the monitor writes them.
  std::string text;
  for (int page = 0; page < 2; ++page)
    for (int line = 0; line < 78; ++line) {
      if (line == 0 && page > 0) text += "\f";
      text += platform::Format("%4d  24-05-06 10:%02d:00  %10.3f  %10.3f  %10.3f  %10.3f  %10.3f  %8.2f hPa\n",
                               page * 78 + line + 1, line % 60, 1.5 * line, 2.5, 3.5, 4.5, 5.5, 1013.25);
    }
  v.SetText(text);
  QPageLayout layout;
  const std::vector<QImage> pages = Print(v, "memory", &layout);
  EXPECT_EQ(pages.size(), 2u);
  ExpectInside(pages, layout, "memory");
}

}  // namespace
