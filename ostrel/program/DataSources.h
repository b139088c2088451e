#pragma once
// The data sources and the task lists of the Database administration program:
// it registers "TARNIC:" data sources itself, keeps the measurement tasks in
// [DBList] and the calibration tasks in [DBListCali] of the system database,
// and creates and deletes task databases.
#include <string>
#include <vector>

namespace ostrel {

// What a data source is for.
enum SourceKind { kMeasTask = 0, kCaliTask = 1, kSystem = 2, kMeasPrototype = 3, kCaliPrototype = 4 };

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
  bool DeleteDatabaseFiles(const std::string& name);
  bool DatabaseFileExists(const std::string& name) const;
  std::string DataFile(const std::string& name) const;

  bool TaskExists(const std::string& description, int kind);
  // The names of the tasks with that description.
  std::vector<std::string> TaskNames(const std::string& description, int kind);
  // Makes the task's database from the prototype and lists it; returns its
  // name. A failure is shown and thrown, and leaves no task behind.
  std::string CreateTask(const std::string& description, const std::string& serial, int kind);
  // Deletes every task of that description. False when one could not be
  // deleted: it keeps its data source, file or list row as far as those
  // could not go. Database errors are shown.
  bool DeleteTask(const std::string& description, int kind);
  // The task of that database name: its data source, its files, its row.
  bool DeleteTaskNamed(const std::string& name, int kind);
  // All rows, in list order. Database errors are thrown.
  std::vector<TaskEntry> ReadTaskList(int kind);

 protected:
  // The installer's removal of a data source ("TARNIC:" + name).
  virtual bool Unregister(const std::string& dataSource);

 private:
  std::string m_folder;
  std::string m_current;
};

// Shows a database error with the database's message.
void ReportDatabaseError(const std::exception& e);

}  // namespace ostrel
