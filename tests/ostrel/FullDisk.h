#pragma once
// A disk that fills up, for SQLite in this process (whichever path opened
// the database): while one lives it is SQLite's default file system, and
// once full every write to a database's log fails as on a full disk.
#include <atomic>

class FullDisk {
 public:
  FullDisk();
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  void Fill() { s_full = true; }

  static std::atomic<bool> s_full;
};
