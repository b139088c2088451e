#pragma once
// One sample of the monitor: its time, number, the eight channel values and
// the events that came with it.
//
// A copy is the whole sample, in every program: a copy that kept its own
// temperature would read that value in the unit it takes from the source,
// and a new copy would claim 0 in that unit, a temperature that passes as
// measured.
#include <string>
#include <vector>

#include "COEvent.h"
#include "COUnits.h"
#include "MeasValue.h"
#include "core/Time.h"

class COMeas {
 public:
  // Channels: 0 to 4 the gas filters A to E, then these.
  enum { chWater = 5, chTemperature = 6, chPressure = 7, channelCount = 8 };

  COMeas();

  void SetTime(const platform::CTime& time) { m_time = time; }
  platform::CTime GetMeasTime() const { return m_time; }
  std::string GetTimeText() const;

  void SetMeasNo(int no) { m_measNo = no; }
  int GetMeasNo() const { return m_measNo; }
  std::string GetMeasNoText() const;
  bool HasMeasNo() const { return m_measNo != 0; }

  // A channel outside 0..7 is ignored when set and has no value when read.
  void SetValue(int channel, float value);
  MeasValue GetValue(int channel) const;
  void SetPressure(float value) { m_values[chPressure] = value; }
  MeasValue GetPressure() const { return m_values[chPressure]; }
  bool IsValueValid(int channel) const;
  // Whether a value stored for the channel counts as measured.
  static bool IsStoredValueValid(int channel, float value, const COTempUnit& tempUnit = COTempUnit());

  void SetTempUnit(const COTempUnit& unit) { m_tempUnit = unit; }
  COTempUnit GetTempUnit() const { return m_tempUnit; }

  void AddEvent(const COEvent& event) { m_events.push_back(event); }
  const std::vector<COEvent>& GetEvents() const { return m_events; }
  std::vector<COEvent>& GetEvents() { return m_events; }
  bool HasEvent(int type) const;

 private:
  std::vector<COEvent> m_events;
  platform::CTime m_time;
  int m_measNo = 0;
  MeasValue m_values[channelCount];
  COTempUnit m_tempUnit;
};
