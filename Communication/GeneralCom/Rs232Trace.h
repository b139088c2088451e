#pragma once
// The trace of a program's serial traffic and of its link's messages:
// "rs232.txt" in its folder, moved to "rs232bak.txt" when it grows past its
// limit. The program context owns one and turns it on from the program's
// debug flag; it is off until then.
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

// Above this size the trace moves to its backup file.
constexpr long kRs232TraceLimit = 1300L * 1024L;

class Rs232Trace {
 public:
  void SetOn(bool on) { m_on = on; }
  bool IsOn() const { return m_on; }
  // The working folder unless the program names another.
  void SetFolder(const std::string& folder);
  std::string Path() const;
  std::string BackupPath() const;

  // A message: "<time>():<text>".
  void Log(const std::string& text);
  // Traffic: "<time>(<tag>):<bytes>", tag "read" or "write".
  void Data(const char* tag, const char* data, size_t length);

 private:
  std::string InFolder(const char* name) const;
  void Write(const char* tag, const char* data, size_t length);

  std::atomic<bool> m_on{false};
  mutable std::mutex m_mutex;
  std::string m_folder;
};

// A message into the trace, when there is one.
inline void Rs232DebugLog(Rs232Trace* trace, const std::string& text) {
  if (trace != nullptr) trace->Log(text);
}
