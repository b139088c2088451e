#pragma once
// The sequence of a stand-alone measurement: what the monitor gets from the
// task besides the sampling settings (each filter's measuring time, use,
// active bank and alarm limits), and the monitor's recorded set-up taken
// back into the task's sequence.
#include <string>

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
