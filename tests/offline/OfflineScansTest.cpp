#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "COAirPressure.h"
#include "Exceptions.h"
#include "OfflineScans.h"
#include "TransConn.h"

namespace {

struct Block {
  bool ok = false;
  std::vector<COMeas> records;
  size_t consumed = 0;
  platform::CTime previous;
};

Block ParseBlock(const std::string& text, const platform::CTime& previous, bool tebb = false,
                 COPresUnit unit = COPresUnit(COPresUnit::hpa), int maxRecords = 10) {
  Block b;
  b.previous = previous;
  COAirPressure pressure;
  pressure.SetUnit(unit);
  DataSrcText src(text);
  try {
    ScanOfflinePressure(b.records, b.previous, pressure, tebb, maxRecords).Scan(src);
    b.ok = true;
  } catch (const CommException& e) {
    EXPECT_EQ(e.GetKind(), CommException::read);
  }
  b.consumed = src.Position();
  return b;
}

std::string Events(const COMeas& m) {
  std::string out;
  for (const COEvent& e : m.GetEvents()) {
    out += std::to_string(e.GetType()) + ":" + std::to_string(e.GetIntValue());
    if (!e.GetText().empty()) out += ":" + e.GetText();
    out += " ";
  }
  return out;
}

// Made after the test's time zone is set.
platform::CTime May3() { return platform::CTime(2026, 5, 3, 23, 59, 50); }
const char kValues[] = " 1.0 2.0 3.0 4.0 5.0 6.0\r\n";

}  // namespace

TEST(OfflineRecords, EmptyBlockIsOneLineFeed) {
  const Block b = ParseBlock("\nrest", May3());
  EXPECT_TRUE(b.ok);
  EXPECT_TRUE(b.records.empty());
  EXPECT_EQ(b.consumed, 1u);
  EXPECT_EQ(b.previous, May3());
}

TEST(OfflineRecords, FieldsMarkersAndEvents) {
  const struct {
    const char* text;
    const char* events;
    float a;  // channel 0; 0 for "no value"
    bool waterValid;
  } cases[] = {
      {"1 23:59:55 1.5 2 3 4 5 6\r\n\n", "", 1.5f, true},
      // Five blanks start a measurement line, six an event line.
      {"     7 23:59:55 1.5 2 3 4 5 6\r\n\n", "", 1.5f, true},
      {"      23:59:54\r\n1 23:59:55 1.5 2 3 4 5 6\r\n\n", "", 1.5f, true},
      {"      23:59:54 User Event Number 12.\r\n1 23:59:55 1.5 2 3 4 5 6\r\n\n", "0:0:U12 ", 1.5f, true},
      {"      23:59:54  1RESTART  User Event Number 3. \r\n1 23:59:55 1.5 2 3 4 5 6\r\n\n", "7:0 0:0:U3 ", 1.5f, true},
      {"1X 23:59:55 1.5 2 3 4 5 6\r\n\n", "8:0 ", 1.5f, true},
      {"1 23:59:55 FA1.5 2 3 4 5 6\r\n\n", "10:0 2:0 ", 1.5f, true},
      {"1 23:59:55 1.5 F 2 A3 4 5 6\r\n\n", "10:1 2:2 ", 1.5f, true},
      {"1 23:59:55 __________ 2 3 4 5 __________\r\n\n", "9:0 9:5 ", 0.0f, false},
      {"1 23:59:55 . . . 2 3 4 5 . . .\r\n\n", "", 0.0f, false},
      {"1 23:59:55 .5 2 3 4 5 6\r\n\n", "", 0.5f, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Block b = ParseBlock(c.text, May3());
    ASSERT_TRUE(b.ok);
    ASSERT_EQ(b.records.size(), 1u);
    const COMeas& m = b.records[0];
    EXPECT_EQ(Events(m), c.events);
    if (c.a == 0.0f) {
      EXPECT_FALSE(m.GetValue(0).IsValid());
    } else {
      EXPECT_FLOAT_EQ(m.GetValue(0), c.a);
    }
    EXPECT_EQ(m.GetValue(5).IsValid(), c.waterValid);
    EXPECT_EQ(m.GetMeasNo(), 0);
    EXPECT_EQ(b.consumed, std::string(c.text).size());
  }
}

TEST(OfflineRecords, WrongFormsAreReadErrors) {
  for (const char* text : {
           "",                                             // nothing at all
           "1 23:59:55 1 2 3 4 5\r\n\n",                   // a field missing
           "1 23:59:55 1 2 3 4 5 6\n\n",                   // no CR
           "1 23:59:55 1 2 3 4 5 6\r\n",                   // no block end
           "1 23:59:55 AF1 2 3 4 5 6\r\n\n",               // markers the wrong way round
           "1 23:59:55 ___ 2 3 4 5 6\r\n\n",               // a short no-value run
           "1 23:59:55 . .2 2 3 4 5 6\r\n\n",              // a broken ". . ."
           "1 24:00:00 1 2 3 4 5 6\r\n\n",                 // no time of day
           "      23:59:54 Hello\r\n1 23:59:55 1 2 3 4 5 6\r\n\n",
           "      23:59:54 User Event Number x.\r\n1 23:59:55 1 2 3 4 5 6\r\n\n",
       }) {
    SCOPED_TRACE(text);
    const Block b = ParseBlock(text, May3());
    EXPECT_FALSE(b.ok);
  }
  // More records than were asked for.
  EXPECT_FALSE(ParseBlock("1 23:59:55 1 2 3 4 5 6\r\n2 23:59:56 1 2 3 4 5 6\r\n\n", May3(), false,
                          COPresUnit(COPresUnit::hpa), 1)
                   .ok);
}

TEST(OfflineRecords, EachRecordIsDatedFromTheOneBefore) {
  const std::string text = std::string("1 23:59:50") + kValues + "2 00:00:30" + kValues + "3 00:00:30" + kValues +
                           "4 00:00:20" + kValues + "\n";
  const Block b = ParseBlock(text, May3());
  ASSERT_TRUE(b.ok);
  ASSERT_EQ(b.records.size(), 4u);
  EXPECT_EQ(b.records[0].GetMeasTime(), platform::CTime(2026, 5, 3, 23, 59, 50));  // equal: the same day
  EXPECT_EQ(b.records[1].GetMeasTime(), platform::CTime(2026, 5, 4, 0, 0, 30));
  EXPECT_EQ(b.records[2].GetMeasTime(), platform::CTime(2026, 5, 4, 0, 0, 30));
  EXPECT_EQ(b.records[3].GetMeasTime(), platform::CTime(2026, 5, 5, 0, 0, 20));  // never more than a day
  EXPECT_EQ(b.previous, b.records[3].GetMeasTime());
}

TEST(OfflineRecords, DaylightSavingChanges) {
  // The test time zone changes to summer time on 29 March 2026 at 02:00 and
  // back on 25 October at 03:00.
  struct {
    platform::CTime previous;
    int h, m, s;
    platform::CTime expected;
  } cases[] = {
      // A day added across the spring change keeps the wall-clock time.
      {platform::CTime(2026, 3, 28, 23, 0, 0), 1, 30, 0, platform::CTime(2026, 3, 29, 1, 30, 0)},
      {platform::CTime(2026, 3, 28, 12, 0, 0), 11, 0, 0, platform::CTime(2026, 3, 29, 11, 0, 0)},
      {platform::CTime(2026, 10, 24, 12, 0, 0), 11, 0, 0, platform::CTime(2026, 10, 25, 11, 0, 0)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordTime(c.previous, c.h, c.m, c.s), c.expected) << c.previous.ToText();
  }
  // In the hour the clock goes back, 02:10 after 02:50 summer time is the
  // second 02:10 of the day, not the next day's.
  const platform::CTime summer250(platform::CTime(2026, 10, 25, 1, 50, 0).GetTime() + 3600);  // 02:50 summer time
  ASSERT_EQ(summer250.GetHour(), 2);
  const platform::CTime t = RecordTime(summer250, 2, 10, 0);
  EXPECT_EQ(t.GetDay(), 25);
  EXPECT_EQ(t.GetTime() - summer250.GetTime(), 20 * 60);
}

TEST(OfflineRecords, LeakDetectorPressureInHectopascal) {
  const std::string line = std::string("1 23:59:55") + " 1 2 3 4 5 6 1013\r\n\n";
  const Block hpa = ParseBlock(line, May3(), true, COPresUnit(COPresUnit::hpa));
  ASSERT_TRUE(hpa.ok);
  EXPECT_FLOAT_EQ(hpa.records[0].GetPressure(), 1013.0f);
  const Block kpa = ParseBlock(std::string("1 23:59:55") + " 1 2 3 4 5 6 101.3\r\n\n", May3(), true,
                               COPresUnit(COPresUnit::kpa));
  ASSERT_TRUE(kpa.ok);
  EXPECT_NEAR(kpa.records[0].GetPressure(), 1013.0f, 0.01f);
  // The gas monitor's records have no pressure field.
  EXPECT_FALSE(ParseBlock(line, May3(), false).ok);
  EXPECT_FALSE(ParseBlock(std::string("1 23:59:55") + kValues + "\n", May3(), true).ok);
}

TEST(OfflineReplies, NumbersDatesAndUnits) {
  auto scanFloat = [](const std::string& text, float* v) {
    DataSrcText src(text);
    try {
      ScanFloat(*v).Scan(src);
      return true;
    } catch (const CommException&) {
      return false;
    }
  };
  float v = 0.0f;
  EXPECT_TRUE(scanFloat(" 12.5\r\n\n", &v));
  EXPECT_FLOAT_EQ(v, 12.5f);
  EXPECT_FALSE(scanFloat(",12.5", &v));
  EXPECT_FALSE(scanFloat(std::string(81, '1'), &v));

  CalibTime start, stop;
  const std::string reply = "\"2026-05-03 23:40 2026-05-04 00:20\"";
  DataSrcText dates(reply);
  ScanColl().Add(ScanChar('"')).Add(ScanDateTime(start)).Add(ScanChar(' ')).Add(ScanDateTime(stop)).Add(ScanChar('"')).Scan(dates);
  EXPECT_EQ(start.GetTime(), platform::CTime(2026, 5, 3, 23, 40, 0));
  EXPECT_EQ(stop.GetTime(), platform::CTime(2026, 5, 4, 0, 20, 0));
  EXPECT_TRUE(stop.IsValid());
  CalibTime bad;
  const std::string badMonth = "2026-13-03 23:40";
  DataSrcText month(badMonth);
  EXPECT_THROW(ScanDateTime(bad).Scan(month), CommException);

  EXPECT_EQ(HumiUnitFromKeyword("U_MG_M3"), 1);
  EXPECT_EQ(HumiUnitFromKeyword("U_PPM"), 4);
  EXPECT_EQ(HumiUnitFromKeyword("U_TDEW"), 6);
  EXPECT_EQ(HumiUnitFromKeyword("U_KPA"), 7);
  EXPECT_THROW(HumiUnitFromKeyword("U_kPa"), CommException);
  EXPECT_EQ(ConcUnitFromKeyword("U_PPM"), 4);
  EXPECT_THROW(ConcUnitFromKeyword("U_TDEW"), CommException);
}
