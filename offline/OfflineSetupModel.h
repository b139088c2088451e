#pragma once
// The sequence of a stand-alone measurement: what the monitor gets from the
// task besides the sampling settings (each filter's measuring time, use,
// active bank and alarm limits), and the monitor's recorded set-up taken
// back into the task's sequence.
#include <string>
#include <vector>

class COAlarm;
class COSequence;
struct MonitorSetup;

// Measuring time of a filter (0 to 4, 5 water vapour) in seconds.
float GetMeasTimeValue(const COSequence& sequence, int filter);
// Stores the code of 0.5, 1, 2, 5, 10, 20 or 50 seconds; any other value is
// stored as 5 seconds.
void SetMeasTimeValue(COSequence& sequence, int filter, float seconds);

// The download record: the sampling part and, per filter, measuring time,
// use, active bank and the alarm limits of the sequence (a limit without an
// alarm has no value, so the monitor gets "1.0E32"). Limits go in mg/m³
// (COAlarm::GetMonitorLimit), a hair below the alarm's own.
void GetOfflineMonitorSetup(const COSequence& sequence, MonitorSetup& record);

// Takes the recorded set-up into the sequence: sampling, compensation, a
// measuring time per filter, each filter's use and active bank.
void SetFromMonitorSetup(COSequence& sequence, const MonitorSetup& record);

// The first gas filter (0 to 4) locked in the sequence whose active bank
// differs from the monitor's, or -1.
int FindActiveBankMismatch(const COSequence& sequence, const MonitorSetup& record);

// What keeps the monitor from taking the alarms as they stand: the gas
// monitor raises one alarm per gas filter (A to E), the leak detector two
// per filter, water vapour included.
enum class AlarmRuleBreak {
  none,
  secondOnFilter,    // gas monitor: a second alarm on one filter
  thirdOnFilter,     // leak detector: a third alarm on one filter
  filterNotOffered,  // a filter the model raises no alarm on (an older task's water vapour)
};
// In list order; *filter names the filter of the first break.
AlarmRuleBreak CheckAlarmsForMonitor(const std::vector<COAlarm>& alarms, bool leakDetector, int* filter = nullptr);
// The message of a break; gasName names the filter at fault.
std::string AlarmRuleMessage(AlarmRuleBreak rule, const std::string& gasName);
