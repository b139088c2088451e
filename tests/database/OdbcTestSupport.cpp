#include "OdbcTestSupport.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "db/DataSource.h"
#include "db/Database.h"

namespace kovo::test {

OdbcScope::OdbcScope() : m_ini(m_dir.File("odbc.ini")) {
  if (const char* old = std::getenv("ODBCINI")) {
    m_hadIni = true;
    m_oldIni = old;
  }
  std::ofstream(m_ini).flush();
  setenv("ODBCINI", m_ini.c_str(), 1);
}

OdbcScope::~OdbcScope() {
  if (m_hadIni)
    setenv("ODBCINI", m_oldIni.c_str(), 1);
  else
    unsetenv("ODBCINI");
}

void OdbcScope::MakeDatabase(const std::string& dsn, const std::string& file, const std::string& script) const {
  platform::db::RegisterDataSource(dsn, "test", file);
  CDatabase db;
  db.Open("ODBC;DSN=" + dsn);
  if (!script.empty()) db.ExecuteSQL(script);
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int st = pclose(p);
  if (status != nullptr) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

}  // namespace kovo::test
