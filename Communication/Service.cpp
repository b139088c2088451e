#include "Service.h"

#include "CommandProc.h"
#include "DeviceKovo.h"
#include "Exceptions.h"
#include "Scans.h"

// --- Service ---

Service::Service(Scheduler<Service>* scheduler, DeviceKovoClient* client) : m_client(client), m_scheduler(scheduler) {}

Service::~Service() { Service::Detach(); }

void Service::Detach() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_detached) return;
    m_detached = true;
  }
  // Without the service lock: the worker may need it to end its step.
  if (m_scheduler) m_scheduler->Forget(this);
}

void Service::Cancel() { End(true); }

void Service::End(bool failed) {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state == stateFinished) return;
    if (failed) m_failed = true;
    if (m_executing) {
      m_finishRequested = true;
      return;
    }
  }
  Service::Finish();
}

void Service::Finish() {
  bool notify;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    notify = FinishLocked();
  }
  if (notify) NotifyClient();
}

bool Service::FinishLocked() {
  if (m_state == stateFinished) return false;
  RemoveFromPending();  // service lock -> scheduler lock
  m_state = stateFinished;
  return true;
}

int Service::GetState() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_state == stateFinished && !m_finishShown ? stateRunning : m_state;
}

int Service::GetLiveState() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_state;
}

bool Service::IsFailed() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_failed;
}

std::string Service::GetErrorText() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_errorText;
}

void Service::NotifyClient() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_notified || m_finishShown) return;
    m_notified = true;
  }
  // The done-list lock only after the service lock was released.
  if (m_scheduler->AddDone(this)) m_scheduler->NotifyDone();
}

void Service::CallClient() {
  DeviceKovoClient* client;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_notified = false;
    if (m_state == stateFinished) {
      // A progress report that came before the finish may arrive after it.
      if (m_finishShown) return;
      m_finishShown = true;
    }
    client = m_client;
  }
  if (client) client->ServiceDone(this);
}

void ServiceDeleter::operator()(Service* service) const {
  if (!service) return;
  service->Detach();
  delete service;
}

// --- ServiceCmdQueue ---

ServiceCmdQueue::ServiceCmdQueue(DeviceKovo* device, DeviceKovoClient* client)
    : Service(&device->GetScheduler(), client),
      m_builder(&device->Comm(), device, &m_queue),
      m_proc(&device->Proc()),
      m_device(device) {}

void ServiceCmdQueue::Start() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_state != stateNew) return;
  AddCommands();
  m_queue.Rewind();
  QueueAtHead();
  m_state = stateRunning;
}

template <class F>
bool ServiceCmdQueue::Guarded(F step) {
  std::string error;
  try {
    step();
    return true;
  } catch (const Exception& e) {
    error = e.Describe();
  } catch (Scans::ScanError) {
    error = CommException(CommException::read).Describe();
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "Unknown error";
  }
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_failed = true;
  if (m_errorText.empty()) m_errorText = error;
  return false;
}

void ServiceCmdQueue::Step() {
  Command* command;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state != stateRunning) return;
    command = m_queue.Next();
    m_executing = command != nullptr;
  }
  if (!command) {
    // Finishing a phase can fail too (a periodic timer that will not start).
    if (!Guarded([this] { Finish(); })) Cancel();
    return;
  }
  // The lock is free while the command talks to the monitor.
  const bool ok = Guarded([this, command] { m_proc->Execute(command); });
  bool finish;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_executing = false;
    finish = m_finishRequested;
  }
  if (!ok) {
    Cancel();
  } else if (finish) {
    Finish();
  }
}

bool ServiceCmdQueue::FinishLocked() {
  if (m_state == stateFinished) return false;
  DeleteCommands();
  m_queue.Rewind();
  m_proc->ClearLog();
  return Service::FinishLocked();
}

void ServiceCmdQueue::DeleteCommands() {
  m_proc->Forget(m_queue);
  m_queue.DeleteAll();
}

size_t ServiceCmdQueue::GetCommandCount() const {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_queue.GetCount();
}

// --- ServiceWithProgress ---

void ServiceWithProgress::Start() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  ServiceCmdQueue::Start();
  m_total = static_cast<int>(m_queue.GetCount());
  m_done = 0;
  m_lastReported = 0;
  m_firstReport = true;
}

void ServiceWithProgress::Step() {
  ServiceCmdQueue::Step();
  bool report = false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_state == stateRunning) {
      ++m_done;
      if (m_firstReport && m_total > 0 && m_done * 100 / m_total >= m_lastReported + 2) {
        m_firstReport = false;
        report = true;
      }
    }
  }
  if (report) NotifyClient();
}

int ServiceWithProgress::GetProgress() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  const int progress = m_total > 0 ? m_done * 100 / m_total : 0;
  m_lastReported = progress;
  m_firstReport = true;
  return progress;
}
