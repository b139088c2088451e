#pragma once
// The simulated monitor's offline memory: the set-up it measured with on its
// own and the records it stored, answered as the "O_M?" queries ask for them
// and cleared by "RESET_SY PART". A set-up downloaded to the monitor (its
// "D_A," line marks one) is the set-up it measures with from then on: the
// stored set-up queries answer with it, where a seed file's values answered
// before.
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kovo::sim {

class SimulatedMonitor;
struct MonitorState;

class OfflineMemory {
 public:
  // A seed file: "KEY=VALUE" lines give the reply to "O_M? KEY" (and, for
  // "A_L,F_A,1" and the like, to "SE? KEY"); after a line "[records]" every
  // line is a line of a stored record as the monitor sends it, an event line
  // (six blanks first) belonging to the measurement line after it. Lines
  // starting with '#' are comments. Throws std::runtime_error when the file
  // cannot be read.
  void Load(const std::string& path);
  void SetValue(const std::string& key, const std::string& value);
  // One record: its lines without their line ends.
  void AddRecord(const std::vector<std::string>& lines);
  void ClearRecords();
  size_t RecordCount() const;
  int Resets() const;

  // Answers the memory's commands on the monitor from now on. The memory
  // must outlive the monitor's answering.
  void Install(SimulatedMonitor& monitor);

 private:
  std::string Records(int first, int last) const;
  // The answer to "O_M? <key>" (and to "SE? A_L,<filter>,<n>" under the key
  // "A_L,<filter>,<n>"), the mutex held.
  std::optional<std::string> StoredSetup(const MonitorState& state, const std::string& key) const;

  mutable std::mutex m_mutex;
  std::map<std::string, std::string> m_values;
  std::vector<std::string> m_records;  // each with its line ends
  int m_resets = 0;
  bool m_downloaded = false;
};

}  // namespace kovo::sim
