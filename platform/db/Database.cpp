#include "db/Database.h"

#include <algorithm>
#include <cstring>

#include "Connection.h"
#include "core/Text.h"
#include "db/Recordset.h"

namespace platform {

namespace {
constexpr int kError = -1;  // the return code of a failed ODBC call
}  // namespace

CDBException::CDBException(int retCode, std::string error, std::string state)
    : m_nRetCode(retCode), m_strError(std::move(error)), m_strStateNativeOrigin(std::move(state)) {}

bool CDBException::GetErrorMessage(char* buffer, unsigned size) const {
  if (buffer == nullptr || size == 0) return false;
  const std::string text = platform::FitByShortening(m_strError, m_strFile, size - 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return text.size() == m_strError.size();
}

CDatabase::CDatabase() = default;

CDatabase::~CDatabase() {
  try {
    Close();
  } catch (...) {
  }
}

bool CDatabase::Open(const std::string& connect, const OpenChecks& checks) {
  if (IsOpen()) return true;
  m_connection = platform::db::Connect(connect, checks);
  m_connect = connect;
  m_inTransaction = false;
  return true;
}

void CDatabase::Close() {
  if (!IsOpen()) return;
  // The sets keep their object; their statements go with the connection.
  for (CRecordset* rs : std::vector<CRecordset*>(m_recordsets)) rs->CloseStatements();
  m_connection.reset();  // an open transaction is rolled back
  m_inTransaction = false;
}

bool CDatabase::IsEmbedded() const { return m_connection && m_connection->IsEmbedded(); }

bool CDatabase::ReadsSideBySide() const { return m_connection && m_connection->ReadsSideBySide(); }

void* CDatabase::GetHandle() const { return m_connection ? m_connection->OdbcHandle() : nullptr; }

std::unique_ptr<platform::db::Statement> CDatabase::NewStatement() {
  if (!IsOpen()) throw CDBException(kError, "The database is not open");
  return m_connection->NewStatement();
}

void CDatabase::ExecuteSQL(const std::string& sql) {
  if (!IsOpen()) throw CDBException(kError, "The database is not open");
  ReleaseReaders();
  m_connection->Execute(sql);
}

void CDatabase::BeginTrans() {
  if (!IsOpen()) throw CDBException(kError, "The database is not open");
  if (m_inTransaction) return;
  ReleaseReaders();
  m_connection->Begin();
  m_inTransaction = true;
}

void CDatabase::EndTransaction(bool commit) {
  if (!IsOpen() || !m_inTransaction) return;
  ReleaseReaders();
  m_inTransaction = false;
  if (commit) {
    m_commitUndone = false;
    m_connection->Commit(&m_commitUndone);
  } else {
    m_connection->Rollback();
  }
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

}  // namespace platform
