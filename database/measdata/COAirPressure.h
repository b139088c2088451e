#pragma once
// The air pressure as the monitor reports it: a value in the monitor's own
// pressure unit.
#include <string>

#include "COUnits.h"

class COAirPressure {
 public:
  static constexpr float kUnset = -500.0f;

  void SetValue(float value) { m_value = value; }
  // The value converted from the monitor's unit into the one wanted.
  float GetValue(const COPresUnit& wanted) const { return m_unit.Convert(wanted, m_value); }
  bool IsSet() const { return m_value != kUnset; }
  COPresUnit GetUnit() const { return m_unit; }
  void SetUnit(const COPresUnit& unit) { m_unit = unit; }
  // Takes the unit from the first of the monitor's keywords found in the
  // reply; leaves it alone when there is none.
  void SetUnitFromReply(const std::string& reply);

 private:
  float m_value = kUnset;
  COPresUnit m_unit{COPresUnit::hpa};
};
