// The column read beside the measurement reader on the same task: every
// row, value and event, and every figure of a statistics pass, alike.
#include <gtest/gtest.h>

#include <cstring>

#include "DBFiles.h"
#include "DataTestSupport.h"
#include "MeasColumns.h"
#include "MeasReader.h"
#include "ObserverSteps.h"

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

std::string Describe(const COMeas& m) {
  std::string s = std::to_string(m.GetMeasNo()) + "@" + std::to_string(m.GetMeasTime().GetTime());
  for (int ch = 0; ch < COMeas::channelCount; ++ch) {
    const float v = m.GetValue(ch);
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    s += " " + std::to_string(bits);
  }
  for (const COEvent& e : m.GetEvents())
    s += " [" + std::to_string(e.GetType()) + " " + e.GetText() + " " + std::to_string(e.GetValue()) + "]";
  return s;
}

class MeasColumnsTest : public DataTest {
 protected:
  // Measurements at two a second for a while with gaps, absent and NULL
  // values, twins sharing a time, and events: on rows, on a twin, between
  // rows, and one text longer than a column holds.
  MeasColumnsTest() {
    NewTask("columns");
    kovo::test::ObserverSteps store(*context);
    for (int i = 1; i <= 300; ++i) {
      const int seconds = i / 2 + (i > 200 ? 40 : 0);
      COMeas m = MakeMeas(base, seconds, i, 10.0f + static_cast<float>(i % 17) * 0.37f);
      m.SetValue(1, static_cast<float>(i * i) / 100.0f);
      if (i % 11 == 0) m.SetValue(2, MeasValue::kNoValue);
      if (i % 50 == 0) m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 1.0f));
      if (i % 70 == 0) m.AddEvent(COEvent(COEvent::typeComment, "note " + std::to_string(i), 0.0f));
      if (i == 120) m.AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
      store.Write(m);
    }
    store.Close();
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(setup->GetDatabaseName()));
    db.ExecuteSQL("UPDATE [Meas] SET [FilterValues4] = NULL WHERE [MeasNo] % 13 = 0");
    db.ExecuteSQL("INSERT INTO [Event] VALUES ('" + (base + platform::CTimeSpan(33)).Format("%Y-%m-%d %H:%M:%S") +
                  "', 3, 'C', 2.5)");
    db.ExecuteSQL("INSERT INTO [Event] VALUES ('" + (base + platform::CTimeSpan(125)).Format("%Y-%m-%d %H:%M:%S") +
                  "', 0, '" + std::string(300, 'x') + "', 0)");
    // An event at no measurement's time: no row takes it.
    db.ExecuteSQL("INSERT INTO [Event] VALUES ('" + (base + platform::CTimeSpan(105)).Format("%Y-%m-%d %H:%M:%S") +
                  "', 7, 'P', 0)");
  }

  std::vector<COMeas> OldRead(const COMeasInterval& interval) {
    COMeasLoader loader(*context);
    loader.SetInterval(&interval);
    std::vector<COMeas> rows;
    for (loader.MoveFirst(); !loader.IsEOF(); loader.MoveNext()) rows.push_back(loader.GetCurrent());
    loader.Close();
    return rows;
  }

  // halves: from how many rows on it reads two halves side by side.
  COMeasColumns NewRead(const COMeasInterval& interval, long halves = 300000) {
    COMeasColumns rows;
    COMeasReadRequest request(*context, interval);
    request.halves = halves;
    EXPECT_TRUE(request.direct);
    std::string error;
    EXPECT_TRUE(ReadMeasColumns(request, rows, &error)) << error;
    return rows;
  }

  COMeasInterval ByTime(int from, int to) const { return IntervalByTime(base, from, to); }

  std::vector<std::pair<std::string, COMeasInterval>> Intervals() const {
    return {
        {"the whole task by time", ByTime(-10, 1000)},
        {"by time, ends on twins", ByTime(20, 60)},
        {"by time, over the gap", ByTime(95, 150)},
        {"by time, nothing in it", ByTime(400, 500)},
        {"by number", IntervalByNumber(40, 90)},
        {"by number, from before the first", IntervalByNumber(-5, 10)},
        {"by number, past the last", IntervalByNumber(280, 400)},
        {"by number, wholly past the last", IntervalByNumber(350, 400)},
        {"by number, one", IntervalByNumber(77, 77)},
    };
  }

  void ExpectSame(const std::vector<COMeas>& old, const COMeasColumns& rows) {
    ASSERT_EQ(rows.Size(), old.size());
    for (size_t i = 0; i < old.size(); ++i) EXPECT_EQ(Describe(rows.Row(i)), Describe(old[i])) << "row " << i;
  }

  platform::CTime base{2024, 3, 9, 23, 50, 0};
};

TEST_F(MeasColumnsTest, TheColumnReadGivesWhatTheReaderGives) {
  for (const auto& [what, interval] : Intervals()) {
    SCOPED_TRACE(what);
    const std::vector<COMeas> old = OldRead(interval);
    if (what.find("nothing") == std::string::npos && what.find("wholly") == std::string::npos) {
      EXPECT_GT(old.size(), 0u);
    }
    for (long halves : {300000L, 2L, 40L}) {
      SCOPED_TRACE(halves);
      ExpectSame(old, NewRead(interval, halves));
    }
  }
}

TEST_F(MeasColumnsTest, TheLiveMeasurementComesAfterTheRowsAsTheReaderDeliversIt) {
  monitor.hasLastMeas = true;
  COMeas& live = *context->DBObs().GetLastMeas();
  const std::pair<const char*, COMeas> cases[] = {
      {"newer, inside", MakeMeas(base, 190, 301, 5.0f)},
      {"already stored", MakeMeas(base, 150, 300, 5.0f)},
      {"outside", MakeMeas(base, 5000, 302, 5.0f)},
  };
  for (const auto& [what, m] : cases) {
    SCOPED_TRACE(what);
    live = m;
    live.AddEvent(COEvent(COEvent::typeComment, "own", 0.0f));
    for (const auto& interval :
         {ByTime(150, 200), ByTime(186, 195), IntervalByNumber(290, 305), IntervalByNumber(150, 305)})
      for (long halves : {300000L, 2L}) ExpectSame(OldRead(interval), NewRead(interval, halves));
  }
}

TEST_F(MeasColumnsTest, AStatisticsPassOverTheColumnsGivesEveryFigureOfOneOverTheMeasurements) {
  for (const auto& [what, interval] : Intervals()) {
    for (const bool cursors : {false, true}) {
      SCOPED_TRACE(what + (cursors ? " with cursors" : ""));
      COMeasInterval a = interval, b = interval;
      for (COMeasInterval* i : {&a, &b}) {
        i->GetColumns().clear();
        for (int ch : {0, 1, 2, 3, 5, 7}) {
          CColumn c(*context);
          c.SetChannel(static_cast<unsigned char>(ch));
          c.SetAxis(ch < 3 ? 0 : 1);
          c.SetDefaultUnit();
          i->GetColumns().push_back(c);
        }
        if (cursors) {
          i->SetLeftCursor(60);
          i->SetRightCursor(250);
        }
      }
      // The cursors' figures made anew over a pass made for other cursors.
      COMeasInterval pass = b, moved = b;
      pass.SetLeftCursor(10);
      pass.SetRightCursor(20);
      const COMeasColumns rows = NewRead(interval);
      const std::vector<std::vector<float>> converted = ConvertColumns(rows, pass.MakeConverters());
      pass.LoadData(rows, converted);
      moved.LoadCursorFigures(rows, converted, pass);
      a.LoadData(OldRead(interval));
      b.LoadData(NewRead(interval));
      for (COMeasInterval* other : {&b, &moved}) {
        SCOPED_TRACE(other == &b ? "one pass" : "cursors moved");
        for (int axis = 0; axis < 2; ++axis) {
          EXPECT_EQ(a.GetDataMin(axis), other->GetDataMin(axis));
          EXPECT_EQ(a.GetDataMax(axis), other->GetDataMax(axis));
        }
        for (int ch = 0; ch < 7; ++ch) EXPECT_EQ(a.GetChannelMean(ch), other->GetChannelMean(ch)) << ch;
        EXPECT_EQ(Describe(*a.GetLeftCursorMeas()), Describe(*other->GetLeftCursorMeas()));
        EXPECT_EQ(Describe(*a.GetRightCursorMeas()), Describe(*other->GetRightCursorMeas()));
        for (size_t c = 0; c < a.GetColumns().size(); ++c) {
          const COMeasStatistics& x = a.GetColumns()[c].GetStatistics();
          const COMeasStatistics& y = other->GetColumns()[c].GetStatistics();
          EXPECT_EQ(x.m_count, y.m_count) << c;
          EXPECT_EQ(x.GetMinimum(), y.GetMinimum()) << c;
          EXPECT_EQ(x.GetMaximum(), y.GetMaximum()) << c;
          EXPECT_EQ(x.GetAverage(), y.GetAverage()) << c;
          EXPECT_EQ(x.GetStdDev(), y.GetStdDev()) << c;
          EXPECT_EQ(x.GetSlope(), y.GetSlope()) << c;
        }
      }
    }
  }
}

TEST_F(MeasColumnsTest, AFollowConvertsOnlyWhatItAddedAndGivesWhatAFreshConversionGives) {
  COMeasInterval moving = ByTime(20, 60);
  COMeasBuffer buffer(*context);
  buffer.SetInterval(&moving);
  for (int ch : {0, 2, 5, 7}) {
    CColumn c(*context);
    c.SetChannel(static_cast<unsigned char>(ch));
    c.SetDefaultUnit();
    moving.GetColumns().push_back(c);
  }
  const std::vector<COValueConverter> by = moving.MakeConverters();
  buffer.Converted(by);
  // Rows leave at the front, the last second is read again, rows come.
  for (int end : {70, 75, 150, 160}) {
    SCOPED_TRACE(end);
    moving.MoveTo(base + platform::CTimeSpan(end), 0);
    buffer.Follow(&moving);
    EXPECT_EQ(buffer.Converted(by), ConvertColumns(buffer.Rows(), by));
  }
}

// The columns keep a repeated text once: every event still reads its own,
// when texts come back after many others, after a copy of the rows onto
// others and after rows went at either end.
TEST(MeasColumns, EachEventKeepsItsTextAndValue) {
  COMeasColumns rows;
  const float values[COMeas::channelCount] = {};
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    rows.Append(i + 1, 1000 + i, values);
    // Twelve texts in turn, more than are looked for among the last ones.
    const std::string text = i % 3 == 0 ? "CO: 25.000 ppm (Limit 1)" : "note " + std::to_string(i % 12);
    rows.AddEvent(i % 3 == 0 ? COEvent::typeAlarm : COEvent::typeComment, text, static_cast<float>(i));
    expected.push_back(text);
  }
  auto expectTexts = [&](const COMeasColumns& c, size_t firstRow, size_t count) {
    ASSERT_EQ(c.EventCount(), count);
    for (size_t e = 0; e < count; ++e) {
      const size_t i = firstRow + e;
      EXPECT_EQ(c.EventRow(e), e);
      EXPECT_EQ(c.Event(e).GetText(), expected[i]) << "event " << i;
      EXPECT_EQ(c.EventValue(e), static_cast<float>(i));
      EXPECT_EQ(c.EventType(e), i % 3 == 0 ? COEvent::typeAlarm : COEvent::typeComment);
    }
  };
  expectTexts(rows, 0, 40);

  COMeasColumns more;
  more.Append(0, 900, values);
  more.AddEvent(COEvent::typeComment, "before", 0.0f);
  more.Append(rows);
  ASSERT_EQ(more.EventCount(), 41u);
  EXPECT_EQ(more.EventText(0), "before");
  for (size_t e = 1; e < 41; ++e) EXPECT_EQ(more.EventText(e), expected[e - 1]) << "event " << e;
  EXPECT_EQ(more.Row(5).GetEvents().at(0).GetText(), expected[4]);

  rows.DropFront(5);
  rows.DropBack(5);
  expectTexts(rows, 5, 30);
}

}  // namespace
