#include "CommKovo.h"

#include <string>

#include "COAirPressure.h"
#include "COMeas.h"
#include "Exceptions.h"
#include "InstrumentInfo.h"
#include "MonitorScans.h"
#include "Rs232Trace.h"
#include "StringMatcher.h"

namespace {

const char kTerminator[] = "\r\n\n";

// Set-up numbers go out with one decimal, calibration values in the exponent
// form.
PrintFloat Decimal(float value) { return PrintFloat(value, 1); }
PrintCalibval Exponent(MeasValue value) { return PrintCalibval(value, 0); }

// "F_C,2": a filter and the number of one of its banks.
PrintColl FilterAndBank(FilterPos filter, BankNo bank) {
  PrintColl items;
  items.Add(PrintStr(filter.GetText())).Add(PrintChar(',')).Add(PrintInt(bank.GetNumber()));
  return items;
}

// The monitor's keyword for each unit kind of the suite.
const char* const kLengthKeywords[] = {"U_METER", "U_FEET"};
const char* const kHumiKeywords[] = {"U_MG_M3", "U_MG_M3", "U_MG_M3", "U_PPM", "U_PPM", "U_PPM", "U_TDEW", "U_kPa"};
const char* const kPressureKeywords[] = {"U_MBAR", "U_MMHG", "U_kPa", "U_MBAR"};
const char* const kTempKeywords[] = {"U_KE", "U_CE", "U_FA"};
const char* const kConcKeywords[] = {"U_MG_M3", "U_MG_M3", "U_MG_M3", "U_PPM", "U_PPM", "U_PPM"};

template <size_t N>
const char* KeywordOf(const char* const (&keywords)[N], int kind) {
  return kind >= 0 && static_cast<size_t>(kind) < N ? keywords[kind] : nullptr;
}

}  // namespace

CommKovo::CommKovo(TransConn* conn, const InstrumentInfo& instrument)
    : m_instrument(instrument), m_conn(conn), m_src(conn), m_sink(conn) {}

void CommKovo::open() { m_conn->Open(); }

void CommKovo::close() { m_conn->Close(); }

void CommKovo::sendCommand(const Prints& request) {
  if (m_stale) {
    // What a failed reply left behind must not become the next reply's start.
    m_stale = false;
    m_src.Discard();
  }
  request.Print(m_sink);
  m_sink.Put('\n');
  m_sink.Flush();
}

void CommKovo::Query(const Prints& request, const Scans& reply) {
  sendCommand(request);
  try {
    reply.Scan(m_src);
    ScanFixStr(kTerminator).Scan(m_src);
  } catch (...) {
    m_stale = true;
    throw;
  }
}

void CommKovo::resync() {
  const std::string expected = "Q&T " + m_instrument.GetType() + kTerminator;
  sendCommand(PrintStr("\nID?\n"));
  StringMatcher matcher(expected.c_str());
  try {
    // A monitor that talks without ever naming itself must not hold the
    // worker for ever.
    for (unsigned n = 0; !matcher.IsFound(); ++n) {
      if (n == kResyncLimit) throw CommException(CommException::read);
      matcher.Feed(m_src.Peek());
      m_src.Advance();
    }
  } catch (...) {
    m_stale = true;
    throw;
  }
}

void CommKovo::sendEnabled(const char* enable, const Prints& request) {
  sendCommand(PrintStr(enable));
  sendCommand(request);
}

// --- identity and device ---

void CommKovo::getIdentity(ChBuf& model, ChBuf& serial, ChBuf& version) {
  Query(PrintStr("*IDN?"), ScanColl()
                               .Add(ScanFixStr("Q&T,"))
                               // The Kovo gives a model number, the leak detector its type.
                               .Add(ScanDelStr(model, ",\r\n"))
                               .Add(ScanChar(','))
                               .Add(ScanDelStr(serial, ","))
                               .Add(ScanFixStr(",VP"))
                               .Add(ScanCharSet(version, "0123456789x")));
}

void CommKovo::getExtStatus(int32_t& status) { Query(PrintStr("EX_S?"), ScanInt(status)); }

void CommKovo::setKeyLock(bool on) { sendCommand(PrintColl().Add(PrintStr("K_L ")).Add(PrintYN(on))); }

void CommKovo::getAM(bool& flag) { Query(PrintStr("A_M?"), ScanYN(flag)); }

void CommKovo::sendAM() { sendCommand(PrintStr("A_M")); }

void CommKovo::getPUDB(ChBuf& text) {
  Query(PrintStr("P_U_D_B?"), ScanColl().Add(ScanChar('"')).Add(ScanDelStr(text, "\"")).Add(ScanChar('"')));
}

void CommKovo::getServiceRequest(int32_t n, int32_t& value) {
  Query(PrintColl().Add(PrintStr("CO_SRQ? ")).Add(PrintInt(n)), ScanInt(value));
}

void CommKovo::getServiceRequestMem(int32_t n, int32_t& value) {
  Query(PrintColl().Add(PrintStr("CO_SRQ? ")).Add(PrintInt(n)).Add(PrintStr(",MEM")), ScanInt(value));
}

void CommKovo::setServiceRequest(int32_t n, int32_t m) {
  sendCommand(PrintColl().Add(PrintStr("CO_SRQ ")).Add(PrintInt(n)).Add(PrintChar(',')).Add(PrintInt(m)));
}

// --- measurement control and samples ---

void CommKovo::startMeasurement() { sendCommand(PrintStr("STA_M")); }

void CommKovo::stopMeasurement() { sendCommand(PrintStr("STOP_M")); }

void CommKovo::getSample(COMeas& meas, const platform::CTime& reference, bool statusFlag) {
  Query(PrintStr("O_SP_C? SA_DA,AL"), ScanMonMeas(meas, reference, statusFlag, m_messageText, m_conn->Events()));
  if (m_instrument.isTebb()) {
    COAirPressure pressure;
    getAirPressure(pressure);
    getPressureUnit(pressure);
    meas.SetPressure(pressure.GetValue(COPresUnit(COPresUnit::hpa)));
  }
}

void CommKovo::getAirPressure(COAirPressure& pressure) { Query(PrintStr("M_A_P?"), ScanPressure(pressure)); }

void CommKovo::getPressureUnit(COAirPressure& pressure) {
  Query(PrintStr("SE? PR_U"), ScanPressureUnit(pressure));
}

void CommKovo::getFilterMeasValue(int32_t n, MeasValue& value) {
  Query(PrintColl().Add(PrintStr("F_M? ")).Add(PrintInt(n)), ScanColl().Add(ScanFixStr("  ")).Add(ScanMeasVal(value)));
}

void CommKovo::alarmStart() { sendCommand(PrintStr("A_STA")); }

void CommKovo::alarmStop() { sendCommand(PrintStr("A_STO")); }

void CommKovo::setRelay(int32_t relay, bool on) {
  sendEnabled("E_C 26", PrintColl().Add(PrintStr("R ")).Add(PrintInt(relay)).Add(PrintChar(',')).Add(PrintYN(on)));
}

void CommKovo::setRelays(bool on) { sendEnabled("E_C 26", PrintColl().Add(PrintStr("R ")).Add(PrintYN(on))); }

// --- set-up ---

void CommKovo::setActiveBank(FilterPos filter, BankNo bank) {
  sendCommand(PrintColl().Add(PrintStr("SE B,")).Add(FilterAndBank(filter, bank)));
}

void CommKovo::setAirPressure(float pressure) {
  sendCommand(PrintColl().Add(PrintStr("SE A_P,")).Add(Decimal(pressure)));
}

void CommKovo::setCrossCompensation(bool on) { sendCommand(PrintColl().Add(PrintStr("SE C_C,")).Add(PrintYN(on))); }

void CommKovo::setWaterCompensation(bool on) { sendCommand(PrintColl().Add(PrintStr("SE W_C,")).Add(PrintYN(on))); }

void CommKovo::setSampleContinuously(bool on) {
  sendCommand(PrintColl().Add(PrintStr("SE C_S,")).Add(PrintYN(on)));
}

void CommKovo::setSampleInterval(int16_t minutes) {
  sendCommand(PrintColl().Add(PrintStr("SE S_I,")).Add(PrintTime(minutes)));
}

void CommKovo::setSampleIntegrationTime(FilterPos filter, float seconds) {
  sendCommand(PrintColl()
                  .Add(PrintStr("SE S_I_T,"))
                  .Add(PrintStr(filter.GetText()))
                  .Add(PrintChar(','))
                  .Add(Decimal(seconds)));
}

void CommKovo::setUseFilter(FilterPos filter, bool on) {
  sendCommand(
      PrintColl().Add(PrintStr("SE US_F,")).Add(PrintStr(filter.GetText())).Add(PrintChar(',')).Add(PrintYN(on)));
}

void CommKovo::sendUnit(const char* command, const char* keyword) {
  if (!keyword) {
    Rs232DebugLog(m_conn->Trace(), std::string("CommKovo: no monitor keyword for this unit; ") + command + " not sent\n");
    return;
  }
  sendCommand(PrintColl().Add(PrintStr(command)).Add(PrintStr(keyword)));
}

void CommKovo::setLengthUnit(COLengUnit unit) { sendUnit("SE L_U,", KeywordOf(kLengthKeywords, unit.GetUnit())); }

void CommKovo::setHumiUnit(COHumiUnit unit) { sendUnit("SE H_U,", KeywordOf(kHumiKeywords, unit.GetUnit())); }

void CommKovo::setPressureUnit(COPresUnit unit) { sendUnit("SE PR_U,", KeywordOf(kPressureKeywords, unit.GetUnit())); }

void CommKovo::setTempUnit(COTempUnit unit) { sendUnit("SE T_U,", KeywordOf(kTempKeywords, unit.GetUnit())); }

void CommKovo::setConcUnit(COConcUnit unit) { sendUnit("SE C_U,", KeywordOf(kConcKeywords, unit.GetUnit())); }

void CommKovo::setNormTemperature(float temperature) {
  sendCommand(PrintColl().Add(PrintStr("SE N_T,")).Add(Decimal(temperature)));
}

void CommKovo::setClockNotBefore(CalibTime notBefore) {
  const platform::CTime now = platform::CTime::GetCurrentTime();
  setClock(notBefore.IsValid() && notBefore.GetTime() > now ? notBefore.GetTime() : now);
}

void CommKovo::setClock(const platform::CTime& now) {
  // A minute ahead, so the monitor's clock is not behind by the time it
  // takes the lines.
  const platform::CTime at = now + platform::CTimeSpan(60);
  const std::string time = at.Format("\"%H:%M\"");
  const std::string date = at.Format("\"%Y-%m-%d\"");
  sendCommand(PrintColl().Add(PrintStr("SE CL,")).Add(PrintStr(time.c_str())));
  sendCommand(PrintColl().Add(PrintStr("SE DA,")).Add(PrintStr(date.c_str())));
}

void CommKovo::setFixedTime(bool on) { sendCommand(PrintColl().Add(PrintStr("SE F_T_F,")).Add(PrintYN(on))); }

void CommKovo::setTubeLength(float length) {
  sendCommand(PrintColl().Add(PrintStr("SE T_L,")).Add(Decimal(length)));
}

void CommKovo::setChamberFlushTime(int32_t seconds) {
  sendCommand(PrintColl().Add(PrintStr("SE C_F_T,")).Add(PrintInt(seconds)));
}

void CommKovo::setTubeFlushTime(int32_t seconds) {
  sendCommand(PrintColl().Add(PrintStr("SE T_F_T,")).Add(PrintInt(seconds)));
}

void CommKovo::setDA(bool on) { sendCommand(PrintColl().Add(PrintStr("D_A,")).Add(PrintYN(on))); }

void CommKovo::setAverageTime(int32_t minutes) {
  sendCommand(PrintColl().Add(PrintStr("SE A_T,")).Add(PrintTime(minutes)));
}

void CommKovo::setMM(bool on) { sendCommand(PrintColl().Add(PrintStr("SE M_M,")).Add(PrintYN(on))); }

void CommKovo::getUANumber(FilterPos filter, ChBuf& number) {
  Query(PrintColl().Add(PrintStr("SE? UA_N,")).Add(PrintStr(filter.GetText())),
        ScanCharSet(number, "0123456789_"));
}

// --- alarm limits ---

void CommKovo::sendAlarmLimit(const Prints& target, MeasValue value, bool second) {
  PrintColl request;
  request.Add(PrintStr("C_P ")).Add(target).Add(PrintStr(",A_L,")).Add(Exponent(value));
  if (second) request.Add(PrintStr(",2"));
  sendEnabled("E_C 83", request);
}

void CommKovo::setAlarmLimit1(FilterPos filter, BankNo bank, MeasValue value) {
  sendAlarmLimit(FilterAndBank(filter, bank), value, false);
}

void CommKovo::setAlarmLimit2(FilterPos filter, BankNo bank, MeasValue value) {
  sendAlarmLimit(FilterAndBank(filter, bank), value, true);
}

void CommKovo::setWaterAlarmLimit1(MeasValue value) { sendAlarmLimit(PrintStr("F_W"), value, false); }

void CommKovo::setWaterAlarmLimit2(MeasValue value) { sendAlarmLimit(PrintStr("F_W"), value, true); }

// --- calibration parameters ---

void CommKovo::queryBank(FilterPos filter, BankNo bank, const char* keyword, const Scans& reply) {
  Query(PrintColl().Add(PrintStr("C_P? ")).Add(FilterAndBank(filter, bank)).Add(PrintChar(',')).Add(PrintStr(keyword)),
        reply);
}

void CommKovo::queryWater(const char* keyword, const Scans& reply) {
  Query(PrintColl().Add(PrintStr("C_P? F_W,")).Add(PrintStr(keyword)), reply);
}

namespace {
ScanColl Quoted(const Scans& inner) { return ScanColl().Add(ScanChar('"')).Add(inner).Add(ScanChar('"')); }
}  // namespace

void CommKovo::getCalibParmText(FilterPos filter, BankNo bank, ChBuf& text) {
  queryBank(filter, bank, "G_N", Quoted(ScanDelStr(text, "\"")));
}

void CommKovo::getCalibParmValue(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "G_W", ScanCalibParm(value));
}

void CommKovo::getOffsetFactor(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_OF_F", ScanCalibParm(value));
}

void CommKovo::getWaterOffsetFactor(MeasValue& value) { queryWater("C_OF_F", ScanCalibParm(value)); }

void CommKovo::getHumFactor(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_HU_F", ScanCalibParm(value));
}

void CommKovo::getConcType(FilterPos filter, BankNo bank, bool& twoPoint) {
  queryBank(filter, bank, "C_CO_T", ScanYN(twoPoint));
}

void CommKovo::getConcFactor1(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_CO_F_1", ScanCalibParm(value));
}

void CommKovo::getConcLow(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_CO_C_L", ScanCalibParm(value));
}

void CommKovo::getConcHigh(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_CO_C_H", ScanCalibParm(value));
}

void CommKovo::getWaterConcFactor1(MeasValue& value) { queryWater("C_CO_F_1", ScanCalibParm(value)); }

void CommKovo::getConcFactor2(FilterPos filter, BankNo bank, MeasValue& value) {
  queryBank(filter, bank, "C_CO_F_2", ScanCalibParm(value));
}

void CommKovo::getCross(FilterPos filter, BankNo bank, FilterPos other, MeasValue& value) {
  const std::string keyword = std::string("C_CR_") + other.GetText();
  queryBank(filter, bank, keyword.c_str(), ScanCalibParm(value));
}

void CommKovo::getOffsetDate(FilterPos filter, BankNo bank, CalibTime& date) {
  queryBank(filter, bank, "C_OF_D", Quoted(ScanDate(date)));
}

void CommKovo::getHumDate(FilterPos filter, BankNo bank, CalibTime& date) {
  queryBank(filter, bank, "C_HU_D", Quoted(ScanDate(date)));
}

void CommKovo::getConcDate(FilterPos filter, BankNo bank, CalibTime& date) {
  queryBank(filter, bank, "C_CO_D", Quoted(ScanDate(date)));
}

void CommKovo::getCrossDate(FilterPos filter, BankNo bank, CalibTime& date) {
  queryBank(filter, bank, "C_CR_D", Quoted(ScanDate(date)));
}

void CommKovo::getWaterOffsetDate(CalibTime& date) { queryWater("C_OF_D", Quoted(ScanDate(date))); }

void CommKovo::getWaterConcDate(CalibTime& date) { queryWater("C_CO_D", Quoted(ScanDate(date))); }
