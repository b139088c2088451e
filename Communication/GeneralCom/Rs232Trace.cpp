#include "Rs232Trace.h"

#include <sys/stat.h>

#include <cstdio>

#include "core/Time.h"

std::string Rs232Trace::InFolder(const char* name) const {
  return m_folder.empty() ? name : m_folder + "/" + name;
}

void Rs232Trace::SetFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_folder = folder;
}

std::string Rs232Trace::Path() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return InFolder("rs232.txt");
}

std::string Rs232Trace::BackupPath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return InFolder("rs232bak.txt");
}

void Rs232Trace::Log(const std::string& text) { Write("", text.data(), text.size()); }

void Rs232Trace::Data(const char* tag, const char* data, size_t length) { Write(tag, data, length); }

void Rs232Trace::Write(const char* tag, const char* data, size_t length) {
  if (!m_on) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  const std::string path = InFolder("rs232.txt");
  std::FILE* f = std::fopen(path.c_str(), "a");
  std::printf(f ? "The file 'rs232.txt' was opened\n" : "The file 'rs232.txt' was not opened\n");
  std::fflush(stdout);
  if (!f) return;
  const std::string stamp = platform::CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M:%S");
  std::fprintf(f, "%s(%s):", stamp.c_str(), tag);
  std::fwrite(data, 1, length, f);
  std::fclose(f);

  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && st.st_size > kRs232TraceLimit) {
    const std::string backup = InFolder("rs232bak.txt");
    std::remove(backup.c_str());
    std::rename(path.c_str(), backup.c_str());
  }
}
