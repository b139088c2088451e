#include "OdbcStatement.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "db/Database.h"

using platform::db::ThrowOdbcError;

struct COdbcStatement::Impl {
  SQLHSTMT h = SQL_NULL_HSTMT;
  bool pending = false;
  // One buffer per parameter; a buffer is bound again only when it has to grow.
  struct Param {
    std::vector<char> text;
    SQLLEN ind = SQL_NULL_DATA;
    bool bound = false;
  };
  std::vector<Param> params;
  std::vector<char> chunk = std::vector<char>(256);

  void Check(SQLRETURN r, const char* what) {
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_STMT, h, what);
  }
};

COdbcStatement::COdbcStatement(CDatabase& db) : m_impl(std::make_unique<Impl>()) {
  SQLHDBC dbc = static_cast<SQLHDBC>(db.GetHandle());
  if (dbc == SQL_NULL_HDBC) throw CDBException(SQL_ERROR, "The database is not open");
  SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_impl->h);
  if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, dbc, "Statement");
}

COdbcStatement::~COdbcStatement() {
  if (m_impl->h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, m_impl->h);
}

void COdbcStatement::Execute(const std::string& sql) {
  Close();
  std::string text = sql;
  SQLRETURN r = SQLExecDirect(m_impl->h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
  if (r == SQL_NO_DATA) return;
  m_impl->Check(r, "Query");
  m_impl->pending = true;
}

void COdbcStatement::Prepare(const std::string& sql, int parameters) {
  Close();
  SQLFreeStmt(m_impl->h, SQL_RESET_PARAMS);
  std::string text = sql;
  m_impl->Check(SQLPrepare(m_impl->h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())),
                "Prepare");
  m_impl->params.assign(static_cast<size_t>(parameters), Impl::Param());
}

void COdbcStatement::SetParameter(int n, const std::string& text) {
  Impl::Param& p = m_impl->params.at(static_cast<size_t>(n));
  if (!p.bound || p.text.size() < text.size() + 1) {
    p.text.resize(std::max<size_t>(text.size() + 1, 64) * 2);
    SQLRETURN r = SQLBindParameter(m_impl->h, static_cast<SQLUSMALLINT>(n + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                   SQL_LONGVARCHAR, p.text.size(), 0, p.text.data(),
                                   static_cast<SQLLEN>(p.text.size()), &p.ind);
    m_impl->Check(r, "Parameter");
    p.bound = true;
  }
  std::copy(text.begin(), text.end(), p.text.begin());
  p.ind = static_cast<SQLLEN>(text.size());
}

void COdbcStatement::SetParameterNull(int n) {
  Impl::Param& p = m_impl->params.at(static_cast<size_t>(n));
  if (!p.bound) SetParameter(n, std::string());
  p.ind = SQL_NULL_DATA;
}

void COdbcStatement::ExecutePrepared() {
  SQLRETURN r = SQLExecute(m_impl->h);
  if (r == SQL_NO_DATA) return;
  m_impl->Check(r, "Execute");
  SQLFreeStmt(m_impl->h, SQL_CLOSE);
}

void COdbcStatement::Close() {
  if (!m_impl->pending) return;
  SQLFreeStmt(m_impl->h, SQL_CLOSE);
  m_impl->pending = false;
}

bool COdbcStatement::Fetch() {
  if (!m_impl->pending) return false;
  SQLRETURN r = SQLFetch(m_impl->h);
  if (r == SQL_NO_DATA) {
    Close();
    return false;
  }
  m_impl->Check(r, "Fetch");
  return true;
}

bool COdbcStatement::GetText(int n, std::string* value) {
  value->clear();
  std::vector<char>& chunk = m_impl->chunk;
  for (;;) {
    SQLLEN ind = 0;
    SQLRETURN r = SQLGetData(m_impl->h, static_cast<SQLUSMALLINT>(n), SQL_C_CHAR, chunk.data(),
                             static_cast<SQLLEN>(chunk.size()), &ind);
    if (r == SQL_NO_DATA) return true;  // all of it was read before
    m_impl->Check(r, "Read");
    if (ind == SQL_NULL_DATA) return false;
    // Without truncation the indicator is the length of what was delivered.
    if (r == SQL_SUCCESS && ind != SQL_NO_TOTAL) {
      value->append(chunk.data(), static_cast<size_t>(ind));
      return true;
    }
    value->append(chunk.data(), chunk.size() - 1);
    if (ind != SQL_NO_TOTAL) {
      size_t rest = static_cast<size_t>(ind) - (chunk.size() - 1);
      if (rest + 1 > chunk.size()) chunk.resize(rest + 1);  // the rest in one go
    }
  }
}

bool COdbcStatement::GetTimestamp(int n, backup::DateTime* value) {
  SQL_TIMESTAMP_STRUCT ts = {};
  SQLLEN ind = 0;
  SQLRETURN r = SQLGetData(m_impl->h, static_cast<SQLUSMALLINT>(n), SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
  m_impl->Check(r, "Read");
  if (ind == SQL_NULL_DATA) return false;
  *value = {ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second};
  return true;
}
