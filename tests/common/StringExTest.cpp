#include <gtest/gtest.h>

#include "StringEx.h"

namespace {
enum Kind { Num, Num2, Cali, Stat };
std::string Fmt(Kind k, double v) {
  CStringEx s;
  s.m_string = "old text";
  switch (k) {
    case Num: s.NumFormat(v); break;
    case Num2: s.NumFormat2(v); break;
    case Cali: s.CaliFormat(v); break;
    case Stat: s.StatFormat(v); break;
  }
  return s.GetString();
}
}  // namespace

TEST(StringEx, NumberFormatsAtTheirLimits) {
  struct Case {
    Kind kind;
    double value;
    const char* text;
  } cases[] = {
      {Num, 0.0, "0.000"},           {Num, 0.0005, "5.000e-04"},     {Num, -0.0005, "-5.000e-04"},
      {Num, 0.001, "0.001"},         {Num, -0.001, "-0.001"},        {Num, 999.9995, "1000.000"},
      {Num, 1000.0, "1.000e+03"},    {Num, -1000.0, "-1.000e+03"},   {Num, 3.4e38, "n/a"},
      {Num, 1e33, "1.000e+33"},      {Num, 1.5e33, "n/a"},   {Num, 12.3456, "12.346"},
      {Num2, 1000.0, "1000.000"},    {Num2, 9999.0, "9999.000"},     {Num2, 10000.0, "1.000e+04"},
      {Num2, 3.4e38, "n/a"},         {Cali, 0.0, "0.00000"},         {Cali, 1000.0, "1.00000e+03"},
      {Cali, 0.00012345, "1.23450e-04"}, {Cali, 1.5, "1.50000"},     {Cali, 2e34, "n/a"},
      {Stat, 999.0, "999.000"},      {Stat, 1000.0, "1.000e+03"},    {Stat, 1e34, "n/a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fmt(c.kind, c.value), c.text) << c.value;
}

TEST(StringEx, TempFormatHasNoAbsentTest) {
  CStringEx s;
  s.TempFormat(21.26f);
  EXPECT_EQ(s.GetString(), "21.3");
  s.TempFormat(3.4e38f);
  EXPECT_NE(s.GetString(), "n/a");
  EXPECT_EQ(s.GetString().substr(0, 3), "339");
}

TEST(StringEx, AxisFormatDecimalsFollowTheStep) {
  struct Case {
    double value, step;
    const char* text;
  } cases[] = {
      {12.5, 0.5, "12.5"},         {12.0, 1.0, "12"},         {3.0, 0.001, "3.000"},
      {1.0, 0.25, "1.00"},         {0.1234567891, 0.1111111, "0.123457"},  // never more than six
      {0.1234567891, 1e-9, "0"},  // a tiny step ends the count at once
      {250.0, 50.0, "250"},        {2e6, 1e6, "2.000e+06"},   {-2e6, 1e6, "-2.000e+06"},
      {1e6, 1e5, "1000000"},
  };
  for (const Case& c : cases) {
    CStringEx s;
    s.AxisFormat(c.value, c.step);
    EXPECT_EQ(s.GetString(), c.text) << c.value << " step " << c.step;
  }
}

TEST(StringEx, RoundAndStringTable) {
  CStringEx s;
  s.Round(1013.256, 1);
  EXPECT_EQ(s.GetString(), "1013.3");
  s.Round(3.4e38, 0);  // no absent test
  EXPECT_EQ(s.GetString().size(), 39u);
  EXPECT_EQ(CStringEx(148).GetString(), "Database error");
}
