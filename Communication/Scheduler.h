#pragma once
// The scheduler: the pending list of services that its worker thread runs,
// one command per step, and the done-list that hands finished services to
// their clients on the user-interface thread.
//
// Lock order (every lock of the engine):
//   the exchange lock ->  a service's lock
//   a service's lock  ->  the scheduler lock
//   a service's lock  ->  a leaf lock: a monitoring service's result-list
//                         lock, the command processor's log lock, the
//                         periodic timer's and the window timers' own locks
// The done-list lock is taken only with no service lock held, and never
// together with the scheduler lock. No lock is held while a client or the
// notifier is called, while a timer's callback runs, or while the worker
// waits for work.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The thread a device runs its services on.
class ThreadControl {
 public:
  virtual void Run() = 0;
  // A thread still held is waited for; the derived class must already have
  // told it to end.
  virtual ~ThreadControl();

  // Starts the thread at once. Raising its priority needs privileges a
  // desktop user does not have, so the priority is taken as a wish only.
  // Throws std::system_error when no thread can be had.
  void Start(int priority);
  // True once the thread has ended (or when there is none), waiting at most
  // the limit.
  bool WaitForExit(std::chrono::milliseconds limit);
  // Waits without limit for the thread to end, then lets it go. It does not
  // signal the thread: the caller has done that.
  void Stop();
  bool HasThread() const { return m_thread.joinable(); }
  // Whether the caller is this thread.
  bool OnThread() const { return m_threadId.load() == std::this_thread::get_id(); }

 private:
  std::thread m_thread;
  std::atomic<std::thread::id> m_threadId{};
  std::mutex m_exitLock;
  std::condition_variable m_exited;
  bool m_ended = true;
};

template <class T>
class Scheduler : public ThreadControl {
 public:
  // Told with the command number the programs handle (214, or 226 in the
  // Calibration program) that finished services wait for DispatchDone. It is
  // called from any thread and must only post: it must not block.
  using Notifier = std::function<void(unsigned commandId)>;

  ~Scheduler() override {
    SetRunning(false);
    Stop();
  }

  // Worker thread.
  void Run() override {
    while (T* service = WaitForNext()) {
      {
        std::lock_guard<std::mutex> exchange(m_exchangeLock);
        try {
          service->Step();
        } catch (...) {
          // Step reports every failure on the service itself; nothing may end
          // the worker.
        }
      }
      EndStep();
    }
  }

  // Held by the worker for each step. Whoever talks to the monitor outside
  // the scheduler (a direct query) holds it too, so that the port carries one
  // exchange at a time. Take it with no other lock held.
  std::mutex& ExchangeLock() { return m_exchangeLock; }

  // The service at the tail of the pending list, left in it; none once the
  // running flag is clear. Sleeps while the list is empty.
  T* WaitForNext() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
      if (!m_running) return nullptr;
      if (!m_pending.empty()) {
        m_current = m_pending.back();
        return m_current;
      }
      m_waiting = true;
      m_wake.wait(lock);  // the scheduler lock is free while the worker sleeps
      m_waiting = false;
    }
  }

  // A service a client starts waits behind every service queued before it.
  void QueueAtHead(T* service) { Queue(service, false); }
  // A continuing phase (the next polling cycle, the stop phase) runs next.
  void QueueAtTail(T* service) { Queue(service, true); }

  // Called with the service's lock held: service lock -> scheduler lock.
  void Remove(T* service) {
    std::lock_guard<std::mutex> lock(m_lock);
    Erase(m_pending, service);
  }
  bool IsPending(const T* service) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::find(m_pending.begin(), m_pending.end(), service) != m_pending.end();
  }
  size_t GetPendingCount() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pending.size();
  }

  // Cleared by the device's close: wakes the worker, which ends at its next
  // WaitForNext (after the step under way).
  void SetRunning(bool running) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_running = running;
    if (!running) WakeLocked();
  }
  bool IsRunning() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_running;
  }
  bool IsWaiting() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_waiting;
  }

  // Appends a finished (or progressing) service; true when the list was
  // empty, so the caller notifies once for every service until the dispatch.
  bool AddDone(T* service) {
    std::lock_guard<std::mutex> lock(m_doneLock);  // no service lock is held
    const bool wasEmpty = m_done.empty();
    m_done.push_back(service);
    return wasEmpty;
  }
  void SetNotifier(Notifier notifier) {
    std::lock_guard<std::mutex> lock(m_doneLock);
    m_notifier = std::move(notifier);
  }
  // The command the notifier is told: 214, or 226 in the Calibration program.
  void SetDoneCommand(unsigned commandId) {
    std::lock_guard<std::mutex> lock(m_doneLock);
    m_doneCommand = commandId;
  }
  void NotifyDone() {
    Notifier notifier;
    unsigned command;
    {
      std::lock_guard<std::mutex> lock(m_doneLock);
      notifier = m_notifier;
      command = m_doneCommand;
    }
    if (notifier) notifier(command);
  }

  // User-interface thread: empties the done-list in one pass, calling each
  // client with the lock released.
  void DispatchDone() {
    std::unique_lock<std::mutex> lock(m_doneLock);
    while (!m_done.empty()) {
      T* service = m_done.front();
      m_done.pop_front();
      lock.unlock();
      service->CallClient();
      lock.lock();
    }
  }
  size_t GetDoneCount() const {
    std::lock_guard<std::mutex> lock(m_doneLock);
    return m_done.size();
  }

  // A service about to be deleted leaves both lists; when the worker is
  // inside it, this waits until the step under way has ended.
  void Forget(T* service) {
    {
      std::unique_lock<std::mutex> lock(m_lock);
      Erase(m_pending, service);
      if (!OnThread()) m_stepEnded.wait(lock, [&] { return m_current != service; });
    }
    std::lock_guard<std::mutex> lock(m_doneLock);
    Erase(m_done, service);
  }

 private:
  static void Erase(std::deque<T*>& list, const T* service) {
    list.erase(std::remove(list.begin(), list.end(), service), list.end());
  }

  // Called with the service's lock held: service lock -> scheduler lock.
  void Queue(T* service, bool atTail) {
    std::lock_guard<std::mutex> lock(m_lock);
    WakeLocked();
    // A service is in the list once: queueing it again moves it.
    Erase(m_pending, service);
    if (atTail) {
      m_pending.push_back(service);
    } else {
      m_pending.push_front(service);
    }
  }

  void WakeLocked() {
    if (m_waiting) {
      m_waiting = false;
      m_wake.notify_all();
    }
  }

  void EndStep() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_current = nullptr;
    m_stepEnded.notify_all();
  }

  std::deque<T*> m_pending;  // the worker runs the tail
  mutable std::mutex m_lock;
  std::condition_variable m_wake;
  std::condition_variable m_stepEnded;
  bool m_running = false;
  int m_waiting = false;
  T* m_current = nullptr;  // the service the worker is stepping
  std::deque<T*> m_done;
  mutable std::mutex m_doneLock;
  Notifier m_notifier;
  unsigned m_doneCommand = 214;
  std::mutex m_exchangeLock;
};
