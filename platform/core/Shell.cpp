#include "Shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

extern char** environ;

namespace platform {
namespace {

bool SpawnViewer(const std::string& path, const std::string& folder) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  pid_t pid = 0;
  const char* argv[] = {"xdg-open", path.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // The viewer goes on by itself; the opener's own exit is collected later.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

std::mutex g_openerMutex;
DesktopOpener g_opener;
std::atomic<WaitCursorDisplay*> g_waitDisplay{nullptr};

}  // namespace

bool OpenWithDesktop(const std::string& path, const std::string& folder) {
  DesktopOpener opener;
  {
    std::lock_guard<std::mutex> lock(g_openerMutex);
    opener = g_opener;
  }
  return opener ? opener(path, folder) : SpawnViewer(path, folder);
}

DesktopOpener SetDesktopOpener(DesktopOpener opener) {
  std::lock_guard<std::mutex> lock(g_openerMutex);
  DesktopOpener previous = std::move(g_opener);
  g_opener = std::move(opener);
  return previous;
}

WaitCursorDisplay* SetWaitCursorDisplay(WaitCursorDisplay* display) { return g_waitDisplay.exchange(display); }

WaitCursor::WaitCursor() : m_display(g_waitDisplay.load()) {
  if (m_display) m_display->Begin();
}

WaitCursor::~WaitCursor() { Restore(); }

void WaitCursor::Restore() {
  if (m_display) m_display->End();
  m_display = nullptr;
}

}  // namespace platform
