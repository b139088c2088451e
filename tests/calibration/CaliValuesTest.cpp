// "Calibration Values" on the calibrator's working banks: what each field
// shows, "n/a", the two-point flag from the second conversion factor, and
// what an edit marks for the download.
#include <gtest/gtest.h>

#include "BankValues.h"
#include "CaliUiFixture.h"
#include "CaliValues.h"
#include "Calibrator.h"
#include "core/Subject.h"

namespace kovo::test {
namespace {

using calibration::COCaliValues;
using V = COCaliValues;

class CaliValuesTest : public CaliUiTest {
 protected:
  void SetUp() override {
    CaliUiTest::SetUp();
    for (int f = 0; f < 5; ++f) {
      BankInfo& bank = calibrator.GetBank(f);
      for (int other = 0; other < 5; ++other) bank.m_cross[other] = other == f ? MeasValue() : MeasValue(10.0f * f + other);
    }
  }
  struct Counter : CObserver {
    void Update(CSubject*) override { ++count; }
    int count = 0;
  };
};

TEST_F(CaliValuesTest, EveryBankShowsItsValuesAndItsCrossFactorsInFilterOrder) {
  calibrator.GetBank(2).m_concOffset = 0.00012345f;
  calibrator.GetBank(2).m_humiGain.SetNoValue();
  calibrator.GetBank(3).m_spanLow = 1234.5f;
  calibrator.Water().m_gain = 2.5f;
  V dlg(ctx);
  dlg.show();
  EXPECT_EQ(dlg.GetDlgItemText(V::kGasName[0]), "CO2");
  EXPECT_EQ(dlg.GetDlgItemText(V::kMw[0]), "44.01000");
  EXPECT_EQ(dlg.GetDlgItemText(V::kOffset + 2), "1.23450e-04");
  EXPECT_EQ(dlg.GetDlgItemText(V::kHumidity + 2), "n/a");
  EXPECT_EQ(dlg.GetDlgItemText(V::kFactor1 + 3), "1.23450e+03");
  EXPECT_EQ(dlg.GetDlgItemText(V::kWaterFactor1), "2.50000");
  // Filter A's column holds B, C, D, E; filter C's A, B, D, E.
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(dlg.GetDlgItemText(V::kCross[row] + 0), V::ValueText(float(1 + row))) << row;
    EXPECT_EQ(dlg.GetDlgItemText(V::kCross[row] + 2), V::ValueText(20.0f + (row < 2 ? row : row + 1))) << row;
  }
  Picture(dlg, "calibration_values");
}

TEST_F(CaliValuesTest, TheSecondConversionFactorMakesTheBankOneOrTwoPoint) {
  Counter observer;
  cali->Attach(&observer);
  calibrator.GetBank(0).m_spanHigh = 0.25f;
  calibrator.GetBank(0).m_twoPoint = 1;
  {
    V dlg(ctx);
    dlg.show();
    dlg.SetDlgItemText(V::kFactor2 + 0, "n/a");
    dlg.SetDlgItemText(V::kFactor2 + 1, "0.5");
    dlg.accept();
    EXPECT_EQ(Shown(), Texts{});
  }
  EXPECT_FALSE(calibrator.GetBank(0).IsTwoPoint());
  EXPECT_FALSE(calibrator.GetBank(0).GetSpanHigh().IsValid());
  EXPECT_TRUE(calibrator.GetBank(1).IsTwoPoint());
  EXPECT_FLOAT_EQ(float(calibrator.GetBank(1).GetSpanHigh()), 0.5f);
  // The status window hears of the new values.
  EXPECT_EQ(observer.count, 1);
  cali->Detach(&observer);
}

TEST_F(CaliValuesTest, OnlyWhatWasChangedIsTakenAndMarkedForTheDownload) {
  calibrator.GetBank(0).m_concOffset = 0.001234567f;  // more digits than shown
  const BankInfo before = calibrator.GetBank(0);
  {
    V dlg(ctx);
    dlg.show();
    dlg.accept();
  }
  EXPECT_EQ(float(calibrator.GetBank(0).GetConcOffset()), float(before.GetConcOffset()));
  for (int f = 0; f <= Calibrator::kWater; ++f) EXPECT_EQ(calibrator.CalculatedGroups(f), 0u) << f;

  V dlg(ctx);
  dlg.show();
  dlg.SetDlgItemText(V::kOffset + 0, "0.002");
  dlg.SetDlgItemText(V::kCross[0] + 3, "1.5");
  dlg.SetDlgItemText(V::kWaterFactor1, "n/a");
  dlg.SetDlgItemText(V::kGasName[4], std::string(31, 'g'));
  dlg.accept();
  EXPECT_FLOAT_EQ(float(calibrator.GetBank(0).GetConcOffset()), 0.002f);
  EXPECT_FLOAT_EQ(float(calibrator.GetBank(3).GetCross(0)), 1.5f);
  EXPECT_FALSE(calibrator.GetWater().GetGain().IsValid());
  EXPECT_EQ(calibrator.GetBank(4).GetGasName().ToString(), std::string(30, 'g'));
  EXPECT_EQ(calibrator.CalculatedGroups(0), unsigned{groupOffset});
  EXPECT_EQ(calibrator.CalculatedGroups(3), unsigned{groupCross});
  EXPECT_EQ(calibrator.CalculatedGroups(4), unsigned{groupSpan});
  EXPECT_EQ(calibrator.CalculatedGroups(Calibrator::kWater), unsigned{groupSpan});
}

TEST_F(CaliValuesTest, AnEntryThatIsNoNumberKeepsTheDialogAndTheBanks) {
  const struct {
    int id;
    std::string text;
    std::string shown;
  } cases[] = {
      {V::kHumidity + 1, "1,5", "Please enter a number."},
      {V::kMw[2], "abc", "Please enter a number."},
      {V::kGasName[1], "CH\"4", "The gas name may not contain a double quote or a control character"},
  };
  const BankInfo before = calibrator.GetBank(1);
  for (const auto& c : cases) {
    V dlg(ctx);
    dlg.show();
    dlg.SetDlgItemText(V::kOffset + 1, "0.75");
    dlg.SetDlgItemText(c.id, c.text);
    messages.Clear();
    dlg.accept();
    EXPECT_EQ(Shown(), Texts{c.shown}) << c.text;
    EXPECT_TRUE(dlg.isVisible()) << c.text;
    EXPECT_EQ(float(calibrator.GetBank(1).GetConcOffset()), float(before.GetConcOffset())) << c.text;
  }
}

}  // namespace
}  // namespace kovo::test
