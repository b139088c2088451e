#include "COCaliMeasObs.h"

#include "COCaliSequence.h"
#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSystemSetup.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "DBUtil.h"
#include "FilterCopies.h"
#include "ProgramContext.h"
#include "StringIds.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

namespace {

// The readings carry the detector signals in volts; the task keeps them in
// microvolts.
constexpr float kSignalScale = 1000000.0f;

}  // namespace

COCaliMeasObs::COCaliMeasObs(ProgramContext& context, COCaliSequence& sequence, Calibrator& calibrator)
    : m_context(context),
      m_obs(*context.MeasObs()),
      m_sequence(sequence),
      m_calibrator(calibrator),
      m_run(*this, context, m_obs.GetDevice(), RunProfile()) {
  m_context.SetMeasurement(this);
}

COCaliMeasObs::~COCaliMeasObs() {
  m_context.SetMeasurement(&m_obs);
  m_obs.GetDevice().SetDoneCommand(COMeasObs::kDoneCommand);
}

MeasRun::Profile COCaliMeasObs::RunProfile() {
  MeasRun::Profile profile;
  profile.newService = [this] {
    DeviceKovo& device = GetDevice();
    ServiceHandle<MeasRun::RunService> service = CreateCalibrationService(device, m_context.Instrument(), this);
    MonitorSetup& setup = device.Setup();
    setup.m_startTime = CalibTime(m_startTime);
    setup.m_stopTime = CalibTime(m_stopTime);
    return service;
  };
  profile.transform = [this](COMeas& meas) { Scale(meas); };
  profile.newSequence = [this] { m_sequence.NewSequence(); };
  profile.failedMessage = IDS_CALI_TASK_STOPPED_COMM_ERROR;
  profile.readingPause = std::chrono::milliseconds(kReadingPauseMs);
  profile.doneCommand = kDoneCommand;
  return profile;
}

DeviceKovo& COCaliMeasObs::GetDevice() { return m_obs.GetDevice(); }

const MonitorSetup& COCaliMeasObs::GetMonitorSetup() const { return m_obs.GetMonitorSetup(); }

void COCaliMeasObs::SetPort(int port) { m_obs.SetPort(port); }

bool COCaliMeasObs::RetrieveMonitorID() { return m_obs.RetrieveMonitorID(); }

bool COCaliMeasObs::UploadFilterInfo() {
  DeviceKovo& device = GetDevice();
  COCaliProgressClient upload(&device, false);
  if (!upload.Run(IDS_UPLOADING, IDS_RETRIEVING_FILTER_INFO, CreateUploadAllService(device, &upload),
                  IDS_CALI_UPLOAD_CANCELLED))
    return false;
  device.Setup().TakeUANumbers();
  return true;
}

bool COCaliMeasObs::RetrieveFilterNumbers() {
  DeviceKovo& device = GetDevice();
  COCaliMessageClient info(&device, false);
  if (!info.Run(IDS_RETRIEVING_UA_NUMBERS, CreateFilterInfoService(device, &info))) return false;
  device.Setup().TakeUANumbers();
  return true;
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
  if (!m_offline && !RetrieveFilterNumbers()) return false;
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
  DeviceKovo& device = GetDevice();
  // Only a complete upload may become the monitor's current bank set.
  const auto uploadAsCurrent = [&] {
    return UploadFilterInfo() && copies.StoreCurrentSet(serial) && copies.LoadCurrentSet(serial, stored);
  };
  if (!copies.LoadCurrentSet(serial, stored)) {
    if (m_offline) {
      ShowMessage(IDS_CALI_NO_STORED_CONFIGURATION);
      return false;
    }
    // A monitor the program folder has not seen yet gives its banks first.
    ShowMessage(IDS_MONITOR_NOT_KNOWN);
    if (!uploadAsCurrent()) return false;
  }
  if (!m_offline && !SameFilters(stored, device.Setup())) {
    // The banks stored are those of other filters.
    ShowMessage(IDS_CALI_FILTERS_CHANGED);
    if (!uploadAsCurrent()) return false;
  }
  m_loadedSerial = serial;
  MonitorSetup setup = device.GetSetup();
  TakeBanks(setup, stored);
  device.SetSetup(setup);
  return true;
}

void COCaliMeasObs::TakeActiveBanks() { m_calibrator.TakeBanks(GetDevice().Setup(), m_sequence.GetActiveBanks()); }

bool COCaliMeasObs::StartMeasurement(const platform::CTime& startTime, const platform::CTime& stopTime) {
  DeviceKovo& device = GetDevice();
  if (!device.IsOpen()) {
    ShowCommunicationError();
    return false;
  }
  // The task's times never go backwards: a clock that went back refuses.
  if (!KeepsTimeOrder()) return false;
  MonitorSetup setup = device.GetSetup();
  m_sequence.GetMonitorSetup(setup);
  setup.m_clockNotBefore = m_notBefore;
  device.SetSetup(setup);
  m_startTime = startTime;
  m_stopTime = stopTime;
  m_run.Start(startTime, startTime > platform::CTime::GetCurrentTime());
  return true;
}

void COCaliMeasObs::StopMeasurement() { m_run.Stop(); }

void COCaliMeasObs::StartStopMonitor() {
  // A resumed run is dated by the clock again.
  if (m_run.GetState() == MeasState::restartStopped) {
    if (!KeepsTimeOrder()) return;
    GetDevice().Setup().m_clockNotBefore = m_notBefore;
  }
  m_run.PauseOrResume();
}

bool COCaliMeasObs::KeepsTimeOrder() {
  return m_context.DBObs().StartKeepsTimeOrder(platform::CTime::GetCurrentTime(), &m_notBefore, &m_lastStored);
}

void COCaliMeasObs::StopService() { m_run.StopService(); }

std::string COCaliMeasObs::GetStatusText() {
  m_statusText = COMeasObs::StatusText(m_run.GetState(), m_run.GetStartTime(), IDS_CALI_CHECKING_FILTERS, "n/a");
  return m_statusText;
}

void COCaliMeasObs::Scale(COMeas& meas) const {
  // Readings are dated as they arrive: while the clock is still behind the
  // task's last sample, they take that sample's time.
  if (m_lastStored.IsValid() && meas.GetMeasTime() < m_lastStored.GetTime()) meas.SetTime(m_lastStored.GetTime());
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

void COCaliMeasObs::ServiceDone(Service* service) { m_run.ServiceDone(service); }
