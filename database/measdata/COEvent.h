#pragma once
// One event of a measurement: a comment, an alarm, the start or stop of a
// task, or one of the monitor's own markers.
#include <string>

#include "core/Geometry.h"

class COEvent {
 public:
  // Types the suite writes itself; the monitor's markers use others.
  enum { typeComment = 0, typeAlarm = 2, typeTaskStarted = 5, typeTaskStopped = 6 };

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
