#include "MeasRun.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "COGenSub.h"
#include "DBUtil.h"
#include "DeviceKovo.h"
#include "Subject.h"

MeasRun::MeasRun(CSubject& owner, DataContext& context, DeviceKovo& device, Profile profile)
    : m_owner(owner), m_context(context), m_device(device), m_profile(std::move(profile)) {
  m_device.SetDoneCommand(m_profile.doneCommand);
}

MeasRun::~MeasRun() {
  if (m_pauseTimer != 0) m_device.GetUiTimers().Kill(m_pauseTimer);
  m_service.reset();
}

bool MeasRun::IsMeasuring() const {
  return !m_waiting.empty() || (m_state == MeasState::active && m_service && m_service->GetResultCount() > 0);
}

void MeasRun::Start(const platform::CTime& startTime, bool delayed) {
  m_startTime = startTime;
  m_state = delayed ? MeasState::delayedStart : MeasState::starting;
  m_measReceived = false;
  m_owner.Notify();
  StartService();
}

void MeasRun::StartService() {
  m_finished = nullptr;
  m_service = m_profile.newService();
  m_service->Start();
}

void MeasRun::Stop() {
  if (m_state != MeasState::delayedStart && m_state != MeasState::starting && m_state != MeasState::active) return;
  m_state = MeasState::stopping;
  m_owner.Notify();
  // A service still waiting for its start calls back at once.
  if (m_service) m_service->Stop();
}

void MeasRun::StopService() {
  if (m_state == MeasState::active && m_service) m_service->Stop();
}

void MeasRun::PauseOrResume() {
  switch (m_state) {
    case MeasState::delayedStart:
    case MeasState::starting:
    case MeasState::active:
    case MeasState::restartStarting:
      if (!m_service) return;
      m_state = MeasState::restartStopping;
      m_owner.Notify();
      m_service->Stop();
      break;
    case MeasState::restartStopped:
      m_state = MeasState::restartStarting;
      m_owner.Notify();
      StartService();
      break;
    default:
      // No service runs that could pause, and none waits to resume.
      break;
  }
}

void MeasRun::ServiceDone(Service* service) {
  // Only the held service reports here.
  if (service == nullptr || service != m_service.get()) return;
  // Past its start list the service measures.
  const bool running = m_service->GetPhase() != RunService::phaseStart;
  if (running && m_state == MeasState::restartStarting) {
    m_state = MeasState::active;
    m_owner.Notify();
  } else if (running && (m_state == MeasState::delayedStart || m_state == MeasState::starting)) {
    m_state = MeasState::active;
    m_context.GenSub().Notify(eTaskStarted);
  }
  if (service->GetState() == Service::stateFinished) m_finished = m_service.get();
  HandOver();
}

void MeasRun::TakeResults() {
  if (!m_service || m_service->GetResultCount() == 0) return;
  std::vector<COMeas> newestFirst;
  while (m_service->GetResultCount() > 0) newestFirst.push_back(m_service->TakeNewestResult());
  m_waiting.insert(m_waiting.end(), newestFirst.rbegin(), newestFirst.rend());
}

void MeasRun::DeliverNext() {
  COMeas meas = std::move(m_waiting.front());
  m_waiting.pop_front();
  if (m_profile.transform) m_profile.transform(meas);
  m_measReceived = true;
  m_lastMeas = meas;
  m_context.GenSub().NotifyMeas(eNewMeas, meas);
}

bool MeasRun::WorkLeft() const { return !m_waiting.empty() || m_finished != nullptr; }

void MeasRun::HandOver() {
  // A call from further up the stack (a message box's loop while a reading
  // is handed over) leaves the readings and the end to the call under way.
  if (m_delivering) return;
  m_delivering = true;
  try {
    // Oldest first, each stored and shown in the order the monitor measured
    // it; with a pause, one now and the next when the pause is over.
    for (;;) {
      TakeResults();
      if (m_waiting.empty() || m_pauseTimer != 0) break;
      DeliverNext();
      if (m_profile.readingPause.count() > 0) {
        TakeResults();
        if (!m_waiting.empty()) SetPauseTimer(m_profile.readingPause);
      }
    }
  } catch (...) {
    m_delivering = false;
    // An observer that threw stops this hand-over only: what is left goes
    // on from the event loop.
    if (WorkLeft() && m_pauseTimer == 0) SetPauseTimer(m_profile.readingPause);
    throw;
  }
  m_delivering = false;
  if (m_waiting.empty() && m_pauseTimer == 0) EndRun();
}

void MeasRun::SetPauseTimer(std::chrono::milliseconds delay) {
  m_pauseTimer = m_device.GetUiTimers().Set(delay, [this] {
    m_pauseTimer = 0;
    HandOver();
  });
}

void MeasRun::EndRun() {
  RunService* service = std::exchange(m_finished, nullptr);
  // The user may have resumed meanwhile: a newer service has taken the place.
  if (service == nullptr || service != m_service.get()) return;
  const bool failed = service->IsFailed();
  if (m_state == MeasState::restartStopping) {
    m_state = MeasState::restartStopped;
    m_owner.Notify();
  } else if (m_state != MeasState::restartStopped) {
    // Each run that measured keeps its own [Sequence] row.
    if (m_measReceived && m_profile.newSequence) m_profile.newSequence();
    m_state = MeasState::idle;
    m_measReceived = false;
    m_context.GenSub().Notify(eTaskStopped);
  }
  if (failed) {
    if (m_profile.onFailed) m_profile.onFailed();
    ShowMessage(m_profile.failedMessage);
  }
}
