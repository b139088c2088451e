#pragma once
// A connection to an ODBC data source and the exception every database
// failure raises. The ODBC headers stay out of here: their Windows-style
// typedefs would clash with the suite's own.
#include <string>
#include <vector>

#include "core/Exception.h"

class CRecordset;

// A failed ODBC call, with the driver's own text ("[SQLite]no such table: X").
class CDBException : public CException {
 public:
  CDBException(int retCode, std::string error, std::string state = std::string());
  std::string GetMessage() const override { return m_strError; }
  // Cuts a long driver text to the buffer instead of replacing it.
  bool GetErrorMessage(char* buffer, unsigned size) const override;

  int m_nRetCode;
  std::string m_strError;
  std::string m_strStateNativeOrigin;  // the SQLSTATE, e.g. "HY000"
};

class CDatabase {
 public:
  CDatabase();
  virtual ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  // connect: "ODBC;DSN=TARNIC:SYSTEM" (the "ODBC;" prefix is optional) or any
  // ODBC connection string. Throws CDBException; a second Open while open
  // does nothing and returns true.
  bool Open(const std::string& connect);
  bool OpenEx(const std::string& connect) { return Open(connect); }
  void Close();
  bool IsOpen() const { return m_hdbc != nullptr; }
  const std::string& GetConnect() const { return m_connect; }

  // Runs one statement (or several separated by ';') that returns no rows.
  void ExecuteSQL(const std::string& sql);

  // A transaction over this connection; without one every write is committed
  // by itself.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  bool InTransaction() const { return m_inTransaction; }

  // The connection handle (SQLHDBC), for catalogue calls of derived classes.
  void* GetHandle() const { return m_hdbc; }

  // The process-wide ODBC environment handle (SQLHENV).
  static void* Environment();

 private:
  friend class CRecordset;
  // Record sets on this connection end their reads before anybody writes: a
  // pending read holds an old snapshot, which the driver refuses to write from.
  void Attach(CRecordset* rs);
  void Detach(CRecordset* rs);
  void ReleaseReaders();
  void EndTransaction(bool commit);

  void* m_hdbc = nullptr;
  std::string m_connect;
  bool m_inTransaction = false;
  std::vector<CRecordset*> m_recordsets;
};

namespace platform::db {

// Throws the CDBException for a failed call on an ODBC handle: handleType is
// SQL_HANDLE_ENV, _DBC or _STMT; what names the operation when the driver
// says nothing.
[[noreturn]] void ThrowOdbcError(int retCode, short handleType, void* handle, const std::string& what);

}  // namespace platform::db
