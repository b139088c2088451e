#include "COMeasObs.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "COGenSub.h"
#include "CORecBankSet.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DeviceClients.h"
#include "GlobalAccessor.h"
#include "core/Exception.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

// Gases and water vapour arrive in mg/m³ and are kept in ppm, converted at
// the normalisation temperature and this pressure (kPa).
constexpr float kNormPressure = 101.33f;

std::string g_loadedSerial;
// The result hand-over is running further up the stack (a message box's loop
// reached the dispatch again).
bool g_delivering = false;

COGenSub* GenSub() {
  IGlobalAccessor* tool = AppRegister::GetAccessor();
  return tool ? tool->GetGenSub() : nullptr;
}

COSequence* ActiveSequence() {
  IGlobalAccessor* tool = AppRegister::GetAccessor();
  return tool ? tool->GetActiveSequence() : nullptr;
}

void NotifyGenSub(EUpdType kind) {
  if (COGenSub* sub = GenSub()) sub->Notify(kind);
}

bool Confirmed(unsigned id, unsigned type) {
  return platform::MessageBox(platform::LoadString(id), type) == IDOK;
}

}  // namespace

COMeasObs::COMeasObs()
    : m_link(std::make_unique<DataLinkRS232>()),
      m_conn(std::make_unique<TransConnRS232>(m_link.get())),
      m_device(std::make_unique<DeviceKovo>(m_conn.get())) {
  m_device->SetLinkSetup([this] { InitCommPort(); });
  DataLinks::SetMeasurement(this);
}

COMeasObs::~COMeasObs() {
  if (DataLinks::Measurement() == this) DataLinks::SetMeasurement(nullptr);
  // Every service goes before the device.
  m_service.reset();
}

void COMeasObs::ResetLoadedSerial() { g_loadedSerial.clear(); }

void COMeasObs::InitCommPort() {
  COSystemSetup* setup = COSystemSetup::Current();
  m_link->SetPort(setup ? setup->GetComPort() : 0);
  m_link->SetBaudRate(9600);
  m_link->SetByteSize(7);
  m_link->SetParity(2);
  m_link->SetStopBits(1);
  m_link->SetTimeouts(m_linkTimeoutMs, m_linkTimeoutMs);
}

bool COMeasObs::Connect(bool ask) {
  // A connection made offline is tried again by a call without ask.
  if (m_connected && (ask || !m_offline)) return true;
  if (!m_device->IsOpen()) m_deviceOpen = m_device->Open() ? 1 : 0;
  if (m_device->IsOpen()) {
    COGetIDClient id(m_device.get(), 1);
    if (id.GetID()) {
      m_connected = 1;
      return true;
    }
  }
  if (!ask) {
    ShowMessage(207);
    return false;
  }
  if (platform::MessageBox(platform::LoadString(200), MB_YESNO | MB_ICONQUESTION) != IDNO) {
    m_offline = 1;
    m_connected = 1;
    return true;
  }
  return false;
}

bool COMeasObs::PrepareDevice() {
  bool ready = true;
  if (!m_device->IsOpen()) {
    m_deviceOpen = m_device->Open() ? 1 : 0;
    ready = m_deviceOpen != 0;
  } else if (m_reopenPort) {
    ready = ReopenPort();
  }
  if (!ready) {
    ShowCommunicationError();
    return false;
  }
  m_reopenPort = false;
  return true;
}

bool COMeasObs::ReopenPort() {
  // The worker has nothing to do now; the lock keeps it off the port while
  // the port is opened afresh.
  std::lock_guard<std::mutex> exchange(m_device->GetScheduler().ExchangeLock());
  try {
    m_link->Close();
  } catch (...) {
    // A port that is gone cannot be closed cleanly; it is closed all the same.
  }
  try {
    InitCommPort();
    m_link->Open();
  } catch (...) {
    return false;
  }
  return true;
}

bool COMeasObs::StartMeasurement(const CTime& startTime, int startFlags, const CTime& stopTime, int stopSet) {
  m_startTime = startTime;
  m_startFlags = startFlags;
  COSequence* seq = ActiveSequence();
  if (seq == nullptr || !PrepareDevice()) return false;
  {
    COGetIDClient id(m_device.get(), 0);
    if (!id.GetID()) return false;
  }

  const std::string serial = m_device->Setup().m_serial.ToString();
  if (serial != seq->GetSerialNum()) {
    if (!Confirmed(198, MB_OKCANCEL | MB_ICONWARNING)) return false;
    seq->SetSerialNum(serial);
  }
  for (int f = 0; f <= 5; ++f)
    if (seq->IsFilterActive(f)) seq->SetFilterLocked(f, true);

  {
    COCheckConfigurationClient config(m_device.get(), 0);
    if (!config.CheckConfiguration()) {
      ShowMessage(57654);
      return false;
    }
  }

  for (int f = 0; f < 5; ++f) {
    if (!seq->IsFilterActive(f)) continue;
    const int bank = seq->GetActiveBank(f);
    // A filter without a bank names no gas to compare.
    if (bank < 0 || bank >= 5) continue;
    const BankInfo& info = m_device->Setup().GetFilter(f).GetBank(bank);
    const std::string gas = platform::TrimRight(info.GetGasName().ToString());
    if (gas.empty() || gas[0] == '_') continue;
    if (gas != seq->GetGasName(f)) {
      if (!Confirmed(208, MB_OKCANCEL)) return false;
      seq->SetGasName(f, gas);
    }
    const float mw = info.GetMW();
    if (mw != seq->GetMW(f)) {
      if (!Confirmed(209, MB_OKCANCEL)) return false;
      seq->SetMW(f, mw);
    }
  }

  seq->SetReservedFlag(false);
  seq->Save();

  MonitorSetup setup = m_device->GetSetup();
  seq->GetMonitorSetup(setup);
  setup.m_startTime = CalibTime(startTime);
  setup.m_startTime.SetValidFlag(startFlags);
  setup.m_stopTime = CalibTime(stopTime);
  setup.m_stopTime.SetValidFlag(stopSet);
  m_device->SetSetup(setup);

  m_state = startFlags != 0 && startTime > CTime::GetCurrentTime() ? kDelayedStart : kStarting;
  m_measReceived = 0;
  Notify();
  StartNewService();
  return true;
}

void COMeasObs::StartNewService() {
  m_service = m_device->NewMonitorService(this);
  m_service->Start();
}

void COMeasObs::StopMeasurement() {
  if (m_state != kDelayedStart && m_state != kStarting && m_state != kActive) return;
  m_state = kStopping;
  Notify();
  // A service still waiting for its start calls back at once.
  if (m_service) m_service->Stop();
}

void COMeasObs::StopService() {
  if (m_state == kActive && m_service) m_service->Stop();
}

void COMeasObs::StartStopMonitor() {
  switch (m_state) {
    case kDelayedStart:
    case kStarting:
    case kActive:
    case kRestartStarting:
      if (!m_service) return;
      m_state = kRestartStopping;
      Notify();
      m_service->Stop();
      break;
    case kRestartStopped:
      m_state = kRestartStarting;
      Notify();
      StartNewService();
      break;
    default:
      // No service runs that could pause, and none waits to resume.
      break;
  }
}

void COMeasObs::SetMonitorAlarm(int on) { (new COAlarmClient(m_device.get(), 0))->SetAlarm(on != 0); }

void COMeasObs::SetRelay1(int on) { (new CORelayClient(m_device.get(), 0))->SetRelay(1, on); }

void COMeasObs::SetRelay2(int on) { (new CORelayClient(m_device.get(), 0))->SetRelay(2, on); }

bool COMeasObs::LoadSetupFromDatabase() {
  const std::string serial = m_device->Setup().m_serial.ToString();
  if (serial == g_loadedSerial) return true;
  CORecBankSet bankSet;
  bool found = false;
  try {
    found = bankSet.LoadCurrentSet(serial, m_offline != 0);
  } catch (const CException& e) {
    ReportException(148, e);
  }
  bankSet.CloseWithDatabase();
  if (!found) {
    ShowMessage(211);
    return false;
  }
  g_loadedSerial = serial;
  // The banks as stored; identity, units and sampling stay the device's.
  const MonitorSetup stored = bankSet.GetSetup();
  MonitorSetup setup = m_device->GetSetup();
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) setup.GetFilter(f).GetBank(b) = stored.GetFilter(f).GetBank(b);
  setup.m_water = stored.m_water;
  setup.m_uaNumbers = stored.m_uaNumbers;
  m_device->SetSetup(setup);
  return true;
}

bool COMeasObs::RetrieveMonitorID() {
  COGetIDClient id(m_device.get(), 1);
  return id.GetID();
}

bool COMeasObs::UploadFilterInfo() {
  COUploadAllClient upload(m_device.get(), 0);
  return upload.UploadAll();
}

std::string COMeasObs::GetStatusText() {
  switch (m_state) {
    case kIdle: return platform::LoadString(168);
    case kDelayedStart:
      m_statusText = platform::LoadString(170) + m_startTime.Format("%y-%m-%d %X");
      return m_statusText;
    case kStarting: return platform::LoadString(172);
    case kActive: return platform::LoadString(169);
    case kStopping: return platform::LoadString(173);
    case kCheckingFilters: return platform::LoadString(215);
    default: return std::string();
  }
}

bool COMeasObs::IsMeasuring() const {
  return m_resultsPending || (m_state == kActive && m_service && m_service->GetResultCount() > 0);
}

void COMeasObs::ServiceDone(Service* service) {
  // Only the held monitoring service reports here.
  if (service == nullptr || service != m_service.get()) return;
  const bool polling = m_service->GetPhase() == MonitorService::phasePolling;
  if (m_state == kRestartStarting && polling) {
    m_state = kActive;
    Notify();
  } else if ((m_state == kDelayedStart || m_state == kStarting) && polling) {
    m_state = kActive;
    NotifyGenSub(eTaskStarted);
  }

  // A call reached from further up the stack (a message box's loop while a
  // measurement is handed over) leaves the results and the end to that call.
  if (g_delivering) return;
  g_delivering = true;
  try {
    DeliverResults();
  } catch (...) {
    g_delivering = false;
    m_resultsPending = 0;
    throw;
  }
  g_delivering = false;

  // The user may have resumed meanwhile: a newer service has taken the place.
  if (service != m_service.get() || service->GetState() != Service::stateFinished) return;
  const bool failed = service->IsFailed();
  if (m_state == kRestartStopping) {
    m_state = kRestartStopped;
    Notify();
  } else if (m_state != kRestartStopped) {
    if (m_measReceived) {
      if (COSequence* seq = ActiveSequence()) seq->NewSequence();
    }
    m_state = kIdle;
    m_measReceived = 0;
    NotifyGenSub(eTaskStopped);
  }
  if (failed) {
    m_reopenPort = true;
    ShowMessage(231);
  }
}

void COMeasObs::DeliverResults() {
  // Oldest first, one after the other: each is stored and shown in the
  // order the monitor measured it.
  while (m_service && m_service->GetResultCount() > 0) {
    std::vector<COMeas> batch;
    while (m_service->GetResultCount() > 0) batch.push_back(m_service->TakeNewestResult());
    std::reverse(batch.begin(), batch.end());
    for (size_t i = 0; i < batch.size(); ++i) {
      COMeas& meas = batch[i];
      ConvertUnits(meas);
      m_measReceived = 1;
      m_lastMeas = meas;
      m_resultsPending = i + 1 < batch.size() ? 1 : 0;
      if (COGenSub* sub = GenSub()) sub->NotifyMeas(eNewMeas, meas);
      // An observer may have ended the run (a stop from a message box).
      if (!m_service) break;
    }
  }
  m_resultsPending = 0;
}

void COMeasObs::ConvertUnits(COMeas& meas) const {
  COSystemSetup* setup = COSystemSetup::Current();
  if (setup == nullptr) return;
  const COSequence* seq = ActiveSequence();
  const float normTemp = static_cast<float>(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  const COConcUnit mg(COConcUnit::mg_m3);
  const COConcUnit ppm(COConcUnit::ppm);
  for (int ch = 0; ch < 5; ++ch) {
    const MeasValue v = meas.GetValue(ch);
    if (!v.IsValid()) continue;
    const float mw = seq ? seq->GetMW(ch) : 1.0f;
    meas.SetValue(ch, mg.Convert(ppm, v, mw, normTemp, kNormPressure));
  }
  const MeasValue water = meas.GetValue(COMeas::chWater);
  if (water.IsValid()) {
    meas.SetValue(COMeas::chWater, COHumiUnit(COConcUnit::mg_m3)
                                       .Convert(COHumiUnit(COConcUnit::ppm), setup->GetTempUnit(), water,
                                                normTemp, kNormPressure));
  }
}
