#include "COMeas.h"

#include "core/Text.h"

COMeas::COMeas() {
  for (MeasValue& v : m_values) v = 0.0f;
}

std::string COMeas::GetTimeText() const { return m_time.Format("%y-%m-%d %X"); }

std::string COMeas::GetMeasNoText() const { return platform::Format("%d", m_measNo); }

void COMeas::SetValue(int channel, float value) {
  if (channel >= 0 && channel < channelCount) m_values[channel] = value;
}

MeasValue COMeas::GetValue(int channel) const {
  return channel >= 0 && channel < channelCount ? m_values[channel] : MeasValue();
}

bool COMeas::IsValueValid(int channel) const { return IsStoredValueValid(channel, GetValue(channel), m_tempUnit); }

bool COMeas::IsStoredValueValid(int channel, float value, const COTempUnit& tempUnit) {
  const MeasValue v = value;
  if (!v.IsValid()) return false;
  if (channel >= 0 && channel <= chWater) return v < 1e30f;
  if (channel == chTemperature) return tempUnit.Convert(COTempUnit(COTempUnit::kelvin), v) > 0.0f;
  if (channel == chPressure) return v > 50.0f;
  return false;
}

bool COMeas::HasEvent(int type) const {
  for (const COEvent& e : m_events) {
    if (e.GetType() == type) return true;
  }
  return false;
}
