#pragma once
// The periodic timer that drives the polling cycle: at every period it runs
// its target command on the timer's own thread.
#include <atomic>

#include "thread/TimerQueue.h"

class Command;

// The periods a timer accepts, in milliseconds.
struct TimerCaps {
  unsigned periodMin;
  unsigned periodMax;
};

class PeriodicTimer {
 public:
  static TimerCaps GetDevCaps() { return TimerCaps{1, 1000000}; }

  // The resolution is kept within the capabilities.
  explicit PeriodicTimer(unsigned resolutionMs);
  // Stops the timer and waits for a tick that is running: never destroy it
  // while holding a lock that the target takes.
  ~PeriodicTimer();
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // The target is not owned. Throws Win32Error "Unable to start periodic
  // timer" for a period outside the capabilities or when no timer thread
  // can be had.
  void Start(unsigned periodMs, Command* target);
  // Returns at once, so it may be called with the service lock held while a
  // tick waits for that lock; such a late tick must check for itself that it
  // is still wanted.
  void Stop();
  // Stop, then wait for a running tick to end.
  void Shutdown();
  bool IsRunning() const { return m_id.load() != 0; }
  unsigned GetResolution() const { return m_resolution; }

 private:
  unsigned m_resolution;
  std::atomic<unsigned> m_id{0};
  platform::TimerQueue m_timers;
};
