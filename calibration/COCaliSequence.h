#pragma once
// The settings of one calibration task: the sampling settings every program
// knows and the calibration mode with its parameters. One [Sequence] row of
// the calibration task per run (the last row is the active one) with the
// task's [Global] row. It decides which channels each calibration mode
// measures, names channels and filters, and fills the monitor's set-up for a
// calibration measurement.
#include <functional>
#include <string>
#include <vector>

#include "COGenSub.h"
#include "COMeas.h"
#include "CORecBase.h"
#include "SequenceFields.h"
#include "Subject.h"
#include "core/Time.h"

class COCaliSequence;
class DataContext;
struct BankInfo;
struct MonitorSetup;
namespace platform {
class IComboBox;
}  // namespace platform

// [Sequence] of a calibration task, exchanged with a calibration sequence.
class CORecCaliSequence : public CORecTaskBase {
 public:
  explicit CORecCaliSequence(DataContext& context) : CORecTaskBase(context) { m_strSort = "[NumCount]"; }
  void SetTarget(COCaliSequence* sequence) { m_target = sequence; }

 protected:
  std::string GetDefaultSQL() override { return "[Sequence]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COCaliSequence* m_target = nullptr;
};

// [Global] of a calibration task: the monitor's serial, the filters' UA
// numbers, gas names and molecular weights.
class CORecCaliGlobal : public CORecTaskBase {
 public:
  using CORecTaskBase::CORecTaskBase;
  void SetTarget(COCaliSequence* sequence) { m_target = sequence; }

 protected:
  std::string GetDefaultSQL() override { return "[Global]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COCaliSequence* m_target = nullptr;
};

class COCaliSequence : public SequenceRun, public TaskGlobal, public SequenceTiming {
 public:
  // Calibration modes as [CaliMode] keeps them.
  enum Mode { modeZero = 0, modeHumiditySpan = 1, modeHumidityInterference = 2, modeSpan1P = 3, modeSpan2P = 4 };
  // Bits of [CalcSpan].
  enum CalcBit { calcWaterSpan = 0, calcHumidityInterference = 1 };
  static constexpr unsigned char kNoBank = 255;
  static constexpr float kConversionTemp = 20.0f;

  // connected says whether the program has made its connection to the
  // monitor; without it no filter has a gas.
  COCaliSequence(DataContext& context, std::function<bool()> connected);
  virtual ~COCaliSequence() = default;
  // Copies every field; the record sets stay each object's own.
  COCaliSequence(const COCaliSequence& other);
  COCaliSequence& operator=(const COCaliSequence& other);
  // The settings a task's defaults hold: the calibration and sampling
  // fields, not the name, the run's times and numbers or the active banks.
  void CopySettings(const COCaliSequence& other);

  // Persistence against the open calibration task. False, after the
  // database's message, when the file is no task or its rows cannot be read.
  bool Load();
  // False, after the database's message, when [Sequence] could not be
  // written; [Global] is then left as it was.
  bool Save();
  // The current row keeps this run; the next row starts with its settings.
  void NewSequence();
  void Close();
  bool IsLoaded() const { return m_recSequence.IsOpen(); }
  // The first row, in [NumCount] order, whose stop is at or after the time;
  // false when there is none. It becomes the sequence's values.
  bool LoadByStopTime(const platform::CTime& time);
  // The n-th row (from 1).
  bool LoadByNumber(int n);
  // The row of a run by its first and last measurement numbers, or by its
  // start and stop times.
  bool LoadByMeasNumbers(int startNum, int stopNum);
  bool LoadByStartStopTime(const platform::CTime& start, const platform::CTime& stop);
  // The names of the task's rows in [NumCount] order.
  std::vector<std::string> GetSequenceNames();
  // "(All)" and every run but the active one (the last row, which has not
  // run yet); the last entry selected.
  void FillSequenceList(platform::IComboBox& combo);

  // Channels and filters.
  bool IsGasDefined(int channel) const;
  bool IsFilterActive(int channel) const;
  // Seconds of measuring per channel.
  float GetMeasTime(int channel) const;
  float GetMW(int channel) const;
  std::string GetGasName(int channel) const;
  std::string GetFilterText(int filter) const;
  std::string GetBankGasName(int filter, int bank) const;
  // The monitor set-up of a calibration measurement, into a copy of the
  // device's.
  void GetMonitorSetup(MonitorSetup& setup) const;
  // The five gas names of [Global] from the monitor's filters.
  void SetGasNamesFromMonitor();

  // Stored units: kPa, metres, ppm, humidity kind 4; converted to the system
  // set-up's display units.
  float GetAirPres() const;
  void SetAirPres(float value);
  float GetTubeLength() const;
  void SetTubeLength(float value);
  float GetConcSpanHigh(int concUnit) const;
  void SetConcSpanHigh(int concUnit, float value);
  float GetConcSpanLow(int concUnit) const;
  void SetConcSpanLow(int concUnit, float value);
  float GetHumiSpan(int humiUnit) const;
  void SetHumiSpan(int humiUnit, float value);

  bool GetCalcSpan(int bit) const { return (CalcSpan >> bit) & 1; }
  void SetCalcSpan(int bit, bool on) { CalcSpan = static_cast<short>(on ? CalcSpan | (1 << bit) : CalcSpan & ~(1 << bit)); }
  unsigned char GetActiveBank(int filter) const { return filter >= 0 && filter < 5 ? ActiveBank[filter] : kNoBank; }
  void SetActiveBank(int filter, unsigned char bank) {
    if (filter >= 0 && filter < 5) ActiveBank[filter] = bank;
  }
  const unsigned char* GetActiveBanks() const { return ActiveBank; }
  // Locked filters are kept with the sequence in memory only.
  bool IsFilterLocked(int filter) const { return filter >= 0 && filter < 8 && ((LockedFilter >> filter) & 1); }
  void SetFilterLocked(int filter, bool lock) {
    if (filter < 0 || filter >= 8) return;
    LockedFilter = static_cast<unsigned char>(lock ? LockedFilter | (1 << filter) : LockedFilter & ~(1 << filter));
  }
  unsigned char GetMeasTimeCode(int channel) const { return channel >= 0 && channel < 6 ? MeasTime[channel] : 0; }
  void SetMeasTimeCode(int channel, unsigned char code) {
    if (channel >= 0 && channel < 6) MeasTime[channel] = code;
  }

  // The fields, named as their columns; with them those of the bases.
  unsigned char CaliMode = 0;
  short CalcSpan = 1;
  float HumiSpan = 0.0f;
  short SpanFilter = 0;
  float ConcSpanHigh = 0.0f;
  float ConcSpanLow = 0.0f;
  unsigned char CaliCross = 0;
  unsigned char CaliTwoPoint = 0;
  unsigned char CaliHighConc = 0;
  unsigned char ActiveBank[5] = {};
  unsigned char LockedFilter = 0;
  unsigned char FlushMode = 0;

 protected:
  const MonitorSetup& Monitor() const;
  DataContext& m_context;

 private:
  bool SelectRow(const std::string& filter, int moveTo);
  // The monitor's record of the filter's active bank; null without one.
  const BankInfo* ActiveBankOf(int filter) const;

  std::function<bool()> m_connected;
  CORecCaliSequence m_recSequence;
  CORecCaliGlobal m_recGlobal;
};

// The active calibration sequence, which keeps its run's start and stop up
// to date with the stored measurements while a calibration measures.
class COCaliSequenceObs : public COCaliSequence, public CGenObserver {
 public:
  using COCaliSequence::COCaliSequence;
  void Update(const CGenEvent& event) override;
  // Runs once the sequence has followed a stored measurement, a start or a
  // stop.
  void SetFollowed(std::function<void()> followed) { m_followed = std::move(followed); }

 private:
  bool m_firstMeas = false;
  std::function<void()> m_followed;
};
