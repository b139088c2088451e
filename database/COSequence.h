#pragma once
// The settings of one measurement task: how the monitor samples, which
// filters measure which gas with which bank, the alarms, and the task's start
// and stop. One [Sequence] row of the task database together with the task's
// [Global] row and the sequence's [Alarm] rows; each start of a measurement
// makes a new [Sequence] row, numbered on.
#include <string>
#include <vector>

#include "COAlarm.h"
#include "COMeas.h"
#include "SequenceFields.h"
#include "ShownSequence.h"
#include "TaskRecords.h"
#include "core/Time.h"

class DataContext;
struct MonitorSetup;

class COSequence : public ShownSequence, protected SequenceRun, protected TaskGlobal, protected SequenceTiming {
 public:
  // The program's context: the open task, the units, the monitor's set-up
  // and the alarm outputs.
  explicit COSequence(DataContext& context);
  virtual ~COSequence();
  // Copies every setting and the alarm table; the record sets stay each
  // object's own, and a copy belongs to the same program.
  COSequence(const COSequence& other);
  COSequence& operator=(const COSequence& other);

  void SetName(const std::string& name) { Name = name; }
  std::string GetName() const { return Name; }
  void SetSerialNum(const std::string& serial) { SerialNum = serial; }
  std::string GetSerialNum() const { return SerialNum; }
  void SetGasName(int filter, const std::string& name);
  void SetMW(int filter, float mw);
  void SetActiveBank(int filter, unsigned char bank);
  unsigned char GetActiveBank(int filter) const;
  void SetMeasTime(int filter, unsigned char code);
  unsigned char GetMeasTime(int filter) const;
  void SetMeasTimeMode(unsigned char mode) { MeasTimeMode = mode; }
  unsigned char GetMeasTimeMode() const { return MeasTimeMode; }
  // The integration time of a filter (0-4, 5 water vapour) in seconds.
  float GetIntegrationTime(int filter) const;
  void SetSampleInterval(unsigned char v) { SampleInterval = v; }
  unsigned char GetSampleInterval() const { return SampleInterval; }
  void SetRollingAvg(int minutes) { RollingAvg = minutes; }
  int GetRollingAvg() const { return RollingAvg; }
  void SetChamberTime(unsigned char v) { ChamberTime = v; }
  unsigned char GetChamberTime() const { return ChamberTime; }
  void SetTubeTime(unsigned char v) { TubeTime = v; }
  unsigned char GetTubeTime() const { return TubeTime; }
  void SetFilterActive(int filter, bool on);
  bool IsFilterActive(int filter) const override;
  bool IsFilterLocked(int filter) const;
  // Locking a gas filter for the first time freezes its current gas name and
  // molecular weight; filter 5 (water vapour) only gets its bit.
  void SetFilterLocked(int filter, bool lock);
  void SetSampleContinuously(bool on);
  bool GetSampleContinuously() const;
  void SetRollingAvgOn(bool on);
  bool IsRollingAvgOn() const;
  void SetModeFlag2(bool on);
  bool GetModeFlag2() const;
  void SetWaterCompensation(bool on);
  bool GetWaterCompensation() const;
  void SetCrossCompensation(bool on);
  bool GetCrossCompensation() const;
  void SetReservedFlag(bool on);
  bool IsReservedFlag() const;
  int GetNumCount() const { return NumCount; }
  platform::CTime GetStartTime() const override { return StartTime; }
  platform::CTime GetStopTime() const override { return StopTime; }
  int GetStartNum() const { return StartNum; }
  int GetStopNum() const override { return StopNum; }
  using SequenceRun::SetStart;
  using SequenceRun::SetStop;

  // In the display units of the system set-up; kept in kPa and metres.
  void SetAirPres(float value);
  float GetAirPres() const;
  void SetTubeLength(float value);
  float GetTubeLength() const;

  // Gas names and molecular weights, from the monitor's set-up unless the
  // filter is locked.
  std::string GetBankGasName(int channel, int bank) const;
  std::string GetGasName(int channel) const;
  std::string ChannelName(int channel) const override { return GetGasName(channel); }
  float GetMW(int filter) const;
  bool IsBankDefined(int filter, int bank) const;
  bool IsGasDefined(int channel) const;

  // The alarms.
  int GetAlarmCount() const { return static_cast<int>(m_alarms.size()); }
  COAlarm GetAlarm(int index) const;
  std::vector<COAlarm>& GetAlarms() { return m_alarms; }
  const std::vector<COAlarm>& GetAlarms() const { return m_alarms; }
  // Only while the measurement subject is measuring: checks every alarm and
  // switches each output whose request changed.
  void CheckAlarms(COMeas meas);
  // At task stop: switches off every output that is on.
  void ResetAlarmOutputs();

  // Persistence against the open task database. A file that is no task
  // database is refused before anything in it changes. A failure is shown
  // (a missing file throws); false when the sequence was not loaded.
  bool Load();
  // Each failure is shown; false when any part was not written.
  bool Save();
  void NewSequence();
  // Selects the sequence that ran at the measurement's time.
  void LoadForMeas(const COMeas& meas);
  void Close();
  bool IsLoaded() const { return m_recSequence.IsOpen(); }

  std::string UpdateSerialNum();
  void CopySampling(const COSequence& other);
  // The sampling part of the set-up downloaded to the monitor.
  void GetMonitorSetup(MonitorSetup& setup) const;

 protected:
  friend class CORecSequence;
  friend class CORecMeasGlobal;

  void CopySettings(const COSequence& other);
  void SetDefaults();
  const MonitorSetup& Monitor() const;

  DataContext& m_context;
  std::vector<COAlarm> m_alarms;
  CORecSequence m_recSequence;
  CORecMeasGlobal m_recGlobal;
  CORecAlarm m_recAlarm;

  // With the run, [Global] and the timing of the bases.
  unsigned char ModeMask = 0;
  unsigned char SampleInterval = 1;
  int RollingAvg = 10;  // minutes
  unsigned char ActiveFilter = 0;
  unsigned char ActiveBank[5] = {};
  unsigned char LockedFilter = 0;
  unsigned char Compensation = 0;
};
