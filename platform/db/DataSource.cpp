#include "db/DataSource.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <map>
#include <mutex>

#include "Connection.h"
#include "core/Text.h"
#include "db/Database.h"

namespace platform::db {

const char* const kDriverName = "SQLite3";

namespace {

// Settings the suite relies on, the same for every data source:
// - rows are fetched one by one rather than all at once on every query, so
//   requerying a large table costs one row (StepAPI);
// - readers never block the writer (write-ahead log), and a commit is written
//   to the log before the call returns, so a killed program loses nothing it
//   committed; NORMAL syncs at checkpoints only, so a power cut may lose the
//   last commits but leaves a sound file;
// - a writer waits for another one instead of failing at once (Timeout, ms);
// - a missing file is an error, not a new empty database (NoCreat).
// The direct path reads the same entries, so both paths open a file alike.
const struct {
  const char* key;
  const char* value;
} kDriverOptions[] = {
    {"StepAPI", "1"},
    {"JournalMode", "WAL"},
    {"SyncPragma", "NORMAL"},
    {"Timeout", "10000"},
    {"NoCreat", "1"},
};

std::string InstallerError(const std::string& what) {
  DWORD code = 0;
  char msg[SQL_MAX_MESSAGE_LENGTH] = {0};
  WORD len = 0;
  std::string text;
  for (WORD i = 1; i <= 8; ++i) {
    if (SQLInstallerError(i, &code, msg, sizeof msg, &len) != SQL_SUCCESS) break;
    if (!text.empty()) text += "\n";
    text += msg;
  }
  return text.empty() ? what : what + ": " + text;
}

bool FitsIniLine(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

// The driver takes a database path of about 500 bytes and fails to connect
// beyond it; the installer cuts values at 1000.
constexpr size_t kMaxDatabasePath = 500;

// The user's data-source file, as the installer names it: $ODBCINI, else
// .odbc.ini in the home folder.
std::string UserIniFile() {
  if (const char* ini = std::getenv("ODBCINI"); ini != nullptr && *ini != '\0') return ini;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.odbc.ini";
}

// What keeps the user's data-source file from being written, naming it;
// empty when nothing is seen (the installer's own text is all there is).
std::string IniFileProblem(const std::string& ini) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(ini, ec)) return ini + ": " + std::strerror(EISDIR);
  const bool exists = fs::exists(ini, ec);
  const std::string folder = fs::path(ini).parent_path().string();
  const std::string probe = exists ? ini : (folder.empty() ? std::string(".") : folder);
  if (::access(probe.c_str(), W_OK) != 0) return (exists ? ini : folder) + ": " + std::strerror(errno);
  return std::string();
}

// The installer's failure, with the file and the cause when they can be told.
CDBException RegistrationError(const std::string& what) {
  const std::string ini = UserIniFile();
  const std::string problem = IniFileProblem(ini);
  CDBException e(SQL_ERROR, problem.empty() ? InstallerError(what) : what + ": " + problem);
  e.m_strFile = ini;
  return e;
}

// While one lives, the installer reads and writes the user's data sources
// only: with the mode it starts in, a user file it cannot open makes it turn
// to the system-wide one without a word, and every data source would be
// registered for all users there.
class UserDataSources {
 public:
  UserDataSources() {
    if (!SQLGetConfigMode(&m_previous)) m_previous = ODBC_BOTH_DSN;
    SQLSetConfigMode(ODBC_USER_DSN);
  }
  ~UserDataSources() { SQLSetConfigMode(m_previous); }
  UserDataSources(const UserDataSources&) = delete;
  UserDataSources& operator=(const UserDataSources&) = delete;

 private:
  UWORD m_previous = ODBC_BOTH_DSN;
};

// The installer writes the whole data-source file anew, in place, for every
// attribute: a process killed meanwhile would leave it cut short, and every
// data source in it lost, the user's own ones too. So while one changes it,
// a whole copy lies beside it ("<file>.saved"); a change that finds a copy
// was begun by a process that died, and puts the copy back first. A lock
// file lets one process change the file at a time; a change made within
// another (a registration undone) is part of it.
class IniChange {
 public:
  IniChange() : m_ini(UserIniFile()), m_saved(m_ini + ".saved") {
    if (t_depth++ > 0) return;
    m_lock = ::open((m_ini + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock >= 0)
      while (::flock(m_lock, LOCK_EX) != 0 && errno == EINTR) {
      }
    std::error_code ec;
    if (std::filesystem::exists(m_saved, ec)) std::filesystem::rename(m_saved, m_ini, ec);
    m_kept = Save();
  }
  ~IniChange() {
    --t_depth;
    if (m_kept) ::unlink(m_saved.c_str());
    if (m_lock >= 0) ::close(m_lock);
  }
  IniChange(const IniChange&) = delete;
  IniChange& operator=(const IniChange&) = delete;

 private:
  // The copy, on the disk before the file is touched; false when none could
  // be made (the change goes on as it always could).
  bool Save() const {
    const std::string temp = m_saved + ".new";
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) return false;
    bool ok = true;
    if (const int in = ::open(m_ini.c_str(), O_RDONLY | O_CLOEXEC); in >= 0) {
      char buffer[16384];
      ssize_t n;
      while (ok && (n = ::read(in, buffer, sizeof buffer)) != 0)
        ok = n > 0 ? ::write(out, buffer, static_cast<size_t>(n)) == n : errno == EINTR;
      ::close(in);
    }
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    if (ok && ::rename(temp.c_str(), m_saved.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
  }

  static thread_local int t_depth;
  std::string m_ini;
  std::string m_saved;
  int m_lock = -1;
  bool m_kept = false;
};

thread_local int IniChange::t_depth = 0;

// The folder of the user's data-source file, made when it is missing.
void MakeIniFolder() {
  const std::string ini = UserIniFile();
  const std::filesystem::path folder = std::filesystem::path(ini).parent_path();
  if (folder.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder)) {
    CDBException e(SQL_ERROR, "Unable to make the folder of the data-source file " + ini + ": " +
                                  (ec ? ec.message() : std::string("it is no folder")));
    e.m_strFile = ini;
    throw e;
  }
}

// The file each data source named when this process registered it in the
// user's data-source file. Another program, of another program folder, may
// register the same name for its own file meanwhile; this process goes on
// opening the file it registered.
class OwnFiles {
 public:
  void Set(const std::string& name, const std::string& file) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_files[Key(name)] = file;
  }
  void Forget(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_files.erase(Key(name));
  }
  std::string Get(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_files.find(Key(name));
    return it != m_files.end() ? it->second : std::string();
  }

 private:
  static std::pair<std::string, std::string> Key(const std::string& name) { return {UserIniFile(), name}; }
  mutable std::mutex m_lock;
  std::map<std::pair<std::string, std::string>, std::string> m_files;
};

OwnFiles& Own() {
  static OwnFiles files;
  return files;
}

}  // namespace

void RegisterDataSource(const std::string& name, const std::string& description, const std::string& databaseFile) {
  if (name.empty() || !FitsIniLine(name) || name.find_first_of("[]") != std::string::npos || !FitsIniLine(description) ||
      !FitsIniLine(databaseFile))
    throw CDBException(SQL_ERROR, "Invalid data source attributes for " + name);
  if (databaseFile.size() > kMaxDatabasePath)
    throw CDBException(SQL_ERROR, "The database path is too long for data source " + name + ": " + databaseFile);
  MakeIniFolder();
  IniChange change;
  UserDataSources user;
  if (!SQLWriteDSNToIni(name.c_str(), kDriverName)) throw RegistrationError("Unable to register data source " + name);
  auto put = [&](const char* key, const std::string& value) {
    if (!SQLWritePrivateProfileString(name.c_str(), key, value.c_str(), "odbc.ini"))
      throw RegistrationError("Unable to write " + std::string(key) + " of " + name);
  };
  put("Description", description);
  put("Database", databaseFile);
  for (const auto& o : kDriverOptions) put(o.key, o.value);
  if (DataSourceFile(name) != databaseFile) {
    RemoveDataSource(name);
    throw CDBException(SQL_ERROR, "The database path is too long for data source " + name);
  }
  Own().Set(name, databaseFile);
}

bool RemoveDataSource(const std::string& name) {
  Own().Forget(name);
  IniChange change;
  UserDataSources user;
  bool removed = SQLRemoveDSNFromIni(name.c_str()) != 0;
  // Removing the section once more through the profile writer also drops the
  // installer's cached copy of it, which the removal alone leaves behind.
  SQLWritePrivateProfileString(name.c_str(), nullptr, nullptr, "odbc.ini");
  return removed;
}

namespace {

std::string Attribute(const std::string& name, const char* key) {
  char buf[4096] = {0};
  UserDataSources user;
  int n = SQLGetPrivateProfileString(name.c_str(), key, "", buf, sizeof buf, "odbc.ini");
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// The value of key in an ODBC connect string ("DSN=x;NoCreat=1"), braces
// taken off; empty when it has none.
std::string ConnectAttribute(const std::string& connect, const std::string& key) {
  size_t start = 0;
  while (start < connect.size()) {
    size_t eq = connect.find('=', start);
    if (eq == std::string::npos) break;
    std::string k = platform::Trim(connect.substr(start, eq - start));
    size_t end;
    std::string value;
    if (eq + 1 < connect.size() && connect[eq + 1] == '{') {
      size_t close = connect.find('}', eq + 2);
      if (close == std::string::npos) close = connect.size();
      value = connect.substr(eq + 2, close - eq - 2);
      end = connect.find(';', close);
    } else {
      end = connect.find(';', eq + 1);
      value = connect.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
    }
    if (platform::EqualsNoCase(k, key)) return value;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::string();
}

// A data source of the suite's own driver: its file is opened directly. So is
// one this process registered whose entry another program removed since.
bool IsDirect(const std::string& name) {
  if (name.empty()) return false;
  const std::string driver = Attribute(name, "Driver");
  return platform::EqualsNoCase(driver, kDriverName) || (driver.empty() && !Own().Get(name).empty());
}

// The database file of a data source: the one this process registered for
// it, else what the data-source file says.
std::string FileOf(const std::string& name) {
  std::string own = Own().Get(name);
  return own.empty() ? Attribute(name, "Database") : own;
}

// Through the ODBC driver a Database attribute in the connect string goes
// before the data source's own; one the caller gave stays.
std::string WithDatabase(const std::string& connect, const std::string& file) {
  if (file.empty() || !ConnectAttribute(connect, "Database").empty()) return connect;
  return connect + (connect.empty() || connect.back() == ';' ? "" : ";") + "Database=" + file;
}

}  // namespace

std::string DataSourceFile(const std::string& name) { return Attribute(name, "Database"); }

std::string DirectDataSourceFile(const std::string& name) { return IsDirect(name) ? FileOf(name) : std::string(); }

std::unique_ptr<Connection> Connect(const std::string& connect, const OpenChecks& checks) {
  std::string cs = connect;
  if (cs.compare(0, 5, "ODBC;") == 0) cs.erase(0, 5);
  const std::string dsn = ConnectAttribute(cs, "DSN");
  if (!IsDirect(dsn)) {
    if (dsn.empty()) return ConnectOdbc(cs, "without a name", checks);
    return ConnectOdbc(WithDatabase(cs, Own().Get(dsn)), dsn, checks);
  }
  DataSourceSettings settings;
  settings.file = FileOf(dsn);
  if (std::string mode = Attribute(dsn, "JournalMode"); !mode.empty()) settings.journalMode = mode;
  if (std::string sync = Attribute(dsn, "SyncPragma"); !sync.empty()) settings.synchronous = sync;
  if (std::string timeout = Attribute(dsn, "Timeout"); !timeout.empty()) settings.timeoutMs = std::atoi(timeout.c_str());
  return ConnectSqlite(dsn, settings, checks);
}

std::string CheckTables(const std::vector<std::string>& tables, const OpenChecks& checks) {
  if (tables.empty() && !checks.mayBeEmpty) return "the file holds no tables";
  for (const std::string& wanted : checks.tables) {
    bool found = false;
    for (const std::string& t : tables) found = found || platform::EqualsNoCase(t, wanted);
    if (!found) return "not " + (checks.kind.empty() ? std::string("the database wanted") : checks.kind) +
                      ": it has no table [" + wanted + "]";
  }
  return std::string();
}

namespace {

void RemoveFiles(const std::string& file) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(file + suffix, ec);
}

// Moves a finished file to its name unless that name is taken meanwhile.
void Publish(const std::string& temp, const std::string& file) {
  if (link(temp.c_str(), file.c_str()) != 0) {
    int err = errno;
    RemoveFiles(temp);
    throw CDBException(SQL_ERROR, "Unable to create " + file + ": " + std::strerror(err));
  }
  RemoveFiles(temp);
}

std::string SqlText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

void CreateDatabase(const std::string& name, const std::string& description, const std::string& file,
                    const std::string& script) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(file, ec)) throw CDBException(SQL_ERROR, "The database " + file + " exists already");
  fs::path parent = fs::path(file).parent_path();
  if (!parent.empty()) fs::create_directories(parent, ec);
  const std::string temp = file + ".new";
  RemoveFiles(temp);
  try {
    RegisterDataSource(name, description, temp);
    // An empty file is an empty database; opening never makes one.
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw CDBException(SQL_ERROR, "Unable to create " + temp + ": " + std::strerror(errno));
    ::close(fd);
    {
      CDatabase db;
      OpenChecks fresh;
      fresh.mayBeEmpty = true;
      db.Open("DSN=" + name, fresh);
      db.ExecuteSQL(script);
    }  // the last connection folds the log into the file
    Publish(temp, file);
  } catch (...) {
    RemoveFiles(temp);
    throw;
  }
  RegisterDataSource(name, description, file);
}

void CopyDatabase(const std::string& sourceName, const std::string& targetFile) {
  std::error_code ec;
  if (std::filesystem::exists(targetFile, ec))
    throw CDBException(SQL_ERROR, "The database " + targetFile + " exists already");
  const std::string temp = targetFile + ".new";
  RemoveFiles(temp);
  try {
    CDatabase db;
    db.Open("DSN=" + sourceName);
    db.ExecuteSQL("VACUUM INTO " + SqlText(temp));
  } catch (...) {
    RemoveFiles(temp);
    throw;
  }
  Publish(temp, targetFile);
}

}  // namespace platform::db
