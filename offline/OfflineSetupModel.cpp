#include "OfflineSetupModel.h"

#include "COSequence.h"
#include "FilterData.h"
#include "OfflineStrings.h"
#include "SequenceFields.h"
#include "core/StringTable.h"

namespace {

constexpr unsigned char kDefaultMeasTimeCode = 3;  // 5 seconds
constexpr unsigned char kTimePerFilter = 3;

// Limits go to the monitor this little below the alarm's, so a value equal
// to the limit does not raise the monitor's alarm either.
constexpr double kLimitFactor = 0.9999500024998749;  // 1 / 1.00005

}  // namespace

float GetMeasTimeValue(const COSequence& sequence, int filter) { return sequence.GetIntegrationTime(filter); }

void SetMeasTimeValue(COSequence& sequence, int filter, float seconds) {
  unsigned char code = kDefaultMeasTimeCode;
  for (unsigned char c = 0; c < kMeasTimeCodes; ++c)
    if (MeasTimeCodeSeconds(c) == seconds) code = c;
  sequence.SetMeasTime(filter, code);
}

void GetOfflineMonitorSetup(const COSequence& sequence, MonitorSetup& record) {
  sequence.GetMonitorSetup(record);
  for (FilterInfo& filter : record.m_filters) {
    filter.m_alarmLimit1 = MeasValue();
    filter.m_alarmLimit2 = MeasValue();
  }
  record.m_waterAlarmLimit1 = MeasValue();
  record.m_waterAlarmLimit2 = MeasValue();
  // In list order, so of two alarms on the same limit the later one wins.
  for (const COAlarm& alarm : sequence.GetAlarms()) {
    const int f = alarm.GetFilter();
    if (f > 5) continue;
    const MeasValue limit = static_cast<float>(alarm.GetMonitorLimit() * kLimitFactor);
    if (f == 5) {
      (alarm.IsLimit2() ? record.m_waterAlarmLimit2 : record.m_waterAlarmLimit1) = limit;
    } else {
      FilterInfo& filter = record.GetFilter(f);
      (alarm.IsLimit2() ? filter.m_alarmLimit2 : filter.m_alarmLimit1) = limit;
    }
  }
}

void SetFromMonitorSetup(COSequence& sequence, const MonitorSetup& record) {
  sequence.SetSampleInterval(static_cast<unsigned char>(record.m_sampleInterval));
  sequence.SetRollingAvg(static_cast<int>(record.m_rollingAvg));
  sequence.SetAirPres(record.m_airPressure);
  sequence.SetTubeLength(record.m_tubeLength);
  sequence.SetChamberTime(static_cast<unsigned char>(record.m_chamberTime));
  sequence.SetTubeTime(static_cast<unsigned char>(record.m_tubeTime));
  sequence.SetSampleContinuously(record.m_notContinuous == 0);
  sequence.SetRollingAvgOn(record.m_rollingAvgOn != 0);
  sequence.SetModeFlag2(record.m_modeFlag != 0);
  sequence.SetWaterCompensation(record.m_waterComp != 0);
  sequence.SetCrossCompensation(record.m_crossComp != 0);
  sequence.SetMeasTimeMode(kTimePerFilter);
  for (int f = 0; f < 5; ++f) {
    const FilterInfo& filter = record.GetFilter(f);
    SetMeasTimeValue(sequence, f, filter.m_integrationTime);
    sequence.SetFilterActive(f, filter.m_active != 0);
    sequence.SetActiveBank(f, static_cast<unsigned char>(filter.m_activeBank));
  }
  SetMeasTimeValue(sequence, 5, record.m_waterIntegrationTime);
  sequence.SetFilterActive(5, record.m_waterActive != 0);
}

int FindActiveBankMismatch(const COSequence& sequence, const MonitorSetup& record) {
  for (int f = 0; f < 5; ++f) {
    if (!sequence.IsFilterLocked(f)) continue;
    if (sequence.GetActiveBank(f) != record.GetFilter(f).m_activeBank) return f;
  }
  return -1;
}

AlarmRuleBreak CheckAlarmsForMonitor(const std::vector<COAlarm>& alarms, bool leakDetector, int* filter) {
  const int filters = leakDetector ? 6 : 5;
  const int allowed = leakDetector ? 2 : 1;
  std::vector<int> count(static_cast<size_t>(filters), 0);
  for (const COAlarm& alarm : alarms) {
    const int f = alarm.GetFilter();
    if (filter != nullptr) *filter = f;
    if (f >= filters) return AlarmRuleBreak::filterNotOffered;
    if (++count[static_cast<size_t>(f)] > allowed)
      return leakDetector ? AlarmRuleBreak::thirdOnFilter : AlarmRuleBreak::secondOnFilter;
  }
  if (filter != nullptr) *filter = -1;
  return AlarmRuleBreak::none;
}

std::string AlarmRuleMessage(AlarmRuleBreak rule, const std::string& gasName) {
  switch (rule) {
    case AlarmRuleBreak::secondOnFilter:
      return platform::LoadString(IDS_ONE_ALARM_PER_FILTER);
    case AlarmRuleBreak::thirdOnFilter:
      return kTwoAlarmsPerFilter;
    case AlarmRuleBreak::filterNotOffered:
      return "An alarm on " + (gasName.empty() ? std::string("this filter") : gasName) +
             " cannot be triggered in this Gas Monitor: remove it from the list";
    case AlarmRuleBreak::none:
      break;
  }
  return std::string();
}
