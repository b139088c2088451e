#pragma once
// Builds a service's commands over the device's command set, command layer
// and command processor, and appends them to the service's queue.
#include <functional>

#include "Command.h"

class CommKovo;
class CommKovoHelper;
class CommandProc;
class DeviceKovo;

class CmdBuilder {
 public:
  CmdBuilder(CommKovo* comm, DeviceKovo* device, CommandQueue* queue);

  // A monitor command: a member of CommKovo and its arguments.
  template <class R, class... P>
  CmdBuilder& Add(R (CommKovo::*member)(P...), BoundArg<P>... args) {
    return AddStep(m_comm, member, std::forward<BoundArg<P>>(args)...);
  }
  // A step of another target (the command layer, the device, a service).
  template <class T, class R, class... P>
  CmdBuilder& AddStep(T* target, R (T::*member)(P...), BoundArg<P>... args) {
    m_queue->Add(MakeCommand(target, member, std::forward<BoundArg<P>>(args)...));
    return *this;
  }
  CmdBuilder& AddCall(std::function<void()> call);
  // The check for a monitor message, into the device's text buffer.
  CmdBuilder& AddMessageCheck();
  CmdBuilder& AddClearLog();

  CommKovo* Comm() const { return m_comm; }
  CommKovoHelper* Helper() const;
  DeviceKovo* Device() const { return m_device; }

 private:
  CommKovo* m_comm;
  DeviceKovo* m_device;
  CommandQueue* m_queue;
};
