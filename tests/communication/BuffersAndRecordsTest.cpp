#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "ChBuf.h"
#include "CommTypes.h"
#include "FilterData.h"
#include "TestSupport.h"

TEST(ChBuf, FullBufferKeepsItsNul) {
  FixChBuf<5> b;
  EXPECT_EQ(b.Length(), 0u);
  EXPECT_STREQ(b.Buffer(), "");
  for (char c : std::string("12345")) EXPECT_TRUE(b.Append(c));
  EXPECT_EQ(b.headRoom(), 0u);
  EXPECT_EQ(b.Buffer()[5], '\0');
  EXPECT_FALSE(b.Append('6'));
  EXPECT_STREQ(b.Buffer(), "12345");

  b.Assign("abcdefgh");
  EXPECT_STREQ(b.Buffer(), "abcde");
  b.Clear();
  EXPECT_TRUE(b.IsEmpty());

  char* p = b.BeginFill();
  EXPECT_TRUE(b.IsBeingFilled());
  std::memcpy(p, "xyz", 3);
  b.EndFill(3);
  EXPECT_FALSE(b.IsBeingFilled());
  EXPECT_STREQ(b.Buffer(), "xyz");
}

TEST(ChBuf, CopiesCarryTheWholeStorage) {
  FixChBuf<30> a("carbon dioxide");
  a.Assign("CO2");  // leaves "bon dioxide" behind the NUL
  FixChBuf<30> b(a);
  EXPECT_EQ(std::memcmp(a.Buffer(), b.Buffer(), 31), 0);
  FixChBuf<30> c;
  c = a;
  EXPECT_EQ(std::memcmp(a.Buffer(), c.Buffer(), 31), 0);
  EXPECT_EQ(c.ToString(), "CO2");

  const char text[] = "SE? USER_L\n";
  ChBufWrapper w(text);
  EXPECT_EQ(w.Length(), 11u);
  ChBufWrapper w2(w);
  EXPECT_EQ(w2.Buffer(), text);
}

TEST(CommTypes, PositionsBanksAndDates) {
  const char* texts[] = {"F_A", "F_B", "F_C", "F_D", "F_E", "F_W"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(FilterPos(i).GetText(), texts[i]);
  EXPECT_STREQ(FilterPos(6).GetText(), "");
  EXPECT_STREQ(FilterPos(-1).GetText(), "");
  EXPECT_EQ(BankNo(0).GetNumber(), 1);
  EXPECT_EQ(BankNo(4).GetNumber(), 5);

  CalibTime t;
  EXPECT_FALSE(t.IsValid());
  t.SetTime(platform::CTime(2005, 3, 7, 0, 0, 0));
  EXPECT_TRUE(t.IsValid());
  t.Clear();
  EXPECT_EQ(t.GetValidFlag(), 0);
}

TEST(FilterRecords, NewRecordsAreEmptyAndCopiesAreWhole) {
  BankInfo bank;
  bank.SetGasName(std::string(40, 'x'));
  EXPECT_EQ(bank.GetGasName().Length(), 30u);
  EXPECT_FALSE(bank.GetCross(5).IsValid());

  FilterInfo fresh;
  FilterInfo used;
  used.m_number.Assign("1312");
  used.GetBank(2).SetGasName("CO2");
  used.GetBank(2).SetSpanDate(CalibTime(platform::CTime(2004, 1, 2, 0, 0, 0)));
  used.m_alarmLimit1 = 50.0f;
  used = fresh;
  EXPECT_TRUE(used.GetNumber().IsEmpty());
  EXPECT_FALSE(used.m_alarmLimit1.IsValid());
  for (int b = 0; b < 5; ++b) {
    const BankInfo& k = used.GetBank(b);
    EXPECT_TRUE(k.GetGasName().IsEmpty());
    EXPECT_FALSE(k.GetMW().IsValid());
    EXPECT_FALSE(k.GetZeroDate().IsValid());
    EXPECT_FALSE(k.GetHumiDate().IsValid());
    EXPECT_FALSE(k.GetSpanDate().IsValid());
    EXPECT_FALSE(k.GetCrosDate().IsValid());
  }

  MonitorSetup setup;
  setup.m_serial.Assign("A12345");
  setup.GetFilter(4).GetBank(4).SetMW(44.01f);
  MonitorSetup copy = setup;
  EXPECT_STREQ(copy.m_serial.Buffer(), "A12345");
  EXPECT_EQ(copy.GetFilter(4).GetBank(4).GetMW().GetValue(), 44.01f);
}

TEST(OpticalFilterTable, LookUpByNumber) {
  kovo::test::TempDir dir;
  {
    std::ofstream f(dir.File("optfilt.txt"));
    f << "# number, two coefficients, three more, reserved, wavenumber, reserved\n"
         "1312 8.1e-4 -4.3e-3 1.0 2.0 3.0 0 4187.0 0\n"
         "broken line\n"
         "0977 1 2 3 4 5 0 2180.5 0\n";
  }
  ASSERT_EQ(LoadOpticalFilterTable(dir.File("optfilt.txt")), 2u);
  const OpticalFilter* table = OpticalFilterTable();
  EXPECT_TRUE(table[0].isFilter("1312"));
  EXPECT_FLOAT_EQ(table[0].GetCoeffs().m_c1, 8.1e-4f);
  EXPECT_FLOAT_EQ(table[0].GetCoeffs().m_wavenumber, 4187.0f);
  EXPECT_FLOAT_EQ(table[0].GetFurther(2), 3.0f);
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(table[1].GetCoefficient(i), i == 6 ? 2180.5f : i < 5 ? i + 1 : 0) << i;
  EXPECT_TRUE(table[kOpticalFilterEntries - 1].isFilter("____"));

  MonitorData data;
  data.lookupFilter(FilterPos(1), FixChBuf<5>("0977"));
  EXPECT_EQ(data.GetFilter(1), &table[1]);
  // Unknown numbers, and prefixes of known ones, leave the position alone.
  data.lookupFilter(FilterPos(1), FixChBuf<5>("4444"));
  data.lookupFilter(FilterPos(1), FixChBuf<5>("131"));
  EXPECT_EQ(data.GetFilter(1), &table[1]);
  data.lookupFilter(FilterPos(0), FixChBuf<5>("____"));
  ASSERT_NE(data.GetFilter(0), nullptr);
  EXPECT_TRUE(data.GetFilter(0)->isFilter("____"));
  EXPECT_FLOAT_EQ(DefaultFilterCoeffs().m_wavenumber, 2.407e-06f);

  data.GetValue(10) = 7.0f;
  EXPECT_EQ(data.m_values[9].GetValue(), 7.0f);
}
