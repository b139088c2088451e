#pragma once
// Timers whose callbacks run on the user-interface thread (the window timers
// of a delayed start and a timed stop). They expire on a timer thread, which
// only wakes the user-interface thread through the device's notifier; the
// callbacks run in DeviceKovo::DispatchDone.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "thread/TimerQueue.h"

class UiTimers {
 public:
  explicit UiTimers(std::function<void()> wake) : m_wake(std::move(wake)) {}
  ~UiTimers() { m_timers.Shutdown(); }
  UiTimers(const UiTimers&) = delete;
  UiTimers& operator=(const UiTimers&) = delete;

  // A one-shot timer; returns its identifier (never 0).
  unsigned Set(std::chrono::milliseconds delay, std::function<void()> callback);
  // The timer fires no more; one that has expired but not yet run is dropped.
  void Kill(unsigned id);
  // User-interface thread: runs the callbacks of the timers that expired.
  void RunDue();
  bool IsSet(unsigned id) const;

 private:
  std::function<void()> m_wake;
  // A leaf lock: held neither while a callback runs nor while waking.
  mutable std::mutex m_lock;
  struct Timer {
    unsigned queueId;
    std::function<void()> callback;
  };
  std::map<unsigned, Timer> m_set;
  std::deque<unsigned> m_due;
  unsigned m_lastId = 0;
  platform::TimerQueue m_timers;
};
