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
#include "DataContext.h"
#include "DataLinkRS232.h"
#include "DeviceKovo.h"
#include "MeasRun.h"
#include "MonitorService.h"
#include "Subject.h"
#include "TransConn.h"
#include "core/Time.h"

class InstrumentInfo;

class COMeasObs : public CSubject, public DeviceKovoClient, public IMeasurementLink {
 public:
  // What the device's notifier is told when services are done.
  static constexpr unsigned kDoneCommand = 214;

  // Stores into, and reads its settings from, the program's data context;
  // the instrument's identity is the one the start-up publishes.
  COMeasObs(DataContext& context, const InstrumentInfo& instrument);
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
  // Closes the device (its keyboard unlocked) until the next Connect.
  void Disconnect();
  // Checks the monitor against the active sequence, downloads the set-up and
  // starts the monitoring service. Start and stop times count only with
  // their flags set. False when the task was not started.
  bool StartMeasurement(const platform::CTime& startTime, int startFlags, const platform::CTime& stopTime, bool stopSet);
  void StopMeasurement() override;
  // Reads the identity and the configuration and compares the monitor with
  // the active sequence: its serial, and the gas and molecular weight of each
  // active filter's bank, where the user may take the monitor's; locks the
  // active filters. False when any of it fails or the user cancels.
  bool CheckMonitorAgainstSequence();
  // The stop at the program's end: only while active.
  void StopService();
  // Pauses a running task, or resumes a paused one.
  void StartStopMonitor();
  // The alarm outputs: one-shot clients switch the monitor's beeper and relays.
  void SetMonitorAlarm(bool on);
  void SetRelay1(bool on);
  void SetRelay2(bool on);
  // The monitor's filter banks from the system database, once per serial.
  bool LoadSetupFromDatabase();
  bool RetrieveMonitorID() override;
  bool UploadFilterInfo() override;

  MeasState GetState() const override { return m_run.GetState(); }
  std::string GetStatusText();
  // The text of a state: the delayed start with its time; the checking of
  // the filters by the program's string; otherwise for the states without
  // a text of their own.
  static std::string StatusText(MeasState state, const platform::CTime& start, unsigned checkingFiltersId,
                                const std::string& otherwise);
  bool HasLastMeas() const override { return m_run.HasLastMeas(); }
  const COMeas& GetLastMeas() const { return m_run.GetLastMeas(); }
  bool IsOffline() const override { return m_offline; }
  bool IsConnected() const { return m_connected; }
  bool IsStatusViewOpen() const { return m_statusViewOpen; }
  void SetStatusViewOpen(bool open) { m_statusViewOpen = open; }
  // Measurements are coming in now.
  bool IsMeasuring() const { return m_run.IsMeasuring(); }
  const MonitorSetup& GetMonitorSetup() const override { return m_device->Setup(); }
  void SetPort(int port) override { m_link->SetPort(static_cast<unsigned>(port)); }

  void ServiceDone(Service* service) override;

  DataLinkRS232& GetLink() { return *m_link; }
  DeviceKovo& GetDevice() { return *m_device; }
  MonitorService* GetService() const { return static_cast<MonitorService*>(m_run.GetService()); }

 private:
  // The device open and its port usable after a failed run; false, after
  // "Communication error", when not.
  bool PrepareDevice();
  bool ReopenPort();
  MeasRun::Profile RunProfile();
  void ConvertUnits(COMeas& meas) const;

  DataContext& m_context;
  std::unique_ptr<DataLinkRS232> m_link;
  std::unique_ptr<TransConnRS232> m_conn;
  std::unique_ptr<DeviceKovo> m_device;
  bool m_deviceOpen = false;
  std::string m_statusText;
  int m_startFlags = 0;
  bool m_offline = false;
  bool m_statusViewOpen = false;
  bool m_connected = false;
  // The serial whose filter banks LoadSetupFromDatabase loaded last.
  std::string m_loadedSerial;
  // A monitoring run failed: the port may be gone (a dropped line) and is
  // opened afresh before the next start.
  bool m_reopenPort = false;
  unsigned m_linkTimeoutMs = 10000;
  // After the device: the run's services go before it.
  MeasRun m_run;
};
