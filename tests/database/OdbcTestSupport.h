#pragma once
// Every database test works in a folder of its own and points ODBCINI at a
// data-source file there, so no test touches the user's data sources.
#include <ostream>
#include <string>

#include "TestSupport.h"

namespace kovo::test {

// The two ways the database layer reaches a database: directly on the file
// of a data source of the suite's SQLite3 driver, or through ODBC for a data
// source of any other driver.
enum class DbPath { kEmbedded, kOdbc };
// "Embedded" or "Odbc", for the names of parameterised tests.
std::string DbPathName(DbPath path);
inline void PrintTo(DbPath path, std::ostream* out) { *out << DbPathName(path); }

class OdbcScope {
 public:
  OdbcScope();
  ~OdbcScope();
  OdbcScope(const OdbcScope&) = delete;
  OdbcScope& operator=(const OdbcScope&) = delete;

  const TempDir& Dir() const { return m_dir; }
  std::string File(const std::string& name) const { return m_dir.File(name); }
  const std::string& IniFile() const { return m_ini; }
  // Registers name for the file and creates the file by running script; the
  // layer then reaches it by the path given.
  void MakeDatabase(const std::string& dsn, const std::string& file, const std::string& script,
                    DbPath path = DbPath::kEmbedded) const;
  // Makes a registered data source one of another driver: it names the
  // SQLite3 ODBC driver's library by its path instead of the driver's name,
  // so the layer reaches it through ODBC, with the same settings.
  static void RouteThroughOdbc(const std::string& dsn);
  // Sets one attribute of a registered data source.
  static void SetAttribute(const std::string& dsn, const std::string& key, const std::string& value);

 private:
  TempDir m_dir;
  std::string m_ini;
  EnvironmentScope m_iniSetting{"ODBCINI", m_ini};
};

// What another program may leave where a database of the suite belongs:
// its SQLite database; the same in write-ahead logging with its rows still
// in the log (the writer gone without folding them in); a file that is no
// database at all.
enum class ForeignFile { kDatabase, kLoggedDatabase, kText };
void MakeForeignFile(const std::string& file, ForeignFile kind);
// The file's bytes, its log's bytes and whether the log's index is there:
// equal before and after when a look at the file changed nothing.
std::string FileState(const std::string& file);

// Runs a command through the shell and returns its standard output.
std::string RunCommand(const std::string& command, int* status = nullptr);

}  // namespace kovo::test
