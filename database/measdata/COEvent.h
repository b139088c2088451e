#pragma once
// One event of a measurement: a comment, an alarm, the start or stop of a
// task, or one of the monitor's own markers.
#include <string>

#include "core/Geometry.h"

class COEvent {
 public:
  // The event types: those the suite writes itself and the monitor's markers.
  enum Type : int {
    typeComment = 0,      // a comment, or the user's event
    typeAlarm = 2,        // value: the filter
    typeReadTimeout = 3,  // the monitor did not answer in time ("C")
    typeTaskStarted = 5,
    typeTaskStopped = 6,
    typeRestart = 7,    // the monitor started its measurement again ("P")
    typeStatus = 8,     // the monitor's message ("W")
    typeNoReading = 9,  // value: the filter without a reading ("B")
    typeFault = 10,     // value: the faulty filter ("F")
  };

  COEvent() = default;
  COEvent(int type, std::string text, float value) : m_text(std::move(text)), m_type(type), m_value(value) {}

  void SetText(const std::string& text) { m_text = text; }
  // Trims the stored text, so later readers see it trimmed as well.
  std::string GetText() const;
  void SetType(int type) { m_type = type; }
  int GetType() const { return m_type; }
  void SetValue(float value) { m_value = value; }
  float GetValue() const { return m_value; }
  void SetIntValue(int value) { m_value = static_cast<float>(value); }
  int GetIntValue() const { return static_cast<int>(m_value); }

  platform::COLORREF GetColor() const;

 private:
  mutable std::string m_text;
  int m_type = 0;
  float m_value = 0.0f;
};
