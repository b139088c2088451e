#pragma once
// The working calibration data of the connected monitor and the arithmetic
// that turns averaged calibration measurements into calibration values.
//
// The filter references, the system gain factors and the five gas banks are
// the device's data block (the device fills the first two while it reads the
// monitor's filter information); the water-vapour result and which groups
// have been calculated are the calibrator's own. Every computation runs in
// double precision; results are stored as single-precision values.
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "COMeas.h"
#include "BankValues.h"
#include "FilterData.h"
#include "core/Time.h"

class Rs232Trace;

// A two-point span calibration that was rejected; the message has been shown.
class CalibrationError : public std::runtime_error {
 public:
  explicit CalibrationError(unsigned messageId)
      : std::runtime_error("calibration rejected"), m_messageId(messageId) {}
  unsigned GetMessageId() const { return m_messageId; }

 private:
  unsigned m_messageId;
};

// The response curve V = A * f(k * C) of a gas signal, and the fit of A and k
// to two measurements.
class TwoPointFit {
 public:
  struct Point {
    double x;
    double y;
  };
  static constexpr int kPoints = 1003;
  static constexpr int kMaxIterations = 100;
  static const Point* Curve();

  // f(x), linear between the table's points; x above the last point sets the
  // error flag.
  double f(double x);
  // Fits A and k to (vl, cl) and (vh, ch); false when the search failed.
  bool Fit(double vl, double cl, double vh, double ch);

  double A() const { return m_a; }
  double k() const { return m_k; }
  bool HasError() const { return m_error; }
  int Iterations() const { return m_iterations; }

 private:
  double m_a = 0.0;
  double m_k = 0.0;
  bool m_error = false;
  int m_iterations = 0;
};

// The working values of a filter's bank (5: the water-vapour record) and the
// groups of them that hold a value: what a download writes.
struct CalculatedBank {
  int pos = 0;
  BankInfo gas;
  WaterInfo water;
  unsigned held = 0;
};

class Calibrator {
 public:
  static constexpr int kWater = 5;
  // Net signals at or below this give no factor.
  static constexpr float kSignalGuard = 1.5e-9f;
  static constexpr float kReferenceTemp = 293.15f;  // K

  explicit Calibrator(MonitorData& data);
  // Where the voltages taken go (the program's serial trace); none by default.
  void SetTrace(Rs232Trace* trace) { m_trace = trace; }

  // The optical filter of a position (5: the water-vapour record).
  const OpticalFilter& filterData(int pos) const;
  const OpticalFilter* filterOf(int pos) const { return m_data.GetFilter(pos); }
  bool IsMounted(int pos) const;

  double pressureFactor() const;
  double tempFactor(int pos, const COMeas& meas) const;
  double offsetCompensated(int pos, const COMeas& meas) const;
  double waterSignal(const COMeas& meas) const;
  double humidity(const COMeas& meas) const;
  double humInterference(int pos, const COMeas& meas) const;
  double humGainOf(int pos, const COMeas& meas) const;
  double netSignal(int pos, const COMeas& meas) const;
  double spanFactor(int pos, const COMeas& meas, double c) const;
  double crossFactor(int other, int spanPos, const COMeas& meas, double c) const;
  double waterSpanFactor(const COMeas& meas, double cw) const;

  // The calibrations. Each returns false, after its message, when it refused
  // (or, for the spans, could not store every factor); refused values stay.
  bool calibOffset(const COMeas& meas);
  bool calibHumIntf(const COMeas& meas);
  bool calibHumSpan(const COMeas& meas, double cw);
  bool calibSpan1P(const COMeas& meas, int pos, double c, double d, bool cross);
  // Throws CalibrationError when the measurements do not give a curve.
  bool calibSpan2P(const COMeas& high, const COMeas& low, int pos, double ch, double dh, double cl, double dl,
                   bool cross);

  // The working banks: the active bank of each filter and the water-vapour
  // record, from the monitor's set-up. Forgets what was calculated.
  void TakeBanks(const MonitorSetup& setup, const unsigned char activeBank[5]);
  BankInfo& GetBank(int pos) { return m_data.GetBank(pos); }
  const WaterInfo& GetWater() const { return m_water; }
  WaterInfo& Water() { return m_water; }
  MeasValue GetGainFactor(int n) const { return m_data.m_values[n >= 1 && n <= 10 ? n - 1 : 0]; }
  // The groups calculated since the banks were taken (5: the water record).
  unsigned CalculatedGroups(int pos) const { return pos >= 0 && pos <= kWater ? m_calculated[pos] : 0; }
  // The groups of the working bank that hold a value (5: the water record).
  unsigned HeldGroups(int pos) const;
  // A copy of the working bank of the position, as a download takes it.
  CalculatedBank Calculated(int pos) const;
  void MarkCalculated(int pos, unsigned groups);
  // The position's bank was replaced: nothing of it is calculated.
  void ForgetCalculated(int pos) {
    if (pos >= 0 && pos <= kWater) m_calculated[pos] = m_undelivered[pos] = 0;
  }
  // The groups reached the monitor in a bank of the position's filter.
  void MarkDownloaded(int pos, unsigned groups) {
    if (pos >= 0 && pos <= kWater) m_undelivered[pos] &= ~groups;
  }
  // Some value calculated or edited since the banks were taken has not
  // been downloaded into any bank.
  bool HasUndeliveredValues() const;

  // The time a calculation dates its values with (tests fix it).
  void SetClock(std::function<platform::CTime()> now) { m_now = std::move(now); }

 private:
  double dT(const COMeas& meas) const;
  double Value(int pos, const COMeas& meas) const;
  CalibTime Now() const;
  // Stores the cross factors of the span bank; false when one had no signal.
  bool StoreCross(int pos, const COMeas& meas, double c);

  MonitorData& m_data;
  WaterInfo m_water;
  unsigned m_calculated[6] = {};
  unsigned m_undelivered[6] = {};
  std::function<platform::CTime()> m_now;
  Rs232Trace* m_trace = nullptr;
};
