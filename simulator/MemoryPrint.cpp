// The monitor's print of the samples it recorded, as it sends it to a PC that
// asks for its measured data.
#include "SimulatedMonitor.h"
#include "core/Text.h"

namespace kovo::sim {

namespace {

constexpr size_t kSamplesPerPage = 50;
const char* const kColumns[] = {"Gas A", "Gas B", "Gas C", "Gas D", "Gas E", "Water"};

std::string ColumnLine() {
  std::string line = "     No.  Date        Time    ";
  for (const char* c : kColumns) line += platform::Format("  %10s", c);
  return line + "    Pressure\r\n";
}

std::string SampleLine(const MonitorState::RecordedSample& r) {
  // No blank inside a field: a PC finds the last sample by its number between
  // blanks.
  std::string line = platform::Format("%8ld  %02d.%02d.%04d  %02d:%02d:%02d", r.number, r.time.tm_mday,
                                      r.time.tm_mon + 1, r.time.tm_year + 1900, r.time.tm_hour, r.time.tm_min,
                                      r.time.tm_sec);
  for (size_t ch = 0; ch < 6; ++ch)
    line += r.used[ch] ? platform::Format("  %10.4E", static_cast<double>(r.levels[ch])) : std::string("          --");
  return line + platform::Format("  %10.1f\r\n", static_cast<double>(r.airPressure));
}

}  // namespace

std::string FormatMemoryPrint(const MonitorState& s) {
  if (s.recorded.empty()) return "NO MEASURED DATA\r\n";
  const size_t pages = (s.recorded.size() + kSamplesPerPage - 1) / kSamplesPerPage;
  std::string out;
  for (size_t page = 0; page < pages; ++page) {
    out += '\f';
    if (page == 0) {
      out += "KOVO GAS MONITOR  MEASURED DATA\r\n";
      out += "Model : " + s.model + "    Serial number : " + s.serial + "\r\n";
      out += "Recorded Samples : " + std::to_string(s.recorded.size()) + "\r\n";
      const auto interval = s.setup.find("S_I");
      out += "Sampling interval : " + (interval == s.setup.end() ? std::string() : interval->second) + "\r\n\r\n";
    } else {
      out += "Page" + platform::Format("%4zu", page + 1) + "\r\n\r\n";
    }
    out += ColumnLine();
    const size_t end = std::min(s.recorded.size(), (page + 1) * kSamplesPerPage);
    for (size_t i = page * kSamplesPerPage; i < end; ++i) out += SampleLine(s.recorded[i]);
  }
  return out;
}

}  // namespace kovo::sim
