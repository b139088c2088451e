#include <gtest/gtest.h>

#include "COAirPressure.h"
#include "COEvent.h"
#include "COMeas.h"

TEST(MeasValue, NewValueIsAbsentUntilSet) {
  MeasValue v;
  EXPECT_FALSE(v.IsValid());
  EXPECT_EQ(v.GetValue(), 3.4e38f);
  v = 0.0f;
  EXPECT_TRUE(v.IsValid());
  v.SetNoValue();
  EXPECT_FALSE(v.IsValid());
}

TEST(COEvent, ValuesTextAndColours) {
  COEvent e(2, "  High CO2 \t", 2.9f);
  EXPECT_EQ(e.GetText(), "High CO2");
  EXPECT_EQ(e.GetIntValue(), 2);
  e.SetValue(-2.9f);
  EXPECT_EQ(e.GetIntValue(), -2);
  e.SetIntValue(4);
  EXPECT_EQ(e.GetValue(), 4.0f);

  const struct {
    int type;
    platform::COLORREF colour;
  } colours[] = {{0, platform::RGB(0, 0, 192)},     {1, platform::RGB(0, 192, 0)},     {2, platform::RGB(255, 0, 0)},
                 {3, platform::RGB(255, 0, 192)},   {7, platform::RGB(255, 0, 192)},   {8, platform::RGB(255, 0, 192)},
                 {5, platform::RGB(128, 128, 128)}, {6, platform::RGB(128, 128, 128)}, {4, platform::RGB(0, 0, 0)},
                 {10, platform::RGB(0, 0, 0)}};
  for (const auto& c : colours) {
    e.SetType(c.type);
    EXPECT_EQ(e.GetColor(), c.colour) << c.type;
  }
}

namespace {
COMeas Sample() {
  COMeas m;
  m.SetTime(platform::CTime(2005, 3, 7, 14, 5, 9));
  m.SetMeasNo(12);
  for (int ch = 0; ch < COMeas::channelCount; ++ch) m.SetValue(ch, 10.0f + ch);
  m.SetTempUnit(COTempUnit(COTempUnit::celsius));
  m.AddEvent(COEvent(2, "alarm", 1.0f));
  m.AddEvent(COEvent(7, "", 0.0f));
  return m;
}
}  // namespace

TEST(COMeas, NewMeasurementIsEmptyWithZeroChannels) {
  COMeas m;
  EXPECT_FALSE(m.HasMeasNo());
  EXPECT_TRUE(m.GetEvents().empty());
  for (int ch = 0; ch < COMeas::channelCount; ++ch) EXPECT_EQ(m.GetValue(ch).GetValue(), 0.0f);
  EXPECT_EQ(m.GetTempUnit().GetUnit(), COTempUnit::kelvin);
  EXPECT_FALSE(m.GetValue(8).IsValid());
  EXPECT_FALSE(m.GetValue(-1).IsValid());
}

TEST(COMeas, TextsAndEventLookup) {
  COMeas m = Sample();
  EXPECT_EQ(m.GetTimeText(), "05-03-07 14:05:09");
  EXPECT_EQ(m.GetMeasNoText(), "12");
  EXPECT_TRUE(m.HasEvent(7));
  EXPECT_FALSE(m.HasEvent(0));
}

TEST(COMeas, ACopyTakesEveryChannelTheEventsAndTheUnit) {
  COMeas target;
  target.SetValue(COMeas::chTemperature, 293.0f);
  target.AddEvent(COEvent(0, "old", 0.0f));
  target = Sample();
  EXPECT_EQ(target.GetValue(COMeas::chTemperature).GetValue(), 16.0f);
  EXPECT_EQ(target.GetValue(COMeas::chPressure).GetValue(), 17.0f);
  EXPECT_EQ(target.GetValue(0).GetValue(), 10.0f);
  ASSERT_EQ(target.GetEvents().size(), 2u);
  EXPECT_EQ(target.GetEvents()[0].GetText(), "alarm");
  EXPECT_EQ(target.GetMeasNo(), 12);
  EXPECT_EQ(target.GetTempUnit().GetUnit(), COTempUnit::celsius);
  const COMeas copy(target);
  EXPECT_EQ(copy.GetValue(COMeas::chTemperature).GetValue(), 16.0f);
}

TEST(COMeas, ValidityByChannel) {
  COMeas m;
  const struct {
    int channel;
    float value;
    int tempUnit;
    bool valid;
  } cases[] = {
      {0, 1e29f, 0, true},   {4, 1e30f, 0, false},      {5, 0.0f, 0, true},
      {3, MeasValue::kNoValue, 0, false},
      {7, 50.0f, 0, false},  {7, 50.1f, 0, true},
      {6, 0.0f, COTempUnit::kelvin, false},             {6, 0.5f, COTempUnit::kelvin, true},
      {6, -274.0f, COTempUnit::celsius, false},        {6, -20.0f, COTempUnit::celsius, true},
      {8, 1.0f, 0, false},
  };
  for (const auto& c : cases) {
    m.SetTempUnit(COTempUnit(c.tempUnit));
    m.SetValue(c.channel, c.value);
    EXPECT_EQ(m.IsValueValid(c.channel), c.valid) << c.channel << " " << c.value;
  }
}

TEST(COAirPressure, UnitFromTheFirstKeywordTested) {
  const struct {
    const char* reply;
    int unit;
  } cases[] = {
      {"U_MBAR U_MMHG", COPresUnit::mmhg}, {"U_MBAR", COPresUnit::mbar}, {"x U_KPA", COPresUnit::kpa},
      {"U_HPA", COPresUnit::hpa},          {"U_kPa", COPresUnit::hpa},   {"", COPresUnit::hpa},
  };
  COAirPressure p;
  EXPECT_EQ(p.GetUnit().GetUnit(), COPresUnit::hpa);
  EXPECT_FALSE(p.IsSet());
  for (const auto& c : cases) {
    p.SetUnit(COPresUnit(COPresUnit::hpa));
    p.SetUnitFromReply(c.reply);
    EXPECT_EQ(p.GetUnit().GetUnit(), c.unit) << c.reply;
  }
  p.SetUnit(COPresUnit(COPresUnit::kpa));
  p.SetValue(101.3f);
  EXPECT_FLOAT_EQ(p.GetValue(COPresUnit(COPresUnit::hpa)), 1013.0f);
}
