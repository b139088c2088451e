#pragma once
// A claim on a database file that other processes can see: every program that
// has a task open holds a shared claim on its file, and whatever deletes or
// replaces the file first needs the sole claim. The claim is an flock() on a
// lock file beside the database ("<file>.lock"), never on the database file
// itself: closing any descriptor of a file drops the process's POSIX locks
// on it, SQLite's included. The kernel drops the claim when the process ends,
// so a crashed program never keeps a file claimed.
#include <memory>
#include <string>

namespace platform::db {

class FileClaim {
 public:
  enum class Kind {
    Use,   // shared: the file is open in a program
    Sole,  // exclusive: the file is about to be deleted or replaced
  };

  // Takes the claim without waiting. Null when another process holds a claim
  // that excludes this one (the file is in use), or when the lock file cannot
  // be made for the sole claim; *why then says so in a sentence naming the
  // file. A Use claim that cannot make its lock file (a read-only folder)
  // still succeeds, unclaimed: what cannot write the folder cannot delete
  // the file either.
  static std::unique_ptr<FileClaim> Take(const std::string& databaseFile, Kind kind, std::string* why = nullptr);

  // Whether some process, this one included, holds a claim on the file.
  static bool InUse(const std::string& databaseFile);

  // The lock file beside a database file.
  static std::string LockFile(const std::string& databaseFile);

  ~FileClaim();
  FileClaim(const FileClaim&) = delete;
  FileClaim& operator=(const FileClaim&) = delete;

  Kind GetKind() const { return m_kind; }
  const std::string& File() const { return m_file; }

  // Held by a sole claim whose file is gone: removes the lock file as well,
  // while the claim still excludes every other.
  void RemoveLockFile();

  // The file's name no longer leads to the file that was there when the
  // claim was taken: something that ignores claims deleted or replaced it.
  // False when there was no file then.
  bool FileIsGone() const;

 private:
  FileClaim(std::string file, Kind kind, int fd);
  std::string m_file;
  Kind m_kind;
  int m_fd;  // -1 for an unclaimed Use
  bool m_fileKnown = false;
  unsigned long long m_device = 0;
  unsigned long long m_inode = 0;
};

}  // namespace platform::db
