#include "Readings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "SimulatedMonitor.h"
#include "core/Text.h"

namespace kovo::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A well-mixed 64-bit value of the arguments, so that noise needs no state.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

double Uniform(uint64_t key) { return (static_cast<double>(Mix(key) >> 11) + 0.5) / 9007199254740992.0; }

double Gauss(unsigned seed, long sample, int channel) {
  const uint64_t key = (static_cast<uint64_t>(seed) << 40) ^ (static_cast<uint64_t>(sample) << 4) ^
                       static_cast<uint64_t>(channel);
  const double u1 = Uniform(key * 2 + 1);
  const double u2 = Uniform(key * 2 + 2);
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

int ChannelOf(const std::string& name) {
  if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'E') return name[0] - 'A';
  if (name == "W" || name == "humidity") return 5;
  return -1;
}

bool Number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(value);
}

// "A=900@60" or "A=900@60+120".
bool ParseChange(const std::string& text, bool ramp, LevelChange& change) {
  const size_t eq = text.find('='), at = text.find('@');
  if (eq == std::string::npos || at == std::string::npos || at < eq) return false;
  const size_t plus = text.find('+', at);
  if (ramp != (plus != std::string::npos)) return false;
  change.channel = ChannelOf(text.substr(0, eq));
  double to = 0.0, when = 0.0, over = 0.0;
  if (change.channel < 0 || !Number(text.substr(eq + 1, at - eq - 1), to) || to < 0.0 ||
      !Number(text.substr(at + 1, ramp ? plus - at - 1 : std::string::npos), when) || when < 0.0)
    return false;
  if (ramp && (!Number(text.substr(plus + 1), over) || over <= 0.0)) return false;
  change.to = static_cast<float>(to);
  change.at = when;
  change.over = over;
  return true;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line.substr(0, line.find('#')));
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

}  // namespace

Motion LivelyMotion() {
  // Small enough that the mean of five readings, a minute apart or closer,
  // is within 0.5 % of the level anywhere in the drift's period: a
  // calibration against the simulated monitor gives back its own factors.
  Motion m;
  m.noise = 0.002;
  m.drift = 0.001;
  return m;
}

float MovedLevel(const Motion& motion, int channel, float base, double seconds, long sample) {
  double level = base;
  for (const LevelChange& c : motion.changes) {
    if (c.channel != channel || seconds < c.at) continue;
    const double share = c.over > 0.0 ? std::min(1.0, (seconds - c.at) / c.over) : 1.0;
    level += (c.to - level) * share;
  }
  // Each channel drifts out of step with the others.
  if (motion.drift != 0.0 && motion.driftPeriod > 0.0)
    level *= 1.0 + motion.drift * std::sin(2.0 * kPi * seconds / motion.driftPeriod + 1.3 * channel);
  if (motion.noise != 0.0) level *= 1.0 + motion.noise * Gauss(motion.seed, sample, channel);
  return static_cast<float>(std::max(0.0, level));
}

bool ApplySceneLine(MonitorState& s, const std::string& line, std::string* error) {
  const std::vector<std::string> w = Words(line);
  auto fail = [&](const std::string& why) {
    if (error) *error = why + ": " + platform::Trim(line);
    return false;
  };
  if (w.empty()) return true;
  double v = 0.0;
  const int channel = ChannelOf(w[0]);
  if (channel >= 0 && w.size() == 2) {
    if (!Number(w[1], v) || v < 0.0) return fail("not a concentration");
    s.levels[static_cast<size_t>(channel)] = static_cast<float>(v);
  } else if (w[0] == "zero" && w.size() == 1) {
    s.levels.fill(0.0f);
  } else if (w[0] == "span" && w.size() == 3) {
    const int filter = ChannelOf(w[1]);
    if (filter < 0 || filter > 4) return fail("not a gas filter");
    if (!Number(w[2], v) || v < 0.0) return fail("not a concentration");
    s.levels.fill(0.0f);
    s.levels[static_cast<size_t>(filter)] = static_cast<float>(v);
  } else if (w[0] == "temperature" && w.size() == 2) {
    if (!Number(w[1], v) || v < -273.15) return fail("not a temperature");
    s.celsius = static_cast<float>(v);
  } else if ((w[0] == "noise" || w[0] == "drift") && w.size() == 2) {
    if (!Number(w[1], v) || v < 0.0 || v > 1.0) return fail("not a share from 0 to 1");
    (w[0] == "noise" ? s.motion.noise : s.motion.drift) = v;
  } else if (w[0] == "drift-period" && w.size() == 2) {
    if (!Number(w[1], v) || v <= 0.0) return fail("not a period");
    s.motion.driftPeriod = v;
  } else if (w[0] == "seed" && w.size() == 2) {
    if (!Number(w[1], v) || v < 0.0 || v > 4294967295.0 || v != std::floor(v)) return fail("not a seed");
    s.motion.seed = static_cast<unsigned>(v);
  } else if (w[0] == "steady" && w.size() == 1) {
    s.motion = Motion{};
  } else if ((w[0] == "step" || w[0] == "ramp") && w.size() == 2) {
    LevelChange change;
    if (!ParseChange(w[1], w[0] == "ramp", change))
      return fail(w[0] == "ramp" ? "not a ramp (A=900@60+120)" : "not a step (A=900@60)");
    s.motion.changes.push_back(change);
  } else {
    return fail("not a scene line");
  }
  return true;
}

std::vector<std::string> ApplyScene(MonitorState& state, const std::string& text) {
  std::vector<std::string> errors;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::string error;
    if (!ApplySceneLine(state, line, &error)) errors.push_back("line " + std::to_string(number) + ": " + error);
  }
  return errors;
}

SceneFile::SceneFile(std::string path, const MonitorState& start)
    : m_path(std::move(path)), m_levels(start.levels.begin(), start.levels.end()), m_celsius(start.celsius),
      m_motion(start.motion) {}

bool SceneFile::Poll(SimulatedMonitor& monitor, std::vector<std::string>* errors) {
  struct stat st {};
  if (::stat(m_path.c_str(), &st) != 0) {
    if (errors) errors->push_back("cannot read " + m_path);
    return false;
  }
  if (m_read && st.st_mtim.tv_sec == m_modified.tv_sec && st.st_mtim.tv_nsec == m_modified.tv_nsec &&
      st.st_size == m_size)
    return true;
  std::ifstream in(m_path);
  if (!in) {
    if (errors) errors->push_back("cannot read " + m_path);
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  m_read = true;
  m_modified = st.st_mtim;
  m_size = st.st_size;
  std::vector<std::string> refused;
  monitor.Modify([&](MonitorState& s) {
    // The file says all there is beside the options: what it no longer
    // says is gone.
    std::copy(m_levels.begin(), m_levels.end(), s.levels.begin());
    s.celsius = m_celsius;
    s.motion = m_motion;
    refused = ApplyScene(s, text);
  });
  for (std::string& r : refused) r = m_path + " " + r;
  if (errors) errors->insert(errors->end(), refused.begin(), refused.end());
  return refused.empty();
}

}  // namespace kovo::sim
