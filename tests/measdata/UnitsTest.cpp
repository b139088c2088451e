#include <gtest/gtest.h>

#include "ProgramProfile.h"
#include "COUnits.h"
#include "core/Controls.h"

TEST(Units, TextsOfEveryKindAndUnknownKinds) {
  EXPECT_EQ(COConcUnit(0).GetText(), "g/m³");
  EXPECT_EQ(COConcUnit(2).GetText(), "µg/m³");
  EXPECT_EQ(COConcUnit(5).GetText(), "ppb");
  EXPECT_EQ(COConcUnit(6).GetText(), "n/a");
  EXPECT_EQ(COTempUnit(1).GetText(), "°C");
  EXPECT_EQ(COTempUnit(-1).GetText(), "n/a");
  EXPECT_EQ(COPresUnit(3).GetText(), "hPa");
  EXPECT_EQ(COLengUnit(1).GetText(), "ft");
  EXPECT_EQ(COSignalUnit(1).GetText(), "µV");
  EXPECT_EQ(COHumiUnit(4).GetText(), "ppm");
  EXPECT_EQ(COHumiUnit(6).GetText(COTempUnit(2)), "Tdew °F");
  EXPECT_EQ(COHumiUnit(7).GetText(), "KPa");
  EXPECT_EQ(COHumiUnit(8).GetText(), "Pa");
  EXPECT_EQ(COHumiUnit(9).GetText(), "n/a");
}

TEST(Units, Temperature) {
  const struct {
    int from, to;
    float value, expected;
  } cases[] = {
      {0, 1, 273.15f, 0.0f},   {0, 2, 373.15f, 212.0f}, {1, 0, 20.0f, 293.15f}, {1, 2, 100.0f, 212.0f},
      {2, 0, 32.0f, 273.15f},  {2, 1, 212.0f, 100.0f},  {1, 1, 7.5f, 7.5f},     {3, 1, 10.0f, 0.0f},
      {1, 3, 10.0f, 0.0f},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(COTempUnit(c.from).Convert(COTempUnit(c.to), c.value), c.expected, 1e-3) << c.from << "->" << c.to;
}

TEST(Units, PressureLengthAndSignal) {
  EXPECT_EQ(COPresUnit(3).Convert(COPresUnit(0), 1013.25f), 1013.25f);
  EXPECT_NEAR(COPresUnit(1).Convert(COPresUnit(2), 100.0f), 13.332f, 1e-4);
  EXPECT_NEAR(COPresUnit(2).Convert(COPresUnit(3), 101.3f), 1013.0f, 1e-3);
  EXPECT_NEAR(COPresUnit(3).Convert(COPresUnit(1), 1000.0f), 750.0750075f, 1e-3);
  EXPECT_NEAR(COPresUnit(0).Convert(COPresUnit(2), 1000.0f), 100.0f, 1e-4);
  EXPECT_EQ(COPresUnit(3).Convert(COPresUnit(4), 1000.0f), 0.0f);

  EXPECT_NEAR(COLengUnit(1).Convert(COLengUnit(0), 10.0f), 3.048f, 1e-5);
  EXPECT_NEAR(COLengUnit(0).Convert(COLengUnit(1), 3.048f), 10.0f, 1e-4);
  EXPECT_EQ(COLengUnit(0).Convert(COLengUnit(0), 2.5f), 2.5f);

  EXPECT_EQ(COSignalUnit(0).Convert(COSignalUnit(1), 2.0f), 2000.0f);
  EXPECT_EQ(COSignalUnit(1).Convert(COSignalUnit(0), 2000.0f), 2.0f);
  EXPECT_EQ(COSignalUnit(1).Convert(COSignalUnit(1), 3.0f), 3.0f);
}

TEST(Units, GasConcentrationByTheGasLaw) {
  const COConcUnit ppm(COConcUnit::ppm), mg(COConcUnit::mg_m3);
  const float mgValue = ppm.Convert(mg, 1.0f, 28.0f, 20.0f, 101.3f);
  EXPECT_NEAR(mgValue, 1.164f, 1e-3);
  EXPECT_NEAR(mg.Convert(ppm, mgValue, 28.0f, 20.0f, 101.3f), 1.0f, 1e-6);

  const struct {
    int from, to;
    float value, expected;
  } sameFamily[] = {
      {0, 1, 1.0f, 1000.0f}, {2, 1, 1000.0f, 1.0f},  {1, 2, 1.0f, 1000.0f}, {3, 4, 1.0f, 10000.0f},
      {5, 4, 1000.0f, 1.0f}, {4, 3, 10000.0f, 1.0f}, {4, 5, 1.0f, 1000.0f}, {9, 0, 1000.0f, 1.0f},
      {4, 6, 1.0f, 0.0f},
  };
  for (const auto& c : sameFamily)
    EXPECT_NEAR(COConcUnit(c.from).Convert(COConcUnit(c.to), c.value, 28.0f, 20.0f, 101.3f), c.expected,
                c.expected * 1e-6)
        << c.from << "->" << c.to;
}

TEST(Units, WaterVapour) {
  const COTempUnit celsius(COTempUnit::celsius), kelvin(COTempUnit::kelvin);
  const COHumiUnit mg(1), volpercent(3), dew(6), kpa(7), pa(8);

  // vol% goes through ppm and back.
  const float mgValue = volpercent.Convert(mg, celsius, 1.0f, 20.0f, 101.3f);
  EXPECT_NEAR(mgValue, 10000.0f * 18.02f * 101.3f * 1000.0f / (8314.3f * 293.15f), 1.0f);
  EXPECT_NEAR(mg.Convert(volpercent, celsius, mgValue, 20.0f, 101.3f), 1.0f, 1e-6);

  // A dew point of 0 °C at 20 °C, and back.
  const float saturated = dew.Convert(mg, celsius, 0.0f, 20.0f, 101.3f);
  EXPECT_NEAR(saturated, 4516.0f, 1.0f);
  EXPECT_NEAR(mg.Convert(dew, celsius, saturated, 20.0f, 101.3f), 0.0f, 1e-3);
  // Below freezing the ice constants apply both ways.
  const float icy = dew.Convert(mg, celsius, -10.0f, 20.0f, 101.3f);
  EXPECT_NEAR(mg.Convert(dew, celsius, icy, 20.0f, 101.3f), -10.0f, 1e-3);

  // The air temperature counts in whole degrees: 19.6 °C acts as 20 °C.
  EXPECT_EQ(dew.Convert(mg, celsius, 0.0f, 19.6f, 101.3f), saturated);

  // Nothing to condense: -159 °C, in the caller's unit.
  EXPECT_FLOAT_EQ(mg.Convert(dew, celsius, 0.0f, 20.0f, 101.3f), -159.0f);
  EXPECT_NEAR(mg.Convert(dew, kelvin, 0.0f, 20.0f, 101.3f), 114.15f, 1e-3);

  // Partial pressure in kPa and Pa.
  const float fromKpa = kpa.Convert(mg, celsius, 2.0f, 20.0f, 101.3f);
  EXPECT_NEAR(fromKpa, 2.0f * 18.02e9f / (8314.3f * 293.15f), 1.0f);
  EXPECT_NEAR(mg.Convert(pa, celsius, fromKpa, 20.0f, 101.3f), 2000.0f, 1e-2);
  EXPECT_NEAR(COHumiUnit(0).Convert(COHumiUnit(2), celsius, 1.0f, 20.0f, 101.3f), 1e6f, 1.0f);
}

TEST(Units, CombosForEachChannelAndProgram) {
  platform::CListComboBox combo;
  FillTempUnitCombo(combo);
  EXPECT_EQ(combo.GetCount(), 3);
  FillPresUnitCombo(combo);
  ASSERT_EQ(combo.GetCount(), 4);
  EXPECT_EQ(combo.GetLBText(3), "hPa");

  const COTempUnit kelvin(COTempUnit::kelvin);
  {
    const ProgramProfile program;  // gas channels
    const struct {
      int channel, count, selected;
      const char* first;
    } cases[] = {{0, 6, -1, "g/m³"}, {4, 6, -1, "g/m³"}, {5, 9, -1, "g/m³"},
                 {6, 0, -1, ""},     {7, 4, 1, "mBar"},  {8, 0, -1, ""}};
    for (const auto& c : cases) {
      FillUnitCombo(program, c.channel, combo, kelvin);
      EXPECT_EQ(combo.GetCount(), c.count) << c.channel;
      EXPECT_EQ(combo.GetCurSel(), c.selected) << c.channel;
      EXPECT_EQ(combo.GetLBText(0), c.first) << c.channel;
    }
    FillUnitCombo(program, 5, combo, kelvin);
    EXPECT_EQ(combo.GetLBText(6), "Tdew K");

    const COConcUnit conc(4);
    const COHumiUnit humi(6);
    const COPresUnit pres(2);
    EXPECT_EQ(GetChannelUnitText(program, 3, conc, humi, kelvin, pres), "ppm");
    EXPECT_EQ(GetChannelUnitText(program, 5, conc, humi, kelvin, pres), "Tdew K");
    EXPECT_EQ(GetChannelUnitText(program, 6, conc, humi, kelvin, pres), "");
    EXPECT_EQ(GetChannelUnitText(program, 7, conc, humi, kelvin, pres), "kPa");
  }
  {
    ProgramProfile program;
    program.signalChannels = true;
    FillUnitCombo(program, 5, combo, kelvin);
    ASSERT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetLBText(1), "µV");
    FillUnitCombo(program, 6, combo, kelvin);
    EXPECT_EQ(combo.GetCount(), 3);
    FillUnitCombo(program, 7, combo, kelvin);
    EXPECT_EQ(combo.GetCount(), 4);
    EXPECT_EQ(combo.GetCurSel(), -1);
    const COConcUnit conc(4);
    const COHumiUnit humi(6);
    EXPECT_EQ(GetChannelUnitText(program, 2, conc, humi, kelvin, COPresUnit(2), COSignalUnit(0)), "mV");
    EXPECT_EQ(GetChannelUnitText(program, 6, conc, humi, kelvin, COPresUnit(2)), "K");
  }
}
