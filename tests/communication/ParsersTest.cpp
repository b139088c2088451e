#include <gtest/gtest.h>

#include <clocale>
#include <functional>

#include "COAirPressure.h"
#include "COMeas.h"
#include "DataLinkRS232.h"
#include "Exceptions.h"
#include "FakeConn.h"
#include "MonitorScans.h"
#include "Scans.h"

namespace {

enum Outcome { ok, commError, scanErr };

// Runs the item over the text; returns how it ended and where it stopped.
Outcome Parse(const Scans& item, const std::string& text, size_t* stoppedAt = nullptr) {
  DataSrcText src(text);
  Outcome outcome = ok;
  try {
    item.Scan(src);
  } catch (const CommException& e) {
    EXPECT_EQ(e.GetKind(), CommException::read);
    outcome = commError;
  } catch (Scans::ScanError) {
    outcome = scanErr;
  }
  if (stoppedAt) *stoppedAt = src.Position();
  return outcome;
}

}  // namespace

TEST(Parsers, IntegerFields) {
  const struct {
    const char* text;
    Outcome outcome;
    int32_t value;
    size_t stop;
  } cases[] = {
      {"123,", ok, 123, 3},
      {"0\r", ok, 0, 1},
      {"2147483647", ok, 2147483647, 10},
      // An eleventh digit: 0, the rest left for the terminator to reject.
      {"12345678901", ok, 0, 10},
      {"x1", scanErr, -1, 0},
      {"", scanErr, -1, 0},
      // Ten digits beyond an int's range are a reply of the wrong form.
      {"9999999999", commError, -1, 10},
      {"2147483648", commError, -1, 10},
  };
  for (const auto& c : cases) {
    int32_t value = -1;
    size_t stop = 0;
    EXPECT_EQ(Parse(ScanInt(value), c.text, &stop), c.outcome) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(stop, c.stop) << c.text;
  }

  // The shared reader throws a read error in every bad case.
  for (const char* bad : {"", "-1", "12345678901", "4294967296"}) {
    DataSrcText src(bad);
    EXPECT_THROW(Scans::ReadInt(src), CommException) << bad;
  }
}

TEST(Parsers, TextFields) {
  FixChBuf<5> small;
  FixChBuf<30> text;
  size_t stop = 0;
  EXPECT_EQ(Parse(ScanCharSet(small, "0123456789x"), "12x4,", &stop), ok);
  EXPECT_STREQ(small.Buffer(), "12x4");
  EXPECT_EQ(stop, 4u);
  EXPECT_EQ(Parse(ScanCharSet(small, "0123456789"), "123456", &stop), commError);
  EXPECT_EQ(Parse(ScanCharSet(small, "0123456789"), ",", &stop), ok);
  EXPECT_TRUE(small.IsEmpty());
  EXPECT_EQ(Parse(ScanDelStr(text, "\""), "CO2 in air\"", &stop), ok);
  EXPECT_STREQ(text.Buffer(), "CO2 in air");
  EXPECT_EQ(Parse(ScanDelStr(text, ","), std::string("K00\0,9", 6), &stop), ok);
  EXPECT_STREQ(text.Buffer(), "K00");
  EXPECT_EQ(stop, 3u);
  EXPECT_EQ(Parse(ScanDelStr(text, "\""), std::string(31, 'g') + "\""), commError);

  EXPECT_EQ(Parse(ScanChar(','), ","), ok);
  EXPECT_EQ(Parse(ScanChar(','), ";"), commError);
  EXPECT_EQ(Parse(ScanFixStr("\r\n\n"), "\r\n\n"), ok);
  EXPECT_EQ(Parse(ScanFixStr("\r\n\n"), "\r\nX", &stop), commError);
  EXPECT_EQ(stop, 2u);

  bool flag = false;
  EXPECT_EQ(Parse(ScanYN(flag), "Y"), ok);
  EXPECT_TRUE(flag);
  EXPECT_EQ(Parse(ScanYN(flag), "N"), ok);
  EXPECT_FALSE(flag);
  EXPECT_EQ(Parse(ScanYN(flag), "y"), commError);
}

TEST(Parsers, Dates) {
  const struct {
    const char* text;
    Outcome outcome;
    bool valid;
    int y, m, d;
  } cases[] = {
      {"2005-03-07", ok, true, 2005, 3, 7},
      {"2005-13-40", ok, true, 2005, 1, 1},
      {"1969-05-05", ok, true, 2037, 5, 5},
      {"1970-01-02", ok, true, 1970, 1, 2},
      {"37-12-31", ok, true, 2037, 12, 31},
      {"__________", ok, false, 0, 0, 0},
      {"_________\"", commError, false, 0, 0, 0},
      {"2005/03/07", commError, false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    CalibTime t;
    EXPECT_EQ(Parse(ScanDate(t), c.text), c.outcome) << c.text;
    EXPECT_EQ(t.IsValid(), c.valid) << c.text;
    if (c.valid) {
      const platform::CTime expected(c.y, c.m, c.d, 0, 0, 0);
      EXPECT_EQ(t.GetTime(), expected) << c.text;
    }
  }
  // A date clears the flag when the monitor has none.
  CalibTime set(platform::CTime(2004, 1, 1, 0, 0, 0));
  Parse(ScanDate(set), "__________");
  EXPECT_FALSE(set.IsValid());
}

TEST(Parsers, MeasuredAndCalibrationValues) {
  const std::string tooLong(81, '1');
  const struct {
    std::function<Scans*(MeasValue&)> make;
    const char* text;
    Outcome outcome;
    float value;  // MeasValue::kNoValue for none
    size_t stop;
  } cases[] = {
      {[](MeasValue& v) { return new ScanMeasVal(v); }, "._._,", ok, MeasValue::kNoValue, 4},
      {[](MeasValue& v) { return new ScanMeasVal(v); }, "1.5E+01,", ok, 15.0f, 7},
      {[](MeasValue& v) { return new ScanMeasVal(v); }, "-0.25\r", ok, -0.25f, 5},
      {[](MeasValue& v) { return new ScanMeasVal(v); }, " 1.5", commError, -1.0f, 0},
      {[](MeasValue& v) { return new ScanMeasVal(v); }, "", commError, -1.0f, 0},
      {[](MeasValue& v) { return new ScanMeasVal(v); }, tooLong.c_str(), commError, -1.0f, 80},
      {[](MeasValue& v) { return new ScanCalibParm(v); }, " 1.5E+01\r", ok, 15.0f, 8},
      {[](MeasValue& v) { return new ScanCalibParm(v); }, "__________\r", ok, MeasValue::kNoValue, 10},
      {[](MeasValue& v) { return new ScanCalibParm(v); }, "\r", commError, -1.0f, 0},
  };
  for (const auto& c : cases) {
    MeasValue v(-1.0f);
    std::unique_ptr<Scans> item(c.make(v));
    size_t stop = 0;
    EXPECT_EQ(Parse(*item, c.text, &stop), c.outcome) << c.text;
    EXPECT_EQ(v.GetValue(), c.value) << c.text;
    EXPECT_EQ(stop, c.stop) << c.text;
  }
}

TEST(Parsers, NumbersIgnoreTheUsersLocale) {
  // A decimal comma in the user's locale must not change the monitor's numbers.
  const char* comma[] = {"de_DE.UTF-8", "de_DE.utf8", "cs_CZ.UTF-8", "fr_FR.UTF-8"};
  const char* set = nullptr;
  for (const char* l : comma)
    if ((set = std::setlocale(LC_NUMERIC, l))) break;
  MeasValue v;
  Parse(ScanMeasVal(v), "2.5");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(v.GetValue(), 2.5f);
  if (!set) GTEST_SKIP() << "no decimal-comma locale installed; checked in C only";
}

TEST(Parsers, AirPressureAndUnit) {
  COAirPressure p;
  EXPECT_EQ(Parse(ScanPressure(p), "1013.2\r\n\n"), ok);
  EXPECT_FLOAT_EQ(p.GetValue(COPresUnit(COPresUnit::hpa)), 1013.2f);
  EXPECT_EQ(Parse(ScanPressureUnit(p), "U_KPA\r"), ok);
  EXPECT_EQ(p.GetUnit().GetUnit(), COPresUnit::kpa);
  EXPECT_EQ(Parse(ScanPressureUnit(p), "______\r"), ok);
  EXPECT_EQ(p.GetUnit().GetUnit(), COPresUnit::kpa);
}

TEST(Parsers, CollectionsRunTheirItemsInOrder) {
  FixChBuf<5> model;
  FixChBuf<11> serial;
  FixChBuf<5> version;
  ScanColl identity;
  identity.Add(ScanFixStr("Q&T,"))
      .Add(ScanCharSet(model, "0123456789"))
      .Add(ScanChar(','))
      .Add(ScanDelStr(serial, ","))
      .Add(ScanFixStr(",VP"))
      .Add(ScanCharSet(version, "0123456789x"));
  const ScanColl copy(identity);
  EXPECT_EQ(Parse(copy, "Q&T,1314,K0042,VP12x"), ok);
  EXPECT_STREQ(model.Buffer(), "1314");
  EXPECT_STREQ(serial.Buffer(), "K0042");
  EXPECT_STREQ(version.Buffer(), "12x");
  EXPECT_EQ(Parse(identity, "Q&S,1314"), commError);
}

// --- the monitor sample ---

namespace {

struct SampleCase {
  const char* name;
  std::string reply;
  bool messageAsked;
  int readTimeout, writeStall;  // the link's flags before the sample
  Outcome outcome;
  std::vector<std::pair<int, float>> events;  // type, value
  std::vector<float> values;                  // channels 0 to 5
};

const float kNone = MeasValue::kNoValue;

}  // namespace

class SampleParser : public ::testing::Test {
 protected:
  FixChBuf<200> message;
  LinkEvents link;  // what the link noticed before the sample
};

TEST_F(SampleParser, ValuesEventsAndFlags) {
  const std::string tail = ",17,R0,X0,OK, 15 12:30:45";
  const SampleCase cases[] = {
      {"plain", " 1.0E+01, 2.5, 3, . . . . ., . . . . ., 9.5E+03" + tail, false, 0, 0, ok, {},
       {10.0f, 2.5f, 3.0f, kNone, kNone, 9500.0f}},
      {"markers", "F 1.0,A2.0,FA3.0,__________,. . . . .,\t4.0" + tail, false, 0, 0, ok,
       {{10, 0}, {2, 1}, {10, 2}, {2, 2}, {9, 3}}, {1.0f, 2.0f, 3.0f, kNone, kNone, 4.0f}},
      {"restart", "1,2,3,4,5,6,0,R1,X0,AB,15 12:30:45", false, 0, 0, ok, {{7, 0}},
       {1, 2, 3, 4, 5, 6}},
      {"write stall", "1,2,3,4,5,6,0,R0,X0,AB,15 12:30:45", false, 0, 1, ok, {{7, 0}}, {1, 2, 3, 4, 5, 6}},
      {"read time-out", "A1,2,3,4,5,6,0,R1,X1,AB,15 12:30:45", false, 1, 0, ok, {{2, 0}, {3, 0}},
       {1, 2, 3, 4, 5, 6}},
      {"status", "1,2,3,4,A5,6,0,R0,X1,,15 12:30:45", false, 0, 0, ok, {{2, 4}, {8, 4}}, {1, 2, 3, 4, 5, 6}},
      {"message asked", "1,2,3,4,5,6,0,R0,X0,ABCDE,15 12:30:45", true, 0, 0, ok, {{8, 0}}, {1, 2, 3, 4, 5, 6}},
      {"ends early", " 1.0, 2.0, 3", false, 0, 0, commError, {}, {1.0f, 2.0f, 0, 0, 0, 0}},
      {"no comma", " 1.0 2.0" + tail, false, 0, 0, commError, {}, {0, 0, 0, 0, 0, 0}},
      {"long field", "1,2,3,4,5,6,0,R0,X0,ABCDEF,15 12:30:45", false, 0, 0, commError, {}, {1, 2, 3, 4, 5, 6}},
      {"day 0", "1,2,3,4,5,6,0,R0,X0,OK,0 12:30:45", false, 0, 0, commError, {}, {1, 2, 3, 4, 5, 6}},
      {"day 32", "1,2,3,4,5,6,0,R0,X0,OK,32 12:30:45", false, 0, 0, commError, {}, {1, 2, 3, 4, 5, 6}},
      {"hour 24", "1,2,3,4,5,6,0,R0,X0,OK,15 24:00:00", false, 0, 0, commError, {}, {1, 2, 3, 4, 5, 6}},
      {"huge day", "1,2,3,4,5,6,0,R0,X0,OK,99999999999 1:0:0", false, 0, 0, commError, {}, {1, 2, 3, 4, 5, 6}},
  };
  const platform::CTime reference(2005, 3, 14, 10, 0, 0);
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.name);
    link.readTimeout = c.readTimeout != 0;
    link.writeStall = c.writeStall != 0;
    message.Assign("Filter wheel");
    COMeas meas;
    EXPECT_EQ(Parse(ScanMonMeas(meas, reference, c.messageAsked, message, &link), c.reply), c.outcome);
    ASSERT_EQ(meas.GetEvents().size(), c.events.size());
    for (size_t i = 0; i < c.events.size(); ++i) {
      EXPECT_EQ(meas.GetEvents()[i].GetType(), c.events[i].first) << i;
      EXPECT_EQ(meas.GetEvents()[i].GetValue(), c.events[i].second) << i;
    }
    for (int ch = 0; ch < 6; ++ch) EXPECT_EQ(meas.GetValue(ch).GetValue(), c.values[ch]) << ch;
    if (c.outcome == ok) {
      EXPECT_EQ(meas.GetMeasTime(), platform::CTime(2005, 3, 15, 12, 30, 45));
      EXPECT_FALSE(link.readTimeout);
      EXPECT_FALSE(link.writeStall);
    }
  }
}

TEST_F(SampleParser, StatusEventsCarryTheMonitorsMessage) {
  message.Assign("Zero drift");
  COMeas meas;
  link.readTimeout = true;
  ASSERT_EQ(Parse(ScanMonMeas(meas, platform::CTime(2005, 3, 1, 0, 0, 0), true, message, &link), "1,2,3,4,5,6,0,R1,X1,OK,1 00:00:00"), ok);
  ASSERT_EQ(meas.GetEvents().size(), 1u);
  EXPECT_EQ(meas.GetEvents()[0].GetType(), 3);
  EXPECT_EQ(meas.GetEvents()[0].GetText(), "Zero drift");

  COMeas quiet;
  ASSERT_EQ(Parse(ScanMonMeas(quiet, platform::CTime(2005, 3, 1, 0, 0, 0), false, message, &link), "1,2,3,4,5,6,0,R1,X0,OK,1 00:00:00"), ok);
  ASSERT_EQ(quiet.GetEvents().size(), 1u);
  EXPECT_EQ(quiet.GetEvents()[0].GetType(), 7);
  EXPECT_EQ(quiet.GetEvents()[0].GetText(), "");
}

TEST_F(SampleParser, DatedFromTheReferenceTime) {
  const struct {
    platform::CTime reference;
    const char* dayAndTime;
    platform::CTime expected;
  } cases[] = {
      {platform::CTime(2005, 12, 31, 23, 0, 0), "1 00:00:10", platform::CTime(2006, 1, 1, 0, 0, 10)},
      {platform::CTime(2005, 6, 30, 8, 0, 0), "30 08:00:05", platform::CTime(2005, 6, 30, 8, 0, 5)},
      {platform::CTime(2005, 6, 30, 8, 0, 0), "2 08:00:05", platform::CTime(2005, 7, 2, 8, 0, 5)},
      {platform::CTime(2005, 6, 2, 8, 0, 0), "  5\t7:3:9", platform::CTime(2005, 6, 5, 7, 3, 9)},
  };
  for (const auto& c : cases) {
    COMeas meas;
    const std::string reply = std::string("1,2,3,4,5,6,0,R0,X0,OK,") + c.dayAndTime;
    ASSERT_EQ(Parse(ScanMonMeas(meas, c.reference, false, message, nullptr), reply), ok) << reply;
    EXPECT_EQ(meas.GetMeasTime(), c.expected) << reply;
  }
}

// --- the reply source ---

TEST(ReplySource, PeeksWithoutConsumingAndJoinsBlocks) {
  FakeConn conn;
  conn.blocks = {std::string(160, 'a'), "b\r\n\n"};
  DataSrcTC src(&conn);
  EXPECT_EQ(src.Peek(), 'a');
  EXPECT_EQ(src.Peek(), 'a');
  EXPECT_EQ(conn.reads, 1);
  for (int i = 0; i < 160; ++i) src.Advance();
  EXPECT_EQ(src.Peek(), 'b');
  EXPECT_EQ(conn.reads, 2);
}

TEST(ReplySource, SilenceEndsInATimeOut) {
  FakeConn conn;
  DataSrcTC src(&conn);
  src.SetEmptyReadLimit(4);
  try {
    src.Peek();
    FAIL() << "no time-out";
  } catch (const Rs232Exception& e) {
    EXPECT_EQ(e.GetKind(), CommException::read);
    EXPECT_EQ(e.GetReason(), Rs232Exception::tout);
  }
  EXPECT_EQ(conn.reads, 4);

  // Data after a few empty reads is taken as it comes.
  conn.reads = 0;
  conn.blocks = {"", "", "7"};
  EXPECT_EQ(src.Peek(), '7');
}

TEST(ReplySource, DiscardDropsBufferedAndQueuedInput) {
  FakeConn conn;
  conn.blocks = {"stale\r\n", "more"};
  DataSrcTC src(&conn);
  EXPECT_EQ(src.Peek(), 's');
  src.Discard();
  EXPECT_EQ(conn.discards, 1);
  conn.blocks = {"0\r\n\n"};
  EXPECT_EQ(src.Peek(), '0');
}
