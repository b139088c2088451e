#pragma once
// Physical units: each a small value type over one unit number (its kind),
// with the unit's display text and the conversion into another kind.
#include <cstdint>
#include <string>

struct ProgramProfile;
namespace platform {
class IComboBox;
}  // namespace platform

class COUnitBase {
 public:
  int32_t GetUnit() const { return m_unit; }
  void SetUnit(int32_t unit) { m_unit = unit; }
  bool operator==(const COUnitBase& o) const { return m_unit == o.m_unit; }
  bool operator!=(const COUnitBase& o) const { return m_unit != o.m_unit; }

 protected:
  COUnitBase() = default;
  explicit COUnitBase(int32_t unit) : m_unit(unit) {}
  int32_t m_unit = 0;
};

// 0 K, 1 °C, 2 °F.
class COTempUnit : public COUnitBase {
 public:
  enum { kelvin = 0, celsius = 1, fahrenheit = 2, count = 3 };
  COTempUnit() = default;
  explicit COTempUnit(int32_t unit) : COUnitBase(unit) {}
  std::string GetText() const;
  // An unknown source or target kind gives 0.
  float Convert(const COTempUnit& target, float value) const;
};

// 0 mBar, 1 mmHg, 2 kPa, 3 hPa.
class COPresUnit : public COUnitBase {
 public:
  enum { mbar = 0, mmhg = 1, kpa = 2, hpa = 3, count = 4 };
  COPresUnit() = default;
  explicit COPresUnit(int32_t unit) : COUnitBase(unit) {}
  std::string GetText() const;
  // An unknown source or target kind gives 0.
  float Convert(const COPresUnit& target, float value) const;
};

// 0 m, 1 ft.
class COLengUnit : public COUnitBase {
 public:
  enum { metre = 0, foot = 1, count = 2 };
  COLengUnit() = default;
  explicit COLengUnit(int32_t unit) : COUnitBase(unit) {}
  std::string GetText() const;
  float Convert(const COLengUnit& target, float value) const;
};

// The Calibration program's detector signals: 0 mV, 1 µV.
class COSignalUnit : public COUnitBase {
 public:
  enum { millivolt = 0, microvolt = 1, count = 2 };
  COSignalUnit() = default;
  explicit COSignalUnit(int32_t unit) : COUnitBase(unit) {}
  std::string GetText() const;
  float Convert(const COSignalUnit& target, float value) const;
};

// 0 g/m³, 1 mg/m³, 2 µg/m³, 3 vol%, 4 ppm, 5 ppb.
class COConcUnit : public COUnitBase {
 public:
  enum { g_m3 = 0, mg_m3 = 1, ug_m3 = 2, volpercent = 3, ppm = 4, ppb = 5, count = 6 };
  COConcUnit() = default;
  explicit COConcUnit(int32_t unit) : COUnitBase(unit) {}
  std::string GetText() const;
  // Between the mass and the volume units by the gas law, at the given
  // molecular weight, temperature (°C) and pressure (kPa).
  float Convert(const COConcUnit& target, float value, float mw, float temperature, float pressure) const;
};

// Water vapour: 0 to 5 as COConcUnit, 6 dew point, 7 kPa, 8 Pa.
class COHumiUnit : public COUnitBase {
 public:
  enum { dewPoint = 6, kpa = 7, pa = 8, count = 9 };
  COHumiUnit() = default;
  explicit COHumiUnit(int32_t unit) : COUnitBase(unit) {}
  // The dew point's text names the temperature unit it is shown in.
  std::string GetText(const COTempUnit& tempUnit = COTempUnit()) const;
  // tempUnit is the unit a dew point is given or wanted in; temperature (°C)
  // and pressure (kPa) are those of the air.
  float Convert(const COHumiUnit& target, const COTempUnit& tempUnit, float value, float temperature,
                float pressure) const;
};

void FillTempUnitCombo(platform::IComboBox& combo);
void FillPresUnitCombo(platform::IComboBox& combo);
// The units that fit a channel (0-4 gases, 5 water vapour, 6 temperature,
// 7 pressure); a program of signal channels shows detector signals instead.
void FillUnitCombo(const ProgramProfile& program, int channel, platform::IComboBox& combo, const COTempUnit& tempUnit);

// The unit text of a channel, by the same rules as FillUnitCombo.
std::string GetChannelUnitText(const ProgramProfile& program, int channel, const COConcUnit& conc,
                               const COHumiUnit& humi,
                               const COTempUnit& temp, const COPresUnit& pres,
                               const COSignalUnit& signal = COSignalUnit());
