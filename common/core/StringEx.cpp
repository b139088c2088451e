#include "StringEx.h"

#include <cmath>

#include "core/StringTable.h"
#include "core/Text.h"

using platform::Format;

CStringEx::CStringEx(unsigned stringId) : m_string(platform::LoadString(stringId)) {}

void CStringEx::Choose(double value, double bound, const char* expFormat, const char* fixedFormat) {
  if (value > 1e33) {
    m_string = "n/a";
    return;
  }
  bool exponent = value != 0.0 && (value >= bound || value <= -bound || (value > -0.001 && value < 0.001));
  if (exponent) {
    m_string = Format(expFormat, value);
    ConvertExp();
  } else {
    m_string = Format(fixedFormat, value);
  }
}

void CStringEx::NumFormat(double value) { Choose(value, 1000, "%1.3e", "%.3f"); }
void CStringEx::NumFormat2(double value) { Choose(value, 10000, "%1.3e", "%.3f"); }
void CStringEx::CaliFormat(double value) { Choose(value, 1000, "%1.5e", "%.5f"); }
void CStringEx::StatFormat(double value) { Choose(value, 1000, "%1.3e", "%.3f"); }

void CStringEx::TempFormat(float value) { m_string = Format("%.1f", static_cast<double>(value)); }

void CStringEx::AxisFormat(double value, double step) {
  int n = -1;
  do {
    step = (step - std::floor(step + 0.4)) * 10;
    ++n;
  } while (step > 0.00001 && step < 100000 && n < 6);
  if (value > 1e6 || value < -1e6) {
    m_string = Format("%.3e", value);
    ConvertExp();
    return;
  }
  m_string = Format(Format("%%.%df", n).c_str(), value);
}

void CStringEx::Round(double value, int decimals) {
  m_string = Format(Format("%%.%if", decimals).c_str(), value);
}

void CStringEx::ConvertExp() { m_string = platform::RewriteExponent(m_string, 2); }
