#pragma once
// The monitor as the programs see it: the command set over a transport
// connection, the command layer, the scheduler with its worker thread, and the
// monitor's set-up data that services read and write. It opens and closes the
// connection, creates every service for a client, and hands finished services
// to their clients on the user-interface thread.
#include <functional>

#include "ChBuf.h"
#include "CommKovo.h"
#include "CommKovoHelper.h"
#include "CommandProc.h"
#include "FilterData.h"
#include "Scheduler.h"
#include "Service.h"
#include "UiTimers.h"

class IDeviceDialogs;
class InstrumentInfo;
class MonitorService;
class ServiceCheckConfig;
class ServiceGetID;
class ServiceSetAlarm;
class ServiceSetRelay;
class ServiceUploadAll;

// Every duration the engine waits for. Tests shorten them.
struct DeviceTimings {
  int statusAsks = 10;             // "EX_S?" questions of a status wait
  int statusPauseMs = 2000;        // between them
  unsigned pollPeriodMs = 4000;    // the monitoring service's polling cycle
  // A delayed start or timed stop counts whole seconds on a window timer of
  // this many milliseconds per second.
  int windowTimerMsPerSecond = 1000;
  // How long Close lets the step under way end before it cuts the serial
  // link's wait short.
  int closeGraceMs = 300;
};

// What the dialog clients have learnt once in the device's life: the
// identity obtained, the configuration read, all filter information uploaded.
struct ClientRunFlags {
  bool identified = false;
  bool configurationRead = false;
  bool allUploaded = false;
};

class DeviceKovo {
 public:
  using Notifier = Scheduler<Service>::Notifier;

  // Neither the connection nor the instrument's identity is owned; the
  // identity is the one the program publishes after connecting.
  DeviceKovo(TransConn* conn, const InstrumentInfo& instrument);
  // Closes an open device. Delete every service of the device before it.
  virtual ~DeviceKovo();
  DeviceKovo(const DeviceKovo&) = delete;
  DeviceKovo& operator=(const DeviceKovo&) = delete;

  // User-interface thread. Opens the connection, requires "EX_S?" to answer
  // 0, locks the monitor's keyboard and starts the worker; false (and the
  // connection closed) when any of it fails.
  bool Open();
  // Why the connection of the last Open could not be made: the device and
  // the cause ("/dev/ttyUSB9: No such file or directory"); empty when it
  // was made, or the cause is not known.
  const std::string& OpenFailure() const { return m_openFailure; }
  // User-interface thread. Ends the worker after its step under way, unlocks
  // the keyboard and closes the connection. Returns within about a second
  // even while the worker waits on a silent monitor: it then cuts the wait
  // short, and that step's service fails. Services still queued stay queued
  // for the next open.
  void Close();
  bool IsOpen() const { return m_open; }

  // Where "post command 214 to the main window" was: called from any thread
  // when finished services (or expired window timers) wait for DispatchDone.
  // It must only post a call of DispatchDone to the user-interface thread.
  void SetNotifier(Notifier notifier) { m_scheduler.SetNotifier(std::move(notifier)); }
  // The command the notifier is told (214 unless the program says 226).
  void SetDoneCommand(unsigned command) { m_scheduler.SetDoneCommand(command); }

  // The windows of the dialog clients; none until the program lends them
  // (the dialog clients then show nothing and run nothing).
  void SetDialogs(IDeviceDialogs* dialogs) { m_dialogs = dialogs; }
  IDeviceDialogs* GetDialogs() const { return m_dialogs; }
  ClientRunFlags& RunFlags() { return m_runFlags; }
  // User-interface thread: runs expired window timers, then calls the client
  // of every finished service.
  void DispatchDone();

  // Before Open.
  void SetTimings(const DeviceTimings& timings);
  const DeviceTimings& GetTimings() const { return m_timings; }
  // Puts the serial link's parameters on again (the measurement subject's
  // port set-up); the monitoring cycle calls it before it reads a message.
  void SetLinkSetup(std::function<void()> setup) { m_helper.SetLinkSetup(std::move(setup)); }

  ServiceHandle<ServiceGetID> NewGetIDService(DeviceKovoClient* client);
  ServiceHandle<ServiceCheckConfig> NewCheckConfigService(DeviceKovoClient* client);
  ServiceHandle<ServiceSetAlarm> NewSetAlarmService(DeviceKovoClient* client, bool on);
  ServiceHandle<ServiceSetRelay> NewSetRelayService(DeviceKovoClient* client, int relay, int on);
  ServiceHandle<ServiceUploadAll> NewUploadAllService(DeviceKovoClient* client);
  ServiceHandle<MonitorService> NewMonitorService(DeviceKovoClient* client);

  // Copies of the whole set-up record. Read it after the client of the
  // service that wrote it has been called, never while a service runs.
  MonitorSetup GetSetup() const { return m_setup; }
  void SetSetup(const MonitorSetup& setup) { m_setup = setup; }
  const MonitorData& GetData() const { return m_data; }

  // What services and their commands work on.
  MonitorSetup& Setup() { return m_setup; }
  MonitorData& Data() { return m_data; }
  FixChBuf<160>& TextBuffer() { return m_text; }
  CommKovo& Comm() { return m_comm; }
  CommKovoHelper& Helper() { return m_helper; }
  CommandProc& Proc() { return m_proc; }
  Scheduler<Service>& GetScheduler() { return m_scheduler; }
  UiTimers& GetUiTimers() { return m_uiTimers; }
  // A step of the upload: the filter number of the position, looked up in
  // the optical filter table.
  void LookupFilter(FilterPos position);

 private:
  MonitorData m_data;
  FixChBuf<160> m_text;
  Scheduler<Service> m_scheduler;
  MonitorSetup m_setup;
  CommKovo m_comm;
  CommandProc m_proc{&m_comm};
  CommKovoHelper m_helper;
  UiTimers m_uiTimers;  // after the scheduler: its expiry notifies through it
  DeviceTimings m_timings;
  IDeviceDialogs* m_dialogs = nullptr;
  ClientRunFlags m_runFlags;
  bool m_open = false;
  std::string m_openFailure;
};
