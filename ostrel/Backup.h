#pragma once
// Backup and restore of one database through its data source, without
// knowing its tables in advance: tables and columns come from the database's
// catalogue. The caller opens the backup file and writes or reads its header;
// these write or read the tables and the end line.
//
// Both report every failure to the user themselves (message boxes) and
// answer false. A restore runs in one transaction: when it stops, for
// whatever reason, nothing of the database has changed.
#include <string>
#include <vector>

#include "BackupFile.h"
#include "DynaSet.h"

class CBackup {
 public:
  // dataSource: the name after "TARNIC:".
  CBackup(CBackupFile& file, const std::string& dataSource);
  virtual ~CBackup();
  CBackup(const CBackup&) = delete;
  CBackup& operator=(const CBackup&) = delete;

  // Every user table of the database, in catalogue order, then "#EOB:".
  virtual bool Backup();
  // The tables of the file into the tables of the database, which must come
  // in the same order under the same names; each is emptied first. Columns
  // are matched by name; a database column the file does not name keeps its
  // default value.
  virtual bool Restore();

 protected:
  // How a restore finds the database table for the next "#TABLE:" line.
  enum class Target { kNextInCatalogue, kSystemTables };
  // The named tables, or without names every table of the catalogue.
  bool RunBackup(const std::vector<std::string>* tables);
  bool BackupTable();
  bool RunRestore(Target target, unsigned errorId);

  CBackupFile& m_file;
  CDynaSet m_set;
};

// The system database: only its filter-bank tables [Bank] and [BankSet].
class CSysBackup : public CBackup {
 public:
  using CBackup::CBackup;
  bool Backup() override;
  bool Restore() override;
  // The tables, by the names in the string table.
  static std::vector<std::string> Tables();
};
