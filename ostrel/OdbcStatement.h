#pragma once
// One ODBC statement on a database's connection, for the generic table walk
// of the backup: rows are read column by column as text (so every value comes
// as the driver gives it, whatever its length) and written through one
// prepared statement whose parameters are all text. Failures throw
// CDBException with the driver's message. The ODBC headers stay in the source.
#include <cstdint>
#include <memory>
#include <string>

#include "BackupFile.h"

class CDatabase;

class COdbcStatement {
 public:
  explicit COdbcStatement(CDatabase& db);
  ~COdbcStatement();
  COdbcStatement(const COdbcStatement&) = delete;
  COdbcStatement& operator=(const COdbcStatement&) = delete;

  // Runs a statement directly (a query, or one that returns no rows).
  void Execute(const std::string& sql);
  // Prepares a statement with "?" parameters for ExecutePrepared.
  void Prepare(const std::string& sql, int parameters);
  // Sets parameter n (from 0) to a text, or to NULL.
  void SetParameter(int n, const std::string& text);
  void SetParameterNull(int n);
  void ExecutePrepared();
  // Ends the pending result; the statement can run again.
  void Close();

  // The next row of the result; false at its end.
  bool Fetch();
  // Column n (from 1) of the current row. False for a NULL.
  bool GetText(int n, std::string* value);
  bool GetTimestamp(int n, backup::DateTime* value);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
