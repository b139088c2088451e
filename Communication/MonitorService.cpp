#include "MonitorService.h"

#include <algorithm>
#include <chrono>

#include "CommKovo.h"
#include "CommKovoHelper.h"
#include "CommandProc.h"
#include "DeviceKovo.h"

MonitorService::MonitorService(DeviceKovo* device, DeviceKovoClient* client)
    : MeasService<COMeas>(device, client, device->GetTimings().pollPeriodMs), m_device(device) {}

namespace {

// Whole seconds from now to a time that is set; 0 when it is not.
int64_t SecondsAhead(const CalibTime& at) {
  return at.IsValid() ? (at.GetTime() - platform::CTime::GetCurrentTime()).GetTotalSeconds() : 0;
}

}  // namespace

void MonitorService::Start() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_state != stateNew || m_startTimer != 0) return;
  const MonitorSetup& setup = m_device->Setup();
  const int msPerSecond = m_device->GetTimings().windowTimerMsPerSecond;
  // Window timers, with the lock held: service lock -> window-timer lock.
  int64_t toStart = SecondsAhead(setup.m_startTime);
  if (toStart <= kDelayedStartSeconds) toStart = 0;
  // Nor before the monitor's clock may be set.
  toStart = std::max<int64_t>(toStart, SecondsAhead(setup.m_clockNotBefore));
  if (toStart > 0) {
    m_startTimer = m_device->GetUiTimers().Set(std::chrono::milliseconds(toStart * msPerSecond), [this] { OnStartTimer(); });
  } else {
    MeasService<COMeas>::Start();
  }
  const int64_t toStop = SecondsAhead(setup.m_stopTime);
  if (toStop > kTimedStopSeconds) {
    m_stopTimer = m_device->GetUiTimers().Set(std::chrono::milliseconds(toStop * msPerSecond), [this] { OnStopTimer(); });
  }
}

void MonitorService::OnStartTimer() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_startTimer = 0;
  MeasService<COMeas>::Start();
}

void MonitorService::OnStopTimer() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_stopTimer = 0;
  }
  Stop();
}

void MonitorService::Stop() {
  bool notStarted;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    KillWindowTimers();
    notStarted = m_state == stateNew;
    if (notStarted) m_state = stateFinished;
  }
  if (notStarted) {
    // Still waiting for its start: nothing went to the monitor, and the
    // client hears of it at once.
    CallClient();
    return;
  }
  MeasService<COMeas>::Stop();
}

void MonitorService::Cancel() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    KillWindowTimers();
  }
  MeasService<COMeas>::Cancel();
}

void MonitorService::Detach() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    KillWindowTimers();
  }
  MeasService<COMeas>::Detach();
}

void MonitorService::KillWindowTimers() {
  if (m_startTimer != 0) m_device->GetUiTimers().Kill(m_startTimer);
  if (m_stopTimer != 0) m_device->GetUiTimers().Kill(m_stopTimer);
  m_startTimer = 0;
  m_stopTimer = 0;
}

bool MonitorService::IsWaitingForStart() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_startTimer != 0;
}

bool MonitorService::HasStopTimer() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_stopTimer != 0;
}

void MonitorService::AddCommands() {
  MonitorSetup& s = m_device->Setup();
  // The monitor's first limits go out switched off: the PC watches those
  // itself.
  for (FilterInfo& filter : s.m_filters) filter.m_alarmLimit1 = MeasValue();
  s.m_waterAlarmLimit1 = MeasValue();

  CmdBuilder& b = Builder();
  AddSetupDownload(b, s);
  b.AddMessageCheck();

  b.Add(&CommKovo::setServiceRequest, 1, 1);
  b.Add(&CommKovo::startMeasurement);
  b.AddStep(b.Helper(), &CommKovoHelper::WaitForStatus, 8);
  b.AddMessageCheck().AddClearLog();
}

void MonitorService::AddSetupDownload(CmdBuilder& b, const MonitorSetup& s) {
  AddSamplingSetup(b, s);
  b.Add(&CommKovo::setDA, s.m_rollingAvgOn != 0);
  b.Add(&CommKovo::setAverageTime, static_cast<int32_t>(s.m_rollingAvg));

  for (int f = FilterPos::A; f <= FilterPos::E; ++f) {
    const FilterInfo& filter = s.GetFilter(f);
    const bool used = filter.m_active != 0;
    b.Add(&CommKovo::setUseFilter, FilterPos(f), used);
    if (!used) continue;
    // A filter without an active bank (255) keeps the monitor's own bank and
    // limits: there is no bank to name.
    const int bank = filter.m_activeBank;
    if (bank >= 0 && bank < 5) {
      b.Add(&CommKovo::setActiveBank, FilterPos(f), BankNo(bank));
      b.Add(&CommKovo::setAlarmLimit1, FilterPos(f), BankNo(bank), filter.m_alarmLimit1);
      b.Add(&CommKovo::setAlarmLimit2, FilterPos(f), BankNo(bank), filter.m_alarmLimit2);
    }
    b.Add(&CommKovo::setSampleIntegrationTime, FilterPos(f), filter.m_integrationTime);
  }
  const bool waterUsed = s.m_waterActive != 0;
  b.Add(&CommKovo::setUseFilter, FilterPos(FilterPos::W), waterUsed);
  if (waterUsed) {
    b.Add(&CommKovo::setWaterAlarmLimit1, s.m_waterAlarmLimit1);
    b.Add(&CommKovo::setWaterAlarmLimit2, s.m_waterAlarmLimit2);
    b.Add(&CommKovo::setSampleIntegrationTime, FilterPos(FilterPos::W), s.m_waterIntegrationTime);
  }
}

void MonitorService::AddSamplingSetup(CmdBuilder& b, const MonitorSetup& s) {
  b.Add(&CommKovo::setLengthUnit, COLengUnit(s.m_lengthUnit));
  b.Add(&CommKovo::setHumiUnit, COHumiUnit(s.m_humiUnit));
  b.Add(&CommKovo::setPressureUnit, COPresUnit(s.m_presUnit));
  b.Add(&CommKovo::setTempUnit, COTempUnit(s.m_tempUnit));
  b.Add(&CommKovo::setConcUnit, COConcUnit(s.m_concUnit));
  b.Add(&CommKovo::setAirPressure, s.m_airPressure);
  b.Add(&CommKovo::setCrossCompensation, s.m_crossComp != 0);
  b.Add(&CommKovo::setWaterCompensation, s.m_waterComp != 0);
  b.Add(&CommKovo::setSampleContinuously, s.m_notContinuous == 0);
  b.Add(&CommKovo::setSampleInterval, static_cast<int16_t>(s.m_sampleInterval));
  b.Add(&CommKovo::setNormTemperature, s.m_normTemp);
  b.Add(&CommKovo::setClockNotBefore, s.m_clockNotBefore);
  b.Add(&CommKovo::setMM, false);
  // The set-up's further mode flag is flushing by fixed times.
  const bool fixedTimes = s.m_modeFlag != 0;
  b.Add(&CommKovo::setFixedTime, fixedTimes);
  if (fixedTimes) {
    b.Add(&CommKovo::setChamberFlushTime, s.m_chamberTime);
    b.Add(&CommKovo::setTubeFlushTime, s.m_tubeTime);
  } else {
    b.Add(&CommKovo::setTubeLength, s.m_tubeLength);
  }
}

void MonitorService::AddCycleCommands() {
  // The first sample is dated from the start; every later one from the
  // sample before it.
  if (!m_haveSampleTime) {
    const CalibTime& start = m_device->Setup().m_startTime;
    m_fromTime = start.IsValid() ? start.GetTime() - platform::CTimeSpan(3600) : platform::CTime::GetCurrentTime() - platform::CTimeSpan(600);
  }
  CmdBuilder& b = Builder();
  CommKovoHelper* helper = b.Helper();
  b.Add(&CommKovo::getServiceRequestMem, 1, helper->GetRequestFlags());
  b.AddStep(helper, &CommKovoHelper::RequestIfFlagged, 1);
  b.AddStep(helper, &CommKovoHelper::ReadMeasurement, static_cast<MeasService<COMeas>*>(this));
  b.AddClearLog();
}
