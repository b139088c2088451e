#include "COMeasObs.h"

#include <mutex>

#include "CODBObs.h"
#include "COGenSub.h"
#include "CORecBankSet.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DeviceClients.h"
#include "StringIds.h"
#include "core/Exception.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

// Gases and water vapour arrive in mg/m³ and are kept in ppm, converted at
// the normalisation temperature and this pressure (kPa).
constexpr float kNormPressure = 101.33f;

bool Confirmed(unsigned id, unsigned type) {
  return platform::MessageBox(platform::LoadString(id), type) == platform::IDOK;
}

}  // namespace

COMeasObs::COMeasObs(DataContext& context, const InstrumentInfo& instrument)
    : m_context(context),
      m_link(std::make_unique<DataLinkRS232>()),
      m_conn(std::make_unique<TransConnRS232>(m_link.get())),
      m_device(std::make_unique<DeviceKovo>(m_conn.get(), instrument)),
      m_run(*this, context, *m_device, RunProfile()) {
  m_device->SetLinkSetup([this] { InitCommPort(); });
}

COMeasObs::~COMeasObs() = default;

MeasRun::Profile COMeasObs::RunProfile() {
  MeasRun::Profile profile;
  profile.newService = [this] { return m_device->NewMonitorService(this); };
  profile.transform = [this](COMeas& meas) { ConvertUnits(meas); };
  profile.newSequence = [this] { m_context.ActiveSequence().NewSequence(); };
  profile.failedMessage = IDS_TASK_STOPPED_COMM_ERROR;
  // The port may be gone (a dropped line): it is opened afresh before the
  // next start.
  profile.onFailed = [this] { m_reopenPort = true; };
  profile.doneCommand = kDoneCommand;
  return profile;
}

void COMeasObs::InitCommPort() {
  m_link->SetPort(m_context.Setup().GetComPort());
  m_link->SetBaudRate(9600);
  m_link->SetByteSize(7);
  m_link->SetParity(2);
  m_link->SetStopBits(1);
  m_link->SetTimeouts(m_linkTimeoutMs, m_linkTimeoutMs);
}

bool COMeasObs::Connect(bool ask) {
  // A connection made offline is tried again by a call without ask.
  if (m_connected && (ask || !m_offline)) return true;
  if (!m_device->IsOpen()) m_deviceOpen = m_device->Open();
  if (m_device->IsOpen()) {
    COGetIDClient id(m_device.get(), true);
    if (id.GetID()) {
      m_connected = true;
      return true;
    }
  }
  if (!ask) {
    ShowMessageWithReason(IDS_NO_MONITOR_SERIAL, m_device->IsOpen() ? std::string() : m_device->OpenFailure());
    return false;
  }
  if (platform::MessageBox(platform::LoadString(IDS_ASK_WORK_OFFLINE), platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDNO) {
    m_offline = true;
    m_connected = true;
    return true;
  }
  return false;
}

void COMeasObs::Disconnect() {
  if (m_device->IsOpen()) m_device->Close();
  m_deviceOpen = false;
  m_connected = false;
}

bool COMeasObs::PrepareDevice() {
  bool ready = true;
  if (!m_device->IsOpen()) {
    m_deviceOpen = m_device->Open();
    ready = m_deviceOpen;
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

bool COMeasObs::StartMeasurement(const platform::CTime& startTime, int startFlags, const platform::CTime& stopTime, bool stopSet) {
  m_startFlags = startFlags;
  COSequence* seq = &m_context.ActiveSequence();
  // The monitor's clock goes out with the set-up: now, or at a start more
  // than a minute ahead; it may have to wait for the task's last sample.
  const platform::CTime now = platform::CTime::GetCurrentTime();
  const bool later = startFlags != 0 && (startTime - now).GetTotalSeconds() > MonitorService::kDelayedStartSeconds;
  CalibTime notBefore;
  if (!m_context.DBObs().StartKeepsTimeOrder(later ? startTime : now, &notBefore)) return false;
  if (!PrepareDevice()) return false;
  if (!CheckMonitorAgainstSequence()) return false;

  seq->SetReservedFlag(false);
  seq->Save();

  MonitorSetup setup = m_device->GetSetup();
  seq->GetMonitorSetup(setup);
  setup.m_startTime = CalibTime(startTime);
  setup.m_startTime.SetValidFlag(startFlags);
  setup.m_stopTime = CalibTime(stopTime);
  setup.m_stopTime.SetValidFlag(stopSet);
  setup.m_clockNotBefore = notBefore;
  m_device->SetSetup(setup);

  // A wait for the monitor's clock shows as a delayed start.
  const platform::CTime start = notBefore.IsValid() ? notBefore.GetTime() : startTime;
  m_run.Start(start, (startFlags != 0 || notBefore.IsValid()) && start > platform::CTime::GetCurrentTime());
  return true;
}

bool COMeasObs::CheckMonitorAgainstSequence() {
  COSequence* seq = &m_context.ActiveSequence();
  {
    COGetIDClient id(m_device.get(), false);
    if (!id.GetID()) return false;
  }

  const std::string serial = m_device->Setup().m_serial.ToString();
  if (serial != seq->GetSerialNum()) {
    if (!Confirmed(IDS_WRONG_SERIAL, platform::MB_OKCANCEL | platform::MB_ICONWARNING)) return false;
    seq->SetSerialNum(serial);
  }
  for (int f = 0; f <= 5; ++f)
    if (seq->IsFilterActive(f)) seq->SetFilterLocked(f, true);

  {
    COCheckConfigurationClient config(m_device.get(), false);
    if (!config.CheckConfiguration()) {
      ShowMessage(IDS_RELOAD_GAS_INFO_FAILED);
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
      if (!Confirmed(IDS_GAS_NAME_MISMATCH, platform::MB_OKCANCEL)) return false;
      seq->SetGasName(f, gas);
    }
    const float mw = info.GetMW();
    if (mw != seq->GetMW(f)) {
      if (!Confirmed(IDS_MW_MISMATCH, platform::MB_OKCANCEL)) return false;
      seq->SetMW(f, mw);
    }
  }
  return true;
}

void COMeasObs::StopMeasurement() { m_run.Stop(); }

void COMeasObs::StopService() { m_run.StopService(); }

void COMeasObs::StartStopMonitor() {
  // A resumed run sets the monitor's clock again.
  if (m_run.GetState() == MeasState::restartStopped &&
      !m_context.DBObs().StartKeepsTimeOrder(platform::CTime::GetCurrentTime(), &m_device->Setup().m_clockNotBefore))
    return;
  m_run.PauseOrResume();
}

void COMeasObs::SetMonitorAlarm(bool on) { (new COAlarmClient(m_device.get(), false))->SetAlarm(on); }

void COMeasObs::SetRelay1(bool on) { (new CORelayClient(m_device.get(), false))->SetRelay(1, on ? 1 : 0); }

void COMeasObs::SetRelay2(bool on) { (new CORelayClient(m_device.get(), false))->SetRelay(2, on ? 1 : 0); }

bool COMeasObs::LoadSetupFromDatabase() {
  const std::string serial = m_device->Setup().m_serial.ToString();
  if (serial == m_loadedSerial) return true;
  CORecBankSet bankSet(m_context);
  bool found = false;
  try {
    // A program that uploads the monitor's records only looks: it never
    // uploads filter information.
    found = bankSet.LoadCurrentSet(serial, m_offline || m_context.Profile().uploadsRecords);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  bankSet.CloseWithDatabase();
  if (!found) {
    ShowMessage(IDS_NO_STORED_CONFIGURATION);
    return false;
  }
  m_loadedSerial = serial;
  // The filters and their banks as stored; identity, units and sampling stay
  // the device's.
  const MonitorSetup stored = bankSet.GetSetup();
  MonitorSetup setup = m_device->GetSetup();
  for (int f = 0; f < 5; ++f) {
    setup.GetFilter(f).m_number = stored.GetFilter(f).m_number;
    for (int b = 0; b < 5; ++b) setup.GetFilter(f).GetBank(b) = stored.GetFilter(f).GetBank(b);
  }
  setup.m_water = stored.m_water;
  setup.m_uaNumbers = stored.m_uaNumbers;
  m_device->SetSetup(setup);
  return true;
}

bool COMeasObs::RetrieveMonitorID() {
  COGetIDClient id(m_device.get(), true);
  return id.GetID();
}

bool COMeasObs::UploadFilterInfo() {
  COUploadAllClient upload(m_device.get(), false);
  return upload.UploadAll();
}

std::string COMeasObs::GetStatusText() {
  m_statusText = StatusText(m_run.GetState(), m_run.GetStartTime(), IDS_STATE_CHECKING_FILTERS, std::string());
  return m_statusText;
}

std::string COMeasObs::StatusText(MeasState state, const platform::CTime& start, unsigned checkingFiltersId,
                                  const std::string& otherwise) {
  switch (state) {
    case MeasState::idle: return platform::LoadString(IDS_STATE_IDLE);
    case MeasState::delayedStart:
      return platform::LoadString(IDS_STATE_DELAYED_START) + start.Format("%y-%m-%d %X");
    case MeasState::starting: return platform::LoadString(IDS_STATE_STARTING);
    case MeasState::active: return platform::LoadString(IDS_STATE_ACTIVE);
    case MeasState::stopping: return platform::LoadString(IDS_STATE_STOPPING);
    case MeasState::checkingFilters: return platform::LoadString(checkingFiltersId);
    default: return otherwise;
  }
}

void COMeasObs::ServiceDone(Service* service) { m_run.ServiceDone(service); }

void COMeasObs::ConvertUnits(COMeas& meas) const {
  const COSystemSetup& setup = m_context.Setup();
  const COSequence& seq = m_context.ActiveSequence();
  const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  const COConcUnit mg(COConcUnit::mg_m3);
  const COConcUnit ppm(COConcUnit::ppm);
  for (int ch = 0; ch < 5; ++ch) {
    const MeasValue v = meas.GetValue(ch);
    if (!v.IsValid()) continue;
    const float mw = seq.GetMW(ch);
    meas.SetValue(ch, mg.Convert(ppm, v, mw, normTemp, kNormPressure));
  }
  const MeasValue water = meas.GetValue(COMeas::chWater);
  if (water.IsValid()) {
    meas.SetValue(COMeas::chWater, COHumiUnit(COConcUnit::mg_m3)
                                       .Convert(COHumiUnit(COConcUnit::ppm), setup.GetTempUnit(), water,
                                                normTemp, kNormPressure));
  }
}
