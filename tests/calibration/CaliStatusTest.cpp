// The calibration status against calibration tasks with stored runs: Mark
// Interval between the cursors in the mode of the run, the averages handed
// to the calibrator, Unmark All, Calculate with its refusals and "Calculation
// finished", and the marks as the graph and numeric windows draw them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <cstdio>

#include "COGenSub.h"
#include "Curve.h"
#include "CaliStatus.h"
#include "CaliUiFixture.h"
#include "CaliValues.h"
#include "Calibrator.h"
#include "DCWrapper.h"
#include "ModalWatch.h"
#include "ViewBase.h"
#include "WindowLayer.h"

namespace kovo::test {
namespace {

using calibration::COCalculateDlg;
using calibration::COCaliStatus;

class CaliStatusTest : public CaliUiTest {
 protected:
  // One stored run of the calibration sequence as configure sets it up: n
  // readings of the levels (µV, A to E and water vapour) at 25 °C, each a
  // second after the one before; then the next sequence row. Returns the
  // run's measurements as stored.
  std::vector<COMeas> AddRun(const std::function<void(COCaliSequence&)>& configure, std::vector<float> levels,
                             int n = 5, float temperature = 25.0f) {
    configure(caliSequence);
    caliSequence.Save();
    genSub.Notify(eTaskStarted);
    for (int i = 0; i < n; ++i) {
      COMeas m;
      m.SetTime(m_clock + platform::CTimeSpan(m_seconds++));
      for (int ch = 0; ch < 6; ++ch) m.SetValue(ch, levels[static_cast<size_t>(ch)]);
      m.SetValue(COMeas::chTemperature, temperature);
      m.SetPressure(1013.0f);
      genSub.NotifyMeas(eNewMeas, m);
    }
    caliSequence.NewSequence();
    const std::vector<COMeas> all = StoredMeas();
    return std::vector<COMeas>(all.end() - n, all.end());
  }
  // The cursors of a window on the two measurements.
  void Cursors(const COMeas& left, const COMeas& right) {
    *view.GetInterval().GetLeftCursorMeas() = left;
    *view.GetInterval().GetRightCursorMeas() = right;
    cursors.SetWindowData(&view);
    cursors.SetCursorOn(true);
  }
  static std::function<void(COCaliSequence&)> Mode(int mode, int filter = 0, bool high = true) {
    return [=](COCaliSequence& s) {
      s.CaliMode = static_cast<unsigned char>(mode);
      s.SpanFilter = static_cast<short>(filter);
      s.CaliHighConc = high ? 1 : 0;
    };
  }
  // Runs Calculate and answers "Calculation finished" with OK; the ticked
  // boxes' ids, or nothing when the dialog did not come.
  std::vector<int> Calculate() {
    std::vector<int> ticked;
    bool shown = false;
    ModalWatch watch([&](platform::CDialog* dlg) {
      if (dlg->GetTemplateId() != COCalculateDlg::IDD || shown) return;
      shown = true;
      Picture(*dlg, "calibration_calculation_finished");
      for (QCheckBox* box : dlg->findChildren<QCheckBox*>())
        if (box->isChecked())
          for (int id = 1000; id < 1300; ++id)
            if (dlg->GetDlgItem(id) == box) ticked.push_back(id);
      dlg->accept();
    });
    status.Calculate();
    if (!shown) ticked.push_back(-1);
    return ticked;
  }

  COCursorStatus cursors;
  COWindowOrder graphNumbers;
  COMeasView view{graphNumbers, program, COMeasView::kGraphic};
  COCaliStatus status{ctx, cursors};
  const std::vector<float> zeroAir{12500.0f, 8000.0f, 6100.0f, 4300.0f, 0.0f, 42000.0f};

 private:
  platform::CTime m_clock = platform::CTime::GetCurrentTime() - platform::CTimeSpan(3600);
  int m_seconds = 0;
};

TEST_F(CaliStatusTest, MarkIntervalNeedsTheCursorsOnAMeasurement) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  EXPECT_FALSE(status.MarkInterval());  // no cursor window
  Cursors(run[1], run[3]);
  cursors.SetCursorOn(false);
  EXPECT_FALSE(status.MarkInterval());
  cursors.SetCursorOn(true);
  view.GetInterval().GetLeftCursorMeas()->SetMeasNo(0);
  EXPECT_FALSE(status.MarkInterval());
  EXPECT_EQ(Shown(), Texts(3, "Please select an interval"));
  EXPECT_FALSE(status.ZeroMark().IsSet());
}

TEST_F(CaliStatusTest, EachModeMarksItsOwnIntervalWithTheAverageBetweenTheCursors) {
  const auto zero = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  auto interference = [](COCaliSequence& s) {
    s.CaliMode = COCaliSequence::modeHumidityInterference;
    s.SetCalcSpan(COCaliSequence::calcWaterSpan, true);
  };
  const auto humid = AddRun(interference, {13000.0f, 8100.0f, 6200.0f, 4400.0f, 0.0f, 90000.0f});
  const auto low = AddRun(Mode(COCaliSequence::modeSpan2P, 2, false), {12500, 8000, 7000, 4300, 0, 42000});
  const auto high = AddRun(Mode(COCaliSequence::modeSpan2P, 2, true), {12500, 8000, 8000, 4300, 0, 42000});

  // The zero run with a reading of its own at each end: the average is that
  // of the readings between the cursors only.
  Cursors(zero[1], zero[3]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_EQ(status.ZeroMark().first.GetMeasNo(), zero[1].GetMeasNo());
  EXPECT_EQ(status.ZeroMark().second.GetMeasNo(), zero[3].GetMeasNo());
  const COMeas& avg = status.ZeroAverage();
  EXPECT_NEAR(float(avg.GetValue(0)), 0.0125f, 1e-7f);
  EXPECT_NEAR(float(avg.GetValue(5)), 0.042f, 1e-7f);
  EXPECT_NEAR(float(avg.GetValue(COMeas::chTemperature)), 298.15f, 0.001f);

  Cursors(humid[3], humid[0]);  // the cursors in either order
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_TRUE(status.InterferenceMark().IsSet());
  EXPECT_EQ(status.HumiditySpanMark().first.GetMeasNo(), humid[3].GetMeasNo());
  EXPECT_NEAR(float(status.HumiditySpanAverage().GetValue(5)), 0.09f, 1e-7f);

  Cursors(low[0], low[4]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_TRUE(status.SpanLowMark(2).IsSet());
  EXPECT_FALSE(status.SpanHighMark(2).IsSet());
  Cursors(high[0], high[4]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_TRUE(status.SpanHighMark(2).IsSet());
  EXPECT_NEAR(float(status.SpanHighAverage(2).GetValue(2)), 0.008f, 1e-7f);
  EXPECT_EQ(Shown(), Texts{});

  // Across two runs: refused, every mark kept.
  Cursors(zero[2], humid[1]);
  EXPECT_FALSE(status.MarkInterval());
  EXPECT_EQ(Shown(), Texts{"Please select a valid interval"});
  EXPECT_EQ(status.ZeroMark().first.GetMeasNo(), zero[1].GetMeasNo());

  // A single-point span of filter C forgets its low mark.
  const auto single = AddRun(Mode(COCaliSequence::modeSpan1P, 2), {12500, 8000, 9000, 4300, 0, 42000});
  Cursors(single[0], single[2]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_FALSE(status.SpanLowMark(2).IsSet());
  EXPECT_EQ(status.SpanHighMark(2).first.GetMeasNo(), single[0].GetMeasNo());

  status.UnmarkAll();
  EXPECT_FALSE(status.ZeroMark().IsSet());
  EXPECT_FALSE(status.SpanHighMark(2).IsSet());
  EXPECT_FALSE(status.InterferenceMark().IsSet());
}

TEST_F(CaliStatusTest, AMarkWhoseReadingsCannotBeReadIsNotSet) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  ExecuteSql("ALTER TABLE [Meas] RENAME TO [Gone]");
  Cursors(run[0], run[4]);
  EXPECT_FALSE(status.MarkInterval());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_NE(Shown()[0].find("Meas"), std::string::npos) << Shown()[0];
  EXPECT_FALSE(status.ZeroMark().IsSet());
  ExecuteSql("ALTER TABLE [Gone] RENAME TO [Meas]");
}

TEST_F(CaliStatusTest, TheAverageTemperatureIsInKelvinWhateverTheWindowsShow) {
  setup->SetTempUnit(COTempUnit::fahrenheit);
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir, 3, 77.0f);  // 25 °C
  Cursors(run[0], run[2]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_NEAR(float(status.ZeroAverage().GetValue(COMeas::chTemperature)), 298.15f, 0.01f);
}

TEST_F(CaliStatusTest, AnotherTaskForgetsEveryMark) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  genSub.Attach(&status);
  Cursors(run[0], run[4]);
  ASSERT_TRUE(status.MarkInterval());
  genSub.Notify(eSeqUpdated);
  EXPECT_TRUE(status.ZeroMark().IsSet());
  genSub.Notify(eDBChanged);
  EXPECT_FALSE(status.ZeroMark().IsSet());
  genSub.Detach(&status);
}

TEST_F(CaliStatusTest, TheMarksAreDrawnWithTheirLabels) {
  const auto zero = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  auto interference = [](COCaliSequence& s) {
    s.CaliMode = COCaliSequence::modeHumidityInterference;
    s.SetCalcSpan(COCaliSequence::calcWaterSpan, true);
  };
  const auto humid = AddRun(interference, zeroAir);
  const auto span = AddRun(Mode(COCaliSequence::modeSpan1P, 0), zeroAir);
  for (const auto* run : {&zero, &humid, &span}) {
    Cursors((*run)[1], (*run)[3]);
    ASSERT_TRUE(status.MarkInterval());
  }
  // The window shows measurements 1 to 21 by number over 200 pixels.
  COMeasInterval& in = view.GetInterval();
  in.SetMeasMode(COMeasInterval::kByNumber);
  in.MoveTo(platform::CTime::GetCurrentTime(), 21);
  in.SetLength(21);
  // The graph's own mapping of a measurement to its place.
  CCurve curve(program);
  const std::vector<const COMeas*> none;
  curve.SetData(&in, &none, &in.GetColumns());
  const COCaliStatus::XPosition x = [&curve](const COMeas& m, int cx) { return curve.Position(m, cx); };
  platform::RecordingDC dc;
  CODCWrapper w(&dc);
  w.SetOffset(platform::CPoint(10, 20));
  status.DrawGraphMarks(w, platform::CSize(200, 100), x);
  const std::vector<std::string>& calls = dc.Calls();
  // Measurement 2 stands at (2 - 1) / 20 * 200 = 10, measurement 4 at 30.
  const std::vector<std::string> zeroMark = {
      "FillSolidRect 20,17,21,120 008000", "FillSolidRect 17,17,24,18 008000", "DrawText \"ZP\" 23,21,39,37 fmt 120",
      "FillSolidRect 40,17,41,120 008000", "FillSolidRect 37,17,44,18 008000", "DrawText \"ZP\" 43,21,59,37 fmt 120"};
  ASSERT_GE(calls.size(), zeroMark.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6), zeroMark);
  std::vector<std::string> labels;
  for (const auto& p : status.MarkPoints()) labels.push_back(p.label);
  EXPECT_EQ(labels, (Texts{"ZP", "ZP", "HIS", "HIS", "SHA", "SHA"}));
  // A mark outside the window's range is not drawn.
  in.MoveTo(platform::CTime::GetCurrentTime(), 5);
  in.SetLength(5);
  dc.Clear();
  status.DrawGraphMarks(w, platform::CSize(200, 100), x);
  EXPECT_EQ(dc.Calls().size(), 2u * 3u);  // the zero mark's two measurements only
  // Over 40 pixels the zero mark's labels would overlap: the second goes a
  // line lower.
  in.MoveTo(platform::CTime::GetCurrentTime(), 21);
  in.SetLength(21);
  dc.Clear();
  status.DrawGraphMarks(w, platform::CSize(40, 100), x);
  ASSERT_GE(dc.Calls().size(), 6u);
  EXPECT_EQ(dc.Calls()[2], "DrawText \"ZP\" 15,21,31,37 fmt 120");
  EXPECT_EQ(dc.Calls()[5], "DrawText \"ZP\" 19,37,35,53 fmt 120");
  // The last span measurement at the plot's right end: every label stays
  // within the plot (10 to 210 with the drawing's offset).
  in.MoveTo(platform::CTime::GetCurrentTime(), span[3].GetMeasNo());
  dc.Clear();
  status.DrawGraphMarks(w, platform::CSize(200, 100), x);
  int texts = 0;
  for (const std::string& call : dc.Calls()) {
    if (call.rfind("DrawText", 0) != 0) continue;
    ++texts;
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_EQ(std::sscanf(call.c_str() + call.find("\" ") + 2, "%d,%d,%d,%d", &left, &top, &right, &bottom), 4) << call;
    EXPECT_GE(left, 10) << call;
    EXPECT_LE(right, 210) << call;
  }
  EXPECT_EQ(texts, 6);

  // A numeric window's rows: a mark's row and the next one.
  EXPECT_EQ(status.NumericLabel(zero[1].GetMeasNo(), 1), "ZP");
  EXPECT_EQ(status.NumericLabel(zero[1].GetMeasNo() + 1, 1), "ZP");
  EXPECT_EQ(status.NumericLabel(zero[1].GetMeasNo() - 1, 1), "");
  EXPECT_EQ(status.NumericLabel(humid[3].GetMeasNo(), 1), "HIS");
  dc.Clear();
  status.DrawNumericRow(dc, span[1].GetMeasNo(), 1, platform::CRect(3, 40, 203, 56), 220);
  EXPECT_EQ(dc.Calls(), (Texts{"FillSolidRect 3,40,4,43 008000", "FillSolidRect 202,40,203,43 008000",
                               "FillSolidRect 3,40,203,41 008000", "DrawText \"SHA\" 220,40,244,56 fmt 124"}));
}

// With nothing marked there is nothing to calculate: that is said, and no
// dialog of empty boxes follows.
TEST_F(CaliStatusTest, CalculateWithNothingMarkedSaysSo) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  for (const bool markedThenUnmarked : {false, true}) {
    if (markedThenUnmarked) {
      Cursors(run[0], run[4]);
      ASSERT_TRUE(status.MarkInterval());
      status.UnmarkAll();
    }
    messages.Clear();
    const size_t mark = sim->Lines().size();
    EXPECT_EQ(Calculate(), std::vector<int>{-1});
    EXPECT_EQ(Shown(), Texts{"Nothing to calculate: no interval is marked.\nPlace the cursors around a steady "
                             "stretch of a calibration run and use Mark Interval first."});
    EXPECT_FALSE(ctx.results.has_value());
    EXPECT_TRUE(LinesStarting("SE? UA_N", mark).empty());  // the monitor is not asked
  }
}

TEST_F(CaliStatusTest, CalculateWithOnlyAZeroMarkTicksOnlyTheZeroPoint) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  Cursors(run[0], run[4]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_EQ(Calculate(), std::vector<int>{COCalculateDlg::kZeroPoint});
  EXPECT_EQ(Shown(), Texts{});
  // The zero of filter A: 0.0125 V at 25 °C, referred to 20 °C.
  const double tf = 1.0 + 1.2e-3 * (298.15 - double(293.15f));
  EXPECT_NEAR(float(calibrator.GetBank(0).GetConcOffset()), 0.0125 / tf, 1e-7);
  EXPECT_TRUE(calibrator.CalculatedGroups(0) & groupOffset);
}

TEST_F(CaliStatusTest, CalculateReportsWhatItCannotCalculateAndGoesOn) {
  // No zero point for the water vapour: no humidity span, the span still runs.
  calibrator.Water().m_concOffset.SetNoValue();
  const auto humid = AddRun(Mode(COCaliSequence::modeHumiditySpan), zeroAir);
  auto span = [](COCaliSequence& s) {
    s.CaliMode = COCaliSequence::modeSpan1P;
    s.SpanFilter = 1;
    s.SetConcSpanHigh(COConcUnit::ppm, 500.0f);
  };
  const auto gas = AddRun(span, {12500, 20000, 6100, 4300, 0, 42000});
  calibrator.GetBank(1).m_concOffset = 0.008f;
  calibrator.GetBank(1).m_humiGain = 0.0f;
  Cursors(humid[0], humid[4]);
  ASSERT_TRUE(status.MarkInterval());
  Cursors(gas[0], gas[4]);
  ASSERT_TRUE(status.MarkInterval());
  EXPECT_EQ(Calculate(), std::vector<int>{COCalculateDlg::kSinglePoint[1]});
  EXPECT_EQ(Shown(), Texts{"Unable to calculate humidity span values\nZero Point values not calculated"});
  EXPECT_TRUE(calibrator.GetBank(1).GetSpanLow().IsValid());
  EXPECT_TRUE(calibrator.CalculatedGroups(1) & groupSpan);
}

TEST_F(CaliStatusTest, ARejectedTwoPointSpanEndsCalculateWithoutTheDialog) {
  auto twoPoint = [](bool high) {
    return [high](COCaliSequence& s) {
      s.CaliMode = COCaliSequence::modeSpan2P;
      s.CaliTwoPoint = 1;
      s.SpanFilter = 0;
      s.CaliHighConc = high ? 1 : 0;
      s.SetConcSpanHigh(COConcUnit::ppm, 200.0f);
      s.SetConcSpanLow(COConcUnit::ppm, 100.0f);
    };
  };
  // Twice the gas, twice the signal: no curve to fit.
  const auto low = AddRun(twoPoint(false), {20000, 8000, 6100, 4300, 0, 42000});
  const auto high = AddRun(twoPoint(true), {40000, 8000, 6100, 4300, 0, 42000});
  const auto single = AddRun(Mode(COCaliSequence::modeSpan1P, 2), {12500, 8000, 30000, 4300, 0, 42000});
  for (const auto* run : {&low, &high, &single}) {
    Cursors((*run)[0], (*run)[4]);
    ASSERT_TRUE(status.MarkInterval());
  }
  const BankInfo before = calibrator.GetBank(2);
  EXPECT_EQ(Calculate(), std::vector<int>{-1});
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].substr(0, 23), "Linear coherence found\n");
  // Filter C comes after A: not calculated.
  EXPECT_EQ(float(calibrator.GetBank(2).GetSpanLow()), float(before.GetSpanLow()));
}

TEST_F(CaliStatusTest, CalculateWithoutTheMonitorIsRefused) {
  const auto run = AddRun(Mode(COCaliSequence::modeZero), zeroAir);
  Cursors(run[0], run[4]);
  ASSERT_TRUE(status.MarkInterval());
  // The monitor stops answering: its filters cannot be read.
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  const BankInfo before = calibrator.GetBank(0);
  EXPECT_EQ(Calculate(), std::vector<int>{-1});
  EXPECT_EQ(Shown().back(), "Unable to retrieve UA-numbers");
  EXPECT_EQ(float(calibrator.GetBank(0).GetConcOffset()), float(before.GetConcOffset()));
}

}  // namespace
}  // namespace kovo::test
