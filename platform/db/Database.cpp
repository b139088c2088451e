#include "db/Database.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "Connection.h"
#include "core/Text.h"
#include "db/Recordset.h"

namespace platform {

namespace {
constexpr int kError = -1;  // the return code of a failed ODBC call

// The databases that lend their connection, each to the thread that shared
// it (a connection is used by one thread at a time), under the connect
// string it was opened with, less the optional "ODBC;".
struct Lender {
  CDatabase* db;
  std::string connect;
  std::thread::id thread;
};
std::mutex g_lendersLock;
std::vector<Lender> g_lenders;

std::string LendingKey(const std::string& connect) {
  return connect.compare(0, 5, "ODBC;") == 0 ? connect.substr(5) : connect;
}

CDatabase* FindLender(const std::string& connect) {
  const std::string key = LendingKey(connect);
  std::lock_guard<std::mutex> lock(g_lendersLock);
  for (const Lender& l : g_lenders)
    if (l.connect == key && l.thread == std::this_thread::get_id()) return l.db;
  return nullptr;
}

// A transaction of a database that joined another's connection.
std::string SavepointName(const CDatabase* db) {
  return "borrowed_" + std::to_string(reinterpret_cast<uintptr_t>(db));
}
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
  if (CDatabase* lender = FindLender(connect)) {
    // The lender's file passed its checks when it opened.
    m_connection = lender->m_connection;
    m_lender = lender;
    lender->m_borrowers.push_back(this);
  } else {
    m_connection = platform::db::Connect(connect, checks);
  }
  m_connect = connect;
  m_inTransaction = false;
  return true;
}

void CDatabase::Close() {
  if (!IsOpen()) return;
  // The sets keep their object; their statements go with the connection.
  for (CRecordset* rs : std::vector<CRecordset*>(m_recordsets)) rs->CloseStatements();
  if (m_lender != nullptr) {
    try {
      if (m_inTransaction) EndTransaction(false);
    } catch (const CException&) {
    }
    auto& borrowers = m_lender->m_borrowers;
    borrowers.erase(std::remove(borrowers.begin(), borrowers.end(), this), borrowers.end());
    m_lender = nullptr;
  } else {
    StopSharing();
    // Those that joined keep the connection open, so its transaction does
    // not end with it by itself.
    if (m_inTransaction && !m_borrowers.empty()) {
      try {
        EndTransaction(false);
      } catch (const CException&) {
      }
    }
    for (CDatabase* b : m_borrowers) b->m_lender = nullptr;
    m_borrowers.clear();
  }
  m_connection.reset();  // the last one out rolls an open transaction back
  m_inTransaction = false;
}

void CDatabase::Share() {
  if (!IsOpen()) throw CDBException(kError, "The database is not open");
  if (m_lender != nullptr) return;  // its lender lends to this thread already
  StopSharing();
  std::lock_guard<std::mutex> lock(g_lendersLock);
  g_lenders.push_back({this, LendingKey(m_connect), std::this_thread::get_id()});
}

void CDatabase::StopSharing() {
  std::lock_guard<std::mutex> lock(g_lendersLock);
  g_lenders.erase(std::remove_if(g_lenders.begin(), g_lenders.end(), [this](const Lender& l) { return l.db == this; }),
                  g_lenders.end());
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
  if (m_lender != nullptr)
    m_connection->Execute("SAVEPOINT " + SavepointName(this));
  else
    m_connection->Begin();
  m_inTransaction = true;
}

void CDatabase::EndTransaction(bool commit) {
  if (!IsOpen() || !m_inTransaction) return;
  ReleaseAllReaders();
  m_inTransaction = false;
  if (m_lender != nullptr) {
    const std::string name = SavepointName(this);
    m_commitUndone = false;
    m_connection->Execute(commit ? "RELEASE " + name : "ROLLBACK TO " + name + "; RELEASE " + name);
    return;
  }
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

// The end of a transaction ends the reads of every set on the connection.
void CDatabase::ReleaseAllReaders() {
  ReleaseReaders();
  for (CDatabase* b : m_borrowers) b->ReleaseReaders();
}

}  // namespace platform
