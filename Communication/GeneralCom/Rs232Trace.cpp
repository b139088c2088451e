#include "Rs232Trace.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>

#include "core/Time.h"

std::atomic<int> g_rs232Debug{0};
std::atomic<int> g_rs232LikeYelt{0};
std::atomic<int> g_rs232FirstOpen{1};
std::atomic<int> g_rs232CheckModem{0};
std::atomic<int> g_rs232ReadTimeout{0};
std::atomic<int> g_rs232WriteStall{0};

namespace {

std::mutex g_traceMutex;
std::string g_folder;

std::string InFolder(const char* name) { return g_folder.empty() ? name : g_folder + "/" + name; }

void Trace(const char* tag, const char* data, size_t length) {
  if (g_rs232Debug.load() != 1) return;
  std::lock_guard<std::mutex> lock(g_traceMutex);
  const std::string path = InFolder("rs232.txt");
  std::FILE* f = std::fopen(path.c_str(), "a");
  std::printf(f ? "The file 'rs232.txt' was opened\n" : "The file 'rs232.txt' was not opened\n");
  std::fflush(stdout);
  if (!f) return;
  const std::string stamp = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M:%S");
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

}  // namespace

void SetRs232TraceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_traceMutex);
  g_folder = folder;
}

std::string Rs232TracePath() {
  std::lock_guard<std::mutex> lock(g_traceMutex);
  return InFolder("rs232.txt");
}

std::string Rs232TraceBackupPath() {
  std::lock_guard<std::mutex> lock(g_traceMutex);
  return InFolder("rs232bak.txt");
}

void Rs232DebugLog(const std::string& text) { Trace("", text.data(), text.size()); }

void Rs232TraceData(const char* tag, const char* data, size_t length) { Trace(tag, data, length); }
