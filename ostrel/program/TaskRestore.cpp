#include "TaskRestore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "Backup.h"
#include "CORecDBList.h"
#include "DBFiles.h"
#include "DataSources.h"
#include "OstrelStrings.h"
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/FileClaim.h"

namespace ostrel {
namespace {

using platform::db::FileClaim;

// On the disk before anything it names is made.
void WriteJournal(const std::string& path, int kind, const std::vector<std::string>& replaced) {
  std::string text = std::to_string(kind) + "\n";
  for (const std::string& name : replaced) text += name + "\n";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw platform::CDBException(0, "Unable to create " + path + ": " + std::strerror(errno));
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  if (!written) {
    ::unlink(path.c_str());
    throw platform::CDBException(0, "Unable to write " + path + ": " + std::strerror(error));
  }
}

// A journal cut short by a crash names fewer tasks; it was cut before the
// switch, which needs none of them.
void ReadJournal(const std::string& path, int* kind, std::vector<std::string>* replaced) {
  std::ifstream in(path);
  std::string line;
  if (std::getline(in, line) && !line.empty()) *kind = std::atoi(line.c_str());
  while (std::getline(in, line))
    if (!line.empty() && !in.eof()) replaced->push_back(line);
}

// Every task of both lists: a name is never in both.
std::vector<std::string> ListedNames(DataSources& sources) {
  std::vector<std::string> names;
  for (int kind : {static_cast<int>(dbfiles::kMeasTask), static_cast<int>(dbfiles::kCaliTask)})
    for (const TaskEntry& t : sources.ReadTaskList(kind)) names.push_back(t.name);
  return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TaskRestore::TaskRestore(DataSources& sources, int kind) : m_sources(sources), m_kind(kind) {}

TaskRestore::~TaskRestore() {
  if (!m_begun || m_settled) return;
  try {
    Settle();
  } catch (const std::exception& e) {
    // The journal stays; the next start settles it.
    ReportDatabaseError(e);
  }
}

bool TaskRestore::Begin(const std::string& description, const std::vector<std::string>& replaced) {
  // Claimed until they are gone, so that no program opens them meanwhile.
  for (const std::string& old : replaced) {
    auto claim = m_sources.ClaimTask(old, description, IDS_RESTORE_IN_USE);
    if (!claim) {
      m_replacedClaims.clear();
      return false;
    }
    m_replacedClaims.push_back(std::move(claim));
  }
  m_replaced = replaced;
  m_name = m_sources.NewTaskName(description);
  // Claimed before the journal is there: a start that finds the journal
  // while this runs leaves it alone.
  std::string why;
  m_claim = FileClaim::Take(m_sources.DataFile(m_name), FileClaim::Kind::Sole, &why);
  if (!m_claim) throw platform::CDBException(0, why);
  WriteJournal(m_sources.RestoreJournal(m_name), m_kind, m_replaced);
  m_begun = true;
  Reached(Step::kJournalWritten);
  m_sources.MakeTaskDatabase(m_name, m_kind);
  Reached(Step::kDatabaseMade);
  return true;
}

bool TaskRestore::Run(CBackupFile& file, const std::string& description, const std::string& serial) {
  const bool restored = CBackup(file, m_name).Restore();
  if (restored) {
    Reached(Step::kRestored);
    Switch(description, serial);
    Reached(Step::kSwitched);
  }
  Settle();
  Reached(Step::kSettled);
  return restored;
}

void TaskRestore::Switch(const std::string& description, const std::string& serial) {
  platform::CDatabase db;
  db.Open(dbfiles::ConnectString(dbfiles::kSystemName));
  db.BeginTrans();
  try {
    ::CORecDBList list(m_kind == dbfiles::kCaliTask);
    list.m_pDatabase = &db;
    list.Open(platform::CRecordset::dynaset);
    for (; !list.IsEOF(); list.MoveNext())
      if (Contains(m_replaced, list.m_DBName)) list.Delete();
    list.AddNew();
    list.m_DBName = m_name;
    list.m_DBDesc = description;
    list.m_DBSerial = serial;
    list.Update();
    list.Close();
    db.CommitTrans();
  } catch (...) {
    if (db.InTransaction()) {
      try {
        db.Rollback();
      } catch (const platform::CException&) {
      }
    }
    throw;
  }
}

bool TaskRestore::Settle() {
  m_settled = true;
  const std::vector<std::string> listed = ListedNames(m_sources);
  auto removeDataSource = [&](const std::string& name) {
    return platform::db::DataSourceFile(dbfiles::DataSourceName(name)).empty() || m_sources.RemoveDataSource(name);
  };
  bool done = true;
  if (Contains(listed, m_name)) {
    // Switched: the replaced tasks go. A name listed again since belongs to
    // a task made afterwards.
    for (size_t i = 0; i < m_replaced.size(); ++i) {
      const std::string& old = m_replaced[i];
      if (Contains(listed, old)) continue;
      std::unique_ptr<FileClaim> taken;
      FileClaim* claim = i < m_replacedClaims.size() ? m_replacedClaims[i].get() : nullptr;
      if (!claim) claim = (taken = FileClaim::Take(m_sources.DataFile(old), FileClaim::Kind::Sole)).get();
      if (!claim || !removeDataSource(old) || !m_sources.DeleteDatabaseFiles(old)) {
        done = false;
        continue;
      }
      claim->RemoveLockFile();
    }
  } else if (removeDataSource(m_name) && m_sources.DeleteDatabaseFiles(m_name)) {
    m_claim->RemoveLockFile();
  } else {
    done = false;
  }
  if (done) std::filesystem::remove(m_sources.RestoreJournal(m_name));
  m_replacedClaims.clear();
  m_claim.reset();
  return done;
}

bool TaskRestore::Resume(const std::string& name) {
  m_claim = FileClaim::Take(m_sources.DataFile(name), FileClaim::Kind::Sole);
  if (!m_claim) return false;
  std::error_code ec;
  // Settled by another start between the look at the folder and the claim.
  if (!std::filesystem::exists(m_sources.RestoreJournal(name), ec)) return false;
  m_name = name;
  ReadJournal(m_sources.RestoreJournal(name), &m_kind, &m_replaced);
  m_begun = true;
  return true;
}

void TaskRestore::SettleInterrupted(DataSources& sources) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(sources.ProgramFolder() + dbfiles::kDataFolder, ec))
    if (entry.path().extension() == ".restore") names.push_back(entry.path().stem().string());
  for (const std::string& name : names) {
    TaskRestore restore(sources, dbfiles::kMeasTask);
    try {
      if (restore.Resume(name)) restore.Settle();
    } catch (const std::exception& e) {
      ReportDatabaseError(e);
    }
  }
}

}  // namespace ostrel
