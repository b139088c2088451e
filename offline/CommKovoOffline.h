#pragma once
// The Offline program's commands of the monitor: the "O_M?" queries of the
// set-up the monitor measured with and of its stored records, the unit
// read-backs and the leak detector's alarm-limit reads, each over the
// device's command set. Every failure is an exception of the link or of the
// parsers.
#include <cstdint>
#include <vector>

#include "ChBuf.h"
#include "COMeas.h"
#include "CommTypes.h"
#include "FilterData.h"
#include "MeasValue.h"
#include "core/Time.h"

class CommKovo;
class InstrumentInfo;
class ServiceOfflineMeas;

class CommKovoOffline {
 public:
  // The instrument's identity says whether records carry the air pressure.
  CommKovoOffline(CommKovo& comm, const InstrumentInfo& instrument) : m_comm(comm), m_instrument(instrument) {}

  void getMemWaterCompensation(uint8_t& on);
  void getMemCrossCompensation(uint8_t& on);
  // Stored with the sense of "not continuously", as the set-up keeps it.
  void getMemSampleContinuously(uint8_t& notContinuous);
  // "hh:mm" as hh * 60 + mm.
  void getMemSampleInterval(int32_t& interval);
  void getMemUseFilter(FilterPos filter, uint8_t& used);
  // The bank index 0 to 4; a bank number outside 1 to 5 is a read error.
  void getMemActiveBank(FilterPos filter, int32_t& bank);
  void getMemGasName(FilterPos filter, ChBuf& name);
  void getMemTubeLength(float& length);
  void getMemAirPressure(float& pressure);
  void getMemNormTemperature(float& temperature);
  // The start and stop of the recorded sequence.
  void getMemPeriod(CalibTime& start, CalibTime& stop);
  // A count above kMaxStoredRecords is a read error.
  void getMemCount(int32_t& count);
  void getMemAlarmLimit(FilterPos filter, MeasValue& limit);
  void getAlarmLimit1(FilterPos filter, MeasValue& limit);
  void getAlarmLimit2(FilterPos filter, MeasValue& limit);
  // Flushing by fixed times: the set-up's further mode flag.
  void getMemFixedTime(uint8_t& on);
  void getMemChamberFlushTime(int32_t& seconds);
  void getMemTubeFlushTime(int32_t& seconds);
  // No value reads as 0.
  void getMemIntegrationTime(FilterPos filter, float& seconds);
  void getHumiUnit(int32_t& kind);
  void getConcUnit(int32_t& kind);
  // Records first to last, appended to the result and dated on from the
  // running previous time. A failure appends nothing.
  void getMemRecords(int32_t first, int32_t last, std::vector<COMeas>& result, platform::CTime& previous);

  CommKovo& Comm() { return m_comm; }

 private:
  void queryFlag(const char* request, uint8_t& target);
  void queryFilterFlag(const char* request, FilterPos filter, uint8_t& target);

  CommKovo& m_comm;
  const InstrumentInfo& m_instrument;
};

// The composite steps of the offline services.
class CommKovoHelperOffline {
 public:
  explicit CommKovoHelperOffline(CommKovoOffline& commands) : m_commands(commands) {}
  // The filter's active bank, then that bank's gas name.
  void readFilterBank(FilterPos filter, FilterInfo& info);
  // One block of records into the service's results; nothing of a block
  // that fails.
  void readRecordBlock(int32_t first, int32_t last, ServiceOfflineMeas* service);
  // The concentration and humidity units the service found before it
  // switched them.
  void restoreUnits(ServiceOfflineMeas* service);

 private:
  CommKovoOffline& m_commands;
};
