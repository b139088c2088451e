#pragma once
// Measurements stored through SQLite's own interface, as the database
// observer stores them: the baseline of storing, and the samples of a task
// that runs while a benchmark watches.
#include <sqlite3.h>

#include <string>

#include "COMeas.h"

namespace kovo::bench {

// A connection as the database layer opens each of its own: no mutex, the
// write-ahead log, synchronous NORMAL.
sqlite3* OpenRaw(const std::string& file);

// The statements that store a measurement's row and its events, as the
// record classes store them (no temperature outside the calibration).
class RawStatements {
 public:
  explicit RawStatements(sqlite3* db);
  ~RawStatements();
  RawStatements(const RawStatements&) = delete;
  RawStatements& operator=(const RawStatements&) = delete;

  void Store(const COMeas& m, int number);

 private:
  sqlite3_stmt* m_meas = nullptr;
  sqlite3_stmt* m_event = nullptr;
};

}  // namespace kovo::bench
