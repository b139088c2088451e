#include "BankValues.h"

namespace GasBank {

void copy(BankInfo& t, const BankInfo& s, unsigned mask) {
  if (mask & groupOffset) {
    t.m_offsetVoltage = s.m_offsetVoltage;
    t.m_concOffset = s.m_concOffset;
    t.m_zeroDate = s.m_zeroDate;
  }
  if (mask & groupHumidity) {
    t.m_humiVoltage = s.m_humiVoltage;
    t.m_humiGain = s.m_humiGain;
    t.m_humiDate = s.m_humiDate;
  }
  if (mask & groupSpan) {
    t.m_twoPoint = s.m_twoPoint;
    t.m_spanLow = s.m_spanLow;
    t.m_spanHigh = s.m_spanHigh;
    t.m_concLow = s.m_concLow;
    t.m_concHigh = s.m_concHigh;
    t.m_voltLow = s.m_voltLow;
    t.m_voltHigh = s.m_voltHigh;
    t.m_gasName = s.m_gasName;
    t.m_mw = s.m_mw;
    t.m_spanDate = s.m_spanDate;
  }
  if (mask & groupCross) {
    for (int i = 0; i < 5; ++i) t.m_cross[i] = s.m_cross[i];
    t.m_crosDate = s.m_crosDate;
  }
}

void reset(BankInfo& b) {
  b.SetGasName("_");
  b.m_mw = 1.0f;
  b.m_twoPoint = 0;
  for (MeasValue* v : {&b.m_spanLow, &b.m_spanHigh, &b.m_concOffset, &b.m_concLow, &b.m_concHigh, &b.m_humiGain})
    v->SetNoValue();
  for (MeasValue& v : b.m_cross) v.SetNoValue();
  for (CalibTime* d : {&b.m_zeroDate, &b.m_humiDate, &b.m_spanDate, &b.m_crosDate}) d->SetValidFlag(0);
}

unsigned heldGroups(const BankInfo& b, int position) {
  unsigned held = 0;
  if (b.m_concOffset.IsValid()) held |= groupOffset;
  if (b.m_humiGain.IsValid()) held |= groupHumidity;
  if (!b.m_spanLow.IsValid()) return held;
  held |= groupSpan;
  for (int i = 0; i < 5; ++i)
    if (i != position && b.m_cross[i].IsValid()) held |= groupCross;
  return held;
}

}  // namespace GasBank

namespace WaterBank {

void copy(WaterInfo& t, const WaterInfo& result, unsigned mask) {
  if (mask & groupOffset) {
    t.m_concOffset = result.m_concOffset;
    t.m_zeroDate = result.m_zeroDate;
  }
  if (mask & groupSpan) {
    t.m_gain = result.m_gain;
    t.m_spanDate = result.m_spanDate;
  }
}

unsigned heldGroups(const WaterInfo& w) {
  return (w.m_concOffset.IsValid() ? unsigned{groupOffset} : 0u) | (w.m_gain.IsValid() ? unsigned{groupSpan} : 0u);
}

}  // namespace WaterBank
