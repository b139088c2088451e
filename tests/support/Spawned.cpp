#include "Spawned.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace kovo::test {

Spawned::Spawned(const std::vector<std::string>& argv) {
  int out[2];
  if (::pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> args = argv;
  std::vector<char*> pointers;
  for (std::string& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  if (pointers.size() < 2 || posix_spawn(&m_pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0)
    m_pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  m_out = ::fdopen(out[0], "r");
}

Spawned::~Spawned() {
  Kill();
  if (m_out) std::fclose(m_out);
}

bool Spawned::ReadLine(std::string* line) {
  char buffer[4096];
  if (!m_out || !std::fgets(buffer, sizeof buffer, m_out)) return false;
  line->assign(buffer, std::strcspn(buffer, "\n"));
  m_said += *line + "\n";
  return true;
}

bool Spawned::WaitFor(const std::string& line) {
  std::string got;
  while (ReadLine(&got))
    if (got == line) return true;
  return false;
}

void Spawned::Kill() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

int Spawned::Wait() {
  if (m_pid <= 0) return -1;
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kovo::test
