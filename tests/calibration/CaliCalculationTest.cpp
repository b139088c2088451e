// The calculation on marked intervals without any window: what it calculates
// from the marks and the runs they belong to, what it refuses and says, and
// the working banks it leaves. The values are the hand-worked ones of the
// calibrator's own test.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "CaliCalculation.h"
#include "Calibrator.h"
#include "core/App.h"
#include "core/MessageSink.h"

namespace {

using calibration::CaliCalculation;
using calibration::CaliMark;
using calibration::CaliMarks;
using calibration::CaliResults;
using calibration::CaliRunGas;
using Texts = std::vector<std::string>;

float F(double v) { return static_cast<float>(v); }

class CaliCalculationTest : public ::testing::Test {
 protected:
  CaliCalculationTest() {
    data.m_filters[0] = &filterA;
    data.m_filters[1] = &filterB;
    data.m_filters[2] = &empty;
    data.m_values[9] = 200.0f;  // gain factor 10
    data.GetBank(0).m_concOffset = 0.0100f;
    data.GetBank(0).m_humiGain = 0.0300f;
    data.GetBank(1).m_concOffset = 0.0060f;
    data.GetBank(1).m_humiGain = 0.0100f;
    calibrator.Water().m_concOffset = 0.0050f;
    calibrator.SetClock([] { return platform::CTime(2005, 3, 7, 10, 0, 0); });
    reading.SetValue(0, 0.0125f);
    reading.SetValue(1, 0.0080f);
    reading.SetValue(5, 0.0420f);
    reading.SetValue(COMeas::chTemperature, 303.15f);
  }
  // A mark whose run starts at the measurement number, averaging the
  // fixture's reading.
  CaliMark Marked(int measNo) const {
    CaliMark mark;
    mark.first.SetMeasNo(measNo);
    mark.second.SetMeasNo(measNo + 4);
    mark.average = reading;
    return mark;
  }

  platform::AppCore app{"Calibration", {"calibration"}};
  platform::ScriptedMessageSink messages;
  OpticalFilter filterA{"1312", F(1.2e-3), F(-3.5e-3), 0.5f, F(4.0e-3), F(2.0e-3), F(1.0e-3), 0.8f, 0.05f};
  OpticalFilter filterB{"0977", F(0.9e-3), F(-2.0e-3), 0.0f, F(1.0e-3), 0.0f, 0.0f, 0.2f, 0.0f};
  OpticalFilter empty;
  MonitorData data;
  Calibrator calibrator{data};
  COMeas reading;
};

TEST_F(CaliCalculationTest, CalculatesWhatIsMarkedFromTheRunsItBelongsTo) {
  CaliRunGas span;
  span.concHigh = 100.0;
  span.concHighShown = 50.0;
  span.cross = true;
  CaliRunGas lowSpan = span;
  lowSpan.concLow = 40.0;
  lowSpan.concLowShown = 20.0;
  const float offsetBefore = 0.0100f;
  const struct Case {
    const char* name;
    std::function<void(CaliMarks&)> mark;
    // The runs found, by the measurement number their mark starts at.
    std::map<int, CaliRunGas> runs;
    std::function<void(Calibrator&)> before;
    std::optional<CaliResults> expected;
    Texts shown;
    float offsetA;
    std::optional<float> spanA;
  } cases[] = {
      {"nothing marked", [](CaliMarks&) {}, {{1, span}}, nullptr, std::nullopt,
       Texts{"Nothing to calculate: no interval is marked.\nPlace the cursors around a steady stretch of a "
             "calibration run and use Mark Interval first."},
       offsetBefore, std::nullopt},
      {"zero point", [this](CaliMarks& m) { m.zero = Marked(1); }, {}, nullptr,
       [] { CaliResults r; r.zeroPoint = true; return r; }(), Texts{}, F(0.012351778833225672), std::nullopt},
      {"single-point span with cross factors", [this](CaliMarks& m) { m.spanHigh[0] = Marked(11); },
       {{11, span}}, nullptr,
       [] { CaliResults r; r.singlePoint[0] = r.cross[0] = true; return r; }(), Texts{}, offsetBefore,
       F(93173.136930852241)},
      {"span whose run is missing", [this](CaliMarks& m) { m.spanHigh[0] = Marked(11); }, {}, nullptr,
       CaliResults(), Texts{}, offsetBefore, std::nullopt},
      {"two-point span whose low run is missing",
       [this](CaliMarks& m) {
         m.spanLow[0] = Marked(6);
         m.spanHigh[0] = Marked(11);
       },
       {{11, lowSpan}}, nullptr, CaliResults(), Texts{}, offsetBefore, std::nullopt},
      {"span of a filter without its zero", [this](CaliMarks& m) { m.spanHigh[0] = Marked(11); }, {{11, span}},
       [](Calibrator& c) { c.GetBank(0).m_concOffset.SetNoValue(); }, CaliResults(),
       Texts{"Unable to calculate one-point span values for filter A\nZero point and/or humidity interference "
             "values are not calculated"},
       MeasValue::kNoValue, std::nullopt},
      {"water-vapour span without its zero", [this](CaliMarks& m) { m.humiditySpan = Marked(16); },
       {{16, span}}, [](Calibrator& c) { c.Water().m_concOffset.SetNoValue(); }, CaliResults(),
       Texts{"Unable to calculate humidity span values\nZero Point values not calculated"}, offsetBefore,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MonitorData fresh = data;
    Calibrator working(fresh);
    working.Water() = calibrator.GetWater();
    working.SetClock([] { return platform::CTime(2005, 3, 7, 10, 0, 0); });
    if (c.before) c.before(working);
    messages.Clear();
    CaliMarks marks;
    c.mark(marks);
    CaliCalculation calculation(working, {true, true, false, false, false});
    const auto runOf = [&c](const COMeas& first) -> std::optional<CaliRunGas> {
      const auto run = c.runs.find(first.GetMeasNo());
      if (run == c.runs.end()) return std::nullopt;
      return run->second;
    };
    const std::optional<CaliResults> results = calculation.Calculate(marks, runOf);
    ASSERT_EQ(results.has_value(), c.expected.has_value());
    if (results) {
      EXPECT_EQ(results->zeroPoint, c.expected->zeroPoint);
      EXPECT_EQ(results->waterSpan, c.expected->waterSpan);
      EXPECT_EQ(results->interference, c.expected->interference);
      EXPECT_TRUE(results->complete);
      for (int f = 0; f < 5; ++f) {
        EXPECT_EQ(results->singlePoint[f], c.expected->singlePoint[f]) << f;
        EXPECT_EQ(results->twoPoint[f], c.expected->twoPoint[f]) << f;
        EXPECT_EQ(results->cross[f], c.expected->cross[f]) << f;
      }
    }
    EXPECT_EQ(messages.Texts(), c.shown);
    const BankInfo& a = working.GetBank(0);
    EXPECT_FLOAT_EQ(float(a.m_concOffset), c.offsetA);
    EXPECT_EQ(a.m_spanLow.IsValid(), c.spanA.has_value());
    if (c.spanA) EXPECT_FLOAT_EQ(float(a.m_spanLow), *c.spanA);
  }
}

// A rejected two-point span ends the calculation: what came before it stays
// calculated, the filters after it are not.
TEST_F(CaliCalculationTest, ARejectedTwoPointSpanLeavesWhatCameBefore) {
  CaliMarks marks;
  marks.zero = Marked(1);
  marks.spanLow[0] = Marked(6);
  marks.spanHigh[0] = Marked(11);
  // Far more signal for the same gas: above any response curve.
  marks.spanHigh[0].average.SetValue(0, 0.0200f);
  marks.spanHigh[1] = Marked(16);
  CaliRunGas run;
  run.concLow = run.concLowShown = 100.0;
  run.concHigh = run.concHighShown = 100.0;
  CaliCalculation calculation(calibrator, {true, true, false, false, false});
  const auto results = calculation.Calculate(marks, [&run](const COMeas&) { return std::optional<CaliRunGas>(run); });
  ASSERT_TRUE(results.has_value());
  EXPECT_FALSE(results->complete);
  EXPECT_TRUE(results->zeroPoint);
  EXPECT_FALSE(results->twoPoint[0]);
  EXPECT_FALSE(results->singlePoint[1]);
  EXPECT_FALSE(data.GetBank(1).m_spanLow.IsValid());
  EXPECT_EQ(messages.Texts().size(), 1u);
}

}  // namespace
