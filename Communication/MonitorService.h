#pragma once
// The Online program's monitoring service: downloads the set-up and starts
// the measurement, polls the monitor for samples, and stops it again, at a
// given start and stop time when the device's set-up names them.
#include "COMeas.h"
#include "MeasService.h"

struct MonitorSetup;

class MonitorService final : public MeasService<COMeas> {
 public:
  // A start more than this many seconds ahead waits on a window timer.
  static constexpr int kDelayedStartSeconds = 60;
  // A stop more than this many seconds ahead is made by a window timer.
  static constexpr int kTimedStopSeconds = 120;
  // The active bank of a filter that has none.
  static constexpr int kNoBank = 255;

  MonitorService(DeviceKovo* device, DeviceKovoClient* client);
  ~MonitorService() override { MonitorService::Detach(); }

  void Start() override;
  void Stop() override;
  void Cancel() override;
  void Detach() override;
  void AddCommands() override;
  void AddCycleCommands() override;

  // The set-up writes of a download, in the monitor's order: units,
  // sampling, clock, flushing, then each filter's use, bank, alarm limits and
  // measuring time. The Offline program downloads the same list.
  static void AddSetupDownload(CmdBuilder& b, const MonitorSetup& s);
  // Its first part, which the Calibration program's start sends too: units,
  // air pressure, compensation, sampling, clock and flushing.
  static void AddSamplingSetup(CmdBuilder& b, const MonitorSetup& s);

  bool IsWaitingForStart() const;
  bool HasStopTimer() const;

 private:
  // With the lock held.
  void KillWindowTimers();
  void OnStartTimer();
  void OnStopTimer();

  unsigned m_startTimer = 0;
  unsigned m_stopTimer = 0;
  DeviceKovo* m_device;
};
