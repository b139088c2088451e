#include "DBUtil.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "COException.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "TarnicBaseApp.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

extern char** environ;

namespace {

// Exception texts go through a buffer of this size, as they always have.
constexpr unsigned kMessageBuffer = 100;

std::string MessageOf(const CException& e) {
  char buf[kMessageBuffer];
  e.GetErrorMessage(buf, sizeof buf);
  return buf;
}

bool SpawnOpener(const std::string& path, const std::string& folder) {
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

ShellOpener& Opener() {
  static ShellOpener opener = SpawnOpener;
  return opener;
}

}  // namespace

void ShowMessage(unsigned id) { platform::MessageBox(platform::LoadString(id), MB_OK); }

void ShowMessageText(std::string text) { platform::MessageBox(text, MB_OK); }

void ShowExceptionMessage(const CException& e) { platform::MessageBox(MessageOf(e), MB_OK); }

void ShowCOExceptionMessage(const COException& e) { ShowExceptionMessage(e); }

void ReportException(unsigned id, const CException& e) {
  platform::MessageBox(platform::LoadString(id) + "\n\n" + MessageOf(e), MB_OK);
}

void SetBitFlag(unsigned char* flags, int bit, bool on) {
  unsigned b = static_cast<unsigned>(bit) % 32;
  if (flags == nullptr || b > 7) return;
  if (on)
    *flags = static_cast<unsigned char>(*flags | (1u << b));
  else
    *flags = static_cast<unsigned char>(*flags & ~(1u << b));
}

bool IsBitFlagSet(unsigned char flags, int bit) {
  unsigned b = static_cast<unsigned>(bit) % 32;
  return b < 8 && (flags & (1u << b)) != 0;
}

void SetBitFlag32(uint32_t* flags, int bit, bool on) {
  if (flags == nullptr) return;
  uint32_t mask = 1u << (static_cast<unsigned>(bit) % 32);
  if (on)
    *flags |= mask;
  else
    *flags &= ~mask;
}

bool IsBitSet(uint32_t flags, int bit) { return (flags & (1u << (static_cast<unsigned>(bit) % 32))) != 0; }

std::string FormatOdbcTimestamp(const CTime& time) { return time.Format("{ts '%Y-%m-%d %H:%M:%S'}"); }

std::string GetFirstEventText(const std::vector<COEvent>& events) {
  for (const COEvent& e : events)
    if (e.GetType() == COEvent::typeComment) return e.GetText();
  return std::string();
}

void UpdateAllViewsOfDoc(long hint) {
  COSystemSetup* setup = COSystemSetup::Current();
  if (setup == nullptr || !setup->IsMeasDatabaseOpen()) return;
  if (CDBDoc* doc = AppTool::GetDocument()) doc->UpdateAllViews(nullptr, hint, nullptr);
}

bool OpenManual() {
  COSystemSetup* setup = COSystemSetup::Current();
  std::string folder = setup ? setup->GetProgramFolder() : std::string();
  std::string path = folder + platform::LoadString(222);
  if (Opener() && Opener()(path, folder)) return true;
  ShowMessage(223);
  return false;
}

void SetShellOpener(ShellOpener opener) { Opener() = opener ? std::move(opener) : ShellOpener(SpawnOpener); }
