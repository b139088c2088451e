#pragma once
// A process a test starts and kills, its standard output read line by line.
#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kovo::test {

class Spawned {
 public:
  // argv[0] is the program file; the environment is the test's.
  explicit Spawned(const std::vector<std::string>& argv);
  // Kills it unless it has ended.
  ~Spawned();
  Spawned(const Spawned&) = delete;
  Spawned& operator=(const Spawned&) = delete;

  bool Started() const { return m_pid > 0; }
  // The next line it writes; false once its output has ended.
  bool ReadLine(std::string* line);
  // Reads until it writes that line; false when its output ended first.
  bool WaitFor(const std::string& line);
  // kill -9, and waits until it is gone.
  void Kill();
  // Waits for its end: its exit code, -1 when a signal ended it.
  int Wait();
  // Every line read so far.
  const std::string& Said() const { return m_said; }

 private:
  pid_t m_pid = -1;
  FILE* m_out = nullptr;
  std::string m_said;
};

}  // namespace kovo::test
