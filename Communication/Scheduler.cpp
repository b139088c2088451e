#include "Scheduler.h"

ThreadControl::~ThreadControl() {
  if (m_thread.joinable()) m_thread.join();
}

void ThreadControl::Start(int /*priority*/) {
  {
    std::lock_guard<std::mutex> lock(m_exitLock);
    m_ended = false;
  }
  try {
    m_thread = std::thread([this] {
      m_threadId = std::this_thread::get_id();
      Run();
      std::lock_guard<std::mutex> lock(m_exitLock);
      m_ended = true;
      m_exited.notify_all();
    });
  } catch (...) {
    std::lock_guard<std::mutex> lock(m_exitLock);
    m_ended = true;
    throw;
  }
}

bool ThreadControl::WaitForExit(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_exitLock);
  return m_exited.wait_for(lock, limit, [this] { return m_ended; });
}

void ThreadControl::Stop() {
  if (!m_thread.joinable()) return;
  m_thread.join();
  m_threadId = std::thread::id();
}
