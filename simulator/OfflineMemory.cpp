#include "OfflineMemory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "SimulatedMonitor.h"
#include "core/Text.h"

namespace kovo::sim {

namespace {

bool IsEventLine(const std::string& line) { return line.compare(0, 6, "      ") == 0; }

std::optional<std::string> Find(const std::map<std::string, std::string>& map, const std::string& key) {
  const auto it = map.find(key);
  if (it == map.end()) return std::nullopt;
  return it->second;
}

// The normalisation temperature the monitor was given, in its temperature
// unit, as the kelvin its memory reports.
std::string Kelvin(const MonitorState& s, const std::string& value) {
  double t = ToFloat(value);
  const auto unit = Find(s.setup, "T_U");
  if (unit && *unit == "U_CE") t += 273.15;
  if (unit && *unit == "U_FA") t = (t - 32.0) * 5.0 / 9.0 + 273.15;
  return platform::Format(" %.2f", t);
}

// The stored set-up value of a key, from the set-up the monitor was given.
std::optional<std::string> FromGivenSetup(const MonitorState& s, const std::string& key) {
  const size_t comma = key.find(',');
  const std::string word = key.substr(0, comma);
  const std::string filter = comma == std::string::npos ? std::string() : key.substr(comma + 1, 3);
  if (word == "G_N") return Find(s.params, s.ActiveBankKey(MonitorState::FilterIndex(filter)) + "G_N");
  if (word == "A_L") {
    // "A_L,F_A" and "A_L,F_A,1" are limit 1, "A_L,F_A,2" limit 2; the water
    // filter's limits belong to no bank.
    const bool second = key.size() > 8 && key.compare(key.size() - 2, 2, ",2") == 0;
    const std::string base = filter == "F_W" ? "F_W," : s.ActiveBankKey(MonitorState::FilterIndex(filter));
    return Find(s.params, base + (second ? "A_L,2" : "A_L"));
  }
  // The rest are the given set-up's own values, some written as the memory
  // writes them.
  const std::optional<std::string> given = Find(s.setup, key);
  if (!given) return given;
  if (word == "W_C" || word == "C_C" || word == "C_S" || word == "F_T_F" || word == "S_I" || word == "T_L" ||
      word == "A_P" || word == "US_F" || word == "B")
    return given;
  if (word == "C_F_T" || word == "T_F_T") return " " + *given;
  if (word == "N_T") return Kelvin(s, *given);
  if (word == "S_I_T") return platform::Format(" %.6E", static_cast<double>(ToFloat(*given)));
  return std::nullopt;
}

}  // namespace

void OfflineMemory::Load(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_downloaded = false;
  }
  std::string line;
  bool records = false;
  std::vector<std::string> pending;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line == "[records]") {
      records = true;
      continue;
    }
    if (!records) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos) SetValue(line.substr(0, eq), line.substr(eq + 1));
      continue;
    }
    pending.push_back(line);
    if (!IsEventLine(line)) {
      AddRecord(pending);
      pending.clear();
    }
  }
}

void OfflineMemory::SetValue(const std::string& key, const std::string& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_values[key] = value;
}

void OfflineMemory::AddRecord(const std::vector<std::string>& lines) {
  std::string record;
  for (const std::string& l : lines) record += l + "\r\n";
  std::lock_guard<std::mutex> lock(m_mutex);
  m_records.push_back(record);
}

void OfflineMemory::ClearRecords() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_records.clear();
}

size_t OfflineMemory::RecordCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_records.size();
}

int OfflineMemory::Resets() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_resets;
}

std::string OfflineMemory::Records(int first, int last) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string out;
  const int count = static_cast<int>(m_records.size());
  for (int i = first < 1 ? 1 : first; i <= last && i <= count; ++i) out += m_records[static_cast<size_t>(i - 1)];
  // The block ends in a line feed of its own.
  return out + "\n";
}

std::optional<std::string> OfflineMemory::StoredSetup(const MonitorState& state, const std::string& key) const {
  const std::optional<std::string> given = FromGivenSetup(state, key);
  if (m_downloaded && given) return given;
  if (const auto seeded = Find(m_values, key)) return seeded;
  return given;
}

void OfflineMemory::Install(SimulatedMonitor& monitor) {
  using R = std::optional<std::string>;
  monitor.AddHandler("O_M? ", [this](MonitorState& s, const Command& c) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (c.args == "MEM") return " " + std::to_string(m_records.size());
    return StoredSetup(s, c.args);
  });
  // Every set-up download sends it: the monitor measures with that set-up.
  monitor.AddHandler("D_A,", [this](MonitorState& s, const Command& c) -> R {
    s.setup["D_A"] = c.args;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_downloaded = true;
    return std::nullopt;
  });
  // "O_M? <first>,<last>,US_M_A_P": the records, then the block's end.
  for (char digit = '0'; digit <= '9'; ++digit) {
    monitor.AddRawHandler(std::string("O_M? ") + digit, [this](MonitorState&, const Command& c) -> R {
      int first = 0, last = 0;
      const std::string args = c.line.substr(5);
      if (platform::Scan(args, "%d,%d", &first, &last) != 2) return std::nullopt;
      return Records(first, last);
    });
  }
  monitor.AddHandler("SE? A_L,", [this](MonitorState& s, const Command& c) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto limit = StoredSetup(s, "A_L," + c.args);
    return limit ? *limit : std::string("__________");
  });
  monitor.AddHandler("RESET_SY PART", [this](MonitorState&, const Command&) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    ++m_resets;
    return std::nullopt;
  });
  monitor.Modify([](MonitorState& s) {
    // The units "SE? H_U" and "SE? C_U" read back, unless set already.
    s.setup.emplace("H_U", "U_PPM");
    s.setup.emplace("C_U", "U_PPM");
  });
}

}  // namespace kovo::sim
