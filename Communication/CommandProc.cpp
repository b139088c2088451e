#include "CommandProc.h"

#include "CommKovo.h"
#include "CommKovoHelper.h"

void CommandProc::Execute(Command* command) {
  {
    std::lock_guard<std::mutex> lock(m_logLock);
    m_log.Add(command);
  }
  command->Execute();
}

void CommandProc::CheckMonitorMessage(ChBuf& text) {
  bool message = false;
  m_comm->getAM(message);
  if (!message) return;
  m_comm->getPUDB(text);
  m_comm->sendAM();
  throw TryAgainException();
}

void CommandProc::ClearLog() {
  std::lock_guard<std::mutex> lock(m_logLock);
  m_log.RemoveAll();
}

void CommandProc::Forget(const CommandQueue& queue) {
  std::lock_guard<std::mutex> lock(m_logLock);
  m_log.Forget(queue);
}

size_t CommandProc::GetLogCount() const {
  std::lock_guard<std::mutex> lock(m_logLock);
  return m_log.GetCount();
}
