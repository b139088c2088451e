#include <gtest/gtest.h>

#include <cmath>

#include "COSequenceObs.h"
#include "DataTestSupport.h"
#include "MeasInterval.h"
#include "MeasReader.h"
#include "ObserverSteps.h"
#include "core/Shell.h"

namespace {

using kovo::test::DataTest;

// Two columns in ppm: gas A on the left axis, water on the right.
class IntervalTest : public DataTest {
 protected:
  COMeasInterval Interval(int mode) {
    COMeasInterval i(*context);
    i.SetMeasMode(static_cast<unsigned char>(mode));
    GasAAndWaterColumns(i);
    return i;
  }
  // Measurement no at base + seconds with gas A = a and water = w.
  COMeas Meas(int no, int seconds, float a, float w = 1.0f) {
    COMeas m;
    m.SetMeasNo(no);
    m.SetTime(base + platform::CTimeSpan(seconds));
    m.SetValue(0, a);
    m.SetValue(5, w);
    return m;
  }
  platform::CTime base{2024, 5, 6, 10, 0, 0};
};

TEST_F(IntervalTest, StatisticsBetweenTheCursors) {
  struct Case {
    const char* name;
    int mode, left, right;
    std::vector<float> values;  // gas A of measurements 1.. at one second apart
    bool sameTime;
    uint32_t count;
    double avg, stdDev, slope;
  };
  const double none = COMeasStatistics::kNone;
  const Case cases[] = {
      {"line", COMeasInterval::kByNumber, 1, 4, {1, 3, 5, 7}, false, 4, 4.0, std::sqrt(20.0 / 3), 2.0},
      {"cursors bracket two", COMeasInterval::kByNumber, 2, 3, {1, 3, 5, 7}, false, 2, 4.0, std::sqrt(2.0), 2.0},
      {"left after right", COMeasInterval::kByNumber, 3, 2, {1, 3, 5, 7}, false, 0, none, none, none},
      {"one value", COMeasInterval::kByNumber, 2, 2, {1, 3, 5, 7}, false, 1, 3.0, none, none},
      {"constant column", COMeasInterval::kByNumber, 1, 4, {0.1f, 0.1f, 0.1f, 0.1f}, false, 4, 0.1f, 0.0, 0.0},
      {"by time, per second", COMeasInterval::kByTime, 1, 4, {1, 3, 5, 7}, false, 4, 4.0, std::sqrt(20.0 / 3), 2.0},
      {"by time, one instant", COMeasInterval::kByTime, 1, 4, {1, 3, 5, 7}, true, 4, 4.0, none, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    COMeasInterval i = Interval(c.mode);
    i.SetLeftCursor(c.left);
    i.SetRightCursor(c.right);
    std::vector<COMeas> ms;
    for (size_t k = 0; k < c.values.size(); ++k)
      ms.push_back(Meas(static_cast<int>(k) + 1, c.sameTime ? 0 : static_cast<int>(k), c.values[k]));
    i.LoadData(ms);
    const COMeasStatistics& s = i.GetColumns()[0].GetStatistics();
    EXPECT_EQ(s.m_count, c.count);
    EXPECT_NEAR(s.GetAverage(), c.avg, 1e-6);
    EXPECT_FALSE(std::isnan(s.GetStdDev()));
    EXPECT_NEAR(s.GetStdDev(), c.stdDev, 1e-6);
    EXPECT_NEAR(s.GetSlope(), c.slope, 1e-6);
  }
}

TEST_F(IntervalTest, AxisLimitsOfThePass) {
  struct Case {
    const char* name;
    std::vector<float> values;
    unsigned char scaleMode;
    float max, min, axisMin;
  };
  const Case cases[] = {
      {"empty, automatic", {}, 0, -1.0f, 0.0f, 0.0f},
      {"empty, fixed", {}, 2, 50.0f, 0.0f, 0.0f},
      {"spread", {2, 9, 4}, 0, 9.0f, 2.0f, 2.0f},
      {"all equal", {5, 5, 5}, 0, 5.005f, 4.9975f, 4.9975f},
      {"from zero", {2, 9}, 1, 9.0f, 2.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    COMeasInterval i = Interval(COMeasInterval::kByNumber);
    i.SetAutoScaleMode(0, c.scaleMode);
    std::vector<COMeas> ms;
    for (size_t k = 0; k < c.values.size(); ++k) ms.push_back(Meas(static_cast<int>(k) + 1, 0, c.values[k]));
    i.LoadData(ms);
    EXPECT_NEAR(i.GetDataMax(0), c.max, 1e-5);
    EXPECT_NEAR(i.GetDataMin(0), c.min, 1e-5);
    EXPECT_NEAR(i.GetAxisMin(0), c.axisMin, 1e-5);
  }
}

TEST_F(IntervalTest, AColumnWithoutAxisCountsOnTheRight) {
  COMeasInterval i = Interval(COMeasInterval::kByNumber);
  i.GetColumns()[0].SetAxis(0xFF);
  i.LoadData({Meas(1, 0, 40.0f, 2.0f), Meas(2, 1, 60.0f, 3.0f)});
  EXPECT_FLOAT_EQ(i.GetDataMax(1), 60.0f);
  EXPECT_FLOAT_EQ(i.GetDataMin(1), 2.0f);
  EXPECT_FLOAT_EQ(i.GetDataMax(0), -1.0f);  // nothing left on the left axis
}

TEST_F(IntervalTest, ChannelMeansOfThePass) {
  COMeasInterval i = Interval(COMeasInterval::kByNumber);
  std::vector<COMeas> ms = {Meas(1, 0, 2.0f, 1.0f), Meas(2, 1, 4.0f, 3.0f), Meas(3, 2, 6.0f)};
  ms[2].SetValue(5, MeasValue::kNoValue);
  for (COMeas& m : ms) m.SetValue(1, MeasValue::kNoValue);
  i.LoadData(ms);
  EXPECT_DOUBLE_EQ(i.GetChannelMean(0), 4.0);
  EXPECT_DOUBLE_EQ(i.GetChannelMean(5), 2.0);
  EXPECT_DOUBLE_EQ(i.GetChannelMean(1), COMeasInterval::kNoMean);
}

TEST_F(IntervalTest, CursorMeasurementsTakenOnlyWhenMet) {
  COMeasInterval i = Interval(COMeasInterval::kByNumber);
  i.SetLeftCursor(2);
  i.SetRightCursor(3);
  i.LoadData({Meas(1, 0, 1), Meas(2, 1, 2), Meas(3, 2, 3)});
  EXPECT_EQ(i.GetLeftCursorMeas()->GetMeasNo(), 2);
  i.SetRightCursor(9);
  i.LoadData({Meas(1, 0, 1), Meas(2, 1, 2)});
  EXPECT_EQ(i.GetRightCursorMeas()->GetMeasNo(), 3);  // kept from before
}

class CountingWait : public platform::WaitCursorDisplay {
 public:
  void Begin() override { ++begun; }
  void End() override { ++ended; }
  int begun = 0, ended = 0;
};

TEST_F(IntervalTest, WaitCursorFromTheThousandthMeasurement) {
  for (int n : {999, 1000}) {
    CountingWait wait;
    platform::WaitCursorDisplay* old = platform::SetWaitCursorDisplay(&wait);
    COMeasInterval i = Interval(COMeasInterval::kByNumber);
    std::vector<COMeas> ms;
    for (int k = 1; k <= n; ++k) ms.push_back(Meas(k, k, 1.0f));
    i.LoadData(ms);
    platform::SetWaitCursorDisplay(old);
    EXPECT_EQ(wait.begun, n == 1000 ? 1 : 0) << n;
    EXPECT_EQ(wait.ended, wait.begun) << n;
  }
}

TEST_F(IntervalTest, MovingTheInterval) {
  COMeasInterval n = Interval(COMeasInterval::kByNumber);
  n.MoveTo(platform::CTime(), 10);
  n.SetLength(10);  // 1..10
  n.ScrollBack();
  EXPECT_EQ(n.GetFirst(), -3);
  EXPECT_EQ(n.GetLast(), 6);
  n.ScrollForward();
  n.ZoomOut();
  EXPECT_EQ(n.GetFirst(), -3);
  EXPECT_EQ(n.GetLast(), 10);
  n.ZoomTo(Meas(8, 0, 0), Meas(3, 0, 0));
  EXPECT_EQ(n.GetFirst(), 3);
  EXPECT_EQ(n.GetLast(), 8);
  n.ZoomTo(Meas(5, 0, 0), Meas(5, 0, 0));
  n.ZoomOut();  // a span of one counts as two
  EXPECT_EQ(n.GetFirst(), 4);

  COMeasInterval t = Interval(COMeasInterval::kByTime);
  t.SetEndTime(base);
  t.SetStartTime(base);
  t.ZoomOut();
  EXPECT_EQ(t.GetEndTime() - t.GetStartTime(), platform::CTimeSpan(20));
  t.SetStartTime(base + platform::CTimeSpan(5));
  EXPECT_EQ(t.GetTimeSpan(), 3600);
}

TEST_F(IntervalTest, MoveToFirstAndLastOfTheTask) {
  NewTask("move");
  kovo::test::ObserverSteps store(*context);
  for (int k = 1; k <= 30; ++k) {
    COMeas m = kovo::test::MakeMeas(base, k * 10, 0, 1.0f);
    store.Write(m);
  }
  store.Close();
  COMeasInterval i = Interval(COMeasInterval::kByNumber);
  i.MoveTo(platform::CTime(), 100);
  i.SetLength(5);
  i.SetLeftCursor(98);
  i.MoveToFirst();
  EXPECT_EQ(i.GetFirst(), 1);
  EXPECT_EQ(i.GetLast(), 5);
  EXPECT_EQ(i.GetLeftCursor(), 0);
  i.MoveToLast();
  EXPECT_EQ(i.GetLast(), 30);
  EXPECT_EQ(i.GetFirst(), 26);
  COMeasInterval t = Interval(COMeasInterval::kByTime);
  t.SetEndTime(base);
  t.SetStartTime(base - platform::CTimeSpan(60));
  t.MoveToLast();
  EXPECT_EQ(t.GetEndTime(), base + platform::CTimeSpan(300));
  EXPECT_EQ(t.GetStartTime(), base + platform::CTimeSpan(240));
}

TEST_F(IntervalTest, RollingAverageByTime) {
  NewTask("average");
  kovo::test::ObserverSteps store(*context);
  for (int k = 1; k <= 12; ++k) {
    COMeas m = kovo::test::MakeMeas(base, k * 10, 0, static_cast<float>(k));
    store.Write(m);
  }
  store.Close();
  COMeasInterval i = Interval(COMeasInterval::kByTime);
  i.SetStartTime(base + platform::CTimeSpan(100));
  i.SetEndTime(base + platform::CTimeSpan(120));
  i.SetMeasAvg(1);
  i.SetInterval(1);  // one minute: the six measurements before each one and itself
  COMeasBuffer buffer(*context);
  buffer.SetInterval(&i);
  std::vector<float> averages;
  for (buffer.MoveFirst(); !buffer.IsAtEnd(); buffer.MoveNext()) averages.push_back(buffer.GetCurrent().GetValue(0));
  EXPECT_EQ(averages, (std::vector<float>{7.0f, 8.0f, 9.0f}));
}

TEST_F(IntervalTest, ColumnTexts) {
  CColumn c(*context);
  c.SetCustomColor(0x123456);
  EXPECT_EQ(c.GetColor(), 0x123456u);
  c.SetColorIndex(2);
  EXPECT_EQ(c.GetColor(), 0xFF0000u);
  const std::pair<int, char> letters[] = {{0, 'A'}, {4, 'E'}, {5, 'W'}, {6, 'T'}, {7, 'P'}, {9, 'Z'}};
  for (auto [ch, letter] : letters) {
    c.SetChannel(static_cast<unsigned char>(ch));
    EXPECT_EQ(c.GetChannelLetter(), letter) << ch;
  }
  c.SetChannel(6);
  c.SetUnit(2);
  c.SetDefaultUnit();
  EXPECT_EQ(c.GetUnit(), 2);
}

TEST_F(IntervalTest, ValueTexts) {
  setup->SetGasConcUnit(COConcUnit::ppm);
  setup->SetPressureUnit(COPresUnit::mbar);
  struct Case {
    int channel;
    float stored;
    int unit;  // for the cell
    const char* cell;
    const char* status;
  };
  const Case cases[] = {
      {0, 1000.0f, COConcUnit::ppm, "1.000e+03", "1.000e+03"},
      {0, 999.99f, COConcUnit::ppm, "999.990", "999.99"},
      {0, -1000.0f, COConcUnit::ppm, "-1.000e+03", "-1.000e+03"},
      {0, 0.00012f, COConcUnit::ppm, "1.200e-04", "0.00"},
      {0, 2500.0f, COConcUnit::ppm, "2.500e+03", "2.500e+03"},
      {7, 500.0f, COPresUnit::kpa, "n/a", "500.00"},
      {7, 1013.0f, COPresUnit::kpa, "101.3", "1013.00"},
      {7, 1013.0f, COPresUnit::mbar, "1013", "1013.00"},
      {7, 1013.25f, COPresUnit::hpa, "1013", "1013.25"},
      {6, 21.25f, 0, "21.2", "21.25"},
      {6, MeasValue::kNoValue, 0, "n/a", "n/a"},
      {9, 1.0f, 0, "n/a", "n/a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.channel) + " " + c.cell);
    COMeas m;
    if (c.channel == 7)
      m.SetPressure(c.stored);
    else
      m.SetValue(c.channel, c.stored);
    EXPECT_EQ(GetValueText(*context, m, c.channel, c.unit), c.cell);
    EXPECT_EQ(FormatValue(*context, m, c.channel), c.status);
  }
}

TEST_F(IntervalTest, TemperatureHasNoConvertedValueOutsideTheCalibration) {
  COMeas m;
  m.SetValue(6, 21.0f);
  EXPECT_FALSE(GetConvertedValue(*context, m, 6, 1).IsValid());
  COMeasInterval i = Interval(COMeasInterval::kByNumber);
  i.GetColumns()[0].SetChannel(6);
  i.SetLeftCursor(1);
  i.SetRightCursor(1);
  m.SetMeasNo(1);
  i.LoadData({m});
  EXPECT_EQ(i.GetColumns()[0].GetStatistics().m_count, 0u);
  EXPECT_FLOAT_EQ(i.GetDataMax(0), -1.0f);
}

// The Calibration program's sequence, as its windows read it: a run of its
// own, its active filters, channels named by their letters.
class LentSequence : public ShownSequence {
 public:
  platform::CTime GetStartTime() const override { return start; }
  platform::CTime GetStopTime() const override { return start + platform::CTimeSpan(600); }
  int GetStopNum() const override { return 340; }
  bool IsFilterActive(int channel) const override { return channel == 1 || channel == 5; }
  std::string ChannelName(int channel) const override { return LetterChannelName(channel); }
  platform::CTime start{2024, 5, 6, 10, 0, 0};
};

// The windows read the sequence the program lends, not the task's
// measurement sequence, which stays as it is; without one, the active
// sequence again.
TEST_F(IntervalTest, TheWindowsReadTheSequenceTheProgramLends) {
  LentSequence lent;
  const int measurementStop = sequence.GetStopNum();
  context->SetWindowSequence(&lent);
  const COMeasInterval shown(*context);
  context->SetWindowSequence(nullptr);
  EXPECT_EQ(shown.GetLast(), 340);
  EXPECT_EQ(shown.GetEndTime(), lent.GetStopTime());
  std::vector<int> channels;
  for (const CColumn& c : shown.GetColumns()) {
    channels.push_back(c.GetChannel());
    EXPECT_EQ(c.GetSequence(), &lent);
  }
  EXPECT_EQ(channels, (std::vector<int>{1, 5}));
  EXPECT_EQ(shown.GetColumns()[1].GetChannelName(), "Water Vapour");
  EXPECT_EQ(sequence.GetStopNum(), measurementStop);
  EXPECT_EQ(&context->WindowSequence(), static_cast<ShownSequence*>(&sequence));
}

}  // namespace

// A task without a sample yet ends its first window at the task's start, not
// at the placeholder stop time the new sequence carries.
TEST_F(IntervalTest, ANewTaskWithoutSamplesShowsTheHourBeforeItsStart) {
  const platform::CTime before = platform::CTime::GetCurrentTime();
  NewTask("fresh");
  COMeasInterval i(*context);
  EXPECT_GE(i.GetEndTime().GetTime(), context->ActiveSequence().GetStartTime().GetTime());
  EXPECT_GE(i.GetEndTime().GetTime(), before.GetTime());
  EXPECT_EQ(i.GetEndTime().GetTime() - i.GetStartTime().GetTime(), 3600);
}
