#pragma once
// What the simulated monitor's cell holds and how it moves. The scene is each
// gas filter's concentration and the water vapour (mg/m³, the monitor's own
// unit) and the air's temperature; every sample moves around it with noise
// and a slow drift, and a step or a ramp changes a channel at a set time after
// the measurement's start. The samples of a measurement report the moved
// concentrations, and a calibration reading turns them into the detector
// signals of the monitor's own banks.
//
// A scene is given as lines, from options or from a file that is read again
// whenever it changes:
//   A 700            filter A (B to E alike) at 700 mg/m³
//   humidity 9500    water vapour (also "W 9500")
//   zero             zero air: every gas and the water vapour at 0
//   span A 700       span gas: filter A at 700, every other gas and the
//                    water vapour at 0 (a bottle's gas is dry)
//   temperature 25   the air in °C
//   noise 0.01       each sample's standard deviation, relative to its level
//   drift 0.03       the slow drift's amplitude, relative to the level
//   drift-period 600 its period in seconds
//   seed 7           another (still repeatable) noise
//   steady           no noise, no drift, no step or ramp
//   step A=900@60    filter A at 900 from 60 s after the start on
//   ramp A=900@60+120  from 60 s on, to 900 over 120 s
// '#' begins a comment. Later lines win.
#include <ctime>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kovo::sim {

class SimulatedMonitor;
struct MonitorState;

// A step (over 0) or a ramp to a level at a time after the start.
struct LevelChange {
  int channel = 0;  // 0 to 4 filters A to E, 5 water vapour
  float to = 0.0f;
  double at = 0.0;    // seconds
  double over = 0.0;  // seconds
};

struct Motion {
  double noise = 0.0;
  double drift = 0.0;
  double driftPeriod = 600.0;  // seconds
  unsigned seed = 1;
  std::vector<LevelChange> changes;
};

// What a person sees when trying the programs; tests keep the default steady
// motion. The readings move, yet the mean of five readings stays within
// 0.5 % of the level.
Motion LivelyMotion();

// The level of a channel whose scene gives base, at the time after the
// measurement's start and for the sample's number: the same arguments give
// the same level. Never below 0.
float MovedLevel(const Motion& motion, int channel, float base, double seconds, long sample);

// One scene line into the state; false with the reason when it is not one.
bool ApplySceneLine(MonitorState& state, const std::string& line, std::string* error);
// Every line of a text; the reasons of refused lines, each with its line
// number.
std::vector<std::string> ApplyScene(MonitorState& state, const std::string& text);

// A scene file, applied over the scene the monitor had when it was made and
// again whenever it changes.
class SceneFile {
 public:
  SceneFile(std::string path, const MonitorState& start);
  // Applies the file when it is new or changed; false with the reasons when
  // it cannot be read or has lines that are not scene lines (the others are
  // applied).
  bool Poll(SimulatedMonitor& monitor, std::vector<std::string>* errors);

 private:
  std::string m_path;
  std::vector<float> m_levels;
  float m_celsius;
  Motion m_motion;
  bool m_read = false;
  timespec m_modified{};
  off_t m_size = -1;
};

}  // namespace kovo::sim
