#pragma once
// A task restored from a backup takes the place of the tasks it replaces at
// one stroke. It is restored into a database of its own that no task list
// shows; one commit of the system database then lists it in place of them,
// and only afterwards do their databases and data sources go. A journal in
// the data folder ("<new name>.restore": the kind, then the names replaced)
// is there from the first step to the last, so whatever a crash interrupted
// is undone (before the commit) or finished (after it) at the next start: a
// person sees the old tasks or the new one, never both, never half.
#include <memory>
#include <string>
#include <vector>

class CBackupFile;

namespace platform::db {
class FileClaim;
}

namespace ostrel {

class DataSources;

class TaskRestore {
 public:
  TaskRestore(DataSources& sources, int kind);
  // Settles a restore that was begun: undone unless it was switched.
  virtual ~TaskRestore();
  TaskRestore(const TaskRestore&) = delete;
  TaskRestore& operator=(const TaskRestore&) = delete;

  // Claims the tasks of the description that the restore replaces (the
  // person agreed) and makes the new database, unlisted. False, after
  // telling the person which task is in use, when a program has one of them
  // open; nothing is made then. Throws a database error.
  bool Begin(const std::string& description, const std::vector<std::string>& replaced);
  // The database name of the new task: the data source the backup goes into.
  const std::string& Name() const { return m_name; }
  // After Begin: restores the file (its header read) into the new task and,
  // when that succeeds, lists it in place of the replaced ones; then settles.
  // False when the restore failed; the person has been told why. Throws a
  // database error.
  bool Run(CBackupFile& file, const std::string& description, const std::string& serial);

  // At the start: settles every restore that a crash interrupted and that no
  // other process is still running.
  static void SettleInterrupted(DataSources& sources);

 protected:
  // How far a restore has got, for a look from outside.
  enum class Step { kJournalWritten, kDatabaseMade, kRestored, kSwitched, kSettled };
  virtual void Reached(Step) {}

 private:
  // Lists the new task in place of the replaced ones, in one transaction.
  void Switch(const std::string& description, const std::string& serial);
  // Finishes a switched restore (the replaced tasks' data sources and files
  // go) or undoes one that was not (the new database goes), and ends the
  // journal. False when something is left; the journal stays then, and the
  // next start tries again.
  bool Settle();
  // Takes up the restore of a journal that was left; false when another
  // process is at it.
  bool Resume(const std::string& name);
  bool Listed(const std::string& name);

  DataSources& m_sources;
  int m_kind;
  std::string m_name;
  std::vector<std::string> m_replaced;
  bool m_begun = false;
  bool m_settled = false;
  std::unique_ptr<platform::db::FileClaim> m_claim;
  std::vector<std::unique_ptr<platform::db::FileClaim>> m_replacedClaims;
};

}  // namespace ostrel
