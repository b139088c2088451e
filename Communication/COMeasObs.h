#pragma once
// The Online program's measurement subject: it owns the serial stack (data
// link, transport connection, device), connects to the monitor, checks the
// monitor against the active sequence, starts, pauses, resumes and stops the
// monitoring service, and hands every new measurement to the general subject
// on the user-interface thread. Its own observers (status window, menus) hear
// of every change of its state.
//
// Everything here runs on the user-interface thread. The program gives the
// device a notifier that posts DeviceKovo::DispatchDone to that thread.
#include <memory>
#include <string>

#include "COMeas.h"
#include "DataLinkRS232.h"
#include "DataLinks.h"
#include "DeviceKovo.h"
#include "MonitorService.h"
#include "Subject.h"
#include "TransConn.h"
#include "core/Time.h"

class COMeasObs : public CSubject, public DeviceKovoClient, public IMeasurementLink {
 public:
  enum State {
    kIdle = 0,
    kDelayedStart = 1,
    kStarting = 2,
    kActive = 3,
    kStopping = 4,
    kRestartStopping = 5,
    kRestartStopped = 6,
    kCheckingFilters = 7,
    kRestartStarting = 8,
  };

  // Registers itself as the data layer's measurement link.
  COMeasObs();
  ~COMeasObs() override;
  COMeasObs(const COMeasObs&) = delete;
  COMeasObs& operator=(const COMeasObs&) = delete;

  // The link's parameters: the system set-up's port, 9600 baud, 7E1, the
  // read and write time-outs.
  void InitCommPort();
  // 10000 ms unless a test shortens it.
  void SetLinkTimeouts(unsigned ms) { m_linkTimeoutMs = ms; }

  // Opens the device and reads the identity. With ask set, a failure offers
  // to work offline.
  bool Connect(bool ask);
  // Checks the monitor against the active sequence, downloads the set-up and
  // starts the monitoring service. Start and stop times count only with
  // their flags set. False when the task was not started.
  bool StartMeasurement(const CTime& startTime, int startFlags, const CTime& stopTime, int stopSet);
  void StopMeasurement() override;
  // The stop at the program's end: only while active.
  void StopService();
  // Pauses a running task, or resumes a paused one.
  void StartStopMonitor();
  // The alarm outputs: one-shot clients switch the monitor's beeper and relays.
  void SetMonitorAlarm(int on);
  void SetRelay1(int on);
  void SetRelay2(int on);
  // The monitor's filter banks from the system database, once per serial.
  bool LoadSetupFromDatabase();
  bool RetrieveMonitorID() override;
  bool UploadFilterInfo() override;

  int GetState() const override { return m_state; }
  std::string GetStatusText();
  bool HasLastMeas() const override { return m_measReceived != 0; }
  const COMeas& GetLastMeas() const { return m_lastMeas; }
  bool IsOffline() const override { return m_offline != 0; }
  bool IsConnected() const { return m_connected != 0; }
  bool IsStatusViewOpen() const { return m_statusViewOpen != 0; }
  void SetStatusViewOpen(bool open) { m_statusViewOpen = open ? 1 : 0; }
  // Measurements are coming in now.
  bool IsMeasuring() const;
  const MonitorSetup& GetMonitorSetup() const override { return m_device->Setup(); }
  void SetPort(int port) override { m_link->SetPort(static_cast<unsigned>(port)); }

  void ServiceDone(Service* service) override;

  DataLinkRS232& GetLink() { return *m_link; }
  DeviceKovo& GetDevice() { return *m_device; }
  MonitorService* GetService() const { return m_service.get(); }

  // The serial number LoadSetupFromDatabase loaded last, kept for the run;
  // only a fresh run (a test) forgets it.
  static void ResetLoadedSerial();

 private:
  // The device open and its port usable after a failed run; false, after
  // "Communication error", when not.
  bool PrepareDevice();
  bool ReopenPort();
  void StartNewService();
  void DeliverResults();
  void ConvertUnits(COMeas& meas) const;

  std::unique_ptr<DataLinkRS232> m_link;
  std::unique_ptr<TransConnRS232> m_conn;
  std::unique_ptr<DeviceKovo> m_device;
  unsigned char m_deviceOpen = 0;
  std::string m_statusText;
  CTime m_startTime;
  int m_startFlags = 0;
  unsigned char m_offline = 0;
  unsigned char m_resultsPending = 0;
  unsigned char m_measReceived = 0;
  COMeas m_lastMeas;
  int m_state = kIdle;
  unsigned char m_statusViewOpen = 0;
  unsigned char m_connected = 0;
  ServiceHandle<MonitorService> m_service;
  // A monitoring run failed: the port may be gone (a dropped line) and is
  // opened afresh before the next start.
  bool m_reopenPort = false;
  unsigned m_linkTimeoutMs = 10000;
};
