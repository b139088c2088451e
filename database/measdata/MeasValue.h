#pragma once
// One measured value as the monitor and the databases hold it: a 32-bit float
// with one value set aside to mean "nothing measured".

class MeasValue {
 public:
  static constexpr float kNoValue = 3.4e38f;

  MeasValue() = default;
  MeasValue(float value) : m_value(value) {}  // NOLINT: a value is a float
  MeasValue& operator=(float value) {
    m_value = value;
    return *this;
  }

  bool IsValid() const { return m_value != kNoValue; }
  float GetValue() const { return m_value; }
  operator float() const { return m_value; }
  void SetNoValue() { m_value = kNoValue; }

 private:
  float m_value = kNoValue;
};
