#include "App.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

namespace platform {
namespace {
AppCore* g_current = nullptr;
}

AppCore::AppCore(std::string name, std::vector<std::string> args)
    : m_name(std::move(name)), m_args(std::move(args)), m_previous(g_current) {
  g_current = this;
}

AppCore::~AppCore() {
  if (g_current == this) g_current = m_previous;
}

AppCore* AppCore::Current() { return g_current; }

std::string ProgramFolder() {
  if (const char* env = std::getenv("KOVO_PROGRAM_FOLDER"); env && *env) return env;
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path().string();
  return exe.parent_path().string();
}

std::vector<std::string> ArgsFromMain(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

namespace {
std::mutex g_versionsMutex;
std::map<std::string, FileVersion>& Versions() {
  static std::map<std::string, FileVersion> v;
  return v;
}
}  // namespace

void SetFileVersion(const std::string& file, const FileVersion& version) {
  std::lock_guard<std::mutex> lock(g_versionsMutex);
  Versions()[file] = version;
}

bool GetFileVersion(const std::string& file, FileVersion* version) {
  std::lock_guard<std::mutex> lock(g_versionsMutex);
  auto it = Versions().find(file);
  if (it == Versions().end()) return false;
  *version = it->second;
  return true;
}

}  // namespace platform
