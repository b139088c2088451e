// The direct path: SQLite's own interface on the file a data source of the
// SQLite3 driver names. Values are bound and read in their own types; SQL
// text and error texts are what the driver takes and gives.
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Connection.h"
#include "db/Database.h"
#include "db/DataSource.h"
#include "db/DateText.h"

namespace platform::db {

namespace {

constexpr int kError = -1;  // the return code of a failed ODBC call

// The driver's form of an error: "[SQLite]no such table: X (1)".
std::string ErrorText(sqlite3* db) {
  // The only read-only connection that writes is one opened so on a full
  // disk.
  if (sqlite3_errcode(db) == SQLITE_READONLY && sqlite3_db_readonly(db, "main") == 1)
    return "[SQLite]database or disk is full (13)";
  return "[SQLite]" + std::string(sqlite3_errmsg(db)) + " (" + std::to_string(sqlite3_errcode(db)) + ")";
}

[[noreturn]] void Throw(sqlite3* db) { throw CDBException(kError, ErrorText(db), "HY000"); }

// Why a file could not be opened, as the system said it: ": No such file or
// directory"; empty for any other failure.
std::string SystemReason(sqlite3* db) {
  const int error = sqlite3_errcode(db) == SQLITE_CANTOPEN ? sqlite3_system_errno(db) : 0;
  return error != 0 ? ": " + std::string(std::strerror(error)) : std::string();
}

// The escape clauses of ODBC SQL become SQLite's own: {ts '...'}, {d '...'}
// and {t '...'} their literal, {fn f(x)} and {oj ...} what they enclose,
// {escape 'c'} an ESCAPE clause. Quoted text and names are left alone.
std::string TranslateEscapes(const std::string& sql) {
  if (sql.find('{') == std::string::npos) return sql;
  std::string out;
  out.reserve(sql.size());
  std::vector<bool> dropClose;  // per open brace: whether its '}' goes
  const size_t n = sql.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : c;
      size_t end = sql.find(close, i + 1);
      if (end == std::string::npos) end = n - 1;
      out.append(sql, i, end - i + 1);
      i = end;
    } else if (c == '{') {
      size_t k = i + 1;
      while (k < n && std::isspace(static_cast<unsigned char>(sql[k]))) ++k;
      size_t word = k;
      while (k < n && std::isalpha(static_cast<unsigned char>(sql[k]))) ++k;
      std::string keyword = sql.substr(word, k - word);
      for (char& ch : keyword) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (keyword == "ts" || keyword == "d" || keyword == "t" || keyword == "fn" || keyword == "oj" ||
          keyword == "escape") {
        if (keyword == "escape") out += "ESCAPE";
        dropClose.push_back(true);
        i = k - 1;
      } else {
        out += c;
        dropClose.push_back(false);
      }
    } else if (c == '}' && !dropClose.empty()) {
      if (!dropClose.back()) out += c;
      dropClose.pop_back();
    } else {
      out += c;
    }
  }
  return out;
}

// A transaction that SQLite rolled back by itself (a full disk, a trigger's
// RAISE(ROLLBACK)) while its holder goes on writing: what follows must not
// commit statement by statement as if no transaction were open, so it goes
// into a new one, which the holder's Commit then refuses.
struct HeldTransaction {
  bool held = false;  // between Begin and Commit or Rollback
  bool lost = false;  // SQLite ended it meanwhile

  void Keep(sqlite3* db) {
    if (!held || !sqlite3_get_autocommit(db)) return;
    lost = true;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  }
};

class SqliteStatement : public Statement {
 public:
  // utf8: the database keeps its texts in UTF-8, so they can be read as
  // they lie.
  SqliteStatement(sqlite3* db, bool utf8, std::shared_ptr<HeldTransaction> transaction)
      : m_db(db), m_utf8(utf8), m_transaction(std::move(transaction)) {}
  ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

  void Prepare(const std::string& sql) override {
    if (m_stmt != nullptr && sql == m_text) return;
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_text.clear();
    m_pending = false;
    const std::string text = TranslateEscapes(sql);
    if (sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size()) + 1, &m_stmt, nullptr) != SQLITE_OK)
      Throw(m_db);
    if (m_stmt == nullptr) throw CDBException(kError, "[SQLite]not an SQL statement: " + sql, "HY000");
    m_text = sql;
  }

  void SetNull(int n) override { Check(sqlite3_bind_null(Ready(), n + 1)); }
  void SetInt(int n, int64_t value) override { Check(sqlite3_bind_int64(Ready(), n + 1, value)); }
  void SetDouble(int n, double value) override { Check(sqlite3_bind_double(Ready(), n + 1, value)); }
  void SetText(int n, std::string_view value) override {
    Check(sqlite3_bind_text(Ready(), n + 1, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
  }

  void Execute() override {
    Close();
    m_affected = 0;
    m_transaction->Keep(m_db);
    // A query is stepped as its rows are fetched; anything else runs now.
    if (sqlite3_column_count(Ready()) > 0) {
      m_pending = true;
      return;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail();
    m_affected = sqlite3_changes64(m_db);
    sqlite3_reset(m_stmt);
  }

  bool Fetch() override {
    if (!m_pending) return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Fail();
    Close();
    return false;
  }

  void Close() override {
    if (m_pending) sqlite3_reset(m_stmt);
    m_pending = false;
  }

  int64_t RowsAffected() override { return m_affected; }

  // A NULL reads as 0, so only a 0 needs a second look.
  bool GetInt(int col, int64_t* value) override {
    *value = sqlite3_column_int64(m_stmt, col);
    return *value != 0 || sqlite3_column_type(m_stmt, col) != SQLITE_NULL;
  }

  bool GetDouble(int col, double* value) override {
    *value = sqlite3_column_double(m_stmt, col);
    return *value != 0.0 || sqlite3_column_type(m_stmt, col) != SQLITE_NULL;
  }

  bool GetText(int col, std::string* value) override {
    // One call for the column, the rest on its value: a text is read by the
    // hundred thousand, and each call of the column interface costs its own
    // checks. The connection is used by one thread, which makes the
    // unprotected value safe to read.
    sqlite3_value* v = sqlite3_column_value(m_stmt, col);
    switch (sqlite3_value_type(v)) {
      case SQLITE_NULL:
        value->clear();
        return false;
      case SQLITE_BLOB: {
        // As the driver shows a blob as text: X'0A1B'.
        static const char kHex[] = "0123456789ABCDEF";
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_value_blob(v));
        const int size = sqlite3_value_bytes(v);
        value->assign("X'");
        for (int i = 0; i < size; ++i) {
          value->push_back(kHex[bytes[i] >> 4]);
          value->push_back(kHex[bytes[i] & 15]);
        }
        value->push_back('\'');
        return true;
      }
      case SQLITE_TEXT:
        if (m_utf8) {
          // Its bytes as they lie: reading it as text would first copy it
          // to end it with a zero.
          const auto* bytes = static_cast<const char*>(sqlite3_value_blob(v));
          value->assign(bytes ? bytes : "", static_cast<size_t>(sqlite3_value_bytes(v)));
          return true;
        }
        [[fallthrough]];
      default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        value->assign(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(v)));
        return true;
      }
    }
  }

  Cell GetTimestamp(int col, Timestamp* value, std::string* text) override {
    if (sqlite3_column_type(m_stmt, col) == SQLITE_NULL) return Cell::kNull;
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    const size_t length = static_cast<size_t>(sqlite3_column_bytes(m_stmt, col));
    if (chars != nullptr && ParseTimestamp(chars, length, value)) return Cell::kValue;
    GetText(col, text);
    return Cell::kInvalid;
  }

 private:
  sqlite3_stmt* Ready() {
    if (m_stmt == nullptr) throw CDBException(kError, "The statement is not prepared");
    return m_stmt;
  }

  void Check(int rc) {
    if (rc != SQLITE_OK) Throw(m_db);
  }

  // The error of the last step, taken before the reset that follows it.
  [[noreturn]] void Fail() {
    CDBException e(kError, ErrorText(m_db), "HY000");
    sqlite3_reset(m_stmt);
    m_pending = false;
    throw e;
  }

  sqlite3* m_db;
  bool m_utf8;
  std::shared_ptr<HeldTransaction> m_transaction;
  sqlite3_stmt* m_stmt = nullptr;
  bool m_pending = false;  // a query runs and has rows left to step
  int64_t m_affected = 0;
};

bool Utf8(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  bool utf8 = false;
  if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    utf8 = text != nullptr && std::strcmp(text, "UTF-8") == 0;
  }
  sqlite3_finalize(st);
  return utf8;
}

// A pragma value from a data source's entry: a word, nothing else.
bool IsWord(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
  return true;
}

// The names of the tables the file holds; reading them writes nothing, and a
// file that is no database fails here.
std::vector<std::string> TableNames(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr) != SQLITE_OK)
    Throw(db);
  std::vector<std::string> names;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) Throw(db);
  return names;
}

// A file name as an SQLite URI takes it.
std::string UriPath(const std::string& file) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : file) {
    if (c == '%' || c == '?' || c == '#') {
      out += '%';
      out += kHex[static_cast<unsigned char>(c) >> 4];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// The file a data source names (after links: its log lies beside that one)
// and which of its log files are there.
struct LogFiles {
  std::string file;
  bool wal = false;
  bool shm = false;
};
LogFiles LogFilesOf(const std::string& name) {
  LogFiles log;
  std::error_code ec;
  log.file = std::filesystem::canonical(name, ec).string();
  if (ec) log.file = name;
  log.wal = std::filesystem::exists(log.file + "-wal", ec);
  log.shm = std::filesystem::exists(log.file + "-shm", ec);
  return log;
}

// A connection that can change nothing of the file: read-only, and no
// checkpoint at its close, so another program's log stays where it is. Even
// a read-only connection makes the log and its index when either is missing;
// the file alone is then read as it lies, which for a file of the suite
// loses nothing (its tables are in the file from its making on, and no
// writer is at work without a log).
sqlite3* OpenUnchanged(const std::string& name, int timeoutMs) {
  const LogFiles log = LogFilesOf(name);
  const std::string uri = "file:" + UriPath(log.file) + (log.wal && log.shm ? "" : "?immutable=1");
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr) !=
      SQLITE_OK) {
    CDBException e(kError, ErrorText(db) + SystemReason(db), "HY000");
    sqlite3_close_v2(db);
    throw e;
  }
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  sqlite3_busy_timeout(db, timeoutMs);
  return db;
}

// The tables of a file, read without changing it; a file that cannot be
// read as a database throws.
std::vector<std::string> ReadTablesUnchanged(const std::string& file, int timeoutMs) {
  sqlite3* db = OpenUnchanged(file, timeoutMs);
  try {
    std::vector<std::string> tables = TableNames(db);
    sqlite3_close_v2(db);
    return tables;
  } catch (const CDBException&) {
    sqlite3_close_v2(db);
    throw;
  }
}

// The last failure on the connection was for want of room on its disk (the
// log's index that cannot grow says no more).
bool DiskFull(sqlite3* db) {
  return sqlite3_errcode(db) == SQLITE_FULL || sqlite3_system_errno(db) == ENOSPC ||
         sqlite3_extended_errcode(db) == SQLITE_IOERR_SHMSIZE;
}

class SqliteConnection : public Connection {
 public:
  SqliteConnection(const std::string& name, const DataSourceSettings& settings, const OpenChecks& checks) {
    if (settings.file.empty()) throw CDBException(kError, "Data source " + name + " names no database file");
    // Never SQLITE_OPEN_CREATE: a file that is missing is an error, not a new
    // empty database. No mutex of SQLite's: a connection is used by one
    // thread at a time, and locking it for every value read costs a fifth of
    // a read.
    try {
      // Nothing is changed in a file before it is known to be the database
      // wanted: the journal mode below is written into its header, and the
      // last connection of a writer folds the log into the file. A file that
      // is no database, or is locked beyond the timeout, fails here.
      if (const std::string wrong = CheckTables(ReadTablesUnchanged(settings.file, settings.timeoutMs), checks);
          !wrong.empty())
        throw CDBException(kError, wrong, "HY000");
      const LogFiles log = LogFilesOf(settings.file);
      if (sqlite3_open_v2(settings.file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
          SQLITE_OK)
        Throw(m_db);
      sqlite3_busy_timeout(m_db, settings.timeoutMs);
      try {
        for (const auto& p : {std::make_pair("journal_mode", settings.journalMode),
                              std::make_pair("synchronous", settings.synchronous)}) {
          if (!IsWord(p.second)) continue;
          const std::string sql = std::string("PRAGMA ") + p.first + " = " + p.second;
          if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw(m_db);
        }
      } catch (const CDBException&) {
        // A full disk has no room for the log's index: the file is still
        // read, and every write on it fails as the full disk it is.
        if (!DiskFull(m_db)) throw;
        sqlite3_close(m_db);
        m_db = nullptr;
        // What the attempt made of the log goes again: left, it would stand
        // for a log in use.
        std::error_code ec;
        if (!log.shm) std::filesystem::remove(log.file + "-shm", ec);
        if (!log.wal && std::filesystem::file_size(log.file + "-wal", ec) == 0)
          std::filesystem::remove(log.file + "-wal", ec);
        m_db = OpenUnchanged(settings.file, settings.timeoutMs);
      }
      m_utf8 = Utf8(m_db);
    } catch (const CDBException& e) {
      std::string reason = e.m_strError;
      if (m_db != nullptr) reason += SystemReason(m_db);
      sqlite3_close(m_db);
      m_db = nullptr;
      CDBException failure(kError, "Unable to open data source " + name + " (" + settings.file + "): " + reason,
                           e.m_strStateNativeOrigin);
      failure.m_strFile = settings.file;
      throw failure;
    }
  }

  // Read-only, with nothing changed in the file nor checked in it.
  SqliteConnection(const std::string& file, const std::atomic<bool>* cancel) {
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      CDBException failure(kError, ErrorText(m_db), "HY000");
      sqlite3_close(m_db);
      m_db = nullptr;
      throw failure;
    }
    sqlite3_busy_timeout(m_db, DataSourceSettings().timeoutMs);
    if (cancel != nullptr)
      sqlite3_progress_handler(
          m_db, 20000, [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
          const_cast<std::atomic<bool>*>(cancel));
    m_utf8 = Utf8(m_db);
  }

  ~SqliteConnection() override { sqlite3_close_v2(m_db); }

  bool IsEmbedded() const override { return true; }
  bool ReadsSideBySide() const override { return true; }

  void Execute(const std::string& sql) override {
    m_transaction->Keep(m_db);
    Exec(TranslateEscapes(sql));
  }

  std::unique_ptr<Statement> NewStatement() override {
    return std::make_unique<SqliteStatement>(m_db, m_utf8, m_transaction);
  }

  void Begin() override {
    Exec("BEGIN");
    *m_transaction = HeldTransaction{true, false};
  }

  void Commit(bool* undone) override {
    *undone = false;
    const bool lost = m_transaction->lost;
    *m_transaction = HeldTransaction();
    if (lost) {
      if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
      *undone = sqlite3_get_autocommit(m_db) != 0;
      throw CDBException(kError, "[SQLite]the transaction was rolled back by an error before its end", "HY000");
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return;
    CDBException reason(kError, ErrorText(m_db), "HY000");
    // A commit that fails on a full disk or an I/O error has rolled the
    // transaction back already; one that did not is rolled back here.
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    *undone = sqlite3_get_autocommit(m_db) != 0;
    throw reason;
  }

  void Rollback() override {
    *m_transaction = HeldTransaction();
    if (!sqlite3_get_autocommit(m_db)) Exec("ROLLBACK");
  }

 private:
  void Exec(const std::string& sql) {
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw(m_db);
  }

  sqlite3* m_db = nullptr;
  bool m_utf8 = false;
  std::shared_ptr<HeldTransaction> m_transaction = std::make_shared<HeldTransaction>();
};

}  // namespace

std::string CheckDatabaseFile(const std::string& file, const OpenChecks& checks) {
  try {
    return CheckTables(ReadTablesUnchanged(file, 0), checks);
  } catch (const CDBException& e) {
    return "no database that can be read: " + e.m_strError;
  }
}

std::unique_ptr<Connection> ConnectSqliteReader(const std::string& file, const std::atomic<bool>* cancel) {
  return std::make_unique<SqliteConnection>(file, cancel);
}

std::unique_ptr<Connection> ConnectSqlite(const std::string& name, const DataSourceSettings& settings,
                                          const OpenChecks& checks) {
  return std::make_unique<SqliteConnection>(name, settings, checks);
}

}  // namespace platform::db
