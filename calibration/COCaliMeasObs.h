#pragma once
// The Calibration program's measurement subject. On the program's serial
// stack it connects to the monitor, prepares the filter banks stored for the
// connected monitor, starts, pauses, resumes and stops the calibration
// measurement, and hands every reading to the general subject, whose
// database observer stores it and whose sequence observer keeps the run's
// start and stop. Its own observers hear of every change of its state.
//
// Everything here runs on the user-interface thread. Readings that arrive
// together are handed over one by one, a pause apart, on a window timer.
#include <chrono>
#include <string>

#include "COMeas.h"
#include "CaliServices.h"
#include "DataContext.h"
#include "MeasRun.h"
#include "Subject.h"
#include "core/Time.h"

class COCaliSequence;
class COMeasObs;
class Calibrator;
class ProgramContext;

class COCaliMeasObs : public CSubject, public DeviceKovoClient, public IMeasurementLink {
 public:
  // What the device's notifier is told while this subject lives.
  static constexpr unsigned kDoneCommand = 226;

  // Takes the place of the program's measurement link while it lives.
  COCaliMeasObs(ProgramContext& context, COCaliSequence& sequence, Calibrator& calibrator);
  ~COCaliMeasObs() override;

  // Opens the device, reads the identity and the filter information. With
  // allowOffline a monitor that does not answer may be left for offline work.
  bool OpenMonitor(bool allowOffline);
  void Disconnect();
  // The current bank set stored for the serial into the device, once per
  // serial; the filter information again when the monitor's filters changed.
  bool LoadSetupFromDatabase(const std::string& serial);
  // The sequence's active banks into the calibrator's working banks.
  void TakeActiveBanks();

  // False, after "Communication error", while the device is closed.
  bool StartMeasurement(const platform::CTime& startTime, const platform::CTime& stopTime);
  void StopMeasurement() override;
  // Pauses a started or running calibration, or resumes a paused one;
  // nothing otherwise.
  void StartStopMonitor();
  // The stop at the program's end: only while active.
  void StopService();

  MeasState GetState() const override { return m_run.GetState(); }
  std::string GetStatusText();
  bool IsOffline() const override { return m_offline; }
  bool IsConnected() const { return m_connected; }
  bool HasLastMeas() const override { return m_run.HasLastMeas(); }
  const COMeas& GetLastMeas() const { return m_run.GetLastMeas(); }
  bool RetrieveMonitorID() override;
  // Every filter and bank of the monitor into the device, with the filters'
  // UA numbers.
  bool UploadFilterInfo() override;
  // Only the filters' numbers and UA numbers.
  bool RetrieveFilterNumbers();
  const MonitorSetup& GetMonitorSetup() const override;
  void SetPort(int port) override;
  bool IsStatusViewOpen() const { return m_statusViewOpen; }
  void SetStatusViewOpen(bool open) { m_statusViewOpen = open; }

  void ServiceDone(Service* service) override;

  DeviceKovo& GetDevice();
  COMeasObs& GetSerialStack() { return m_obs; }
  CalibrationService* GetService() const { return static_cast<CalibrationService*>(m_run.GetService()); }
  // The pause between readings that arrived together (3 s; tests shorten it).
  static constexpr int kReadingPauseMs = 3000;
  void SetReadingPause(int ms) { m_run.SetReadingPause(std::chrono::milliseconds(ms)); }
  // Readings taken from the service that wait for their turn.
  size_t GetWaitingCount() const { return m_run.GetWaitingCount(); }

 private:
  MeasRun::Profile RunProfile();
  // The clock guard of every start and resume; false (the person told) when
  // the clock went back too far.
  bool KeepsTimeOrder();
  void Scale(COMeas& meas) const;

  ProgramContext& m_context;
  COMeasObs& m_obs;
  COCaliSequence& m_sequence;
  Calibrator& m_calibrator;
  platform::CTime m_startTime;
  platform::CTime m_stopTime;
  CalibTime m_notBefore;
  CalibTime m_lastStored;
  bool m_connected = false;
  bool m_offline = false;
  bool m_statusViewOpen = false;
  std::string m_statusText;
  // The serial whose bank set LoadSetupFromDatabase loaded last.
  std::string m_loadedSerial;
  MeasRun m_run;
};
