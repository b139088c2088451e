#pragma once
// Every database test works in a folder of its own and points ODBCINI at a
// data-source file there, so no test touches the user's data sources.
#include <string>

#include "TestSupport.h"

namespace kovo::test {

class OdbcScope {
 public:
  OdbcScope();
  ~OdbcScope();
  OdbcScope(const OdbcScope&) = delete;
  OdbcScope& operator=(const OdbcScope&) = delete;

  const TempDir& Dir() const { return m_dir; }
  std::string File(const std::string& name) const { return m_dir.File(name); }
  const std::string& IniFile() const { return m_ini; }
  // Registers name for the file and creates the file by running script.
  void MakeDatabase(const std::string& dsn, const std::string& file, const std::string& script) const;

 private:
  TempDir m_dir;
  std::string m_ini;
  std::string m_oldIni;
  bool m_hadIni = false;
};

// Runs a command through the shell and returns its standard output.
std::string RunCommand(const std::string& command, int* status = nullptr);

}  // namespace kovo::test
