#pragma once
// The two ways a CDatabase reaches its database: SQLite's own interface on
// the file of a data source of the SQLite3 driver, or ODBC for any other.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Statement.h"

namespace platform::db {

class Connection {
 public:
  virtual ~Connection() = default;

  virtual bool IsEmbedded() const = 0;
  // Two reads on the connection step by turns, each where it stands; through
  // ODBC the driver reads the whole result of the one before the other goes on.
  virtual bool ReadsSideBySide() const = 0;
  // The ODBC connection handle; null on the direct path.
  virtual void* OdbcHandle() const { return nullptr; }

  // One statement, or several separated by ';', that return no rows.
  virtual void Execute(const std::string& sql) = 0;
  virtual std::unique_ptr<Statement> NewStatement() = 0;

  virtual void Begin() = 0;
  // A failed commit throws the reason the database gave for it, after
  // rolling back whatever the failure left open; *undone tells whether the
  // database is then known to be as it was before Begin.
  virtual void Commit(bool* undone) = 0;
  virtual void Rollback() = 0;
};

// The settings the suite gives every data source, as the ODBC driver takes
// them from the data source's entry; the direct path applies the same.
struct DataSourceSettings {
  std::string file;
  std::string journalMode = "WAL";
  std::string synchronous = "NORMAL";
  int timeoutMs = 10000;
};

// Opens the connection a connect string ("ODBC;DSN=...;...") asks for. This
// is where the path is chosen: a data source whose driver is the suite's
// SQLite3 driver is opened directly on its file, anything else through ODBC.
std::unique_ptr<Connection> Connect(const std::string& connect, const OpenChecks& checks);

// name: the data source, for messages. The direct path never creates a file.
std::unique_ptr<Connection> ConnectOdbc(const std::string& connect, const std::string& name, const OpenChecks& checks);
std::unique_ptr<Connection> ConnectSqlite(const std::string& name, const DataSourceSettings& settings,
                                          const OpenChecks& checks);

// A connection that only reads the database file of a data source of the
// SQLite3 driver, a read's own, which may run on any thread. cancel: a flag
// that, once set, makes what the connection does fail. Throws CDBException.
std::unique_ptr<Connection> ConnectSqliteReader(const std::string& file, const std::atomic<bool>* cancel = nullptr);

// The reason a database with these tables fails the checks; empty when it
// passes.
std::string CheckTables(const std::vector<std::string>& tables, const OpenChecks& checks);

}  // namespace platform::db
