#pragma once
// The fields a measurement task's sequence and a calibration task's sequence
// have alike, named as their [Sequence] and [Global] columns. Each group is
// copied as a whole, so a field added to a group is copied wherever the group
// is.
#include <string>

#include "core/Time.h"

// The run one [Sequence] row stands for: its number and name, and its first
// and last measurement.
struct SequenceRun {
  int NumCount = 0;
  std::string Name;
  platform::CTime StartTime;
  platform::CTime StopTime;
  int StartNum = 0;
  int StopNum = 0;

  void SetStart(const platform::CTime& time, int number) {
    StartTime = time;
    StartNum = number;
  }
  void SetStop(const platform::CTime& time, int number) {
    StopTime = time;
    StopNum = number;
  }
};

// [Global] of a task: the monitor's serial and the filters' UA numbers, gas
// names and molecular weights.
struct TaskGlobal {
  std::string SerialNum;
  std::string UANum[5];
  std::string GasName[5];
  float MW[5] = {};
};

// How the monitor flushes and how long each channel (five gases, then water
// vapour) integrates. Stored in kPa and metres.
struct SequenceTiming {
  float AirPres = 0.0f;
  float TubeLength = 0.0f;
  unsigned char ChamberTime = 0;
  unsigned char TubeTime = 0;
  unsigned char MeasTimeMode = 0;
  unsigned char MeasTime[6] = {};
  int Reserved = 0;
};

// Integration-time codes 0 to kMeasTimeCodes - 1 name these seconds.
constexpr unsigned char kMeasTimeCodes = 7;
// The seconds of an integration-time code; any other code measures 5 s.
inline float MeasTimeCodeSeconds(unsigned char code) {
  static constexpr float kSeconds[kMeasTimeCodes] = {0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 20.0f, 50.0f};
  return code < kMeasTimeCodes ? kSeconds[code] : 5.0f;
}
