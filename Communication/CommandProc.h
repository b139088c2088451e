#pragma once
// The device's command processor: runs each command, keeps a log of the
// commands run since the last clear, and checks the monitor for a message.
#include <cstddef>
#include <mutex>

#include "ChBuf.h"
#include "Command.h"

class CommKovo;

class CommandProc {
 public:
  explicit CommandProc(CommKovo* comm) : m_comm(comm) {}
  CommandProc(const CommandProc&) = delete;
  CommandProc& operator=(const CommandProc&) = delete;

  // Logs the command, then runs it; its exceptions pass to the caller.
  void Execute(Command* command);
  // The last monitor step of every list: when the monitor holds a message,
  // reads it into the text, acknowledges it and throws TryAgainException.
  void CheckMonitorMessage(ChBuf& text);
  // Empties the log without deleting anything.
  void ClearLog();
  // Drops the queue's commands from the log before the queue deletes them,
  // so the log never lists a deleted command.
  void Forget(const CommandQueue& queue);
  size_t GetLogCount() const;

 private:
  CommKovo* const m_comm;
  LogQueue m_log;
  // A leaf lock: the log is written by the worker and cleared by a service
  // that finishes on the user-interface thread.
  mutable std::mutex m_logLock;
};
