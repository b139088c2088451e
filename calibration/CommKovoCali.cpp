#include "CommKovoCali.h"

#include "COAirPressure.h"
#include "COMeas.h"
#include "COUnits.h"
#include "CaliScans.h"
#include "CommKovo.h"
#include "Exceptions.h"
#include "InstrumentInfo.h"
#include "Prints.h"
#include "TransConn.h"

namespace {

// Writes take their value as text: the items print it as the monitor reads it.
class TextSink : public DataSink {
 public:
  void Put(char c) override { m_text += c; }
  void Flush() override {}
  std::string m_text;
};

std::string Printed(const Prints& item) {
  TextSink sink;
  item.Print(sink);
  return sink.m_text;
}

std::string Value(MeasValue value, int precision = 0) { return Printed(PrintCalibval(value, precision)); }

std::string Date(const CalibTime& date) {
  return "\"" + (date.IsValid() ? date.GetTime().Format("%Y-%m-%d") : std::string("__________")) + "\"";
}

const char* ConcUnitKeyword(int unit) { return unit >= COConcUnit::volpercent ? "U_PPM" : "U_MG_M3"; }

}  // namespace

bool IsValidGasName(const std::string& name) {
  for (unsigned char c : name) {
    if (c == '"' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

void CommKovoCali::writeBank(FilterPos filter, BankNo bank, const std::string& keyword, const std::string& value) {
  // A bank the monitor has no number for must not land in another.
  if (!filter.IsValid() || filter == FilterPos::W || bank < 0 || bank > 4) throw CommException(CommException::write);
  const std::string line = std::string("C_P ") + filter.GetText() + "," + std::to_string(bank.GetNumber()) + "," +
                           keyword + "," + value;
  m_comm.sendCommand(PrintStr("E_C 83"));
  m_comm.sendCommand(PrintStr(line.c_str()));
}

void CommKovoCali::writeWater(const std::string& keyword, const std::string& value) {
  const std::string line = "C_P F_W," + keyword + "," + value;
  m_comm.sendCommand(PrintStr("E_C 83"));
  m_comm.sendCommand(PrintStr(line.c_str()));
}

void CommKovoCali::setGasName(FilterPos filter, BankNo bank, const FixChBuf<30>& name) {
  const std::string text = name.ToString();
  if (!IsValidGasName(text)) throw CommException(CommException::write);
  writeBank(filter, bank, "G_N", "\"" + text + "\"");
}

void CommKovoCali::setMW(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "G_W", Value(v, 2)); }
void CommKovoCali::setOffsetFactor(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_OF_F", Value(v)); }
void CommKovoCali::setOffsetVoltage(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_OF_V", Value(v)); }
void CommKovoCali::setOffsetDate(FilterPos f, BankNo b, CalibTime d) { writeBank(f, b, "C_OF_D", Date(d)); }
void CommKovoCali::setHumFactor(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_HU_F", Value(v)); }
void CommKovoCali::setHumVoltage(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_HU_V", Value(v)); }
void CommKovoCali::setHumDate(FilterPos f, BankNo b, CalibTime d) { writeBank(f, b, "C_HU_D", Date(d)); }
void CommKovoCali::setConcType(FilterPos f, BankNo b, bool twoPoint) { writeBank(f, b, "C_CO_T", twoPoint ? "Y" : "N"); }
void CommKovoCali::setConcFactor1(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_F_1", Value(v)); }
void CommKovoCali::setConcFactor2(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_F_2", Value(v)); }
void CommKovoCali::setConcLow(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_C_L", Value(v)); }
void CommKovoCali::setConcHigh(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_C_H", Value(v)); }
void CommKovoCali::setConcLowUnit(FilterPos f, BankNo b, int unit) {
  writeBank(f, b, "C_U,C_CO_C_L", ConcUnitKeyword(unit));
}
void CommKovoCali::setConcHighUnit(FilterPos f, BankNo b, int unit) {
  writeBank(f, b, "C_U,C_CO_C_H", ConcUnitKeyword(unit));
}
void CommKovoCali::setConcVoltLow(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_V_L", Value(v)); }
void CommKovoCali::setConcVoltHigh(FilterPos f, BankNo b, MeasValue v) { writeBank(f, b, "C_CO_V_H", Value(v)); }
void CommKovoCali::setConcDate(FilterPos f, BankNo b, CalibTime d) { writeBank(f, b, "C_CO_D", Date(d)); }
void CommKovoCali::setCross(FilterPos f, BankNo b, FilterPos other, MeasValue v) {
  writeBank(f, b, std::string("C_CR_") + other.GetText(), Value(v));
}
void CommKovoCali::setCrossDate(FilterPos f, BankNo b, CalibTime d) { writeBank(f, b, "C_CR_D", Date(d)); }
void CommKovoCali::setWaterOffsetFactor(MeasValue v) { writeWater("C_OF_F", Value(v)); }
void CommKovoCali::setWaterOffsetDate(CalibTime d) { writeWater("C_OF_D", Date(d)); }
void CommKovoCali::setWaterConcFactor1(MeasValue v) { writeWater("C_CO_F_1", Value(v)); }
void CommKovoCali::setWaterConcDate(CalibTime d) { writeWater("C_CO_D", Date(d)); }

void CommKovoCali::startCalibMeasurement() { m_comm.sendCommand(PrintStr("STA_C_M")); }

void CommKovoCali::getCalibReading(COMeas& meas) {
  m_comm.sendCommand(PrintStr("O_SP_C? Slut_Meas,AL"));
  try {
    ScanCalib(meas).Scan(m_comm.GetSource());
  } catch (...) {
    // The rest of a reading that failed must not become the next reply.
    m_comm.GetSource().Discard();
    throw;
  }
  if (m_instrument.isTebb()) {
    COAirPressure pressure;
    m_comm.getAirPressure(pressure);
    m_comm.getPressureUnit(pressure);
    meas.SetPressure(pressure.GetValue(COPresUnit(COPresUnit::hpa)));
  }
}
