// What the Calibration program shows of its data without a display: the
// print-out of all banks as drawn, page by page, the calibration status
// window's lines, and the printer pages of the monitor's own print-out.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "BanksPrint.h"
#include "Calibrator.h"
#include "CurrentCalibration.h"
#include "StatusTexts.h"
#include "core/App.h"
#include "core/StringTable.h"

namespace {

// One text drawn: what, where, how aligned.
struct Drawn {
  std::string text;
  platform::CRect rect;
  unsigned format;
};

std::vector<Drawn> Texts(const platform::RecordingDC& dc) {
  static const std::regex call("DrawText \"(.*)\" (-?\\d+),(-?\\d+),(-?\\d+),(-?\\d+) fmt ([0-9A-F]+)");
  std::vector<Drawn> out;
  for (const std::string& c : dc.Calls()) {
    std::smatch m;
    if (!std::regex_match(c, m, call)) continue;
    out.push_back({m[1], platform::CRect(std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5])),
                   static_cast<unsigned>(std::stoul(m[6], nullptr, 16))});
  }
  return out;
}

const Drawn* Find(const std::vector<Drawn>& texts, const std::string& text, size_t from = 0) {
  for (size_t i = from; i < texts.size(); ++i)
    if (texts[i].text == text) return &texts[i];
  return nullptr;
}

class BanksPrintTest : public ::testing::Test {
 protected:
  // The recording context: text 16 high, "88888" 40 wide (the margin).
  static constexpr int kH = platform::RecordingDC::kCharHeight;
  static constexpr int kMargin = 5 * platform::RecordingDC::kCharWidth;
  static constexpr int kPageHeight = 70 * kH;

  BanksPrintTest() {
    report.model = "1314";
    report.serial = "K0042";
    report.version = "12";
    report.printed = platform::CTime(2005, 3, 7, 10, 0, 0);
    report.filterTexts = {"UA1312", "UA0977", "UA0985", "n/a", "n/a", "QF3318"};
    report.gainFactors = {1.25f, 5.0f, 7.5f, 12.5f};
    BankInfo& co = report.setup.GetFilter(2).GetBank(0);
    co.SetGasName("CO");
    co.m_mw = 28.01f;
    co.m_spanLow = 1234.5f;
    co.m_cross[0] = 2.0f;
    BankInfo& twoPoint = report.setup.GetFilter(2).GetBank(1);
    twoPoint.SetGasName("N2O");
    twoPoint.m_spanLow = 0.02f;
    twoPoint.m_spanHigh = 0.05f;
    report.setup.m_water.m_gain = 2.0e-6f;
  }

  std::vector<Drawn> Page(int page) {
    COTextView view(report);
    view.BeginPrinting(1000, kPageHeight);
    platform::RecordingDC dc;
    dc.SetPrinting(true);
    view.OnDraw(dc, page);
    return Texts(dc);
  }

  BanksReport report;
};

TEST_F(BanksPrintTest, EveryPageHasItsHeaderLineAndStaysOnThePaper) {
  std::set<std::string> headings;
  for (int page = 1; page <= COTextView::kPages; ++page) {
    const std::vector<Drawn> texts = Page(page);
    ASSERT_GE(texts.size(), 2u) << page;
    EXPECT_EQ(texts[0].text, "1314 - Serial: K0042/12 - 05-03-07 10:00:00") << page;
    EXPECT_EQ(texts[1].text, "Page " + std::to_string(page));
    EXPECT_EQ(texts[1].rect.top, kMargin);
    EXPECT_EQ(texts[1].rect.right, 1000 - 120);
    EXPECT_EQ(texts[1].format, unsigned(platform::DT_RIGHT | platform::DT_SINGLELINE));
    for (const Drawn& d : texts) {
      EXPECT_LE(d.rect.bottom, kMargin + COTextView::kLinesPerPage * kH) << page << " " << d.text;
      if (d.text.compare(0, 10, "GENERAL CA") == 0) headings.insert(d.text + std::to_string(page));
    }
  }
  EXPECT_EQ(headings, (std::set<std::string>{"GENERAL CALIBRATION INFORMATION FOR FILTER A:1",
                                             "GENERAL CALIBRATION INFORMATION FOR FILTER B:4",
                                             "GENERAL CALIBRATION INFORMATION FOR FILTER C:7",
                                             "GENERAL CALIBRATION INFORMATION FOR FILTER D:10",
                                             "GENERAL CALIBRATION INFORMATION FOR FILTER E:13",
                                             "GENERAL CALIBRATION INFORMATION FOR FILTER W:16"}));
  const std::vector<Drawn> water = Page(16);
  EXPECT_NE(Find(water, "QF3318"), nullptr);
  EXPECT_NE(Find(water, "18.020"), nullptr);
  ASSERT_NE(Find(water, "Factor 10"), nullptr);
  EXPECT_NE(Find(water, "1.2500e+01"), nullptr);
  EXPECT_NE(Find(water, "2.0000e-06"), nullptr);
  EXPECT_EQ(Find(water, "CALIBRATION DATA IN FILTER BANK NUMBER", 3)->rect.top, kMargin + 8 * kH);
  EXPECT_EQ(Find(Page(15), "Gas name : Water Vapour"), nullptr);
}

TEST_F(BanksPrintTest, ASinglePointBankKeepsTheTwoPointLinesPlaces) {
  const std::vector<Drawn> page = Page(7);  // filter C, banks 1 and 2
  const Drawn* single = Find(page, "Single Point");
  const Drawn* two = Find(page, "Two Point");
  ASSERT_TRUE(single && two);
  EXPECT_EQ(two->rect.top - single->rect.top, 28 * kH);
  const Drawn* zero1 = Find(page, "Zero Point Calibration performed");
  ASSERT_NE(zero1, nullptr);
  const Drawn* zero2 = Find(page, "Zero Point Calibration performed", static_cast<size_t>(zero1 - page.data()) + 1);
  ASSERT_NE(zero2, nullptr);
  EXPECT_EQ(zero1->rect.top - single->rect.top, 4 * kH);
  EXPECT_EQ(zero2->rect.top - two->rect.top, 4 * kH);
  EXPECT_EQ(Find(page, "Conversion Factor (low)")->rect.top, two->rect.top + 2 * kH);
  const Drawn* unit = Find(page, "mg/m3");
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->rect.top, two->rect.top + 3 * kH);

  // Three decimals of the weight; absent values and dates print "n/a".
  EXPECT_NE(Find(page, "28.010"), nullptr);
  EXPECT_NE(Find(page, "1.2345e+03"), nullptr);
  EXPECT_NE(Find(page, "5.0000e-02"), nullptr);
  EXPECT_EQ(Find(page, "Gas name : CO")->rect.left, kMargin + 60);

  // The cross-interference list skips the bank's own filter.
  std::vector<std::string> cross;
  for (size_t i = static_cast<size_t>(Find(page, "CO interference on :") - page.data()); i < page.size(); ++i)
    if (page[i].text.compare(0, 7, "Filter ") == 0) cross.push_back(page[i].text);
  EXPECT_EQ(cross, (std::vector<std::string>{"Filter A", "Filter B", "Filter D", "Filter E", "Filter A", "Filter B",
                                             "Filter D", "Filter E"}));
  EXPECT_NE(Find(page, "2.0000e+00"), nullptr);

  // Every colon of the report in one column.
  std::set<int> colons;
  for (const Drawn& d : page)
    if (d.text == ":") colons.insert(d.rect.right);
  EXPECT_EQ(colons.size(), 1u);
}

TEST_F(BanksPrintTest, AnAbsentWeightPrintsNoNumber) {
  report.setup.GetFilter(0).GetBank(0).m_mw = MeasValue();
  const std::vector<Drawn> page = Page(1);
  const Drawn* label = Find(page, "Molecular Weight");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label[1].text, "n/a");
}

class StatusTextsTest : public ::testing::Test {
 protected:
  platform::ProgramTexts texts{"Calibration", kovo::ProgramStrings("Calibration")};
  MonitorData data;
  Calibrator calibrator{data};
};

TEST_F(StatusTextsTest, ListTheFiltersWithEachCalibrationOrNone) {
  auto texts = CalibrationStatusTexts("Idle", calibrator);
  EXPECT_EQ(texts, (std::array<std::string, 6>{"Idle", "(none)", "(none)", "(none)", "(none)", "(none)"}));

  // A zero point with filters A and C mounted, and only a humidity
  // interference.
  data.GetBank(0).m_concOffset = 0.01f;
  data.GetBank(2).m_concOffset = 0.02f;
  calibrator.Water().m_concOffset = 0.04f;
  data.GetBank(1).m_humiGain = 0.05f;
  data.GetBank(4).m_spanLow = 900.0f;
  data.GetBank(3).m_cross[3] = 5.0f;  // its own position does not count
  texts = CalibrationStatusTexts("Active", calibrator);
  EXPECT_EQ(texts[kStatusState], "Active");
  EXPECT_EQ(texts[kStatusZero], "A C W ");
  EXPECT_EQ(texts[kStatusHumidity], " Interference");
  EXPECT_EQ(texts[kStatusSpan], "E ");
  EXPECT_EQ(texts[kStatusSpanAgain], "E ");
  EXPECT_EQ(texts[kStatusCross], "(none)");

  calibrator.Water().m_gain = 2e-6f;
  data.GetBank(3).m_cross[0] = 5.0f;
  texts = CalibrationStatusTexts("Active", calibrator);
  EXPECT_EQ(texts[kStatusHumidity], "Span Interference");
  EXPECT_EQ(texts[kStatusCross], "D ");
}

TEST(PrintOutPages, BreakAtTheirLinesAndAtEveryFormFeed) {
  const struct {
    std::string text;
    int lines;
    std::vector<std::vector<std::string>> pages;
  } cases[] = {
      {"", 3, {{}}},
      {"a\r\nb\r\nc\r\nd", 3, {{"a", "b", "c"}, {"d"}}},
      // The page a form feed begins holds its lines: the filled lines make
      // no empty page.
      {LayoutPrintOut("head\r\n\fone\r\n\ftwo\r\nmore\r\n\fthree\r\nx", 3),
       3,
       {{"head"}, {"one", "", ""}, {"two", "more", ""}, {"three"}}},
      // A monitor page longer than the printer's goes on on the next one.
      {LayoutPrintOut("\fa\nb\nc\nd\n\fe\n", 2), 2, {{"a", "b"}, {"c", "d"}, {"e"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(PrintOutPages(c.text, c.lines), c.pages) << c.text;
}

}  // namespace
