#include "Calibrator.h"

#include <cmath>

#include "CalibrationStrings.h"
#include "DBUtil.h"
#include "Rs232Trace.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

const TwoPointFit::Point kCurve[TwoPointFit::kPoints] = {
#include "ResponseCurveTable.inc"
};

// Only the water-vapour filter's temperature and self-absorption terms are
// known for it; it has no humidity interference.
const OpticalFilter& WaterRecord() {
  static const OpticalFilter kWaterFilter = [] {
    const FilterCoeffs& c = DefaultFilterCoeffs();
    return OpticalFilter("W", c.m_c1, c.m_c2, 0.0f, 0.0f, 0.0f, 0.0f, c.m_wavenumber, 0.0f);
  }();
  return kWaterFilter;
}

// The coefficients as the installation data orders them.
enum Coef { kZeroTemp = 0, kSpanTemp = 1, kHumLinTemp = 3, kHumQuadTemp = 4, kHumCubTemp = 5, kHumQuad = 6, kHumCub = 7 };

double Coefficient(const OpticalFilter& filter, Coef which) { return filter.GetCoefficient(which); }

void ShowForFilter(unsigned id, int pos) {
  ShowMessageText(platform::Format(platform::LoadString(id).c_str(), 'A' + pos));
}

}  // namespace

// --- the response curve ---

const TwoPointFit::Point* TwoPointFit::Curve() { return kCurve; }

double TwoPointFit::f(double x) {
  int i = 1;
  while (i < kPoints - 1 && kCurve[i].x < x) ++i;
  if (x > kCurve[kPoints - 1].x) m_error = true;
  // The first and the last segment are never used: values beyond the second
  // and the last but one point come from the neighbouring segment.
  if (i == 1) i = 2;
  if (i == kPoints - 1) i = kPoints - 2;
  const Point& a = kCurve[i - 1];
  const Point& b = kCurve[i];
  const double y = a.y + (x - a.x) / (b.x - a.x) * (b.y - a.y);
  return y > x ? x : y;
}

bool TwoPointFit::Fit(double vl, double cl, double vh, double ch) {
  m_error = false;
  m_iterations = 0;
  const double r = ch / cl;
  double upper = 20.0;
  double lower = 1e-6;
  double p = (1e-6 + 20.0) * 0.5;
  double fp = 0.0;
  bool converged = false;
  for (;;) {
    fp = f(p);
    const double fq = f(p / r);
    if (m_error) break;
    const double q = fq * vh / (fp * vl);
    ++m_iterations;
    if (q > 1.0 + 1e-6) {
      upper = p;
      p = (p + lower) * 0.5;
    } else if (q < 1.0 - 1e-6) {
      lower = p;
      p = (p + upper) * 0.5;
    } else {
      converged = true;
      break;
    }
    if (m_iterations >= kMaxIterations) break;
  }
  m_a = vh / fp;
  m_k = p / ch;
  return converged && !m_error;
}

// --- the calibrator ---

Calibrator::Calibrator(MonitorData& data) : m_data(data), m_now([] { return platform::CTime::GetCurrentTime(); }) {}

const OpticalFilter& Calibrator::filterData(int pos) const {
  static const OpticalFilter kNone;
  if (pos == kWater) return WaterRecord();
  const OpticalFilter* f = m_data.GetFilter(pos);
  return f ? *f : kNone;
}

bool Calibrator::IsMounted(int pos) const {
  const OpticalFilter* f = m_data.GetFilter(pos);
  return f != nullptr && !f->isFilter("____");
}

double Calibrator::dT(const COMeas& meas) const {
  return static_cast<double>(meas.GetValue(COMeas::chTemperature).GetValue()) - static_cast<double>(kReferenceTemp);
}

double Calibrator::Value(int pos, const COMeas& meas) const { return meas.GetValue(pos).GetValue(); }

CalibTime Calibrator::Now() const { return CalibTime(m_now()); }

unsigned Calibrator::HeldGroups(int pos) const {
  if (pos == kWater) return WaterBank::heldGroups(m_water);
  return pos >= 0 && pos < 5 ? GasBank::heldGroups(m_data.m_banks[pos], pos) : 0u;
}

CalculatedBank Calibrator::Calculated(int pos) const {
  CalculatedBank values;
  values.pos = pos;
  if (pos >= 0 && pos < 5) values.gas = m_data.m_banks[pos];
  values.water = m_water;
  values.held = HeldGroups(pos);
  return values;
}

void Calibrator::MarkCalculated(int pos, unsigned groups) {
  if (pos < 0 || pos > kWater) return;
  m_calculated[pos] |= groups;
  m_undelivered[pos] |= groups;
}

bool Calibrator::HasUndeliveredValues() const {
  for (unsigned groups : m_undelivered)
    if (groups != 0) return true;
  return false;
}

double Calibrator::pressureFactor() const {
  const MeasValue gain = GetGainFactor(10);
  if (!gain.IsValid()) return 1.0;
  const double factor = 213.5 / static_cast<double>(gain.GetValue());
  return factor >= 0.3 && factor <= 3.0 ? factor : 1.0;  // NaN fails both
}

double Calibrator::tempFactor(int pos, const COMeas& meas) const {
  return 1.0 + Coefficient(filterData(pos), kZeroTemp) * dT(meas);
}

double Calibrator::offsetCompensated(int pos, const COMeas& meas) const {
  return Value(pos, meas) / tempFactor(pos, meas);
}

double Calibrator::waterSignal(const COMeas& meas) const {
  return Value(kWater, meas) - static_cast<double>(m_water.m_concOffset.GetValue()) * tempFactor(kWater, meas);
}

double Calibrator::humidity(const COMeas& meas) const { return waterSignal(meas) * pressureFactor(); }

double Calibrator::humInterference(int pos, const COMeas& meas) const {
  double h = humidity(meas);
  if (h < 0.0) h = 0.0;
  const OpticalFilter& f = filterData(pos);
  const double t = dT(meas);
  const double c = Coefficient(f, kHumQuad), e = Coefficient(f, kHumLinTemp), fq = Coefficient(f, kHumQuadTemp);
  const double g = Coefficient(f, kHumCubTemp), hc = Coefficient(f, kHumCub);
  return h * (1.0 + e * t + h * (c * (1.0 + fq * t) + hc * (1.0 + g * t) * h));
}

double Calibrator::humGainOf(int pos, const COMeas& meas) const {
  const double offset = m_data.GetBank(pos).m_concOffset.GetValue();
  return (Value(pos, meas) - offset * tempFactor(pos, meas)) / humInterference(pos, meas);
}

double Calibrator::netSignal(int pos, const COMeas& meas) const {
  const BankInfo& bank = m_data.GetBank(pos);
  const double offset = bank.m_concOffset.GetValue();
  const double gain = bank.m_humiGain.GetValue();
  return Value(pos, meas) - offset * tempFactor(pos, meas) - gain * humInterference(pos, meas);
}

double Calibrator::spanFactor(int pos, const COMeas& meas, double c) const {
  const double n = netSignal(pos, meas);
  if (n <= static_cast<double>(kSignalGuard)) return 0.0;
  return c * (1.0 - Coefficient(filterData(pos), kSpanTemp) * dT(meas)) / n;
}

double Calibrator::crossFactor(int other, int spanPos, const COMeas& meas, double c) const {
  const double n = netSignal(other, meas);
  if (n <= static_cast<double>(kSignalGuard)) return 0.0;
  return c * (1.0 - Coefficient(filterData(spanPos), kSpanTemp) * dT(meas)) / n;
}

double Calibrator::waterSpanFactor(const COMeas& meas, double cw) const {
  const OpticalFilter& w = filterData(kWater);
  return waterSignal(meas) /
         (cw * (1.0 - Coefficient(w, kHumQuad) * cw) * (1.0 - Coefficient(w, kSpanTemp) * dT(meas)));
}

bool Calibrator::calibOffset(const COMeas& meas) {
  const CalibTime now = Now();
  for (int pos = 0; pos < 5; ++pos) {
    if (!IsMounted(pos)) continue;
    BankInfo& bank = m_data.GetBank(pos);
    const double v = Value(pos, meas);
    bank.m_offsetVoltage = static_cast<float>(v);
    Rs232DebugLog(m_trace, platform::Format("Calibrator::calibOffset,pos:%d, setConc_Offset_Voltage():%f\n", pos, v));
    bank.m_concOffset = static_cast<float>(offsetCompensated(pos, meas));
    bank.m_zeroDate = now;
    MarkCalculated(pos, groupOffset);
  }
  m_water.m_concOffset = static_cast<float>(offsetCompensated(kWater, meas));
  m_water.m_zeroDate = now;
  MarkCalculated(kWater, groupOffset);
  return true;
}

bool Calibrator::calibHumIntf(const COMeas& meas) {
  // A dry gas gives no interference term to divide by: nothing is taken.
  for (int pos = 0; pos < 5; ++pos) {
    if (IsMounted(pos) && humInterference(pos, meas) == 0.0) {
      ShowMessage(IDS_CALI_NO_HUMIDITY_SIGNAL);
      return false;
    }
  }
  const CalibTime now = Now();
  for (int pos = 0; pos < 5; ++pos) {
    if (!IsMounted(pos)) continue;
    BankInfo& bank = m_data.GetBank(pos);
    const double v = Value(pos, meas);
    bank.m_humiVoltage = static_cast<float>(v);
    Rs232DebugLog(m_trace, platform::Format("Calibrator::calibHumIntf,setHum_Voltage():%f\n", v));
    bank.m_humiGain = static_cast<float>(humGainOf(pos, meas));
    bank.m_humiDate = now;
    MarkCalculated(pos, groupHumidity);
  }
  return true;
}

bool Calibrator::calibHumSpan(const COMeas& meas, double cw) {
  const OpticalFilter& w = filterData(kWater);
  const double denominator =
      cw * (1.0 - Coefficient(w, kHumQuad) * cw) * (1.0 - Coefficient(w, kSpanTemp) * dT(meas));
  if (denominator == 0.0) {
    ShowMessage(IDS_CALI_NO_HUMIDITY_SPAN);
    return false;
  }
  m_water.m_gain = static_cast<float>(waterSignal(meas) / denominator);
  m_water.m_spanDate = Now();
  MarkCalculated(kWater, groupSpan);
  return true;
}

bool Calibrator::StoreCross(int pos, const COMeas& meas, double c) {
  BankInfo& bank = m_data.GetBank(pos);
  bool complete = true;
  for (int other = 0; other < 5; ++other) {
    if (other == pos || !IsMounted(other)) continue;
    const double factor = crossFactor(other, pos, meas, c);
    if (factor == 0.0) {
      // No signal on that filter: its old factor stays.
      ShowForFilter(IDS_CALI_NO_CROSS_SIGNAL, other);
      complete = false;
      continue;
    }
    bank.m_cross[other] = static_cast<float>(factor);
  }
  if (complete) {
    bank.m_crosDate = Now();
    MarkCalculated(pos, groupCross);
  }
  return complete;
}

bool Calibrator::calibSpan1P(const COMeas& meas, int pos, double c, double d, bool cross) {
  if (pos < 0 || pos >= 5) return false;
  const double factor = spanFactor(pos, meas, c);
  if (factor == 0.0) {
    ShowForFilter(IDS_CALI_NO_SPAN_SIGNAL, pos);
    return false;
  }
  BankInfo& bank = m_data.GetBank(pos);
  bank.m_spanLow = static_cast<float>(factor);
  bank.m_spanHigh.SetNoValue();
  bank.m_concLow.SetNoValue();
  bank.m_concHigh = static_cast<float>(d);
  bank.m_twoPoint = 0;
  bank.m_spanDate = Now();
  MarkCalculated(pos, groupSpan);
  const bool crossStored = !cross || StoreCross(pos, meas, c);
  bank.m_voltLow.SetNoValue();
  bank.m_voltHigh = static_cast<float>(Value(pos, meas));
  return crossStored;
}

bool Calibrator::calibSpan2P(const COMeas& high, const COMeas& low, int pos, double ch, double dh, double cl,
                             double dl, bool cross) {
  if (pos < 0 || pos >= 5) return false;
  BankInfo& bank = m_data.GetBank(pos);
  const double b = Coefficient(filterData(pos), kSpanTemp);
  const double vl = Value(pos, low);
  bank.m_voltLow = static_cast<float>(vl);
  const double clT = cl * (1.0 - b * dT(low));
  const double vh = Value(pos, high);
  bank.m_voltHigh = static_cast<float>(vh);
  const double chT = ch * (1.0 - b * dT(high));

  const double linear = vl * chT / clT;
  unsigned rejection = 0;
  if (vh > 1.15 * linear) {
    rejection = IDS_CALI_DOES_NOT_FIT;
  } else if (vh > 0.99 * linear) {
    rejection = IDS_CALI_LINEAR_COHERENCE;
  }
  TwoPointFit fit;
  // A search that found no curve is as much a misfit as a signal above it.
  if (rejection == 0 && !fit.Fit(vl, clT, vh, chT)) rejection = IDS_CALI_DOES_NOT_FIT;
  if (rejection != 0) {
    ShowMessage(rejection);
    throw CalibrationError(rejection);
  }

  bank.m_spanLow = static_cast<float>(fit.A());
  bank.m_spanHigh = static_cast<float>(fit.k());
  bank.m_concLow = static_cast<float>(dl);
  bank.m_concHigh = static_cast<float>(dh);
  bank.m_twoPoint = 1;
  bank.m_spanDate = Now();
  MarkCalculated(pos, groupSpan);
  return !cross || StoreCross(pos, high, ch);
}

void Calibrator::TakeBanks(const MonitorSetup& setup, const unsigned char activeBank[5]) {
  for (int pos = 0; pos < 5; ++pos) {
    BankInfo& bank = m_data.GetBank(pos);
    bank = setup.GetFilter(pos).GetBank(activeBank[pos] < 5 ? activeBank[pos] : 0);
    // A two-point bank needs its second factor; a one-point bank has none.
    if (bank.IsTwoPoint() && !bank.m_spanHigh.IsValid()) bank.m_twoPoint = 0;
    if (!bank.IsTwoPoint()) bank.m_spanHigh.SetNoValue();
  }
  m_water = setup.m_water;
  for (unsigned& groups : m_calculated) groups = 0;
  for (unsigned& groups : m_undelivered) groups = 0;
}
