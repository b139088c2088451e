#include "UiTimers.h"

#include <algorithm>

unsigned UiTimers::Set(std::chrono::milliseconds delay, std::function<void()> callback) {
  unsigned id;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (++m_lastId == 0) ++m_lastId;
    id = m_lastId;
    m_set[id] = Timer{0, std::move(callback)};
  }
  const unsigned queueId = m_timers.AddOnce(delay, [this, id] {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      if (m_set.count(id) == 0) return;  // killed meanwhile
      m_due.push_back(id);
    }
    m_wake();
  });
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_set.find(id);
  if (it != m_set.end()) it->second.queueId = queueId;
  return id;
}

void UiTimers::Kill(unsigned id) {
  unsigned queueId = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_set.find(id);
    if (it == m_set.end()) return;
    queueId = it->second.queueId;
    m_set.erase(it);
    m_due.erase(std::remove(m_due.begin(), m_due.end(), id), m_due.end());
  }
  if (queueId != 0) m_timers.Remove(queueId);
}

void UiTimers::RunDue() {
  std::unique_lock<std::mutex> lock(m_lock);
  while (!m_due.empty()) {
    const unsigned id = m_due.front();
    m_due.pop_front();
    auto it = m_set.find(id);
    if (it == m_set.end()) continue;
    std::function<void()> callback = std::move(it->second.callback);
    m_set.erase(it);
    lock.unlock();
    callback();
    lock.lock();
  }
}

bool UiTimers::IsSet(unsigned id) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_set.count(id) != 0;
}
