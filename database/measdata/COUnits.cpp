#include "COUnits.h"

#include <cmath>

#include "ProgramProfile.h"
#include "core/Controls.h"

namespace {

const char* const kConcTexts[] = {"g/m³", "mg/m³", "µg/m³", "vol%", "ppm", "ppb"};
const char* const kTempTexts[] = {"K", "°C", "°F"};
const char* const kPresTexts[] = {"mBar", "mmHg", "kPa", "hPa"};
const char* const kLengTexts[] = {"m", "ft"};
const char* const kSignalTexts[] = {"mV", "µV"};
const char kNoText[] = "n/a";

template <size_t N>
std::string TextOf(const char* const (&texts)[N], int32_t kind) {
  return kind >= 0 && static_cast<size_t>(kind) < N ? texts[kind] : kNoText;
}

constexpr double kGasConstant = 8314.3;
constexpr double kZeroCelsius = 273.15;
constexpr double kWaterMW = 18.02;
constexpr double kSaturation = 610.78;  // Pa over water at 0 °C

bool IsVolumeKind(int32_t k) { return k >= COConcUnit::volpercent && k <= COConcUnit::ppb; }

// Magnus constants: over water at and above 0 °C, over ice below.
struct Magnus {
  double a, b;
};
constexpr Magnus kWater{17.339, 238.39};
constexpr Magnus kIce{22.468, 272.67};

}  // namespace

// --- temperature ---

std::string COTempUnit::GetText() const { return TextOf(kTempTexts, m_unit); }

float COTempUnit::Convert(const COTempUnit& target, float value) const {
  const double v = value;
  double inCelsius;
  switch (m_unit) {
    case kelvin:
      inCelsius = v - kZeroCelsius;
      break;
    case celsius:
      inCelsius = v;
      break;
    case fahrenheit:
      inCelsius = (v - 32.0) * 5.0 / 9.0;
      break;
    default:
      return 0.0f;
  }
  if (target.m_unit == m_unit) return value;
  switch (target.m_unit) {
    case kelvin:
      return static_cast<float>(inCelsius + kZeroCelsius);
    case celsius:
      return static_cast<float>(inCelsius);
    case fahrenheit:
      return static_cast<float>(inCelsius * 1.8 + 32.0);
    default:
      return 0.0f;
  }
}

// --- pressure ---

std::string COPresUnit::GetText() const { return TextOf(kPresTexts, m_unit); }

float COPresUnit::Convert(const COPresUnit& target, float value) const {
  // hPa is the hub: mmHg -> kPa -> hPa/mBar -> mmHg with the monitor's constants.
  double inHpa;
  switch (m_unit) {
    case mbar:
    case hpa:
      inHpa = value;
      break;
    case mmhg:
      inHpa = value * 0.13332 * 10.0;
      break;
    case kpa:
      inHpa = value * 10.0;
      break;
    default:
      return 0.0f;
  }
  switch (target.m_unit) {
    case mbar:
    case hpa:
      return static_cast<float>(inHpa);
    case mmhg:
      return static_cast<float>(inHpa * 0.7500750075007501);
    case kpa:
      return static_cast<float>(inHpa * 0.1);
    default:
      return 0.0f;
  }
}

// --- length ---

std::string COLengUnit::GetText() const { return TextOf(kLengTexts, m_unit); }

float COLengUnit::Convert(const COLengUnit& target, float value) const {
  if (target.m_unit == m_unit) return value;
  if (m_unit == foot && target.m_unit == metre) return static_cast<float>(value * 0.3048);
  if (m_unit == metre && target.m_unit == foot) return static_cast<float>(value / 0.3048);
  return 0.0f;
}

// --- detector signal ---

std::string COSignalUnit::GetText() const { return TextOf(kSignalTexts, m_unit); }

float COSignalUnit::Convert(const COSignalUnit& target, float value) const {
  if (target.m_unit == m_unit) return value;
  if (m_unit == millivolt) return static_cast<float>(value * 1000.0);
  if (m_unit == microvolt) return static_cast<float>(value * 0.001);
  return value;
}

// --- gas concentration ---

std::string COConcUnit::GetText() const { return TextOf(kConcTexts, m_unit); }

float COConcUnit::Convert(const COConcUnit& target, float value, float mw, float temperature,
                          float pressure) const {
  // Mass units meet in mg/m³, volume units in ppm; the gas law joins the two.
  const bool fromVolume = IsVolumeKind(m_unit);
  double base = value;
  switch (m_unit) {
    case g_m3:
      base *= 1000.0;
      break;
    case ug_m3:
      base *= 0.001;
      break;
    case volpercent:
      base *= 10000.0;
      break;
    case ppb:
      base *= 0.001;
      break;
    default:  // mg/m³, ppm, and any other kind taken as mg/m³
      break;
  }
  const bool toVolume = IsVolumeKind(target.m_unit);
  const double molarVolume = kGasConstant * (static_cast<double>(temperature) + kZeroCelsius);
  const double massPerPpm = static_cast<double>(mw) * pressure * 1000.0 / molarVolume;
  if (fromVolume && !toVolume) base *= massPerPpm;
  if (!fromVolume && toVolume) base /= massPerPpm;
  switch (target.m_unit) {
    case g_m3:
      return static_cast<float>(base * 0.001);
    case mg_m3:
    case ppm:
      return static_cast<float>(base);
    case ug_m3:
      return static_cast<float>(base * 1000.0);
    case volpercent:
      return static_cast<float>(base / 10000.0);
    case ppb:
      return static_cast<float>(base * 1000.0);
    default:
      return 0.0f;
  }
}

// --- water vapour ---

std::string COHumiUnit::GetText(const COTempUnit& tempUnit) const {
  if (m_unit >= 0 && m_unit < COConcUnit::count) return COConcUnit(m_unit).GetText();
  if (m_unit == dewPoint) return "Tdew " + tempUnit.GetText();
  if (m_unit == kpa) return "KPa";
  if (m_unit == pa) return "Pa";
  return kNoText;
}

float COHumiUnit::Convert(const COHumiUnit& target, const COTempUnit& tempUnit, float value,
                          float temperature, float pressure) const {
  const float rounded = std::trunc(temperature + 0.5f);
  const double t = rounded + kZeroCelsius;
  const COConcUnit mgUnit(COConcUnit::mg_m3);
  double mg;
  switch (m_unit) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      mg = COConcUnit(m_unit).Convert(mgUnit, value, static_cast<float>(kWaterMW), rounded, pressure);
      break;
    case dewPoint: {
      const Magnus m = value >= 0.0f ? kWater : kIce;
      const double td = value;
      mg = kSaturation * std::exp(m.a * td / (m.b + td)) * kWaterMW * 1e6 / (kGasConstant * t);
      break;
    }
    case kpa:
      mg = value * kWaterMW * 1e9 / (kGasConstant * t);
      break;
    case pa:
      mg = value * kWaterMW * 1e6 / (kGasConstant * t);
      break;
    default:
      mg = value;
      break;
  }
  switch (target.m_unit) {
    case 0:
      return static_cast<float>(mg * 0.001);
    case 1:
      return static_cast<float>(mg);
    case 2:
      return static_cast<float>(mg * 1000.0);
    case 3:
    case 4:
    case 5:
      return mgUnit.Convert(COConcUnit(target.m_unit), static_cast<float>(mg), static_cast<float>(kWaterMW),
                            rounded, pressure);
    case dewPoint: {
      double td = -159.0;
      if (mg > 0.0) {
        const double x = std::log(mg * kGasConstant * t / (kSaturation * kWaterMW * 1e6));
        const Magnus m = x > 0.0 && x < kIce.a ? kWater : kIce;
        td = m.b * x / (m.a - x);
      }
      return COTempUnit(COTempUnit::celsius).Convert(tempUnit, static_cast<float>(td));
    }
    case kpa:
      return static_cast<float>(mg * kGasConstant * t / (kWaterMW * 1e9));
    case pa:
      return static_cast<float>(mg * kGasConstant * t / (kWaterMW * 1e6));
    default:
      return static_cast<float>(mg);
  }
}

// --- combo boxes and channel texts ---

namespace {
template <class Unit>
void AddUnitTexts(platform::IComboBox& combo, int count) {
  for (int k = 0; k < count; ++k) combo.AddString(Unit(k).GetText());
}
}  // namespace

void FillTempUnitCombo(platform::IComboBox& combo) {
  combo.ResetContent();
  AddUnitTexts<COTempUnit>(combo, COTempUnit::count);
}

void FillPresUnitCombo(platform::IComboBox& combo) {
  combo.ResetContent();
  AddUnitTexts<COPresUnit>(combo, COPresUnit::count);
}

void FillUnitCombo(const ProgramProfile& program, int channel, platform::IComboBox& combo, const COTempUnit& tempUnit) {
  combo.ResetContent();
  if (program.signalChannels) {
    if (channel >= 0 && channel <= 5) AddUnitTexts<COSignalUnit>(combo, COSignalUnit::count);
    if (channel == 6) AddUnitTexts<COTempUnit>(combo, COTempUnit::count);
    if (channel == 7) AddUnitTexts<COPresUnit>(combo, COPresUnit::count);
    return;
  }
  if (channel >= 0 && channel <= 4) AddUnitTexts<COConcUnit>(combo, COConcUnit::count);
  if (channel == 5) {
    for (int k = 0; k < COHumiUnit::count; ++k) combo.AddString(COHumiUnit(k).GetText(tempUnit));
  }
  if (channel == 7) {
    AddUnitTexts<COPresUnit>(combo, COPresUnit::count);
    combo.SetCurSel(COPresUnit::mmhg);
  }
}

std::string GetChannelUnitText(const ProgramProfile& program, int channel, const COConcUnit& conc,
                               const COHumiUnit& humi, const COTempUnit& temp, const COPresUnit& pres,
                               const COSignalUnit& signal) {
  if (program.signalChannels) {
    if (channel >= 0 && channel <= 5) return signal.GetText();
    if (channel == 6) return temp.GetText();
    if (channel == 7) return pres.GetText();
    return std::string();
  }
  if (channel >= 0 && channel <= 4) return conc.GetText();
  if (channel == 5) return humi.GetText(temp);
  if (channel == 7) return pres.GetText();
  return std::string();
}
