#include "CommKovoOffline.h"

#include <string>

#include "COAirPressure.h"
#include "CommKovo.h"
#include "Exceptions.h"
#include "InstrumentInfo.h"
#include "MonitorScans.h"
#include "OfflineScans.h"
#include "OfflineServices.h"
#include "Prints.h"
#include "Scans.h"

namespace {

[[noreturn]] void ReadError() { throw CommException(CommException::read); }

PrintColl WithFilter(const char* request, FilterPos filter) {
  PrintColl items;
  items.Add(PrintStr(request)).Add(PrintStr(filter.GetText()));
  return items;
}

}  // namespace

void CommKovoOffline::queryFlag(const char* request, uint8_t& target) {
  bool on = false;
  m_comm.Query(PrintStr(request), ScanYN(on));
  target = on ? 1 : 0;
}

void CommKovoOffline::queryFilterFlag(const char* request, FilterPos filter, uint8_t& target) {
  bool on = false;
  m_comm.Query(WithFilter(request, filter), ScanYN(on));
  target = on ? 1 : 0;
}

void CommKovoOffline::getMemWaterCompensation(uint8_t& on) { queryFlag("O_M? W_C", on); }

void CommKovoOffline::getMemCrossCompensation(uint8_t& on) { queryFlag("O_M? C_C", on); }

void CommKovoOffline::getMemSampleContinuously(uint8_t& notContinuous) {
  uint8_t continuous = 0;
  queryFlag("O_M? C_S", continuous);
  notContinuous = continuous ? 0 : 1;
}

void CommKovoOffline::getMemSampleInterval(int32_t& interval) {
  int32_t hours = 0, minutes = 0;
  m_comm.Query(PrintStr("O_M? S_I"),
               ScanColl().Add(ScanChar('"')).Add(ScanInt(hours)).Add(ScanChar(':')).Add(ScanInt(minutes)).Add(ScanChar('"')));
  interval = hours * 60 + minutes;
}

void CommKovoOffline::getMemUseFilter(FilterPos filter, uint8_t& used) { queryFilterFlag("O_M? US_F,", filter, used); }

void CommKovoOffline::getMemActiveBank(FilterPos filter, int32_t& bank) {
  int32_t number = 0;
  m_comm.Query(WithFilter("O_M? B,", filter), ScanInt(number));
  // The number indexes one of five bank records.
  if (number < 1 || number > 5) ReadError();
  bank = number - 1;
}

void CommKovoOffline::getMemGasName(FilterPos filter, ChBuf& name) {
  m_comm.Query(WithFilter("O_M? G_N,", filter),
               ScanColl().Add(ScanChar('"')).Add(ScanDelStr(name, "\"")).Add(ScanChar('"')));
}

void CommKovoOffline::getMemTubeLength(float& length) { m_comm.Query(PrintStr("O_M? T_L"), ScanFloat(length)); }

void CommKovoOffline::getMemAirPressure(float& pressure) { m_comm.Query(PrintStr("O_M? A_P"), ScanFloat(pressure)); }

void CommKovoOffline::getMemNormTemperature(float& temperature) {
  m_comm.Query(PrintStr("O_M? N_T"), ScanFloat(temperature));
}

void CommKovoOffline::getMemPeriod(CalibTime& start, CalibTime& stop) {
  m_comm.Query(PrintStr("O_M? DA"), ScanColl()
                                        .Add(ScanChar('"'))
                                        .Add(ScanDateTime(start))
                                        .Add(ScanChar(' '))
                                        .Add(ScanDateTime(stop))
                                        .Add(ScanChar('"')));
}

void CommKovoOffline::getMemCount(int32_t& count) {
  int32_t n = 0;
  m_comm.Query(PrintStr("O_M? MEM"), ScanColl().Add(ScanWS()).Add(ScanInt(n)));
  if (n > kMaxStoredRecords) ReadError();
  count = n;
}

void CommKovoOffline::getMemAlarmLimit(FilterPos filter, MeasValue& limit) {
  m_comm.Query(WithFilter("O_M? A_L,", filter), ScanCalibParm(limit));
}

void CommKovoOffline::getAlarmLimit1(FilterPos filter, MeasValue& limit) {
  m_comm.Query(WithFilter("SE? A_L,", filter).Add(PrintStr(",1")), ScanCalibParm(limit));
}

void CommKovoOffline::getAlarmLimit2(FilterPos filter, MeasValue& limit) {
  m_comm.Query(WithFilter("SE? A_L,", filter).Add(PrintStr(",2")), ScanCalibParm(limit));
}

void CommKovoOffline::getMemFixedTime(uint8_t& on) { queryFlag("O_M? F_T_F", on); }

void CommKovoOffline::getMemChamberFlushTime(int32_t& seconds) {
  m_comm.Query(PrintStr("O_M? C_F_T"), ScanColl().Add(ScanWS()).Add(ScanInt(seconds)));
}

void CommKovoOffline::getMemTubeFlushTime(int32_t& seconds) {
  m_comm.Query(PrintStr("O_M? T_F_T"), ScanColl().Add(ScanWS()).Add(ScanInt(seconds)));
}

void CommKovoOffline::getMemIntegrationTime(FilterPos filter, float& seconds) {
  MeasValue value;
  m_comm.Query(WithFilter("O_M? S_I_T,", filter), ScanCalibParm(value));
  seconds = value.IsValid() ? value.GetValue() : 0.0f;
}

void CommKovoOffline::getHumiUnit(int32_t& kind) {
  FixChBuf<80> keyword;
  m_comm.Query(PrintStr("SE? H_U"), ScanDelStr(keyword, "\n\r"));
  kind = HumiUnitFromKeyword(keyword.Buffer());
}

void CommKovoOffline::getConcUnit(int32_t& kind) {
  FixChBuf<80> keyword;
  m_comm.Query(PrintStr("SE? C_U"), ScanDelStr(keyword, "\n\r"));
  kind = ConcUnitFromKeyword(keyword.Buffer());
}

void CommKovoOffline::getMemRecords(int32_t first, int32_t last, std::vector<COMeas>& result, platform::CTime& previous) {
  COAirPressure pressure;
  m_comm.getPressureUnit(pressure);
  m_comm.sendCommand(PrintColl()
                         .Add(PrintStr("O_M? "))
                         .Add(PrintInt(first))
                         .Add(PrintChar(','))
                         .Add(PrintInt(last))
                         .Add(PrintStr(",US_M_A_P")));
  std::vector<COMeas> block;
  platform::CTime running = previous;
  try {
    ScanOfflinePressure(block, running, pressure, m_instrument.isTebb(), last - first + 1).Scan(m_comm.GetSource());
  } catch (...) {
    // The rest of a block that failed must not become the next reply.
    m_comm.GetSource().Discard();
    throw;
  }
  result.insert(result.end(), block.begin(), block.end());
  previous = running;
}

void CommKovoHelperOffline::readFilterBank(FilterPos filter, FilterInfo& info) {
  m_commands.getMemActiveBank(filter, info.m_activeBank);
  FixChBuf<80> name;
  m_commands.getMemGasName(filter, name);
  info.GetBank(info.m_activeBank).SetGasName(name.ToString());
}

void CommKovoHelperOffline::readRecordBlock(int32_t first, int32_t last, ServiceOfflineMeas* service) {
  std::vector<COMeas> block;
  platform::CTime previous = service->GetPreviousTime();
  m_commands.getMemRecords(first, last, block, previous);
  service->SetPreviousTime(previous);
  for (const COMeas& meas : block) service->AddMeas(meas);
}

void CommKovoHelperOffline::restoreUnits(ServiceOfflineMeas* service) {
  CommKovo& comm = m_commands.Comm();
  comm.setConcUnit(COConcUnit(service->GetSavedConcUnit()));
  comm.setHumiUnit(COHumiUnit(service->GetSavedHumiUnit()));
  service->SetUnitsRestored();
}
