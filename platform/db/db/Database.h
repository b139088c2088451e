#pragma once
// A connection to a data source and the exception every database failure
// raises. A data source of the suite's SQLite3 driver is opened directly on
// its file with SQLite's own interface; any other goes through ODBC. Either
// way the texts are the driver's. The ODBC headers stay out of here: their
// Windows-style typedefs would clash with the suite's own.
#include <memory>
#include <string>
#include <vector>

#include "core/Exception.h"

namespace platform {

class CRecordset;

namespace db {

class Connection;
class Statement;

}  // namespace db

// A failed database call, with the driver's own text ("[SQLite]no such table:
// X (1)"); a connection that cannot be opened names its data source.
class CDBException : public CException {
 public:
  CDBException(int retCode, std::string error, std::string state = std::string());
  std::string GetMessage() const override { return m_strError; }
  // A text too long for the buffer is fitted to it instead of replaced: the
  // file it names loses its middle first, so the reason after it stays
  // whole; only then is the end cut.
  bool GetErrorMessage(char* buffer, unsigned size) const override;

  int m_nRetCode;
  std::string m_strError;
  std::string m_strStateNativeOrigin;  // the SQLSTATE, e.g. "HY000"
  // The file the text names, when it names one.
  std::string m_strFile;

  // The database could not grow: its disk is full.
  bool IsDiskFull() const { return m_strError.find("database or disk is full") != std::string::npos; }
};

// What a database must hold before a connection changes anything in it (its
// journal mode): a file that is not what the caller wants is refused as it
// lies. A file without any table is refused unless it may be empty (a
// database being made).
struct OpenChecks {
  std::vector<std::string> tables;  // each must exist
  std::string kind;                 // what they make it, for the refusal: "a task database"
  bool mayBeEmpty = false;
};

// A connection and the record sets on it are used by one thread at a time.
class CDatabase {
 public:
  CDatabase();
  virtual ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  // connect: "ODBC;DSN=TARNIC:SYSTEM" (the "ODBC;" prefix is optional) or any
  // ODBC connection string. Throws CDBException, also when the file of the
  // data source is missing (none is created), no database, or locked beyond
  // the data source's timeout, or does not pass the checks. A second Open
  // while open does nothing and returns true.
  bool Open(const std::string& connect, const OpenChecks& checks = OpenChecks());
  bool OpenEx(const std::string& connect) { return Open(connect); }
  void Close();
  bool IsOpen() const { return m_connection != nullptr; }
  const std::string& GetConnect() const { return m_connect; }
  // Whether the connection reaches its file directly rather than through ODBC.
  bool IsEmbedded() const;
  // Whether two record sets may read on it by turns without one result being
  // held whole in memory (the direct path); through ODBC each wants its own.
  bool ReadsSideBySide() const;

  // Runs one statement (or several separated by ';') that returns no rows.
  void ExecuteSQL(const std::string& sql);

  // A transaction over this connection; without one every write is committed
  // by itself. A CommitTrans that fails throws the database's reason for it
  // and ends the transaction either way.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  bool InTransaction() const { return m_inTransaction; }
  // After a CommitTrans that threw: whether the work is known to be rolled
  // back, leaving the database as it was before BeginTrans.
  bool CommitUndone() const { return m_commitUndone; }

  // Lends this connection, and with it its transaction, to every CDatabase
  // that this thread opens on the same connect string until StopSharing or
  // Close: what many record sets write then goes in or out as one. A
  // database that joined keeps the connection until it closes; a transaction
  // of its own is a savepoint within the lender's. Throws when not open.
  void Share();
  void StopSharing();

  // A statement of its own on this connection. Throws CDBException.
  std::unique_ptr<platform::db::Statement> NewStatement();

  // The ODBC connection handle (SQLHDBC), for catalogue calls; null when the
  // connection is not through ODBC.
  void* GetHandle() const;

 private:
  friend class CRecordset;
  // Record sets on this connection end their reads before anybody writes: a
  // pending read holds an old snapshot, which the driver refuses to write from.
  void Attach(CRecordset* rs);
  void Detach(CRecordset* rs);
  void ReleaseReaders();
  void EndTransaction(bool commit);
  void ReleaseAllReaders();

  std::shared_ptr<platform::db::Connection> m_connection;
  // The database whose connection this one joined, and those that joined
  // this one's.
  CDatabase* m_lender = nullptr;
  std::vector<CDatabase*> m_borrowers;
  std::string m_connect;
  bool m_inTransaction = false;
  bool m_commitUndone = false;
  std::vector<CRecordset*> m_recordsets;
};

namespace db {

// Throws the CDBException for a failed call on an ODBC handle: handleType is
// SQL_HANDLE_ENV, _DBC or _STMT; what names the operation when the driver
// says nothing.
[[noreturn]] void ThrowOdbcError(int retCode, short handleType, void* handle, const std::string& what);

}  // namespace db

}  // namespace platform
