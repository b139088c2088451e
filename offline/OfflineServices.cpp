#include "OfflineServices.h"

#include "CommKovo.h"
#include "InstrumentInfo.h"
#include "MonitorService.h"
#include "OfflineStrings.h"
#include "StringIds.h"
#include "core/StringTable.h"

// --- set-up services ---

void ServiceOfflineSetupBase::Cancel() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state != stateFinished && !m_failed) m_cancelled = true;
  }
  ServiceWithProgress::Cancel();
}

bool ServiceOfflineSetupBase::IsCancelled() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_cancelled;
}

// --- set-up upload ---

ServiceOfflineSetup::ServiceOfflineSetup(DeviceKovo* device, DeviceKovoClient* client,
                                         const InstrumentInfo& instrument)
    : ServiceOfflineSetupBase(device, client), m_commands(device->Comm(), instrument), m_instrument(instrument) {}

void ServiceOfflineSetup::AddCommands() {
  CmdBuilder& b = Builder();
  CommKovoOffline* c = &m_commands;
  CommKovoHelperOffline* h = &m_helper;
  MonitorSetup& s = GetDevice()->Setup();

  b.AddStep(c, &CommKovoOffline::getMemWaterCompensation, s.m_waterComp);
  b.AddStep(c, &CommKovoOffline::getMemCrossCompensation, s.m_crossComp);
  b.AddStep(c, &CommKovoOffline::getMemSampleContinuously, s.m_notContinuous);
  b.AddStep(c, &CommKovoOffline::getMemSampleInterval, s.m_sampleInterval);

  const bool tebb = m_instrument.isTebb();
  for (int f = FilterPos::A; f <= FilterPos::E; ++f) {
    FilterInfo& info = s.GetFilter(f);
    b.AddStep(c, &CommKovoOffline::getMemUseFilter, FilterPos(f), info.m_active);
    b.AddStep(c, &CommKovoOffline::getMemIntegrationTime, FilterPos(f), info.m_integrationTime);
    b.AddStep(h, &CommKovoHelperOffline::readFilterBank, FilterPos(f), info);
    if (tebb) {
      b.AddStep(c, &CommKovoOffline::getAlarmLimit1, FilterPos(f), info.m_alarmLimit1);
      b.AddStep(c, &CommKovoOffline::getAlarmLimit2, FilterPos(f), info.m_alarmLimit2);
    } else {
      b.AddStep(c, &CommKovoOffline::getMemAlarmLimit, FilterPos(f), info.m_alarmLimit1);
    }
  }
  // The water-vapour filter has fields of its own, never a gas filter's record.
  b.AddStep(c, &CommKovoOffline::getMemUseFilter, FilterPos(FilterPos::W), s.m_waterActive);
  b.AddStep(c, &CommKovoOffline::getMemIntegrationTime, FilterPos(FilterPos::W), s.m_waterIntegrationTime);

  b.AddStep(c, &CommKovoOffline::getMemTubeLength, s.m_tubeLength);
  b.AddStep(c, &CommKovoOffline::getMemAirPressure, s.m_airPressure);
  b.AddStep(c, &CommKovoOffline::getMemNormTemperature, s.m_normTemp);
  b.AddStep(c, &CommKovoOffline::getMemPeriod, s.m_startTime, s.m_stopTime);
  b.AddStep(c, &CommKovoOffline::getMemFixedTime, s.m_modeFlag);
  b.AddStep(c, &CommKovoOffline::getMemChamberFlushTime, s.m_chamberTime);
  b.AddStep(c, &CommKovoOffline::getMemTubeFlushTime, s.m_tubeTime);
  b.AddMessageCheck();
}

// --- set-up download ---

void ServiceMonitorSetup::AddCommands() {
  MonitorService::AddSetupDownload(Builder(), GetDevice()->Setup());
  Builder().AddMessageCheck();
}

// --- measurement upload ---

ServiceOfflineMeas::ServiceOfflineMeas(DeviceKovo* device, DeviceKovoClient* client,
                                       const InstrumentInfo& instrument)
    : ServiceWithProgress(device, client), m_commands(device->Comm(), instrument) {}

void ServiceOfflineMeas::Start() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  ServiceWithProgress::Start();
  // The bar stays near zero until the records are counted.
  m_total = 999999;
  m_phase = phaseCounting;
}

void ServiceOfflineMeas::AddCommands() {
  Builder().AddStep(&m_commands, &CommKovoOffline::getMemCount, m_count).AddMessageCheck();
}

void ServiceOfflineMeas::AddMeasCommands(int32_t count) {
  const CalibTime& start = GetDevice()->Setup().m_startTime;
  m_previous = start.IsValid() ? start.GetTime() : platform::CTime::GetCurrentTime();

  CmdBuilder& b = Builder();
  b.AddStep(&m_commands, &CommKovoOffline::getHumiUnit, m_savedHumiUnit);
  b.AddStep(&m_commands, &CommKovoOffline::getConcUnit, m_savedConcUnit);
  b.AddStep(this, &ServiceOfflineMeas::MarkUnitsSwitched);
  // Stored values arrive in mg/m³ only.
  b.Add(&CommKovo::setHumiUnit, COHumiUnit(COConcUnit::mg_m3));
  b.Add(&CommKovo::setConcUnit, COConcUnit(COConcUnit::mg_m3));
  for (int32_t first = 1; first <= count; first += kBlockSize) {
    const int32_t last = first + kBlockSize - 1 < count ? first + kBlockSize - 1 : count;
    b.AddStep(&m_helper, &CommKovoHelperOffline::readRecordBlock, first, last, this);
    b.AddMessageCheck();
  }
  b.AddStep(&m_helper, &CommKovoHelperOffline::restoreUnits, this);
}

void ServiceOfflineMeas::MarkUnitsSwitched() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_unitsSwitched = true;
}

void ServiceOfflineMeas::SetUnitsRestored() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_unitsRestored = true;
}

bool ServiceOfflineMeas::FinishLocked() {
  if (m_state == stateFinished) return false;
  if (m_phase == phaseCounting && !m_failed && m_count > 0) {
    ReplaceCommands([this] { AddMeasCommands(m_count); });
    m_phase = phaseRecords;
    m_total = static_cast<int>(m_queue.GetCount()) + 1;
    --m_done;
    return false;
  }
  if (m_unitsSwitched && !m_unitsRestored && !m_restoring) {
    // However the upload ends, the monitor gets its own units back first;
    // the worker runs that step, then the service finishes.
    m_restoring = true;
    ReplaceCommands([this] { Builder().AddStep(&m_helper, &CommKovoHelperOffline::restoreUnits, this); });
    return false;
  }
  return ServiceWithProgress::FinishLocked();
}

void ServiceOfflineMeas::Cancel() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state != stateFinished && !m_failed) m_cancelled = true;
    m_phase = phaseRecords;
  }
  ServiceWithProgress::Cancel();
}

void ServiceOfflineMeas::Step() {
  ServiceWithProgress::Step();
  if (GetCount() > 0) NotifyClient();
}

int ServiceOfflineMeas::GetCount() const {
  std::lock_guard<std::mutex> lock(m_resultLock);
  return static_cast<int>(m_results.size());
}

COMeas ServiceOfflineMeas::TakeFirst() {
  std::lock_guard<std::mutex> lock(m_resultLock);
  if (m_results.empty()) return COMeas();
  COMeas meas = m_results.front();
  m_results.pop_front();
  return meas;
}

void ServiceOfflineMeas::AddMeas(const COMeas& meas) {
  std::lock_guard<std::mutex> lock(m_resultLock);
  m_results.push_back(meas);
}

int32_t ServiceOfflineMeas::GetStoredCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_count;
}

int ServiceOfflineMeas::GetPhase() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_phase;
}

bool ServiceOfflineMeas::IsCancelled() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_cancelled;
}

bool ServiceOfflineMeas::UnitsRestored() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return !m_unitsSwitched || m_unitsRestored;
}

// --- creation ---

ServiceHandle<ServiceOfflineSetup> CreateOfflineSetupService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                             DeviceKovoClient* client) {
  return ServiceHandle<ServiceOfflineSetup>(new ServiceOfflineSetup(&device, client, instrument));
}

ServiceHandle<ServiceMonitorSetup> CreateMonitorSetupService(DeviceKovo& device, DeviceKovoClient* client) {
  return ServiceHandle<ServiceMonitorSetup>(new ServiceMonitorSetup(&device, client));
}

ServiceHandle<ServiceOfflineMeas> CreateOfflineMeasService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           DeviceKovoClient* client) {
  return ServiceHandle<ServiceOfflineMeas>(new ServiceOfflineMeas(&device, client, instrument));
}

// --- progress clients ---

void COSetupProgressClient::ServiceDone(Service* service) {
  const auto* setup = dynamic_cast<const ServiceOfflineSetupBase*>(service);
  const bool quiet = m_quiet;
  if (setup != nullptr && setup->IsCancelled()) m_quiet = true;
  const bool ended = OnServiceProgress(service);
  m_quiet = quiet;
  if (ended && IsWindow()) EndDialog(1);
}

bool COSetupProgressClient::RunService(unsigned captionId, unsigned textId, ServiceHandle<Service> service) {
  if (!CanRunServices()) return false;
  m_caption = platform::LoadString(captionId);
  m_text = platform::LoadString(textId);
  StartService(std::move(service));
  DoModalFor(m_service.get());
  const bool ok = Succeeded();
  m_service.reset();
  return ok;
}

bool CODownloadSetupClient::Run() {
  return RunService(IDS_DOWNLOADING, IDS_DOWNLOADING_SETTINGS, CreateMonitorSetupService(*m_device, this));
}

bool COUploadSetupClient::Run() {
  return RunService(IDS_UPLOADING, IDS_UPLOADING_SETTINGS, CreateOfflineSetupService(*m_device, m_instrument, this));
}
