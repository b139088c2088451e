#include "CaliScans.h"

#include "COUnits.h"
#include "TransConn.h"
#include "core/Time.h"

namespace {

COTempUnit UnitOf(char letter) {
  switch (letter) {
    case 'K': return COTempUnit(COTempUnit::kelvin);
    case 'F': return COTempUnit(COTempUnit::fahrenheit);
    default: return COTempUnit(COTempUnit::celsius);
  }
}

float ToCelsius(const MeasValue& value, char letter) {
  if (!value.IsValid()) return value;
  return UnitOf(letter).Convert(COTempUnit(COTempUnit::celsius), value);
}

}  // namespace

void ScanCalib::Scan(DataSrc& src) const {
  COMeas& meas = *m_target;
  for (int ch = 0; ch <= COMeas::chWater; ++ch) meas.SetValue(ch, MeasValue());

  SkipBlanks(src);
  const MeasValue temperature = ReadFloat(src);
  SkipBlanks(src);
  const char unit = AcceptChar(src, "CKF");
  meas.SetValue(COMeas::chTemperature, ToCelsius(temperature, unit));
  SkipBlanks(src);
  ReadFloat(src);
  SkipBlanks(src);
  AcceptChar(src, "CKF");
  ExpectString(src, " \r\n");
  SkipBlanks(src);

  while (src.Peek() != '\n') {
    const char letter = ReadChar(src);
    ExpectString(src, ": ");
    const MeasValue value = ReadFloat(src);
    ExpectChar(src, ' ');
    ReadFloat(src);
    ExpectString(src, "\r\n");
    SkipBlanks(src);
    if (letter == 'W') {
      meas.SetValue(COMeas::chWater, value);
    } else if (letter >= 'A' && letter <= 'E') {
      meas.SetValue(letter - 'A', value);
    } else {
      meas.SetValue(COMeas::chTemperature, ToCelsius(value, unit));
    }
  }
  meas.SetTime(platform::CTime::GetCurrentTime());
  ExpectChar(src, '\n');
}
