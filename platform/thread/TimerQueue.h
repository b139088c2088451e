#pragma once
// Timers that run their callbacks on one thread of their own: one-shot
// timers and periodic ones on a drift-free grid of deadlines.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

class TimerQueue {
 public:
  using Callback = std::function<void()>;
  using Duration = std::chrono::milliseconds;

  TimerQueue() = default;
  ~TimerQueue() { Shutdown(); }
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;

  // Both return an identifier other than 0. The thread starts with the first
  // timer; std::system_error when it cannot.
  unsigned AddOnce(Duration delay, Callback callback);
  // Deadlines fall on start + n * period; a tick the callback made late is
  // skipped, not made up.
  unsigned AddPeriodic(Duration period, Callback callback);
  // Returns at once, never waiting for a callback: callers may hold locks
  // that the callback takes. The timer fires no more, but a callback that had
  // already begun runs to its end.
  void Remove(unsigned id);
  bool Has(unsigned id) const;
  // Drops every timer, ends the thread and waits for a callback that is
  // running; no timer can be added afterwards (Add then throws
  // std::system_error). Never call it from a callback.
  void Shutdown();

 private:
  using Clock = std::chrono::steady_clock;
  struct Entry {
    Clock::time_point due;
    Duration period;  // zero for a one-shot timer
    Callback callback;
  };

  unsigned Add(Duration first, Duration period, Callback callback);
  void Run();

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::map<unsigned, Entry> m_entries;
  unsigned m_lastId = 0;
  bool m_stop = false;
  std::thread m_thread;
};

// A pause that another thread can cut short.
class InterruptibleSleep {
 public:
  // False when interrupted, before or during the pause.
  bool SleepFor(std::chrono::milliseconds pause) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_changed.wait_for(lock, pause, [this] { return m_interrupted; });
  }
  // Cuts short the pause under way and every later one until Reset.
  void Interrupt() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_interrupted = true;
    m_changed.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_interrupted = false;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_interrupted = false;
};

}  // namespace platform
