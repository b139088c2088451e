#include <gtest/gtest.h>

#include "core/Time.h"

TEST(Time, LocalFieldsAndFormat) {
  platform::CTime t(2026, 12, 10, 13, 5, 9);
  EXPECT_EQ(t.GetYear(), 2026);
  EXPECT_EQ(t.GetMonth(), 12);
  EXPECT_EQ(t.GetDay(), 10);
  EXPECT_EQ(t.GetHour(), 13);
  EXPECT_EQ(t.GetMinute(), 5);
  EXPECT_EQ(t.GetSecond(), 9);
  EXPECT_EQ(t.GetDayOfWeek(), 5);  // a Thursday
  EXPECT_EQ(t.Format("%y-%m-%d %X"), "26-12-10 13:05:09");
  EXPECT_EQ(t.ToText(), "2026-12-10 13:05:09");
}

TEST(Time, DaylightSavingIsWorkedOutFromTheDate) {
  // The tests run in central European time: summer and winter dates both keep
  // the wall-clock hour they were made with.
  platform::CTime summer(2026, 7, 1, 12, 0, 0), winter(2026, 1, 1, 12, 0, 0);
  EXPECT_EQ(summer.GetHour(), 12);
  EXPECT_EQ(winter.GetHour(), 12);
  platform::CTime beforeSwitch(2026, 3, 29, 1, 0, 0), afterSwitch(2026, 3, 29, 3, 0, 0);
  EXPECT_EQ((afterSwitch - beforeSwitch).GetTotalSeconds(), 3600);
}

TEST(Time, TextRoundTripAndRejects) {
  platform::CTime t;
  ASSERT_TRUE(platform::CTime::FromText("2026-02-28 23:59:58", &t));
  EXPECT_EQ(t.ToText(), "2026-02-28 23:59:58");
  ASSERT_TRUE(platform::CTime::FromText("2026-03-01", &t));
  EXPECT_EQ(t.ToText(), "2026-03-01 00:00:00");
  platform::CTime keep(5);
  for (const char* bad : {"", "2026-13-01 00:00:00", "yesterday", "2026-01-01 10:00", "2026-01-01 10:00:00x"}) {
    EXPECT_FALSE(platform::CTime::FromText(bad, &keep)) << bad;
    EXPECT_EQ(keep.GetTime(), 5) << bad;
  }
}

TEST(Time, SpanArithmetic) {
  platform::CTime a(2026, 12, 31, 23, 0, 0);
  platform::CTime b = a + platform::CTimeSpan(0, 2, 30, 15);
  EXPECT_EQ(b.ToText(), "2027-01-01 01:30:15");
  platform::CTimeSpan d = b - a;
  EXPECT_EQ(d.GetTotalSeconds(), 9015);
  EXPECT_EQ(d.GetHours(), 2);
  EXPECT_EQ(d.GetMinutes(), 30);
  EXPECT_EQ(d.GetSeconds(), 15);
  EXPECT_TRUE(a < b);
}
