#pragma once
// The one place where measured numbers become text, so that a value reads the
// same in every window, print-out and event.
#include <string>

class CStringEx {
 public:
  CStringEx() = default;
  explicit CStringEx(unsigned stringId);  // the text of a string-table entry
  CStringEx(const CStringEx&) = default;
  CStringEx& operator=(const CStringEx&) = default;
  ~CStringEx() = default;

  // Each formatter replaces the whole text. Values above 1e33 read "n/a".
  virtual void NumFormat(double value);   // "%1.3e" from 1000 or below 0.001, else "%.3f"
  virtual void NumFormat2(double value);  // as NumFormat with the bound 10000
  virtual void CaliFormat(double value);  // "%1.5e" / "%.5f"
  virtual void StatFormat(double value);  // as NumFormat
  virtual void TempFormat(float value);   // "%.1f", no absent-value test
  virtual void AxisFormat(double value, double step);
  void Round(double value, int decimals);

  const std::string& GetString() const { return m_string; }
  operator const std::string&() const { return m_string; }
  const char* c_str() const { return m_string.c_str(); }

  std::string m_string;

 private:
  void Choose(double value, double bound, const char* expFormat, const char* fixedFormat);
  // The exponent always gets a sign and at least two digits.
  virtual void ConvertExp();
};
