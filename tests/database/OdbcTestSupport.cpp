#include "OdbcTestSupport.h"

#include <gtest/gtest.h>
#include <link.h>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "db/DataSource.h"
#include "db/Database.h"

namespace kovo::test {

namespace {

// The file of the SQLite3 ODBC driver, as the driver manager loads it for
// the driver's name.
std::string DriverLibrary() {
  static const std::string path = [] {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string cs = std::string("DRIVER={") + platform::db::kDriverName + "};Database=:memory:";
    std::string found;
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), SQL_NTS, nullptr, 0,
                                       nullptr, SQL_DRIVER_NOPROMPT))) {
      dl_iterate_phdr(
          [](dl_phdr_info* info, size_t, void* data) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("sqlite3odbc") == std::string::npos) return 0;
            *static_cast<std::string*>(data) = name;
            return 1;
          },
          &found);
      SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    if (found.empty()) throw std::runtime_error("the SQLite3 ODBC driver's library was not found");
    return found;
  }();
  return path;
}

}  // namespace

std::string DbPathName(DbPath path) { return path == DbPath::kEmbedded ? "Embedded" : "Odbc"; }

OdbcScope::OdbcScope() : m_ini(m_dir.File("odbc.ini")) { std::ofstream(m_ini).flush(); }

OdbcScope::~OdbcScope() = default;

void OdbcScope::MakeDatabase(const std::string& dsn, const std::string& file, const std::string& script,
                             DbPath path) const {
  platform::db::CreateDatabase(dsn, "test", file, script);
  if (path == DbPath::kOdbc) RouteThroughOdbc(dsn);
}

void OdbcScope::RouteThroughOdbc(const std::string& dsn) { SetAttribute(dsn, "Driver", DriverLibrary()); }

void OdbcScope::SetAttribute(const std::string& dsn, const std::string& key, const std::string& value) {
  if (!SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini"))
    throw std::runtime_error("unable to set " + key + " of " + dsn);
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

void MakeForeignFile(const std::string& file, ForeignFile kind) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(file + suffix);
  if (kind == ForeignFile::kText) {
    std::ofstream(file, std::ios::binary) << "name;phone\r\nAnn;123\r\n" << std::string(600, ' ');
    return;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  if (kind == ForeignFile::kLoggedDatabase) {
    sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  }
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE contacts (name TEXT, phone TEXT); INSERT INTO contacts VALUES ('Ann', '123')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
}

std::string FileState(const std::string& file) {
  auto bytes = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  return bytes(file) + "\n-- log " + (std::filesystem::exists(file + "-wal") ? bytes(file + "-wal") : "none") +
         "\n-- index " + (std::filesystem::exists(file + "-shm") ? "there" : "none");
}

}  // namespace kovo::test
