#pragma once
// Services: units of work that a client asks the device for. A client starts
// a service on the user-interface thread; the worker thread runs its commands
// one per step; when it ends it goes on the done-list and its client is called
// back on the user-interface thread, once.
//
// Locks: see Scheduler.h for the order. A service's lock is recursive and
// guards its state, flags, command queue and counters.
#include <memory>
#include <mutex>
#include <string>

#include "CmdBuilder.h"
#include "Command.h"
#include "Scheduler.h"

class CommandProc;
class DeviceKovo;
class Service;

// Receives finished services (and progress reports) on the user-interface
// thread, from DeviceKovo::DispatchDone.
class DeviceKovoClient {
 public:
  virtual void ServiceDone(Service* service) = 0;
  virtual ~DeviceKovoClient() = default;
};

class Service {
 public:
  enum State { stateNew = 0, stateRunning = 1, stateFinished = 2 };

  Service(Scheduler<Service>* scheduler, DeviceKovoClient* client);
  virtual void Start() = 0;
  // Ends the service as failed. While the worker runs one of its commands this
  // only asks: the worker finishes the service when the command returns.
  virtual void Cancel();
  // Worker thread: runs one command. Never throws.
  virtual void Step() = 0;
  virtual ~Service();
  // Takes the service off the pending list and hands it to its client.
  virtual void Finish();
  // Takes the service out of the scheduler's lists, waiting until the worker
  // has left it. Done by ServiceDeleter before the destructors run.
  virtual void Detach();

  // The state as the client sees it: 2 only from the one callback that hands
  // over the finished service on.
  int GetState() const;
  // The state the worker works with.
  int GetLiveState() const;
  bool IsFailed() const;
  // What made the service fail (the exception's text); empty otherwise.
  std::string GetErrorText() const;
  DeviceKovoClient* GetClient() const { return m_client; }

  // Puts the service on the done-list (at most once until its client has been
  // called) and notifies when the list was empty. Call with no lock held.
  void NotifyClient();
  // User-interface thread, from the dispatch: calls the client.
  void CallClient();

  // The command number the programs post for finished services.

 protected:
  // With the lock held: what finishing does under the lock (out of the
  // pending list, state finished); false when it had finished already and
  // there is nobody to notify.
  virtual bool FinishLocked();
  // Ends the service, as failed or not; while a command of it runs this only
  // asks, and the worker ends it when the command returns.
  void End(bool failed);
  void QueueAtHead() { m_scheduler->QueueAtHead(this); }
  void QueueAtTail() { m_scheduler->QueueAtTail(this); }
  void RemoveFromPending() { m_scheduler->Remove(this); }

  mutable std::recursive_mutex m_lock;
  bool m_failed = false;
  int m_state = stateNew;
  DeviceKovoClient* m_client;
  Scheduler<Service>* m_scheduler;
  bool m_notified = false;
  bool m_finishShown = false;  // the client has had the finished service
  std::string m_errorText;
  // A command of this service runs with the lock released: nobody but the
  // worker may delete commands or finish the service meanwhile.
  bool m_executing = false;
  bool m_finishRequested = false;

 private:
  bool m_detached = false;
};

// Deletes a service safely: out of the scheduler first, then destroyed.
struct ServiceDeleter {
  void operator()(Service* service) const;
};
template <class T>
using ServiceHandle = std::unique_ptr<T, ServiceDeleter>;

// A service that runs a list of commands.
class ServiceCmdQueue : public Service {
 public:
  ServiceCmdQueue(DeviceKovo* device, DeviceKovoClient* client);
  // Builds the list and queues the service at the head of the pending list.
  // Only a new service starts.
  void Start() override;
  void Step() override;
  virtual void AddCommands() = 0;

  size_t GetCommandCount() const;

 protected:
  // With the lock held: deletes the commands (the log forgets them first),
  // builds a new list and rewinds, so the new list runs from its start.
  template <class Build>
  void ReplaceCommands(Build build) {
    DeleteCommands();
    build();
    m_queue.Rewind();
  }
  void DeleteCommands();
  // Also deletes the remaining commands and empties the processor's log.
  bool FinishLocked() override;
  // Runs a command or a finishing step; false, with the failure recorded,
  // when it threw.
  template <class F>
  bool Guarded(F step);
  CmdBuilder& Builder() { return m_builder; }
  DeviceKovo* GetDevice() const { return m_device; }

  CommandQueue m_queue;
  CmdBuilder m_builder;
  CommandProc* m_proc;
  DeviceKovo* m_device;
};

// A command-list service whose client is told of its progress.
class ServiceWithProgress : public ServiceCmdQueue {
 public:
  using ServiceCmdQueue::ServiceCmdQueue;
  void Start() override;
  void Step() override;
  // done * 100 / total; reading it re-arms the next report.
  int GetProgress();

 protected:
  int m_total = 0;
  int m_done = 0;
  int m_lastReported = 0;
  bool m_firstReport = false;
};
