#pragma once
// The monitor's command set: one operation per monitor command. A request is
// one line of formatter items ended by a line feed; a query's reply is its
// fields followed by "\r\n\n". Every failure is an exception of the link or
// of the parsers.
#include <cstdint>

#include "COUnits.h"
#include "ChBuf.h"
#include "CommTypes.h"
#include "MeasValue.h"
#include "Prints.h"
#include "Scans.h"
#include "TransConn.h"
#include "core/Time.h"

class COAirPressure;
class COMeas;
class InstrumentInfo;

class CommKovo {
 public:
  // The instrument's identity chooses the identity line of a resync and
  // whether a sample carries the air pressure; it is read at each use.
  CommKovo(TransConn* conn, const InstrumentInfo& instrument);

  void open();
  void close();
  // Sends the request and a line feed; reads nothing.
  void sendCommand(const Prints& request);
  // Sends the request, parses the reply and its terminator.
  void Query(const Prints& request, const Scans& reply);
  // Finds the monitor's output again after a failed exchange: asks for the
  // short identity and drops everything before it.
  void resync();

  // Identity and device.
  void getIdentity(ChBuf& model, ChBuf& serial, ChBuf& version);
  void getExtStatus(int32_t& status);
  void setKeyLock(bool on);
  void getAM(bool& flag);
  void sendAM();
  void getPUDB(ChBuf& text);
  void getServiceRequest(int32_t n, int32_t& value);
  void getServiceRequestMem(int32_t n, int32_t& value);
  void setServiceRequest(int32_t n, int32_t m);

  // Measurement control and samples.
  void startMeasurement();
  void stopMeasurement();
  // The monitor's message text, read from its "P_U_D_B?" reply before a
  // sample; the sample's status events carry it.
  FixChBuf<200>& MessageText() { return m_messageText; }
  void getSample(COMeas& meas, const platform::CTime& reference, bool statusFlag);
  void getAirPressure(COAirPressure& pressure);
  void getPressureUnit(COAirPressure& pressure);
  void getFilterMeasValue(int32_t n, MeasValue& value);
  void alarmStart();
  void alarmStop();
  void setRelay(int32_t relay, bool on);
  void setRelays(bool on);

  // Set-up.
  void setActiveBank(FilterPos filter, BankNo bank);
  void setAirPressure(float pressure);
  void setCrossCompensation(bool on);
  void setWaterCompensation(bool on);
  void setSampleContinuously(bool on);
  void setSampleInterval(int16_t minutes);
  void setSampleIntegrationTime(FilterPos filter, float seconds);
  void setUseFilter(FilterPos filter, bool on);
  // A unit the monitor has no keyword for is not sent; the trace says so.
  void setLengthUnit(COLengUnit unit);
  void setHumiUnit(COHumiUnit unit);
  void setPressureUnit(COPresUnit unit);
  void setTempUnit(COTempUnit unit);
  void setConcUnit(COConcUnit unit);
  void setNormTemperature(float temperature);
  // The clock a minute ahead of now, time and date from the same instant.
  void setClock(const platform::CTime& now);
  // setClock from the PC's clock, or from notBefore when it is later (a
  // timer that waited for it may fire early); an invalid notBefore: now.
  void setClockNotBefore(CalibTime notBefore);
  void setFixedTime(bool on);
  void setTubeLength(float length);
  void setChamberFlushTime(int32_t seconds);
  void setTubeFlushTime(int32_t seconds);
  void setDA(bool on);
  void setAverageTime(int32_t minutes);
  void setMM(bool on);
  void getUANumber(FilterPos filter, ChBuf& number);

  // Alarm limits, each enabled by "E_C 83" first.
  void setAlarmLimit1(FilterPos filter, BankNo bank, MeasValue value);
  void setAlarmLimit2(FilterPos filter, BankNo bank, MeasValue value);
  void setWaterAlarmLimit1(MeasValue value);
  void setWaterAlarmLimit2(MeasValue value);

  // Calibration parameters of a bank, and of the water-vapour filter.
  void getCalibParmText(FilterPos filter, BankNo bank, ChBuf& text);
  void getCalibParmValue(FilterPos filter, BankNo bank, MeasValue& value);
  void getOffsetFactor(FilterPos filter, BankNo bank, MeasValue& value);
  void getWaterOffsetFactor(MeasValue& value);
  void getHumFactor(FilterPos filter, BankNo bank, MeasValue& value);
  void getConcType(FilterPos filter, BankNo bank, bool& twoPoint);
  void getConcFactor1(FilterPos filter, BankNo bank, MeasValue& value);
  void getConcLow(FilterPos filter, BankNo bank, MeasValue& value);
  void getConcHigh(FilterPos filter, BankNo bank, MeasValue& value);
  void getWaterConcFactor1(MeasValue& value);
  void getConcFactor2(FilterPos filter, BankNo bank, MeasValue& value);
  void getCross(FilterPos filter, BankNo bank, FilterPos other, MeasValue& value);
  void getOffsetDate(FilterPos filter, BankNo bank, CalibTime& date);
  void getHumDate(FilterPos filter, BankNo bank, CalibTime& date);
  void getConcDate(FilterPos filter, BankNo bank, CalibTime& date);
  void getCrossDate(FilterPos filter, BankNo bank, CalibTime& date);
  void getWaterOffsetDate(CalibTime& date);
  void getWaterConcDate(CalibTime& date);

  TransConn* GetConnection() const { return m_conn; }
  DataSrcTC& GetSource() { return m_src; }
  // The longest run of characters resync reads before it gives up.
  static constexpr unsigned kResyncLimit = 16384;

 private:
  void sendEnabled(const char* enable, const Prints& request);
  // "C_P <target>,A_L,<value>", ",2" behind it for the second limit.
  void sendAlarmLimit(const Prints& target, MeasValue value, bool second);
  // "C_P? F,b,<keyword>" and its reply.
  void queryBank(FilterPos filter, BankNo bank, const char* keyword, const Scans& reply);
  void queryWater(const char* keyword, const Scans& reply);
  void sendUnit(const char* command, const char* keyword);

  const InstrumentInfo& m_instrument;
  FixChBuf<200> m_messageText;
  TransConn* m_conn;
  DataSrcTC m_src;
  DataSinkTC m_sink;
  bool m_stale = false;  // a failed reply may have left characters behind
};
