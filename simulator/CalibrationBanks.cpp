#include "CalibrationBanks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "SimulatedMonitor.h"
#include "core/Text.h"

namespace kovo::sim {

namespace {

const char* const kFilters[] = {"F_A", "F_B", "F_C", "F_D", "F_E", "F_W"};
const char kTableMarker[] = "This is not the maker's filter table.";

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) parts.push_back(part);
  if (!text.empty() && text.back() == ',') parts.emplace_back();
  return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t from) {
  std::string text;
  for (size_t i = from; i < parts.size(); ++i) text += (i > from ? "," : "") + parts[i];
  return text;
}

// As the monitor keeps a number: a blank and the exponent form; "1.0E32"
// and more is no value.
std::string Stored(const std::string& value) {
  float v = 0.0f;
  if (platform::Scan(value, "%f", &v) != 1) return value;
  if (v >= 1e31f) return "__________";
  return platform::Format(" %.6E", static_cast<double>(v));
}

// The temperature unit the monitor was set to, as its reading's letter.
char TempLetter(const MonitorState& s) {
  const auto it = s.setup.find("T_U");
  if (it == s.setup.end()) return 'C';
  if (it->second == "U_KE") return 'K';
  if (it->second == "U_FA") return 'F';
  return 'C';
}

float InUnit(float celsius, char letter) {
  if (letter == 'K') return celsius + 273.15f;
  if (letter == 'F') return celsius * 9.0f / 5.0f + 32.0f;
  return celsius;
}

std::string Param(const MonitorState& s, const std::string& key) {
  const auto it = s.params.find(key);
  return it == s.params.end() ? std::string("__________") : it->second;
}

// A kept number, or the fallback where the bank holds none.
double Value(const MonitorState& s, const std::string& key, double fallback) {
  double v = 0.0;
  return platform::Scan(Param(s, key), "%lf", &v) == 1 ? v : fallback;
}

const struct {
  double x, y;
} kCurve[] = {
#include "ResponseCurveTable.inc"
};

// The detector's response curve, straight between its points and beyond the
// last two.
double Response(double x) {
  const size_t n = sizeof kCurve / sizeof kCurve[0];
  size_t i = 1;
  while (i < n - 1 && kCurve[i].x < x) ++i;
  return kCurve[i - 1].y + (x - kCurve[i - 1].x) / (kCurve[i].x - kCurve[i - 1].x) * (kCurve[i].y - kCurve[i - 1].y);
}

}  // namespace

CalibrationBanks::CalibrationBanks() {
  std::ifstream in(FilterTablePath());
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string number;
    std::array<double, 8> c{};
    if (!(words >> number)) continue;
    bool complete = true;
    for (double& v : c) complete = complete && static_cast<bool>(words >> v);
    if (complete) m_coefficients[number] = c;
  }
}

int CalibrationBanks::Readings() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_readings;
}

// The inverse of the program's calibration arithmetic: with T the air's
// temperature and dT = T - 293.15 K,
//   water  W = O tf + S Cw (1 - c Cw) (1 - b dT)
//   gas    V = O tf + G hum(H) + C (1 - b dT) / F      (single point)
//            = O tf + G hum(H) + A f(k C (1 - b dT))  (two point)
//            + each other gas's Cg (1 - bg dT) / Xg, Xg its bank's cross
//              factor on this filter
// where tf = 1 + a dT, H = (W - O tf) times the pressure factor of gain
// factor 10, and hum(H) the filter's humidity interference polynomial.
std::array<double, 6> CalibrationBanks::Signals(const MonitorState& s, long reading) const {
  const double dT = (static_cast<double>(s.celsius) + 273.15) - static_cast<double>(293.15f);
  std::array<double, 6> level{};
  for (int ch = 0; ch < 6; ++ch) level[static_cast<size_t>(ch)] = s.LevelNow(ch, reading);
  auto coefficients = [&](int f) {
    const auto it = m_coefficients.find(s.uaNumbers[static_cast<size_t>(f)]);
    return it == m_coefficients.end() ? std::array<double, 8>{} : it->second;
  };

  // Water vapour.
  const double aw = 0.0008142, bw = -0.00430112, cw = 2.407e-6;
  const double cW = level[5];
  const double waterSignal = Value(s, "F_W,C_CO_F_1", 2.0e-6) * cW * (1.0 - cw * cW) * (1.0 - bw * dT);
  std::array<double, 6> v{};
  v[5] = Value(s, "F_W,C_OF_F", 0.04) * (1.0 + aw * dT) + waterSignal;
  double pressure = 1.0;
  if (const auto it = s.filterMeasValues.find(10); it != s.filterMeasValues.end()) {
    const double gain = std::atof(it->second.c_str());
    if (gain != 0.0 && 213.5 / gain >= 0.3 && 213.5 / gain <= 3.0) pressure = 213.5 / gain;
  }
  const double h = std::max(0.0, waterSignal * pressure);

  for (int f = 0; f < 5; ++f) {
    const std::array<double, 8> k = coefficients(f);
    const std::string key = s.ActiveBankKey(f);
    const double hum = h * (1.0 + k[3] * dT + h * (k[6] * (1.0 + k[4] * dT) + k[7] * (1.0 + k[5] * dT) * h));
    double signal = Value(s, key + "C_OF_F", 0.01) * (1.0 + k[0] * dT) + Value(s, key + "C_HU_F", 0.0) * hum;
    const double c = level[static_cast<size_t>(f)] * (1.0 - k[1] * dT);
    const double amplitude = Value(s, key + "C_CO_F_1", 0.0);
    const double scale = Value(s, key + "C_CO_F_2", 0.0);
    if (Param(s, key + "C_CO_T") == "Y" && amplitude > 0.0 && scale > 0.0)
      signal += amplitude * Response(scale * c);
    else
      signal += c / (amplitude > 0.0 ? amplitude : 1.0e5);
    // What the other gases give on this filter.
    for (int g = 0; g < 5; ++g) {
      const double cross = g == f ? 0.0 : Value(s, s.ActiveBankKey(g) + "C_CR_" + kFilters[f], 0.0);
      if (cross > 0.0) signal += level[static_cast<size_t>(g)] * (1.0 - coefficients(g)[1] * dT) / cross;
    }
    v[static_cast<size_t>(f)] = signal;
  }
  return v;
}

void CalibrationBanks::Install(SimulatedMonitor& monitor) {
  using R = std::optional<std::string>;
  const R none;

  // "<filter>,[<bank>,]<keyword>,<value>", the keyword "C_U,<of what>" and a
  // gas name holding commas included; the alarm limits' ",2" stays in the key.
  monitor.AddHandler("C_P ", [none](MonitorState& s, const Command& c) -> R {
    const auto parts = Split(c.args);
    const bool water = !parts.empty() && parts[0] == "F_W";
    size_t at = water ? 1 : 2;
    if (s.enableCode != 83 || parts.size() < at + 2) {
      ++s.rejected;
      return none;
    }
    std::string key = parts[0];
    if (!water) {
      const int bank = std::atoi(parts[1].c_str());
      if (bank < 1 || bank > 5 || parts[1] != std::to_string(bank)) {
        ++s.rejected;
        return none;
      }
      key += "," + parts[1];
    }
    std::string keyword = parts[at++];
    if (keyword == "C_U" && at < parts.size()) keyword += "," + parts[at++];
    key += "," + keyword;
    std::string value;
    if (keyword == "G_N") {
      value = Join(parts, at);
    } else if (keyword == "A_L") {
      value = parts[at];
      if (at + 1 < parts.size()) key += "," + parts[at + 1];
    } else {
      value = parts[at];
    }
    const bool text = value.empty() || value[0] == '"' || keyword == "C_CO_T" || keyword.compare(0, 4, "C_U,") == 0;
    s.params[key] = text ? value : Stored(value);
    return none;
  });

  // A calibration measurement reports status 9 while it runs.
  const SimTimings timings = monitor.GetTimings();
  const auto statusDelay = std::chrono::milliseconds(timings.statusDelayMs);
  const auto interval = std::chrono::milliseconds(timings.sampleIntervalMs > 0 ? timings.sampleIntervalMs : 4000);
  monitor.AddHandler("STA_C_M", [none, statusDelay, interval](MonitorState& s, const Command&) -> R {
    s.previousStatus = Clock::now() >= s.statusAt ? s.extStatus : s.previousStatus;
    s.extStatus = 9;
    s.statusAt = Clock::now() + statusDelay;
    s.StartMeasuring(interval);
    return none;
  });

  monitor.AddHandler("O_SP_C? Slut_Meas,AL", [this](MonitorState& s, const Command&) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    const char unit = TempLetter(s);
    std::string reply = platform::Format("%.2f %c %.2f %c ", static_cast<double>(InUnit(s.celsius, unit)), unit,
                                         static_cast<double>(InUnit(s.celsius + 0.5f, unit)), unit);
    const std::array<double, 6> signals = Signals(s, m_readings);
    for (int ch = 0; ch < 6; ++ch) {
      if (!s.Uses(ch)) continue;
      const double v = signals[static_cast<size_t>(ch)];
      reply += platform::Format("\r\n%c: %.6E %.6E", ch == 5 ? 'W' : static_cast<char>('A' + ch), v, v * 0.5);
    }
    s.sampleReady = false;
    ++m_readings;
    return reply;
  });

  // The print-out: one page per filter, the system gain factors last.
  monitor.AddRawHandler("O_C_D? AL", [](MonitorState& s, const Command&) -> R {
    std::string text = "CURRENT CALIBRATION  Serial: " + s.serial + "\r\n";
    for (int f = 0; f < 5; ++f) {
      text += platform::Format("\fFILTER %c  UA%s\r\n", 'A' + f, s.uaNumbers[static_cast<size_t>(f)].c_str());
      for (int b = 1; b <= 5; ++b) {
        const std::string key = std::string(kFilters[f]) + "," + std::to_string(b) + ",";
        text += platform::Format("Bank %d  Gas %s  Offset %s  Humidity %s  Span %s\r\n", b,
                                 Param(s, key + "G_N").c_str(), Param(s, key + "C_OF_F").c_str(),
                                 Param(s, key + "C_HU_F").c_str(), Param(s, key + "C_CO_F_1").c_str());
      }
    }
    text += "\fWATER VAPOUR  Offset " + Param(s, "F_W,C_OF_F") + "  Span " + Param(s, "F_W,C_CO_F_1") + "\r\n";
    text += "System Gain Factors:\r\n";
    for (int n : {1, 4, 6, 10}) {
      const auto it = s.filterMeasValues.find(n);
      text += platform::Format("Factor %d : %s\r\n", n, it == s.filterMeasValues.end() ? "n/a" : it->second.c_str());
    }
    return text;
  });
}

std::string CalibrationBanks::FilterTablePath() { return KOVO_SIM_FILTER_TABLE; }

bool CalibrationBanks::InstallFilterTable(const std::string& programFolder, std::string* error) {
  const std::string target = programFolder + "/data/optfilt.txt";
  {
    std::ifstream existing(target);
    std::string content((std::istreambuf_iterator<char>(existing)), std::istreambuf_iterator<char>());
    if (existing && content.find(kTableMarker) == std::string::npos) {
      if (error) *error = target + " holds another filter table; it is left as it is";
      return false;
    }
  }
  std::ifstream in(FilterTablePath());
  std::ofstream out(target);
  if (!in || !out) {
    if (error) *error = "cannot write " + target;
    return false;
  }
  out << in.rdbuf();
  return static_cast<bool>(out);
}

}  // namespace kovo::sim
