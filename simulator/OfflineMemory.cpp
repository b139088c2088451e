#include "OfflineMemory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "SimulatedMonitor.h"
#include "core/Text.h"

namespace kovo::sim {

namespace {

bool IsEventLine(const std::string& line) { return line.compare(0, 6, "      ") == 0; }

}  // namespace

void OfflineMemory::Load(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
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

void OfflineMemory::Install(SimulatedMonitor& monitor) {
  using R = std::optional<std::string>;
  monitor.AddHandler("O_M? ", [this](MonitorState&, const Command& c) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (c.args == "MEM") return " " + std::to_string(m_records.size());
    const auto it = m_values.find(c.args);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
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
  monitor.AddHandler("SE? A_L,", [this](MonitorState&, const Command& c) -> R {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_values.find("A_L," + c.args);
    return it == m_values.end() ? std::string("__________") : it->second;
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
