#include "COCaliMeasObs.h"

#include <chrono>
#include <thread>
#include <vector>

#include "COCaliSequence.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSystemSetup.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "DBUtil.h"
#include "FilterCopies.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

namespace {

// The readings carry the detector signals in volts; the task keeps them in
// microvolts.
constexpr float kSignalScale = 1000000.0f;

}  // namespace

COCaliMeasObs::COCaliMeasObs(ProgramContext& context, COCaliSequence& sequence, Calibrator& calibrator)
    : m_context(context), m_obs(*context.MeasObs()), m_sequence(sequence), m_calibrator(calibrator) {
  m_context.SetMeasurement(this);
}

COCaliMeasObs::~COCaliMeasObs() {
  m_service.reset();
  m_context.SetMeasurement(&m_obs);
}

DeviceKovo& COCaliMeasObs::GetDevice() { return m_obs.GetDevice(); }

const MonitorSetup& COCaliMeasObs::GetMonitorSetup() const { return m_obs.GetMonitorSetup(); }

void COCaliMeasObs::SetPort(int port) { m_obs.SetPort(port); }

bool COCaliMeasObs::RetrieveMonitorID() { return m_obs.RetrieveMonitorID(); }

bool COCaliMeasObs::UploadFilterInfo() {
  COCaliProgressClient upload(&GetDevice(), false);
  return upload.Run(IDS_UPLOADING, IDS_RETRIEVING_FILTER_INFO, CreateUploadAllService(GetDevice(), &upload));
}

bool COCaliMeasObs::OpenMonitor(bool allowOffline) {
  if (m_connected && (allowOffline || !m_offline)) return true;
  DeviceKovo& device = GetDevice();
  bool answered = device.IsOpen() || device.Open();
  if (answered) {
    COGetIDClient id(&device, true);
    answered = id.GetID();
  }
  if (!answered) {
    if (!allowOffline) {
      ShowMessage(IDS_CALI_NO_MONITOR_SERIAL);
      return false;
    }
    if (platform::MessageBox(platform::LoadString(IDS_CALI_ASK_WORK_OFFLINE),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDNO)
      return false;
    m_offline = true;
  }
  if (!m_offline) {
    COCaliMessageClient info(&device, false);
    if (!info.Run(IDS_RETRIEVING_UA_NUMBERS, CreateFilterInfoService(device, &info))) return false;
    TakeUANumbers(device.Setup());
  }
  m_connected = true;
  return true;
}

void COCaliMeasObs::Disconnect() {
  m_obs.Disconnect();
  m_connected = false;
}

bool COCaliMeasObs::LoadSetupFromDatabase(const std::string& serial) {
  if (serial == m_loadedSerial) return true;
  COFilterCopies copies(m_context, *this, m_sequence, m_calibrator);
  MonitorSetup stored;
  if (!copies.LoadCurrentSet(serial, stored)) {
    ShowMessage(IDS_CALI_NO_STORED_CONFIGURATION);
    return false;
  }
  DeviceKovo& device = GetDevice();
  if (!m_offline && !SameFilters(stored, device.Setup())) {
    ShowMessage(IDS_CALI_FILTERS_CHANGED);
    // The banks stored are those of other filters: only a complete upload
    // may become the monitor's current bank set.
    if (!UploadFilterInfo()) return false;
    TakeUANumbers(device.Setup());
    if (!copies.StoreCurrentSet(serial) || !copies.LoadCurrentSet(serial, stored)) return false;
  }
  m_loadedSerial = serial;
  MonitorSetup setup = device.GetSetup();
  TakeBanks(setup, stored);
  device.SetSetup(setup);
  return true;
}

void COCaliMeasObs::TakeActiveBanks() { m_calibrator.TakeBanks(GetDevice().Setup(), m_sequence.GetActiveBanks()); }

bool COCaliMeasObs::StartMeasurement(const CTime& startTime, const CTime& stopTime) {
  DeviceKovo& device = GetDevice();
  if (!device.IsOpen()) {
    ShowCommunicationError();
    return false;
  }
  MonitorSetup setup = device.GetSetup();
  m_sequence.GetMonitorSetup(setup);
  device.SetSetup(setup);
  m_startTime = startTime;
  m_stopTime = stopTime;
  m_state = startTime > CTime::GetCurrentTime() ? MeasState::delayedStart : MeasState::starting;
  m_measReceived = false;
  Notify();
  StartNewService();
  return true;
}

void COCaliMeasObs::StartNewService() {
  DeviceKovo& device = GetDevice();
  m_service = CreateCalibrationService(device, m_context.Instrument(), this);
  MonitorSetup& setup = device.Setup();
  setup.m_startTime = CalibTime(m_startTime);
  setup.m_stopTime = CalibTime(m_stopTime);
  m_service->Start();
}

void COCaliMeasObs::StopMeasurement() {
  if (m_state != MeasState::active && m_state != MeasState::delayedStart && m_state != MeasState::starting) return;
  m_state = MeasState::stopping;
  Notify();
  if (m_service) m_service->Stop();
}

void COCaliMeasObs::StartStopMonitor() {
  if (m_state == MeasState::restartStopped) {
    m_state = MeasState::restartStarting;
    Notify();
    StartNewService();
    return;
  }
  m_state = MeasState::restartStopping;
  Notify();
  if (m_service) m_service->Stop();
}

void COCaliMeasObs::StopService() {
  if (m_state == MeasState::active && m_service) m_service->Stop();
}

std::string COCaliMeasObs::GetStatusText() {
  m_statusText = COMeasObs::StatusText(m_state, m_startTime, IDS_CALI_CHECKING_FILTERS, "n/a");
  return m_statusText;
}

void COCaliMeasObs::Scale(COMeas& meas) const {
  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    const MeasValue v = meas.GetValue(ch);
    meas.SetValue(ch, v.IsValid() ? MeasValue(v * kSignalScale) : MeasValue());
  }
  // The reading's temperature is in degrees Celsius whatever unit it came in.
  const MeasValue t = meas.GetValue(COMeas::chTemperature);
  if (t.IsValid())
    meas.SetValue(COMeas::chTemperature,
                  COTempUnit(COTempUnit::celsius).Convert(m_context.Setup().GetTempUnit(), t));
}

void COCaliMeasObs::ServiceDone(Service* service) {
  if (service == nullptr || service != m_service.get()) return;
  const bool running = m_service->GetPhase() != CalibrationService::phaseStart;
  if (running && m_state == MeasState::restartStarting) {
    m_state = MeasState::active;
    Notify();
  } else if (running && (m_state == MeasState::delayedStart || m_state == MeasState::starting)) {
    m_state = MeasState::active;
    m_context.GenSub().Notify(eTaskStarted);
  }

  // A call from further up the stack (a message box's loop) leaves the
  // readings and the end to the call under way.
  if (m_delivering) return;
  m_delivering = true;
  DeliverReadings();
  m_delivering = false;

  if (service != m_service.get() || service->GetState() != Service::stateFinished) return;
  const bool failed = service->IsFailed();
  if (m_state == MeasState::restartStopping) {
    m_state = MeasState::restartStopped;
    Notify();
  } else if (m_state != MeasState::restartStopped) {
    // Each run that measured keeps its own [Sequence] row.
    if (m_measReceived) m_sequence.NewSequence();
    m_state = MeasState::idle;
    m_measReceived = false;
    m_context.GenSub().Notify(eTaskStopped);
  }
  if (failed) ShowMessage(IDS_CALI_TASK_STOPPED_COMM_ERROR);
}

void COCaliMeasObs::DeliverReadings() {
  while (m_service && m_service->GetResultCount() > 0) {
    std::vector<COMeas> batch;
    while (m_service->GetResultCount() > 0) batch.push_back(m_service->TakeNewestResult());
    for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
      COMeas meas = *it;
      Scale(meas);
      m_measReceived = true;
      m_lastMeas = meas;
      m_context.GenSub().NotifyMeas(eNewMeas, meas);
      m_morePending = it + 1 != batch.rend();
      if (m_morePending) std::this_thread::sleep_for(std::chrono::milliseconds(m_readingPauseMs));
      if (!m_service) break;
    }
  }
  m_morePending = false;
}
