#include "SpaceControl.h"

#include <sys/statvfs.h>

#include <atomic>

#include "BackupStrings.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {
std::atomic<IDirChooser*> g_chooser{nullptr};
}  // namespace

IDirChooser* SetDirChooser(IDirChooser* chooser) { return g_chooser.exchange(chooser); }
IDirChooser* GetDirChooser() { return g_chooser.load(); }

ScriptedDirChooser::ScriptedDirChooser() : m_previous(SetDirChooser(this)) {}
ScriptedDirChooser::~ScriptedDirChooser() { SetDirChooser(m_previous); }

void ScriptedDirChooser::Answer(const std::string& dir) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answers.emplace_back(true, dir);
}

void ScriptedDirChooser::AnswerCancel() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answers.emplace_back(false, std::string());
}

void ScriptedDirChooser::AnswerAlways(const std::string& dir) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_always = true;
  m_alwaysDir = dir;
}

bool ScriptedDirChooser::Choose(const std::string& prompt, const std::string& preset, std::string* dir) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_asked.push_back({prompt, preset});
  if (m_answers.empty()) {
    if (!m_always) return false;
    *dir = m_alwaysDir;
    return true;
  }
  auto answer = m_answers.front();
  m_answers.pop_front();
  if (answer.first) *dir = answer.second;
  return answer.first;
}

std::vector<ScriptedDirChooser::Asked> ScriptedDirChooser::Prompts() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_asked;
}

bool DiskFreeSpace::FreeBytes(const std::string& dir, uint64_t* bytes) {
  struct statvfs st;
  if (statvfs(dir.c_str(), &st) != 0) return false;
  *bytes = static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
  return true;
}

SpaceControl::SpaceControl() = default;

SpaceControl& SpaceControl::Global() {
  static SpaceControl control;
  return control;
}

void SpaceControl::Reset() {
  m_disk = 1;
  m_directory.clear();
  m_ask = true;
  m_cancelled = false;
}

std::string SpaceControl::GetDirectory() {
  m_cancelled = false;
  if (m_ask) {
    m_ask = false;
    std::string chosen;
    if (AskDirectory(DiskPrompt(m_disk), m_directory, &chosen))
      m_directory = chosen;
    else
      m_cancelled = true;
  }
  return m_directory;
}

void SpaceControl::NextDisk() {
  ++m_disk;
  m_ask = true;
}

std::string SpaceControl::DiskPrompt(int disk) {
  if (disk <= 1) return platform::LoadString(IDS_INSERT_FIRST_DISK);
  return platform::Format(platform::LoadString(IDS_INSERT_DISK).c_str(), disk);
}

bool SpaceControl::AskDirectory(const std::string& prompt, const std::string& preset, std::string* dir) {
  IDirChooser* chooser = GetDirChooser();
  return chooser && chooser->Choose(prompt, preset, dir);
}

bool SpaceControl::FreeBytes(const std::string& dir, uint64_t* bytes) {
  if (m_freeSpace) return m_freeSpace->FreeBytes(dir, bytes);
  DiskFreeSpace disk;
  return disk.FreeBytes(dir, bytes);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}
