#include "TestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace kovo::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kovo-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  m_path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

EnvironmentScope::EnvironmentScope(const std::string& name, const std::string& value) : m_name(name) {
  if (const char* before = std::getenv(name.c_str())) {
    m_had = true;
    m_before = before;
  }
  setenv(name.c_str(), value.c_str(), 1);
}

EnvironmentScope::~EnvironmentScope() {
  if (m_had)
    setenv(m_name.c_str(), m_before.c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

SpawnedProgram::SpawnedProgram(const std::vector<std::string>& argv) {
  int out[2];
  if (argv.empty() || pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) m_pid = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  m_out = fdopen(out[0], "r");
}

SpawnedProgram::~SpawnedProgram() {
  if (m_pid > 0) Kill();
  if (m_out != nullptr) std::fclose(m_out);
}

bool SpawnedProgram::ReadLine(std::string* line) {
  char buffer[256];
  if (m_out == nullptr || !std::fgets(buffer, sizeof buffer, m_out)) return false;
  line->assign(buffer, std::strcspn(buffer, "\n"));
  return true;
}

bool SpawnedProgram::Kill() {
  if (m_pid <= 0) return false;
  kill(m_pid, SIGKILL);
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

WaitCursorLog::WaitCursorLog()
    : m_previousDisplay(platform::SetWaitCursorDisplay(this)), m_previousSink(platform::SetMessageSink(this)) {}

WaitCursorLog::~WaitCursorLog() {
  platform::SetMessageSink(m_previousSink);
  platform::SetWaitCursorDisplay(m_previousDisplay);
}

int WaitCursorLog::Show(const std::string& text, const std::string&, unsigned type) {
  events.push_back("message: " + text);
  return platform::DefaultAnswer(type);
}

}  // namespace kovo::test
