#include "CmdBuilder.h"

#include "CommandProc.h"
#include "DeviceKovo.h"

CmdBuilder::CmdBuilder(CommKovo* comm, DeviceKovo* device, CommandQueue* queue)
    : m_comm(comm), m_device(device), m_queue(queue) {}

CommKovoHelper* CmdBuilder::Helper() const { return &m_device->Helper(); }

CmdBuilder& CmdBuilder::AddCall(std::function<void()> call) {
  m_queue->Add(new CallCommand(std::move(call)));
  return *this;
}

CmdBuilder& CmdBuilder::AddMessageCheck() {
  return AddStep(&m_device->Proc(), &CommandProc::CheckMonitorMessage, m_device->TextBuffer());
}

CmdBuilder& CmdBuilder::AddClearLog() { return AddStep(&m_device->Proc(), &CommandProc::ClearLog); }
