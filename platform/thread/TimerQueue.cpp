#include "TimerQueue.h"

#include <cerrno>
#include <system_error>

namespace platform {

void TimerQueue::Shutdown() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
    m_entries.clear();
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

unsigned TimerQueue::AddOnce(Duration delay, Callback callback) { return Add(delay, Duration::zero(), std::move(callback)); }

unsigned TimerQueue::AddPeriodic(Duration period, Callback callback) {
  return Add(period, period > Duration::zero() ? period : Duration(1), std::move(callback));
}

unsigned TimerQueue::Add(Duration first, Duration period, Callback callback) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_stop) throw std::system_error(ECANCELED, std::generic_category(), "timer queue shut down");
  if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  if (++m_lastId == 0) ++m_lastId;
  m_entries[m_lastId] = Entry{Clock::now() + first, period, std::move(callback)};
  m_changed.notify_all();
  return m_lastId;
}

void TimerQueue::Remove(unsigned id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_entries.erase(id);
  m_changed.notify_all();
}

bool TimerQueue::Has(unsigned id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_entries.count(id) != 0;
}

void TimerQueue::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stop) {
    auto next = m_entries.end();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
      if (next == m_entries.end() || it->second.due < next->second.due) next = it;
    }
    if (next == m_entries.end()) {
      m_changed.wait(lock);
      continue;
    }
    const Clock::time_point due = next->second.due;
    if (Clock::now() < due) {
      m_changed.wait_until(lock, due);
      continue;  // the entries may have changed meanwhile
    }
    Callback callback = next->second.callback;
    if (next->second.period > Duration::zero()) {
      Entry& e = next->second;
      const Clock::time_point now = Clock::now();
      while (e.due <= now) e.due += e.period;
    } else {
      m_entries.erase(next);
    }
    // Never call out with the lock held: Remove must not wait for a callback.
    lock.unlock();
    callback();
    lock.lock();
  }
}

}  // namespace platform
