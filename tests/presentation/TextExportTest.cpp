// The pieces of an exported line: the date in the locale's pattern, the
// scaled values, the events; and the file they are written to.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TextExport.h"

namespace {

using namespace text_export;

TEST(TextExport, TheDateFollowsTheLocalesPatternWithTwoDigitFields) {
  const struct {
    const char* pattern;
    const char* want;
  } cases[] = {
      {"M/d/yy", "03/09/07"},
      {"dd.MM.yyyy", "09.03.07"},
      {"yyyy-MM-dd", "07-03-09"},
      {"d. MMMM yyyy", "09. 03 07"},
      {"%d/%m", "%09/%03"},  // a '%' in the pattern is text, not a format
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDate(c.pattern, 2007, 3, 9), c.want) << c.pattern;
  EXPECT_EQ(FormatDate("dd/MM/yy", 2000, 12, 31), "31/12/00");
}

TEST(TextExport, AValueIsScaledAndWrittenWithoutItsSeparator) {
  const struct {
    float value;
    const char* want;
  } cases[] = {
      {0.5f, "500000e-006"},     {1234.5f, "123450e-002"}, {12.345f, "123450e-004"},
      {0.0f, "000000e+000"},     {-0.5f, "-500000e-006"},  {3.0e20f, "300000e+015"},
  };
  for (const auto& c : cases) {
    std::string line;
    AppendValue(line, c.value);
    EXPECT_EQ(line, c.want) << c.value;
  }
}

TEST(TextExport, EventsAreJoinedWithStartAndStopOncePerLine) {
  const struct {
    std::vector<COEvent> events;
    const char* want;
  } cases[] = {
      {{}, ""},
      {{COEvent(5, "", 0), COEvent(2, "x", 0), COEvent(2, "y", 0)}, "Start,Alarm,Alarm"},
      {{COEvent(5, "", 0), COEvent(5, "", 0), COEvent(6, "", 0), COEvent(6, "", 0)}, "Start,Stop"},
      {{COEvent(0, "filter changed", 0)}, "filter_changed"},
      {{COEvent(1, "pressure", 0), COEvent(4, "warning", 0), COEvent(3, "", 0)}, "C"},
      {{COEvent(7, "", 0), COEvent(8, "", 0), COEvent(9, "", 0), COEvent(10, "", 0)}, "P,W,B,F"},
  };
  for (const auto& c : cases) EXPECT_EQ(EventsField(c.events), c.want);
}

TEST(TextExport, LinesEndInCarriageReturnAndLineFeed) {
  const std::string path = ::testing::TempDir() + "export_lines.txt";
  {
    std::ofstream old(path);
    old << "what was there before, and longer than what comes\n";
  }
  Writer w;
  ASSERT_TRUE(w.Open(path));
  w.Line("\"Meas. No.\"\t\"A: CO2 [ppm]\"");
  for (int i = 0; i < 100000; ++i) w.Line(std::to_string(i));
  EXPECT_TRUE(w.Close());
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string head = "\"Meas. No.\"\t\"A: CO2 [ppm]\"\r\n0\r\n1\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.substr(text.size() - 7), "99999\r\n");

  Writer nowhere;
  EXPECT_FALSE(nowhere.Open(::testing::TempDir() + "no/such/folder/export.txt"));
  EXPECT_FALSE(nowhere.Close());
}

}  // namespace
