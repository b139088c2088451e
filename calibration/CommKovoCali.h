#pragma once
// The Calibration program's commands of the monitor: the writes of a bank's
// calibration parameters (each after its own "E_C 83"), the start of a
// calibration measurement and the read-out of one calibration reading, over
// the device's command set. Every failure is an exception of the link or of
// the parsers.
#include <string>

#include "ChBuf.h"
#include "CommTypes.h"
#include "MeasValue.h"

class COMeas;
class CommKovo;
class InstrumentInfo;

// A gas name the monitor can take between double quotes: no double quote and
// no control character.
bool IsValidGasName(const std::string& name);

class CommKovoCali {
 public:
  CommKovoCali(CommKovo& comm, const InstrumentInfo& instrument) : m_comm(comm), m_instrument(instrument) {}

  // A name IsValidGasName refuses never reaches the line: a write error.
  void setGasName(FilterPos filter, BankNo bank, const FixChBuf<30>& name);
  void setMW(FilterPos filter, BankNo bank, MeasValue value);
  void setOffsetFactor(FilterPos filter, BankNo bank, MeasValue value);
  void setOffsetVoltage(FilterPos filter, BankNo bank, MeasValue value);
  void setOffsetDate(FilterPos filter, BankNo bank, CalibTime date);
  void setHumFactor(FilterPos filter, BankNo bank, MeasValue value);
  void setHumVoltage(FilterPos filter, BankNo bank, MeasValue value);
  void setHumDate(FilterPos filter, BankNo bank, CalibTime date);
  void setConcType(FilterPos filter, BankNo bank, bool twoPoint);
  void setConcFactor1(FilterPos filter, BankNo bank, MeasValue value);
  void setConcFactor2(FilterPos filter, BankNo bank, MeasValue value);
  void setConcLow(FilterPos filter, BankNo bank, MeasValue value);
  void setConcHigh(FilterPos filter, BankNo bank, MeasValue value);
  // The gas concentration unit kind of the system set-up (COConcUnit).
  void setConcLowUnit(FilterPos filter, BankNo bank, int unit);
  void setConcHighUnit(FilterPos filter, BankNo bank, int unit);
  void setConcVoltLow(FilterPos filter, BankNo bank, MeasValue value);
  void setConcVoltHigh(FilterPos filter, BankNo bank, MeasValue value);
  void setConcDate(FilterPos filter, BankNo bank, CalibTime date);
  void setCross(FilterPos filter, BankNo bank, FilterPos other, MeasValue value);
  void setCrossDate(FilterPos filter, BankNo bank, CalibTime date);
  void setWaterOffsetFactor(MeasValue value);
  void setWaterOffsetDate(CalibTime date);
  void setWaterConcFactor1(MeasValue value);
  void setWaterConcDate(CalibTime date);

  void startCalibMeasurement();
  // The reading into meas; with the leak detector also its air pressure.
  void getCalibReading(COMeas& meas);

  CommKovo& Comm() { return m_comm; }

 private:
  // "E_C 83", then "C_P <filter>,<bank>,<keyword>,<value>".
  void writeBank(FilterPos filter, BankNo bank, const std::string& keyword, const std::string& value);
  void writeWater(const std::string& keyword, const std::string& value);

  CommKovo& m_comm;
  const InstrumentInfo& m_instrument;
};
