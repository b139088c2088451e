#pragma once
// The calculation of a calibration: the averages of the marked intervals,
// with what each interval's calibration run was given, through the
// calibrator into its working banks. No windows: the refusals are said
// through the message sink, as the calibrator says its own.
#include <array>
#include <functional>
#include <optional>

#include "COMeas.h"

class Calibrator;

namespace calibration {

// An interval of the calibration measurement: the measurements at its two
// ends and the average of the readings between them, in the calibrator's
// units. Set when its first measurement has a number.
struct CaliMark {
  COMeas first;
  COMeas second;
  COMeas average;
  bool IsSet() const { return first.GetMeasNo() != 0; }
  void Clear() { *this = CaliMark(); }
};

// The intervals marked for each calibration mode.
struct CaliMarks {
  CaliMark zero;
  CaliMark humiditySpan;
  CaliMark interference;
  CaliMark spanHigh[5];
  CaliMark spanLow[5];

  bool Any() const;
  void Clear() { *this = CaliMarks(); }
};

// What the calibration run of an interval was given: the concentrations in
// mg/m³ and in the unit the program shows, and whether it calibrates the
// cross factors.
struct CaliRunGas {
  double humiditySpan = 0.0;  // water vapour, mg/m³
  double concLow = 0.0;
  double concLowShown = 0.0;
  double concHigh = 0.0;
  double concHighShown = 0.0;
  bool cross = false;
};

// What a calculation calculated, as "Calculation finished" ticks it.
struct CaliResults {
  bool zeroPoint = false;
  bool interference = false;
  bool waterSpan = false;
  bool singlePoint[5] = {};
  bool twoPoint[5] = {};
  bool cross[5] = {};
  // False when the calibrator rejected a two-point span (it said why): the
  // filters after it were not calculated.
  bool complete = true;
};

class CaliCalculation {
 public:
  // The run of the interval that starts at the measurement; none when its
  // run cannot be found.
  using RunOf = std::function<std::optional<CaliRunGas>(const COMeas& first)>;

  // gasFilters: the filters that measure a gas in the active sequence.
  CaliCalculation(Calibrator& calibrator, const std::array<bool, 5>& gasFilters)
      : m_calibrator(calibrator), m_gasFilters(gasFilters) {}

  // Zero point, water-vapour span, humidity interference and the spans of
  // A to E, each when it is marked and what it builds on is there. None,
  // after "nothing marked", when no interval is marked.
  std::optional<CaliResults> Calculate(const CaliMarks& marks, const RunOf& runOf);

 private:
  void Span(int filter, const CaliMarks& marks, const RunOf& runOf, CaliResults& results);

  Calibrator& m_calibrator;
  std::array<bool, 5> m_gasFilters;
};

}  // namespace calibration
