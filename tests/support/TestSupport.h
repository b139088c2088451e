#pragma once
// Small helpers shared by the tests.
#include <cstdio>
#include <string>
#include <vector>

#include "core/MessageSink.h"
#include "core/Shell.h"

namespace kovo::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Sets an environment variable for its lifetime; the setting before (or
// none) comes back when it goes.
class EnvironmentScope {
 public:
  EnvironmentScope(const std::string& name, const std::string& value);
  ~EnvironmentScope();
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  std::string m_name;
  bool m_had = false;
  std::string m_before;
};

// A helper program a test starts, with the test's environment and its
// standard output on a pipe that the test reads line by line, to kill it at
// the moment it reports. Killed, if still running, when the object goes.
class SpawnedProgram {
 public:
  explicit SpawnedProgram(const std::vector<std::string>& argv);
  ~SpawnedProgram();
  SpawnedProgram(const SpawnedProgram&) = delete;
  SpawnedProgram& operator=(const SpawnedProgram&) = delete;

  bool Started() const { return m_pid > 0; }
  // The next line, without its end; false once the output has ended.
  bool ReadLine(std::string* line);
  // Kills it with SIGKILL and waits for it; true when that signal ended it.
  // What it wrote before stays to be read.
  bool Kill();

 private:
  int m_pid = -1;
  std::FILE* m_out = nullptr;
};

// Points the programs at a folder of their own.
class ProgramFolderScope : public EnvironmentScope {
 public:
  explicit ProgramFolderScope(const std::string& folder) : EnvironmentScope("KOVO_PROGRAM_FOLDER", folder) {}
};

// Notes in one log when the wait cursor shows ("wait") and goes ("done") and
// each message shown meanwhile ("message: <text>", answered with its default
// button). Installs itself for its lifetime.
class WaitCursorLog : public platform::WaitCursorDisplay, public platform::MessageSink {
 public:
  WaitCursorLog();
  ~WaitCursorLog() override;
  WaitCursorLog(const WaitCursorLog&) = delete;
  WaitCursorLog& operator=(const WaitCursorLog&) = delete;
  void Begin() override { events.push_back("wait"); }
  void End() override { events.push_back("done"); }
  int Show(const std::string& text, const std::string& caption, unsigned type) override;

  std::vector<std::string> events;

 private:
  platform::WaitCursorDisplay* m_previousDisplay;
  platform::MessageSink* m_previousSink;
};

}  // namespace kovo::test
