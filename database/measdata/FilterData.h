#pragma once
// What the device reads from the monitor about its optical filters and their
// calibration banks, and the built-in table of optical filter coefficients.
// The records are plain fixed-layout values: commands write the monitor's
// replies straight into their fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ChBuf.h"
#include "CommTypes.h"
#include "MeasValue.h"

// One calibration bank of a gas filter.
struct BankInfo {
  FixChBuf<30> m_gasName;
  MeasValue m_mw;
  uint8_t m_twoPoint = 0;
  MeasValue m_spanLow;     // concentration factor 1
  MeasValue m_spanHigh;    // concentration factor 2
  MeasValue m_concOffset;  // offset factor
  MeasValue m_offsetVoltage;
  MeasValue m_concLow;  // low and high calibration concentration
  MeasValue m_concHigh;
  MeasValue m_voltLow;  // signals at those concentrations
  MeasValue m_voltHigh;
  MeasValue m_humiGain;  // humidity factor
  MeasValue m_humiVoltage;
  MeasValue m_cross[5];  // against filters A to E; the bank's own slot is unused
  CalibTime m_zeroDate;
  CalibTime m_humiDate;
  CalibTime m_spanDate;
  CalibTime m_crosDate;

  const ConstChBuf& GetGasName() const { return m_gasName; }
  MeasValue GetMW() const { return m_mw; }
  bool IsTwoPoint() const { return m_twoPoint != 0; }
  MeasValue GetSpanLow() const { return m_spanLow; }
  MeasValue GetSpanHigh() const { return m_spanHigh; }
  MeasValue GetConcOffset() const { return m_concOffset; }
  MeasValue GetHumiGain() const { return m_humiGain; }
  // i outside 0..4 has no value.
  MeasValue GetCross(int i) const { return i >= 0 && i < 5 ? m_cross[i] : MeasValue(); }
  CalibTime GetZeroDate() const { return m_zeroDate; }
  CalibTime GetHumiDate() const { return m_humiDate; }
  CalibTime GetSpanDate() const { return m_spanDate; }
  CalibTime GetCrosDate() const { return m_crosDate; }

  // Keeps at most 30 characters.
  void SetGasName(const std::string& name) { m_gasName.Assign(name); }
  void SetMW(MeasValue v) { m_mw = v; }
  void SetTwoPoint(bool on) { m_twoPoint = on ? 1 : 0; }
  void SetSpanLow(MeasValue v) { m_spanLow = v; }
  void SetSpanHigh(MeasValue v) { m_spanHigh = v; }
  void SetConcOffset(MeasValue v) { m_concOffset = v; }
  void SetHumiGain(MeasValue v) { m_humiGain = v; }
  void SetCross(int i, MeasValue v) {
    if (i >= 0 && i < 5) m_cross[i] = v;
  }
  void SetZeroDate(const CalibTime& t) { m_zeroDate = t; }
  void SetHumiDate(const CalibTime& t) { m_humiDate = t; }
  void SetSpanDate(const CalibTime& t) { m_spanDate = t; }
  void SetCrosDate(const CalibTime& t) { m_crosDate = t; }
};

// One optical filter position with its five banks.
struct FilterInfo {
  FixChBuf<5> m_number;  // empty or beginning with '_' when no filter is mounted
  MeasValue m_alarmLimit1;
  MeasValue m_alarmLimit2;
  float m_integrationTime = 0.0f;  // seconds
  uint8_t m_active = 0;
  int32_t m_activeBank = 0;
  BankInfo m_banks[5];

  const ConstChBuf& GetNumber() const { return m_number; }
  // The number's value, its UA number; 0 when no filter is mounted.
  uint32_t GetUANumber() const;
  // b outside 0..4 is taken as bank 0.
  BankInfo& GetBank(int b) { return m_banks[b >= 0 && b < 5 ? b : 0]; }
  const BankInfo& GetBank(int b) const { return m_banks[b >= 0 && b < 5 ? b : 0]; }
};

// The water-vapour filter's calibration.
struct WaterInfo {
  MeasValue m_gain;        // concentration factor 1
  MeasValue m_concOffset;  // offset factor
  CalibTime m_zeroDate;
  CalibTime m_spanDate;

  MeasValue GetGain() const { return m_gain; }
  MeasValue GetConcOffset() const { return m_concOffset; }
  CalibTime GetZeroDate() const { return m_zeroDate; }
  CalibTime GetSpanDate() const { return m_spanDate; }
};

struct UANumbers {
  uint32_t m_numbers[5] = {};  // filters A to E
  uint32_t m_extra = 0;

  uint32_t Get(int i) const { return i >= 0 && i < 5 ? m_numbers[i] : 0; }
  void Set(int i, uint32_t v) {
    if (i >= 0 && i < 5) m_numbers[i] = v;
  }
};

// The three coefficients a calibration uses most: two temperature
// coefficients and the filter's wavenumber.
struct FilterCoeffs {
  float m_c1 = 0.0f;
  float m_c2 = 0.0f;
  float m_wavenumber = 0.0f;
};

// One entry of the optical filter table.
class OpticalFilter {
 public:
  OpticalFilter();  // the table's terminator: "____" and all zero
  // The eight values in the order of the installation data: two
  // coefficients, three more, a reserved value, the wavenumber, a reserved value.
  OpticalFilter(const char* number, float c0, float c1, float c2, float c3, float c4, float c5, float c6,
                float c7);

  const ConstChBuf& GetNumber() const { return m_number; }
  bool isFilter(const char* number) const { return m_number.Equals(number); }
  const FilterCoeffs& GetCoeffs() const { return m_coeffs; }
  // The five that are not in the triple, in installation order.
  float GetFurther(int i) const { return i >= 0 && i < 5 ? m_further[i] : 0.0f; }
  // Value i (0 to 7) in installation order.
  float GetCoefficient(int i) const;

 private:
  FilterCoeffs m_coeffs;
  FixChBuf<5> m_number;
  float m_further[5] = {};
};
using FilterData = OpticalFilter;

constexpr size_t kOpticalFilterRows = 27;
constexpr size_t kOpticalFilterEntries = kOpticalFilterRows + 1;  // with the terminator

// The table: its rows, then the terminator "____". The rows are the maker's
// data and come with the installation (OpticalFilterTablePath()); rows the
// installation does not fill read as terminators.
const OpticalFilter* OpticalFilterTable();
std::string OpticalFilterTablePath();
// Refills the rows from a file of lines "number c0 c1 ... c7" ('#' starts a
// comment); returns the number of rows taken. Meant for start-up and tests,
// before any look-up holds an entry.
size_t LoadOpticalFilterTable(const std::string& path);
// The triple used where a filter has no coefficients of its own.
const FilterCoeffs& DefaultFilterCoeffs();

// The device's data block.
struct MonitorDataTail {
  MeasValue m_values[2];
  uint32_t m_words[2] = {};
};

struct MonitorData {
  const OpticalFilter* m_filters[5] = {};  // filters A to E, null until looked up
  MeasValue m_values[10];
  BankInfo m_banks[5];
  MonitorDataTail m_tail;

  BankInfo& GetBank(int i) { return m_banks[i >= 0 && i < 5 ? i : 0]; }
  MonitorDataTail& GetTail() { return m_tail; }
  // i from 1 to 10; any other i gives the first value.
  MeasValue& GetValue(int i) { return m_values[i >= 1 && i <= 10 ? i - 1 : 0]; }
  const OpticalFilter* GetFilter(int position) const {
    return position >= 0 && position < 5 ? m_filters[position] : nullptr;
  }
  // Points the position at the first table entry with that number; leaves it
  // as it was when there is none.
  void lookupFilter(FilterPos position, const ConstChBuf& number);
};

// The monitor's set-up as the device holds it and the sequence fills it for a
// download.
struct MonitorSetup {
  // The identity reply of "*IDN?".
  FixChBuf<5> m_model;
  FixChBuf<11> m_serial;
  FixChBuf<5> m_version;
  // Unit kinds of COLengUnit, COHumiUnit, COPresUnit, COTempUnit, COConcUnit.
  int32_t m_lengthUnit = 0;
  int32_t m_humiUnit = 0;
  int32_t m_presUnit = 0;
  int32_t m_tempUnit = 0;
  int32_t m_concUnit = 0;
  float m_rollingAvg = 0.0f;   // minutes
  float m_airPressure = 0.0f;  // in the display pressure unit
  int32_t m_sampleInterval = 0;
  float m_tubeLength = 0.0f;  // in the display length unit
  int32_t m_tubeTime = 0;
  int32_t m_chamberTime = 0;
  float m_normTemp = 0.0f;  // in the display temperature unit
  uint8_t m_waterComp = 0;
  uint8_t m_crossComp = 0;
  uint8_t m_notContinuous = 0;
  uint8_t m_rollingAvgOn = 0;
  uint8_t m_modeFlag = 0;
  FilterInfo m_filters[5];
  MeasValue m_waterAlarmLimit1;
  MeasValue m_waterAlarmLimit2;
  float m_waterIntegrationTime = 0.0f;
  uint8_t m_waterActive = 0;
  UANumbers m_uaNumbers;
  WaterInfo m_water;
  // Set only when a measurement is started for a given time.
  CalibTime m_startTime;
  CalibTime m_stopTime;
  // Set when the monitor's clock may not be set before this moment: the
  // set-up waits for it.
  CalibTime m_clockNotBefore;

  FilterInfo& GetFilter(int i) { return m_filters[i >= 0 && i < 5 ? i : 0]; }
  const FilterInfo& GetFilter(int i) const { return m_filters[i >= 0 && i < 5 ? i : 0]; }
  // The UA numbers from the filters' numbers.
  void TakeUANumbers() {
    for (int f = 0; f < 5; ++f) m_uaNumbers.Set(f, m_filters[f].GetUANumber());
  }
};
