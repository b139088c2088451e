#include "db/Database.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "db/Recordset.h"

CDBException::CDBException(int retCode, std::string error, std::string state)
    : m_nRetCode(retCode), m_strError(std::move(error)), m_strStateNativeOrigin(std::move(state)) {}

bool CDBException::GetErrorMessage(char* buffer, unsigned size) const {
  if (buffer == nullptr || size == 0) return false;
  size_t n = std::min<size_t>(m_strError.size(), size - 1);
  std::memcpy(buffer, m_strError.data(), n);
  buffer[n] = '\0';
  return n == m_strError.size();
}

namespace platform::db {

void ThrowOdbcError(int retCode, short handleType, void* handle, const std::string& what) {
  std::string text;
  std::string state;
  if (handle != nullptr) {
    SQLCHAR st[6] = {0};
    SQLCHAR msg[SQL_MAX_MESSAGE_LENGTH] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    for (SQLSMALLINT rec = 1; rec <= 4; ++rec) {
      if (!SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, rec, st, &native, msg, sizeof msg, &len))) break;
      if (rec == 1) state = reinterpret_cast<char*>(st);
      if (!text.empty()) text += "\n";
      text += reinterpret_cast<char*>(msg);
    }
  }
  if (text.empty()) text = what.empty() ? std::string("Database error") : what + " failed";
  throw CDBException(retCode, text, state);
}

}  // namespace platform::db

using platform::db::ThrowOdbcError;

void* CDatabase::Environment() {
  static SQLHENV env = [] {
    SQLHENV h = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h))) return SQLHENV(SQL_NULL_HENV);
    SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return h;
  }();
  return env;
}

CDatabase::CDatabase() = default;

CDatabase::~CDatabase() {
  try {
    Close();
  } catch (...) {
  }
}

bool CDatabase::Open(const std::string& connect) {
  if (IsOpen()) return true;
  SQLHENV env = Environment();
  if (env == SQL_NULL_HENV) throw CDBException(SQL_ERROR, "Unable to set up the ODBC environment");
  std::string cs = connect;
  if (cs.compare(0, 5, "ODBC;") == 0) cs.erase(0, 5);
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLRETURN r = SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_ENV, env, "Connection");
  r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), static_cast<SQLSMALLINT>(cs.size()),
                       nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(r)) {
    try {
      ThrowOdbcError(r, SQL_HANDLE_DBC, dbc, "Connection to " + cs);
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
      throw;
    }
  }
  m_hdbc = dbc;
  m_connect = connect;
  m_inTransaction = false;
  return true;
}

void CDatabase::Close() {
  if (!IsOpen()) return;
  // The sets keep their object; their statements go with the connection.
  for (CRecordset* rs : std::vector<CRecordset*>(m_recordsets)) rs->CloseStatements();
  if (m_inTransaction) SQLEndTran(SQL_HANDLE_DBC, m_hdbc, SQL_ROLLBACK);
  SQLDisconnect(m_hdbc);
  SQLFreeHandle(SQL_HANDLE_DBC, m_hdbc);
  m_hdbc = nullptr;
  m_inTransaction = false;
}

void CDatabase::ExecuteSQL(const std::string& sql) {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The database is not open");
  ReleaseReaders();
  SQLHSTMT st = SQL_NULL_HSTMT;
  SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, m_hdbc, &st);
  if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_hdbc, "Statement");
  std::string text = sql;
  r = SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    try {
      ThrowOdbcError(r, SQL_HANDLE_STMT, st, "ExecuteSQL");
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_STMT, st);
      throw;
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, st);
}

void CDatabase::BeginTrans() {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The database is not open");
  if (m_inTransaction) return;
  ReleaseReaders();
  SQLRETURN r = SQLSetConnectAttr(m_hdbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
  if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_hdbc, "BeginTrans");
  m_inTransaction = true;
}

void CDatabase::EndTransaction(bool commit) {
  if (!IsOpen() || !m_inTransaction) return;
  ReleaseReaders();
  SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, m_hdbc, commit ? SQL_COMMIT : SQL_ROLLBACK);
  // Back to one commit per write whatever the outcome, so a failed commit
  // does not leave the connection in a transaction nobody ends.
  SQLSetConnectAttr(m_hdbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  m_inTransaction = false;
  if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_hdbc, commit ? "CommitTrans" : "Rollback");
}

void CDatabase::CommitTrans() { EndTransaction(true); }
void CDatabase::Rollback() { EndTransaction(false); }

void CDatabase::Attach(CRecordset* rs) {
  if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) == m_recordsets.end()) m_recordsets.push_back(rs);
}

void CDatabase::Detach(CRecordset* rs) {
  m_recordsets.erase(std::remove(m_recordsets.begin(), m_recordsets.end(), rs), m_recordsets.end());
}

void CDatabase::ReleaseReaders() {
  for (CRecordset* rs : m_recordsets) rs->ReleaseRead();
}
