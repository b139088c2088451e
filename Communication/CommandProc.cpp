#include "CommandProc.h"

#include "CommKovo.h"
#include "CommKovoHelper.h"

namespace {
std::mutex g_instanceLock;
CommandProc* g_instance = nullptr;
}  // namespace

CommandProc* CommandProc::Instance() {
  std::lock_guard<std::mutex> lock(g_instanceLock);
  if (!g_instance) g_instance = new CommandProc();
  return g_instance;
}

void CommandProc::DeleteInstance() {
  std::lock_guard<std::mutex> lock(g_instanceLock);
  delete g_instance;
  g_instance = nullptr;
}

void CommandProc::SetComm(CommKovo* comm) {
  std::lock_guard<std::mutex> lock(m_logLock);
  m_comm = comm;
}

CommKovo* CommandProc::GetComm() const {
  std::lock_guard<std::mutex> lock(m_logLock);
  return m_comm;
}

void CommandProc::Execute(Command* command) {
  {
    std::lock_guard<std::mutex> lock(m_logLock);
    m_log.Add(command);
  }
  command->Execute();
}

void CommandProc::CheckMonitorMessage(ChBuf& text) {
  CommKovo* comm = GetComm();
  bool message = false;
  comm->getAM(message);
  if (!message) return;
  comm->getPUDB(text);
  comm->sendAM();
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
