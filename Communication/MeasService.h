#pragma once
// A service that runs in phases: a start list, then a polling cycle that the
// periodic timer queues again and again, each cycle possibly reading one
// measurement, then a stop list and one final cycle.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "CommKovo.h"
#include "CommKovoHelper.h"
#include "PeriodicTimer.h"
#include "Service.h"
#include "core/Time.h"

template <class T>
class MeasService : public ServiceCmdQueue {
 public:
  enum Phase { phaseStart = 0, phasePolling = 1, phaseStopping = 2, phaseFinal = 3 };
  static constexpr unsigned kTimerResolutionMs = 100;

  MeasService(DeviceKovo* device, DeviceKovoClient* client, unsigned pollPeriodMs)
      : ServiceCmdQueue(device, client),
        m_tick(MakeCommand(this, &MeasService::OnTimer)),
        m_timer(kTimerResolutionMs),
        m_pollPeriodMs(pollPeriodMs) {}
  ~MeasService() override { MeasService::Detach(); }

  void Start() override {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state != stateNew) return;
    m_phase = phaseStart;
    m_cyclePending = false;
    m_stopRequested = false;
    ServiceCmdQueue::Start();
  }

  // Ends the service at once (not as failed); a failed command ends it this
  // way too, with the failed flag set.
  void Cancel() override {
    {
      std::lock_guard<std::recursive_mutex> lock(m_lock);
      if (m_state == stateFinished) return;
      m_timer.Stop();
    }
    End(false);
  }

  // A stop asked while a cycle is pending takes effect when the cycle ends;
  // one asked while the service is stopping already changes nothing.
  virtual void Stop() {
    {
      std::lock_guard<std::recursive_mutex> lock(m_lock);
      if (m_state == stateFinished) return;
      if (m_cyclePending) {
        m_stopRequested = true;
        return;
      }
      if (m_phase == phasePolling) {
        BeginStopPhase();
        return;
      }
      if (m_phase != phaseStart) return;
    }
    End(false);  // still starting: the service just ends
  }

  // Worker thread, when the list of the current phase is done (or a finish
  // was asked for while a command ran).
  void Finish() override {
    enum { nothing, notify, end } next = nothing;
    {
      std::lock_guard<std::recursive_mutex> lock(m_lock);
      if (m_state == stateFinished) return;
      if (m_failed || m_finishRequested) {
        m_timer.Stop();
        next = end;
      } else {
        switch (m_phase) {
          case phaseStart:
            ReplaceCommands([this] { AddCycleCommands(); });
            m_timer.Start(m_pollPeriodMs, m_tick.get());
            RemoveFromPending();
            m_phase = phasePolling;
            next = notify;  // the client learns that polling has begun
            break;
          case phasePolling:
            RemoveFromPending();
            m_cyclePending = false;
            if (HasResults()) next = notify;
            if (m_stopRequested) BeginStopPhase();
            break;
          case phaseStopping:
            // Still in the pending list, so the final cycle runs at once, from
            // the start of its list.
            m_phase = phaseFinal;
            ReplaceCommands([this] { AddCycleCommands(); });
            break;
          case phaseFinal:
            m_cyclePending = false;
            next = end;  // the one callback carries the results as well
            break;
          default:
            break;
        }
      }
    }
    if (next == end) {
      Service::Finish();
    } else if (next == notify) {
      NotifyClient();
    }
  }

  void Detach() override {
    // Without the service lock: a tick may be waiting for it.
    m_timer.Shutdown();
    ServiceCmdQueue::Detach();
  }

  virtual void AddCycleCommands() = 0;
  virtual void AddStopCommands() {
    CmdBuilder& b = Builder();
    b.Add(&CommKovo::sendAM).AddMessageCheck().Add(&CommKovo::stopMeasurement);
    b.AddStep(b.Helper(), &CommKovoHelper::WaitForStatus, 0).AddClearLog();
  }

  // The periodic timer's thread: queues the next cycle unless one is pending.
  void OnTimer() {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    // A tick that comes after polling has ended queues nothing.
    if (m_state != stateRunning || m_phase != phasePolling || m_cyclePending || m_stopRequested) return;
    m_cyclePending = true;
    m_queue.Rewind();
    QueueAtTail();
  }

  int GetPhase() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_phase;
  }
  bool IsCyclePending() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_cyclePending;
  }
  bool IsTimerRunning() const { return m_timer.IsRunning(); }

  // The results: appended by the worker, taken on the user-interface thread.
  size_t GetResultCount() const {
    std::lock_guard<std::mutex> lock(m_resultLock);
    return m_results.size();
  }
  // The newest result, removed; a default one when none is held.
  T TakeNewestResult() {
    std::lock_guard<std::mutex> lock(m_resultLock);
    if (m_results.empty()) return T();
    T newest = m_results.back();
    m_results.pop_back();
    return newest;
  }
  void AddResult(const T& result) {
    std::lock_guard<std::mutex> lock(m_resultLock);
    m_results.push_back(result);
  }

  // The time the sample query dates the next sample from.
  platform::CTime GetFromTime() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_fromTime;
  }
  void SetFromTime(const platform::CTime& time) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_fromTime = time;
    m_haveSampleTime = true;
  }

 protected:
  // With the lock held.
  void BeginStopPhase() {
    if (m_phase == phasePolling) m_timer.Stop();
    m_phase = phaseStopping;
    ReplaceCommands([this] { AddStopCommands(); });
    QueueAtTail();
  }
  bool HasResults() const { return GetResultCount() != 0; }  // service lock -> result lock

  platform::CTime m_fromTime;
  bool m_haveSampleTime = false;  // the from-time is a sample's time
  int m_phase = phaseStart;
  uint8_t m_cyclePending = false;
  std::unique_ptr<Command> m_tick;  // the timer's target: OnTimer
  PeriodicTimer m_timer;
  std::deque<T> m_results;
  mutable std::mutex m_resultLock;
  int m_stopRequested = false;
  unsigned m_pollPeriodMs;
};
