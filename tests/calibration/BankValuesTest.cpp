// Copying a bank by parameter group, resetting it, and the water-vapour
// record's copy of a calculated result.
#include <gtest/gtest.h>

#include <functional>

#include "BankValues.h"

namespace {

BankInfo Filled(float base) {
  BankInfo b;
  b.SetGasName("CO2");
  b.m_mw = 44.01f;
  b.m_twoPoint = 1;
  MeasValue* values[] = {&b.m_spanLow, &b.m_spanHigh, &b.m_concOffset, &b.m_offsetVoltage, &b.m_concLow,
                         &b.m_concHigh, &b.m_voltLow,  &b.m_voltHigh,   &b.m_humiGain,      &b.m_humiVoltage};
  float v = base;
  for (MeasValue* m : values) *m = v++;
  for (MeasValue& c : b.m_cross) c = v++;
  for (CalibTime* d : {&b.m_zeroDate, &b.m_humiDate, &b.m_spanDate, &b.m_crosDate}) d->SetTime(platform::CTime(2004, 5, 6, 0, 0, 0));
  return b;
}

TEST(GasBank, CopiesOnlyTheSelectedGroups) {
  const BankInfo source = Filled(100.0f);
  const BankInfo before = Filled(1.0f);
  const struct {
    unsigned mask;
    bool offset, humidity, span, cross;
  } cases[] = {{0, false, false, false, false},     {groupOffset, true, false, false, false},
               {groupHumidity, false, true, false, false}, {groupSpan, false, false, true, false},
               {groupCross, false, false, false, true},    {groupSpan | groupCross, false, false, true, true},
               {groupAll, true, true, true, true}};
  for (const auto& c : cases) {
    BankInfo target = before;
    target.SetGasName("N2O");
    target.m_mw = 44.0f;
    target.m_twoPoint = 0;
    GasBank::copy(target, source, c.mask);
    const BankInfo& offset = c.offset ? source : before;
    EXPECT_EQ(float(target.m_concOffset), float(offset.m_concOffset)) << c.mask;
    EXPECT_EQ(float(target.m_offsetVoltage), float(offset.m_offsetVoltage)) << c.mask;
    const BankInfo& humidity = c.humidity ? source : before;
    EXPECT_EQ(float(target.m_humiGain), float(humidity.m_humiGain)) << c.mask;
    EXPECT_EQ(float(target.m_humiVoltage), float(humidity.m_humiVoltage)) << c.mask;
    EXPECT_EQ(target.GetGasName().ToString(), c.span ? "CO2" : "N2O") << c.mask;
    EXPECT_EQ(float(target.m_mw), c.span ? 44.01f : 44.0f) << c.mask;
    EXPECT_EQ(target.IsTwoPoint(), c.span) << c.mask;
    const BankInfo& span = c.span ? source : before;
    for (auto field : {&BankInfo::m_spanLow, &BankInfo::m_spanHigh, &BankInfo::m_concLow, &BankInfo::m_concHigh,
                       &BankInfo::m_voltLow, &BankInfo::m_voltHigh})
      EXPECT_EQ(float(target.*field), float(span.*field)) << c.mask;
    const BankInfo& cross = c.cross ? source : before;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(float(target.m_cross[i]), float(cross.m_cross[i])) << c.mask;
  }
}

TEST(GasBank, ResetLeavesNoGasNoValuesNoDatesButTheVoltages) {
  BankInfo b = Filled(1.0f);
  GasBank::reset(b);
  EXPECT_EQ(b.GetGasName().ToString(), "_");
  EXPECT_EQ(float(b.m_mw), 1.0f);
  EXPECT_FALSE(b.IsTwoPoint());
  for (const MeasValue& v : {b.m_spanLow, b.m_spanHigh, b.m_concOffset, b.m_concLow, b.m_concHigh, b.m_humiGain})
    EXPECT_FALSE(v.IsValid());
  for (const MeasValue& v : b.m_cross) EXPECT_FALSE(v.IsValid());
  for (const CalibTime& d : {b.m_zeroDate, b.m_humiDate, b.m_spanDate, b.m_crosDate}) EXPECT_FALSE(d.IsValid());
  EXPECT_EQ(float(b.m_offsetVoltage), 4.0f);
  EXPECT_EQ(float(b.m_humiVoltage), 10.0f);
}

// A group holds a value by its factor; the cross factors count only on
// other filters and only with a span.
TEST(GasBank, HoldsTheGroupsWhoseFactorsHaveAValue) {
  const struct {
    const char* what;
    std::function<void(BankInfo&)> change;
    unsigned held;
  } cases[] = {
      {"filled", [](BankInfo&) {}, groupAll},
      {"reset", [](BankInfo& b) { GasBank::reset(b); }, 0u},
      {"no offset factor", [](BankInfo& b) { b.m_concOffset.SetNoValue(); }, groupHumidity | groupSpan | groupCross},
      {"no humidity factor", [](BankInfo& b) { b.m_humiGain.SetNoValue(); }, groupOffset | groupSpan | groupCross},
      {"no span factor", [](BankInfo& b) { b.m_spanLow.SetNoValue(); }, groupOffset | groupHumidity},
      {"only its own cross slot",
       [](BankInfo& b) {
         for (int i = 1; i < 5; ++i) b.m_cross[i].SetNoValue();
       },
       groupOffset | groupHumidity | groupSpan},
  };
  for (const auto& c : cases) {
    BankInfo b = Filled(1.0f);
    c.change(b);
    EXPECT_EQ(GasBank::heldGroups(b, 0), c.held) << c.what;
  }
  WaterInfo water;
  EXPECT_EQ(WaterBank::heldGroups(water), 0u);
  water.m_gain = 2.0e-6f;
  EXPECT_EQ(WaterBank::heldGroups(water), unsigned{groupSpan});
  water.m_concOffset = 0.04f;
  EXPECT_EQ(WaterBank::heldGroups(water), unsigned{groupOffset | groupSpan});
}

TEST(WaterBank, TakesOffsetAndSpanWithTheResultsOwnDates) {
  WaterInfo result;
  result.m_concOffset = 0.5f;
  result.m_gain = 1.5f;
  result.m_spanDate.SetTime(platform::CTime(2005, 3, 7, 0, 0, 0));
  // The zero-point date was never set by a calculation.
  WaterInfo target;
  target.m_zeroDate.SetTime(platform::CTime(2004, 1, 1, 0, 0, 0));
  WaterBank::copy(target, result, groupHumidity | groupCross);
  EXPECT_FALSE(target.m_concOffset.IsValid());
  EXPECT_FALSE(target.m_gain.IsValid());
  WaterBank::copy(target, result, groupOffset | groupSpan);
  EXPECT_EQ(float(target.m_concOffset), 0.5f);
  EXPECT_FALSE(target.m_zeroDate.IsValid());
  EXPECT_EQ(float(target.m_gain), 1.5f);
  EXPECT_EQ(target.m_spanDate, result.m_spanDate);
}

}  // namespace
