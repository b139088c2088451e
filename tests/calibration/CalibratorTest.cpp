// The calibration arithmetic against values worked out by hand from the
// formulas (not from this code), the response curve, and the refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "core/App.h"
#include "core/StringTable.h"
#include "core/MessageSink.h"

namespace {

float F(double v) { return static_cast<float>(v); }

class CalibratorTest : public ::testing::Test {
 protected:
  CalibratorTest() {
    // a, b, unused, e, f, g, c, h
    data.m_filters[0] = &filterA;
    data.m_filters[1] = &filterB;
    data.m_filters[2] = &empty;
    data.m_values[9] = 200.0f;  // gain factor 10
    BankInfo& a = data.GetBank(0);
    a.m_concOffset = 0.0100f;
    a.m_humiGain = 0.0300f;
    BankInfo& b = data.GetBank(1);
    b.m_concOffset = 0.0060f;
    b.m_humiGain = 0.0100f;
    calibrator.Water().m_concOffset = 0.0050f;
    calibrator.SetClock([this] { return now; });
    meas.SetValue(0, 0.0125f);
    meas.SetValue(1, 0.0080f);
    meas.SetValue(5, 0.0420f);
    meas.SetValue(COMeas::chTemperature, 303.15f);
  }

  platform::ProgramTexts texts{"Calibration", kovo::ProgramStrings("Calibration")};
  platform::ScriptedMessageSink messages;
  OpticalFilter filterA{"1312", F(1.2e-3), F(-3.5e-3), 0.5f, F(4.0e-3), F(2.0e-3), F(1.0e-3), 0.8f, 0.05f};
  OpticalFilter filterB{"0977", F(0.9e-3), F(-2.0e-3), 0.0f, F(1.0e-3), 0.0f, 0.0f, 0.2f, 0.0f};
  OpticalFilter empty;  // "____": nothing mounted
  MonitorData data;
  Calibrator calibrator{data};
  COMeas meas;
  platform::CTime now{2005, 3, 7, 10, 0, 0};
};

TEST_F(CalibratorTest, FormulasGiveTheHandWorkedValues) {
  struct Golden {
    const char* what;
    double value;
    double expected;
  };
  const Golden table[] = {
      {"pressure factor", calibrator.pressureFactor(), 1.0674999999999999},
      {"temperature factor A", calibrator.tempFactor(0, meas), 1.0120000005699694},
      {"temperature factor W", calibrator.tempFactor(5, meas), 1.0081419997150078},
      {"offset compensated A", calibrator.offsetCompensated(0, meas), 0.012351778833225672},
      {"water signal", calibrator.waterSignal(meas), 0.03695928954784948},
      {"humidity", calibrator.humidity(meas), 0.03945404159232932},
      {"interference A", calibrator.humInterference(0, meas), 0.042305507869653841},
      {"interference B", calibrator.humInterference(1, meas), 0.040159906311225221},
      {"humidity gain A", calibrator.humGainOf(0, meas), 0.056257459763806465},
      {"net signal A", calibrator.netSignal(0, meas), 0.0011108351990428871},
      {"net signal B", calibrator.netSignal(1, meas), 0.001544401274147943},
      {"span factor A", calibrator.spanFactor(0, meas, 100.0), 93173.136930852241},
      {"cross factor B for A", calibrator.crossFactor(1, 0, meas, 100.0), 67016.261797074141},
      {"water span factor", calibrator.waterSpanFactor(meas, 15000.0), 2.4508326406010746e-06},
  };
  for (const Golden& g : table) EXPECT_NEAR(g.value, g.expected, std::fabs(g.expected) * 1e-12) << g.what;
}

TEST_F(CalibratorTest, PressureFactorKeepsItsBandAndFallsBackToOne) {
  const struct {
    float gain;
    double expected;
  } cases[] = {
      {71.17f, 213.5 / 71.17f}, {71.16f, 1.0}, {711.0f, 213.5 / 711.0f}, {712.0f, 1.0}, {0.0f, 1.0},
      {MeasValue::kNoValue, 1.0},
  };
  for (const auto& c : cases) {
    data.m_values[9] = c.gain;
    EXPECT_DOUBLE_EQ(calibrator.pressureFactor(), c.expected) << c.gain;
  }
}

TEST_F(CalibratorTest, ZeroPointSkipsEmptyPositionsAndDatesWhatItSets) {
  BankInfo& c = data.GetBank(2);
  c.m_concOffset = 7.0f;
  EXPECT_TRUE(calibrator.calibOffset(meas));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_concOffset, F(0.012351778833225672));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_offsetVoltage, 0.0125f);
  EXPECT_EQ(data.GetBank(0).m_zeroDate, CalibTime(now));
  EXPECT_FLOAT_EQ(c.m_concOffset, 7.0f);
  EXPECT_FALSE(c.m_zeroDate.IsValid());
  EXPECT_FLOAT_EQ(calibrator.GetWater().m_concOffset, F(0.0420 / 1.0081419997150078));
  EXPECT_EQ(calibrator.CalculatedGroups(0), unsigned(groupOffset));
  EXPECT_EQ(calibrator.CalculatedGroups(2), 0u);
  EXPECT_EQ(calibrator.CalculatedGroups(5), unsigned(groupOffset));
}

TEST_F(CalibratorTest, HumidityInterferenceUsesTheStoredOffset) {
  EXPECT_TRUE(calibrator.calibHumIntf(meas));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_humiGain, F(0.056257459763806465));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_humiVoltage, 0.0125f);
  EXPECT_EQ(data.GetBank(0).m_humiDate, CalibTime(now));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(CalibratorTest, DryGasRefusesTheInterferenceAndKeepsTheOldGains) {
  meas.SetValue(5, 0.001f);  // below the water offset: humidity counts as 0
  EXPECT_EQ(calibrator.humInterference(0, meas), 0.0);
  EXPECT_FALSE(calibrator.calibHumIntf(meas));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_humiGain, 0.0300f);
  EXPECT_FLOAT_EQ(data.GetBank(1).m_humiGain, 0.0100f);
  EXPECT_FALSE(data.GetBank(0).m_humiDate.IsValid());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find("No humidity signal"), std::string::npos);
}

TEST_F(CalibratorTest, HumiditySpanOfZeroConcentrationIsRefused) {
  calibrator.Water().m_gain = 1.5f;
  EXPECT_FALSE(calibrator.calibHumSpan(meas, 0.0));
  EXPECT_FLOAT_EQ(calibrator.GetWater().m_gain, 1.5f);
  EXPECT_FALSE(calibrator.GetWater().m_spanDate.IsValid());
  EXPECT_TRUE(calibrator.calibHumSpan(meas, 15000.0));
  EXPECT_FLOAT_EQ(calibrator.GetWater().m_gain, F(2.4508326406010746e-06));
  EXPECT_EQ(calibrator.CalculatedGroups(5), unsigned(groupSpan));
}

TEST_F(CalibratorTest, OnePointSpanStoresFactorCrossAndVoltages) {
  BankInfo& a = data.GetBank(0);
  a.m_spanHigh = 3.0f;
  a.m_concLow = 4.0f;
  a.m_voltLow = 5.0f;
  a.m_twoPoint = 1;
  a.m_cross[0] = 9.0f;
  EXPECT_TRUE(calibrator.calibSpan1P(meas, 0, 100.0, 50.0, true));
  EXPECT_FLOAT_EQ(a.m_spanLow, F(93173.136930852241));
  EXPECT_FALSE(a.m_spanHigh.IsValid());
  EXPECT_FALSE(a.m_concLow.IsValid());
  EXPECT_FALSE(a.m_voltLow.IsValid());
  EXPECT_FALSE(a.IsTwoPoint());
  EXPECT_FLOAT_EQ(a.m_concHigh, 50.0f);
  EXPECT_FLOAT_EQ(a.m_voltHigh, 0.0125f);
  EXPECT_FLOAT_EQ(a.m_cross[1], F(67016.261797074141));
  EXPECT_FLOAT_EQ(a.m_cross[0], 9.0f);     // its own slot
  EXPECT_FALSE(a.m_cross[2].IsValid());   // nothing mounted there
  EXPECT_EQ(a.m_crosDate, CalibTime(now));
  EXPECT_EQ(calibrator.CalculatedGroups(0), unsigned(groupSpan | groupCross));
}

TEST_F(CalibratorTest, SpanAtTheSignalGuardIsAFailureNotAFactor) {
  BankInfo& a = data.GetBank(0);
  a.m_concOffset = 0.0f;
  a.m_humiGain = 0.0f;
  a.m_spanLow = 2.0f;
  meas.SetValue(0, Calibrator::kSignalGuard);
  EXPECT_EQ(calibrator.spanFactor(0, meas, 100.0), 0.0);
  EXPECT_FALSE(calibrator.calibSpan1P(meas, 0, 100.0, 50.0, false));
  EXPECT_FLOAT_EQ(a.m_spanLow, 2.0f);
  EXPECT_FALSE(a.m_spanDate.IsValid());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Unable to calculate span values for filter A\nNo gas signal");
}

TEST_F(CalibratorTest, CrossAtTheGuardKeepsTheOldCrossFactor) {
  data.GetBank(1).m_concOffset = 0.0f;
  data.GetBank(1).m_humiGain = 0.0f;
  meas.SetValue(1, 0.0f);
  data.GetBank(0).m_cross[1] = 4.0f;
  EXPECT_FALSE(calibrator.calibSpan1P(meas, 0, 100.0, 50.0, true));
  EXPECT_FLOAT_EQ(data.GetBank(0).m_cross[1], 4.0f);
  EXPECT_FALSE(data.GetBank(0).m_crosDate.IsValid());
  EXPECT_TRUE(data.GetBank(0).m_spanDate.IsValid());
  EXPECT_EQ(messages.Texts().at(0), "Unable to calculate cross interference of filter B\nNo gas signal");
}

TEST(ResponseCurve, KeepsTheMeasuredRowsExactly) {
  const TwoPointFit::Point* curve = TwoPointFit::Curve();
  const struct {
    int index;
    float x;
    double y;
  } rows[] = {{7, 0.1f, 0.0948936}, {27, 0.5f, 0.393528}, {52, 1.0f, 0.649833}, {102, 2.0f, 0.975688},
              {252, 5.0f, 1.46564}, {502, 10.0f, 1.81451}, {1002, 20.0f, 2.04145}};
  for (const auto& r : rows) {
    EXPECT_EQ(curve[r.index].x, static_cast<double>(r.x)) << r.index;
    EXPECT_EQ(curve[r.index].y, r.y) << r.index;
  }
  EXPECT_EQ(curve[0].x, 0.0);
  EXPECT_EQ(curve[0].y, 0.0);
  EXPECT_EQ(curve[1].x, static_cast<double>(0.0001f));
  EXPECT_EQ(curve[1].y, 0.00010002);
  EXPECT_EQ(curve[2].x, static_cast<double>(0.001f));
  for (int i = 1; i < TwoPointFit::kPoints; ++i) EXPECT_GT(curve[i].y, curve[i - 1].y) << i;
}

TEST(ResponseCurve, InterpolatesCapsAndFlagsBeyondTheEnd) {
  TwoPointFit fit;
  EXPECT_EQ(fit.f(0.0001), 0.0001);  // the table's 0.00010002 is capped by x
  EXPECT_NEAR(fit.f(1.0), 0.649833, 1e-15);
  const TwoPointFit::Point& a = TwoPointFit::Curve()[52];
  const TwoPointFit::Point& b = TwoPointFit::Curve()[53];
  EXPECT_NEAR(fit.f(1.01), a.y + (1.01 - a.x) / (b.x - a.x) * (b.y - a.y), 1e-15);
  EXPECT_FALSE(fit.HasError());
  fit.f(20.5);
  EXPECT_TRUE(fit.HasError());
}

class TwoPointTest : public CalibratorTest {
 protected:
  TwoPointTest() {
    data.m_filters[1] = &empty;
    // At the reference temperature the concentrations need no correction.
    low.SetValue(COMeas::chTemperature, Calibrator::kReferenceTemp);
    high.SetValue(COMeas::chTemperature, Calibrator::kReferenceTemp);
    low.SetValue(0, 1000.0f);
    data.GetBank(0).m_spanLow = 8.0f;
    data.GetBank(0).m_spanHigh = 9.0f;
  }
  COMeas low, high;
};

TEST_F(TwoPointTest, RejectsAboveTheLinearResponse) {
  const struct {
    float vh;
    unsigned message;
  } cases[] = {{2300.0f, IDS_CALI_LINEAR_COHERENCE},
               {std::nextafter(2300.0f, 3000.0f), IDS_CALI_DOES_NOT_FIT},
               {1990.0f, IDS_CALI_LINEAR_COHERENCE},
               // Below the curve's reach: the search ends after its iterations.
               {1050.0f, IDS_CALI_DOES_NOT_FIT}};
  for (const auto& c : cases) {
    high.SetValue(0, c.vh);
    try {
      calibrator.calibSpan2P(high, low, 0, 2.0, 2.0, 1.0, 1.0, false);
      ADD_FAILURE() << c.vh << " was accepted";
    } catch (const CalibrationError& e) {
      EXPECT_EQ(e.GetMessageId(), c.message) << c.vh;
    }
    // Only the voltages have changed.
    EXPECT_FLOAT_EQ(data.GetBank(0).m_spanLow, 8.0f);
    EXPECT_FLOAT_EQ(data.GetBank(0).m_spanHigh, 9.0f);
    EXPECT_FLOAT_EQ(data.GetBank(0).m_voltHigh, c.vh);
    EXPECT_FALSE(data.GetBank(0).m_spanDate.IsValid());
  }
  EXPECT_EQ(messages.Texts().size(), 4u);
}

TEST_F(TwoPointTest, FitsTheCurveThroughBothMeasurements) {
  high.SetValue(0, 1980.0f);  // 0.99 of the linear response: accepted
  EXPECT_TRUE(calibrator.calibSpan2P(high, low, 0, 2.0, 20.0, 1.0, 10.0, false));
  const BankInfo& a = data.GetBank(0);
  ASSERT_TRUE(a.IsTwoPoint());
  TwoPointFit fit;
  const double amplitude = a.m_spanLow, scale = a.m_spanHigh;
  EXPECT_NEAR(amplitude * fit.f(scale * 2.0) / 1980.0, 1.0, 1e-5);
  EXPECT_NEAR(amplitude * fit.f(scale * 1.0) / 1000.0, 1.0, 1e-5);
  EXPECT_FLOAT_EQ(a.m_concLow, 10.0f);
  EXPECT_FLOAT_EQ(a.m_concHigh, 20.0f);
  EXPECT_EQ(a.m_spanDate, CalibTime(now));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(CalibratorTest, TakesTheActiveBanksAndMendsTheirTwoPointFlag) {
  MonitorSetup setup;
  BankInfo& twoWithoutSecond = setup.GetFilter(0).GetBank(2);
  twoWithoutSecond.m_twoPoint = 1;
  twoWithoutSecond.SetGasName("CO2");
  BankInfo& oneWithSecond = setup.GetFilter(1).GetBank(0);
  oneWithSecond.m_spanHigh = 3.0f;
  setup.m_water.m_gain = 2.5f;
  calibrator.MarkCalculated(0, groupAll);
  const unsigned char active[5] = {2, 0, 0, 0, 0};
  calibrator.TakeBanks(setup, active);
  EXPECT_EQ(data.GetBank(0).GetGasName().ToString(), "CO2");
  EXPECT_FALSE(data.GetBank(0).IsTwoPoint());
  EXPECT_FALSE(data.GetBank(1).m_spanHigh.IsValid());
  EXPECT_FLOAT_EQ(calibrator.GetWater().m_gain, 2.5f);
  EXPECT_EQ(calibrator.CalculatedGroups(0), 0u);
}

}  // namespace
