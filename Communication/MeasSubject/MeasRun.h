#pragma once
// The run of a measurement task as every measurement subject drives it: the
// states from the start through pauses to the stop, the service of each
// stretch of the run, and the hand-over of each reading to the general
// subject. What differs between the programs is handed in (Profile).
//
// Everything here runs on the user-interface thread, and nothing here waits
// on it: readings that are to come apart wait for a window timer of the
// device.
#include <chrono>
#include <deque>
#include <functional>

#include "COMeas.h"
#include "DataContext.h"
#include "MeasService.h"
#include "core/Time.h"

class CSubject;
class DeviceKovo;

class MeasRun {
 public:
  using RunService = MeasService<COMeas>;

  struct Profile {
    // A new service for a start or a resume, with the subject as its client.
    std::function<ServiceHandle<RunService>()> newService;
    // A reading as the monitor sent it into what the task keeps.
    std::function<void(COMeas&)> transform;
    // A new [Sequence] row once a run that measured has ended.
    std::function<void()> newSequence;
    // The message when a run ends because the monitor failed, and what
    // else the subject does then (may be empty).
    unsigned failedMessage = 0;
    std::function<void()> onFailed;
    // Between two readings that arrived together; 0 hands them over at once.
    std::chrono::milliseconds readingPause{0};
    // What the device's notifier is told when services are done.
    unsigned doneCommand = 0;
  };

  // owner: the subject whose own observers hear of the state changes.
  MeasRun(CSubject& owner, DataContext& context, DeviceKovo& device, Profile profile);
  ~MeasRun();
  MeasRun(const MeasRun&) = delete;
  MeasRun& operator=(const MeasRun&) = delete;

  MeasState GetState() const { return m_state; }
  const platform::CTime& GetStartTime() const { return m_startTime; }
  // A reading arrived since the task started.
  bool HasLastMeas() const { return m_measReceived; }
  const COMeas& GetLastMeas() const { return m_lastMeas; }
  // Readings are coming in now: some wait to be handed over, or the
  // running service holds some.
  bool IsMeasuring() const;
  RunService* GetService() const { return m_service.get(); }
  // Readings taken from the service and not handed over yet.
  size_t GetWaitingCount() const { return m_waiting.size(); }
  void SetReadingPause(std::chrono::milliseconds pause) { m_profile.readingPause = pause; }

  // Delayed start or starting, then a new service.
  void Start(const platform::CTime& startTime, bool delayed);
  // From a delayed start, starting or active: stopping, and the service stops.
  void Stop();
  // The stop at the program's end: the service stops while active.
  void StopService();
  // Pauses a started or running task, or resumes a paused one; does nothing
  // otherwise.
  void PauseOrResume();
  // The client callback of the held service.
  void ServiceDone(Service* service);

 private:
  void StartService();
  void HandOver();
  void TakeResults();
  void DeliverNext();
  void EndRun();
  void SetPauseTimer(std::chrono::milliseconds delay);
  bool WorkLeft() const;

  CSubject& m_owner;
  DataContext& m_context;
  DeviceKovo& m_device;
  Profile m_profile;
  MeasState m_state = MeasState::idle;
  platform::CTime m_startTime;
  ServiceHandle<RunService> m_service;
  // The held service has finished; its end waits for the readings it left.
  RunService* m_finished = nullptr;
  std::deque<COMeas> m_waiting;  // oldest first
  bool m_measReceived = false;
  COMeas m_lastMeas;
  // The hand-over is running further up the stack (a message box's loop
  // reached the dispatch again).
  bool m_delivering = false;
  unsigned m_pauseTimer = 0;
};
