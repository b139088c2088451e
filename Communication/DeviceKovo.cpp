#include "DeviceKovo.h"

#include <chrono>

#include "Exceptions.h"
#include "MonitorService.h"
#include "Services.h"

DeviceKovo::DeviceKovo(TransConn* conn, const InstrumentInfo& instrument)
    : m_comm(conn, instrument), m_helper(&m_comm), m_uiTimers([this] { m_scheduler.NotifyDone(); }) {
  SetTimings(m_timings);
}

DeviceKovo::~DeviceKovo() { Close(); }

void DeviceKovo::SetTimings(const DeviceTimings& timings) {
  m_timings = timings;
  m_helper.SetStatusWait(timings.statusAsks, std::chrono::milliseconds(timings.statusPauseMs));
}

bool DeviceKovo::Open() {
  if (m_open) return true;
  m_openFailure.clear();
  try {
    m_comm.open();
  } catch (const Rs232Exception& e) {
    m_openFailure = e.GetDetail();
    return false;
  } catch (...) {
    return false;
  }
  try {
    int32_t status = -1;
    m_comm.getExtStatus(status);
    if (status != 0) throw status;
    m_comm.setKeyLock(true);
    m_helper.Resume();
    m_scheduler.SetRunning(true);
    // Priority 2: the highest a normal thread may ask for.
    m_scheduler.Start(2);
  } catch (...) {
    // Every failure, including a reply that is no number, leaves it closed.
    m_scheduler.SetRunning(false);
    try {
      m_comm.close();
    } catch (...) {
    }
    return false;
  }
  m_open = true;
  return true;
}

void DeviceKovo::Close() {
  if (!m_open) return;
  m_open = false;
  m_scheduler.SetRunning(false);  // wakes a worker that waits for work
  bool cut = false;
  if (!m_scheduler.WaitForExit(std::chrono::milliseconds(m_timings.closeGraceMs))) {
    // The step under way waits on the monitor: closing the port ends a read
    // or write at once, and the pauses of a status wait end as well.
    cut = true;
    m_helper.Interrupt();
    try {
      m_comm.close();
    } catch (...) {
    }
  }
  m_scheduler.Stop();
  m_helper.Resume();
  // The keyboard is unlocked in any case; errors are of no interest now.
  try {
    if (cut) m_comm.open();
    m_comm.setKeyLock(false);
  } catch (...) {
  }
  try {
    m_comm.close();
  } catch (...) {
  }
}

void DeviceKovo::DispatchDone() {
  m_uiTimers.RunDue();
  m_scheduler.DispatchDone();
}

void DeviceKovo::LookupFilter(FilterPos position) {
  const FilterInfo& filter = m_setup.GetFilter(position);
  m_data.lookupFilter(position, filter.GetNumber());
  m_setup.m_uaNumbers.Set(position, filter.GetUANumber());
}

ServiceHandle<ServiceGetID> DeviceKovo::NewGetIDService(DeviceKovoClient* client) {
  return ServiceHandle<ServiceGetID>(new ServiceGetID(this, client));
}

ServiceHandle<ServiceCheckConfig> DeviceKovo::NewCheckConfigService(DeviceKovoClient* client) {
  return ServiceHandle<ServiceCheckConfig>(new ServiceCheckConfig(this, client));
}

ServiceHandle<ServiceSetAlarm> DeviceKovo::NewSetAlarmService(DeviceKovoClient* client, bool on) {
  return ServiceHandle<ServiceSetAlarm>(new ServiceSetAlarm(this, client, on));
}

ServiceHandle<ServiceSetRelay> DeviceKovo::NewSetRelayService(DeviceKovoClient* client, int relay, int on) {
  return ServiceHandle<ServiceSetRelay>(new ServiceSetRelay(this, client, relay, on));
}

ServiceHandle<ServiceUploadAll> DeviceKovo::NewUploadAllService(DeviceKovoClient* client) {
  return ServiceHandle<ServiceUploadAll>(new ServiceUploadAll(this, client));
}

ServiceHandle<MonitorService> DeviceKovo::NewMonitorService(DeviceKovoClient* client) {
  return ServiceHandle<MonitorService>(new MonitorService(this, client));
}
