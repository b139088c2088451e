#include <gtest/gtest.h>

#include <clocale>

#include "core/Text.h"

using platform::Format;
using platform::RewriteExponent;

TEST(Text, FormatIgnoresTheProcessLocale) {
  // A locale with a decimal comma, when the machine has one.
  const char* comma[] = {"de_DE.UTF-8", "de_DE.utf8", "cs_CZ.UTF-8", "fr_FR.UTF-8"};
  const char* set = nullptr;
  for (const char* l : comma)
    if ((set = std::setlocale(LC_NUMERIC, l))) break;
  EXPECT_EQ(Format("%.3f|%1.3e", 1.5, 12346.0), "1.500|1.235e+04");
  double v = 0;
  EXPECT_EQ(platform::Scan("2.75", "%lf", &v), 1);
  EXPECT_DOUBLE_EQ(v, 2.75);
  std::setlocale(LC_NUMERIC, "C");
  if (!set) GTEST_SKIP() << "no decimal-comma locale installed; checked in C only";
}

TEST(Text, FormatGrowsPastItsSmallBuffer) {
  std::string big(1000, 'x');
  EXPECT_EQ(Format("<%s>", big.c_str()), "<" + big + ">");
}

TEST(Text, RewriteExponent) {
  struct Case {
    const char* in;
    int min;
    const char* out;
  } cases[] = {
      {"1.000e+3", 2, "1.000e+03"},  {"1.000e+03", 2, "1.000e+03"}, {"1.000E-005", 2, "1.000e-05"},
      {"5.000e-04", 2, "5.000e-04"}, {"1.5e+123", 2, "1.5e+123"},   {"2.5e+05", 3, "2.5e+005"},
      {"2.5E-0005", 3, "2.5e-005"},  {"2.5e7", 3, "2.5e+007"},      {"n/a", 2, "n/a"},
      {"12.5", 2, "12.5"},           {"1e", 2, "1e"},               {"-3.25e-100", 3, "-3.25e-100"},
      {"1e+00", 3, "1e+000"},
  };
  for (const Case& c : cases) EXPECT_EQ(RewriteExponent(c.in, c.min), c.out) << c.in;
}

TEST(Text, TrimAndCase) {
  EXPECT_EQ(platform::Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(platform::TrimLeft("  x "), "x ");
  EXPECT_EQ(platform::TrimRight("  x "), "  x");
  EXPECT_TRUE(platform::EqualsNoCase("TeBB", "tebb"));
  EXPECT_FALSE(platform::EqualsNoCase("Tebb", "Tebbx"));
  EXPECT_EQ(platform::ToUpper("u_hpa"), "U_HPA");
}

TEST(Text, AnOverlongTextGivesWayInItsPathSoTheReasonStaysWhole) {
  const std::string path = "/home/user/kovo/data/TASKNAME.db";
  const std::string text = "Unable to open " + path + ": disk I/O error";
  struct Case {
    size_t max;
    std::string out;
  };
  const Case cases[] = {
      {text.size(), text},
      {text.size() - 1, "Unable to open /home/use...vo/data/TASKNAME.db: disk I/O error"},
      {40, "Unable to open /h...E.db: disk I/O error"},
      // The path is all gone and still too long: only then the end is cut.
      {20, "Unable to open ...: "},
  };
  for (const Case& c : cases) {
    const std::string out = platform::FitByShortening(text, path, c.max);
    EXPECT_EQ(out, c.out) << c.max;
    EXPECT_LE(out.size(), c.max);
  }
  // Without the part in it, the end is cut; a UTF-8 sequence is never split.
  EXPECT_EQ(platform::FitByShortening("abcdef", "xyz", 4), "abcd");
  EXPECT_EQ(platform::FitByShortening("ab\xc2\xb5g", "", 3), "ab");
  EXPECT_EQ(platform::FitByShortening("/\xc2\xb5\xc2\xb5\xc2\xb5/x: why", "/\xc2\xb5\xc2\xb5\xc2\xb5/x", 12),
            "/.../x: why");
}
