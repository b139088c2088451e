#pragma once
// The data sources and the task lists of the Database administration program:
// it registers "TARNIC:" data sources itself (their kinds are
// dbfiles::SourceKind), keeps the measurement tasks in [DBList] and the
// calibration tasks in [DBListCali] of the system database, and creates and
// deletes task databases.
#include <memory>
#include <string>
#include <vector>

#include "DBFiles.h"

namespace platform::db {
class FileClaim;
}

namespace ostrel {

struct TaskEntry {
  std::string name;
  std::string description;
  std::string serial;
};

// A file name made from a description: no character a file name can not
// hold, and no leading '.' that would hide the file.
std::string SafeFileName(const std::string& description);

class DataSources {
 public:
  DataSources();
  virtual ~DataSources() = default;
  DataSources(const DataSources&) = delete;
  DataSources& operator=(const DataSources&) = delete;

  // Ends in '/'.
  const std::string& ProgramFolder() const { return m_folder; }
  const std::string& CurrentName() const { return m_current; }
  void SetCurrentName(const std::string& name) { m_current = name; }

  // Registers the system data source and reads the task list; false when the
  // system database can not be opened.
  bool OpenSystem();
  // A non-empty name becomes the current name. A failure is shown (string
  // 108) and thrown.
  void Register(int kind, const std::string& name = std::string());
  // False, after saying so, when the data source could not be removed.
  bool RemoveDataSource(const std::string& name);
  // False, after saying so, when the database file could not be deleted.
  // What an interrupted copy or write left beside it goes as well.
  bool DeleteDatabaseFiles(const std::string& name);
  bool DatabaseFileExists(const std::string& name) const;
  std::string DataFile(const std::string& name) const;
  // The journal of a restore into the task of that name while it runs.
  std::string RestoreJournal(const std::string& name) const;

  // The sole claim on a task's database file, held while the task is deleted
  // or replaced. Null, after telling the person (refusalId: the text naming
  // the task, %s its description), while a program has the file open.
  std::unique_ptr<platform::db::FileClaim> ClaimTask(const std::string& name, const std::string& description,
                                                     unsigned refusalId);

  bool TaskExists(const std::string& description, int kind);
  // The names of the tasks with that description.
  std::vector<std::string> TaskNames(const std::string& description, int kind);
  // Makes the task's database from the prototype and lists it; returns its
  // name. A failure is shown and thrown, and leaves no task behind.
  std::string CreateTask(const std::string& description, const std::string& serial, int kind);
  // A database name for a new task: the description's first letters,
  // counted up past every name a file, a list row or an unfinished restore
  // holds.
  std::string NewTaskName(const std::string& description);
  // The task's database, unlisted: a copy of the kind's prototype, reached
  // through its data source. Throws a database error.
  void MakeTaskDatabase(const std::string& name, int kind);
  // Deletes every task of that description, each under its sole claim. False
  // when one could not be deleted: a task in use is left whole; another keeps
  // its data source, file or list row as far as those could not go. Database
  // errors are shown.
  bool DeleteTask(const std::string& description, int kind);
  // All rows, in list order. Database errors are thrown.
  std::vector<TaskEntry> ReadTaskList(int kind);

 protected:
  // The installer's removal of a data source ("TARNIC:" + name).
  virtual bool Unregister(const std::string& dataSource);

 private:
  // The task of that database name, whose file the caller has claimed: its
  // data source, its files, its row.
  bool DeleteTaskNamed(platform::db::FileClaim& claim, const std::string& name, int kind);

  std::string m_folder;
  std::string m_current;
};

// Shows a database error with the database's message.
void ReportDatabaseError(const std::exception& e);

}  // namespace ostrel
