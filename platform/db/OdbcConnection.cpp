// The ODBC path: a connection through the driver manager, for data sources
// of any driver but the suite's own.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "Connection.h"
#include "db/Database.h"

namespace platform::db {

namespace {

// The diagnostics of a failed call, read at once: the next call on the same
// handle replaces them.
CDBException OdbcError(int retCode, short handleType, void* handle, const std::string& what) {
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
  return CDBException(retCode, text, state);
}

SQLHENV Environment() {
  static SQLHENV env = [] {
    SQLHENV h = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h))) return SQLHENV(SQL_NULL_HENV);
    SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return h;
  }();
  return env;
}

class OdbcStatement : public Statement {
 public:
  explicit OdbcStatement(SQLHDBC dbc) {
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_h);
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, dbc, "Statement");
  }
  ~OdbcStatement() override {
    if (m_h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, m_h);
  }

  void Prepare(const std::string& sql) override {
    if (!m_text.empty() && sql == m_text) return;
    Close();
    m_text.clear();
    SQLFreeStmt(m_h, SQL_RESET_PARAMS);
    m_params.clear();
    std::string text = sql;
    Check(SQLPrepare(m_h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())), "Prepare");
    SQLSMALLINT count = 0;
    SQLNumParams(m_h, &count);
    // Bound buffers must not move: the list has its size until the next prepare.
    m_params.resize(static_cast<size_t>(std::max<SQLSMALLINT>(count, 0)));
    m_text = sql;
  }

  void SetNull(int n) override {
    Param& p = At(n);
    if (p.cType == 0) Bind(n, p, SQL_C_CHAR);
    p.ind = SQL_NULL_DATA;
  }
  void SetInt(int n, int64_t value) override {
    Param& p = At(n);
    if (p.cType != SQL_C_SBIGINT) Bind(n, p, SQL_C_SBIGINT);
    p.i = value;
    p.ind = 0;
  }
  void SetDouble(int n, double value) override {
    Param& p = At(n);
    if (p.cType != SQL_C_DOUBLE) Bind(n, p, SQL_C_DOUBLE);
    p.d = value;
    p.ind = 0;
  }
  void SetText(int n, std::string_view value) override {
    Param& p = At(n);
    // A text buffer is bound again only when it has to grow.
    if (p.cType != SQL_C_CHAR || p.text.size() < value.size() + 1) {
      p.text.resize(std::max<size_t>(value.size() + 1, 64) * 2);
      Bind(n, p, SQL_C_CHAR);
    }
    std::copy(value.begin(), value.end(), p.text.begin());
    p.ind = static_cast<SQLLEN>(value.size());
  }

  void Execute() override {
    Close();
    SQLRETURN r = SQLExecute(m_h);
    m_affected = 0;
    if (r == SQL_NO_DATA) return;
    Check(r, "Execute");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(m_h, &columns);
    if (columns > 0) {
      m_pending = true;
      m_cut = true;
      return;
    }
    SQLLEN rows = 0;
    SQLRowCount(m_h, &rows);
    m_affected = rows;
    SQLFreeStmt(m_h, SQL_CLOSE);
  }

  bool Fetch() override {
    if (!m_pending) return false;
    SQLRETURN r = SQLFetch(m_h);
    if (r == SQL_NO_DATA) {
      SQLFreeStmt(m_h, SQL_CLOSE);
      m_pending = false;
      m_cut = false;
      return false;
    }
    Check(r, "Fetch");
    return true;
  }

  void Close() override {
    if (m_pending) SQLFreeStmt(m_h, SQL_CLOSE);
    m_pending = false;
    if (m_cut) {
      // Closing a read the driver steps through leaves it open underneath,
      // holding its snapshot (and keeping the connection from writing), and
      // the next run would go on where it stopped; a fresh prepare ends it.
      m_cut = false;
      if (m_text.empty() ||
          !SQL_SUCCEEDED(SQLPrepare(m_h, reinterpret_cast<SQLCHAR*>(m_text.data()),
                                    static_cast<SQLINTEGER>(m_text.size()))))
        m_text.clear();
      // The prepare keeps the parameters bound.
    }
  }

  int64_t RowsAffected() override { return m_affected; }

  bool GetInt(int col, int64_t* value) override {
    SQLBIGINT v = 0;
    SQLLEN ind = 0;
    Check(SQLGetData(m_h, Column(col), SQL_C_SBIGINT, &v, 0, &ind), "Read");
    *value = ind == SQL_NULL_DATA ? 0 : v;
    return ind != SQL_NULL_DATA;
  }

  bool GetDouble(int col, double* value) override {
    SQLDOUBLE v = 0;
    SQLLEN ind = 0;
    Check(SQLGetData(m_h, Column(col), SQL_C_DOUBLE, &v, 0, &ind), "Read");
    *value = ind == SQL_NULL_DATA ? 0.0 : v;
    return ind != SQL_NULL_DATA;
  }

  bool GetText(int col, std::string* value) override {
    value->clear();
    for (;;) {
      SQLLEN ind = 0;
      SQLRETURN r = SQLGetData(m_h, Column(col), SQL_C_CHAR, m_chunk.data(), static_cast<SQLLEN>(m_chunk.size()), &ind);
      if (r == SQL_NO_DATA) return true;  // all of it was read before
      Check(r, "Read");
      if (ind == SQL_NULL_DATA) return false;
      // Without truncation the indicator is the length of what was delivered.
      if (r == SQL_SUCCESS && ind != SQL_NO_TOTAL) {
        value->append(m_chunk.data(), static_cast<size_t>(ind));
        return true;
      }
      value->append(m_chunk.data(), m_chunk.size() - 1);
      if (ind != SQL_NO_TOTAL) {
        size_t rest = static_cast<size_t>(ind) - (m_chunk.size() - 1);
        if (rest + 1 > m_chunk.size()) m_chunk.resize(rest + 1);  // the rest in one go
      }
    }
  }

  Cell GetTimestamp(int col, Timestamp* value, std::string*) override {
    SQL_TIMESTAMP_STRUCT ts = {};
    SQLLEN ind = 0;
    Check(SQLGetData(m_h, Column(col), SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), "Read");
    if (ind == SQL_NULL_DATA) return Cell::kNull;
    *value = {ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second};
    return Cell::kValue;
  }

  void* OdbcHandle() override {
    Close();
    m_text.clear();
    m_pending = true;
    return m_h;
  }

 private:
  struct Param {
    SQLSMALLINT cType = 0;  // 0: not bound yet
    SQLLEN ind = SQL_NULL_DATA;
    SQLBIGINT i = 0;
    SQLDOUBLE d = 0;
    std::vector<char> text;
  };

  static SQLUSMALLINT Column(int col) { return static_cast<SQLUSMALLINT>(col + 1); }

  Param& At(int n) {
    if (n < 0 || static_cast<size_t>(n) >= m_params.size())
      throw CDBException(SQL_ERROR, "No parameter " + std::to_string(n + 1) + " in " + m_text);
    return m_params[static_cast<size_t>(n)];
  }

  void Bind(int n, Param& p, SQLSMALLINT cType) {
    SQLRETURN r;
    const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(n + 1);
    switch (cType) {
      case SQL_C_SBIGINT:
        r = SQLBindParameter(m_h, number, SQL_PARAM_INPUT, cType, SQL_BIGINT, 0, 0, &p.i, 0, &p.ind);
        break;
      case SQL_C_DOUBLE:
        r = SQLBindParameter(m_h, number, SQL_PARAM_INPUT, cType, SQL_DOUBLE, 0, 0, &p.d, 0, &p.ind);
        break;
      default:
        if (p.text.empty()) p.text.resize(64);
        r = SQLBindParameter(m_h, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, p.text.size(), 0,
                             p.text.data(), static_cast<SQLLEN>(p.text.size()), &p.ind);
        break;
    }
    Check(r, "Parameter");
    p.cType = cType;
  }

  void Check(SQLRETURN r, const char* what) {
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_STMT, m_h, what);
  }

  SQLHSTMT m_h = SQL_NULL_HSTMT;
  std::vector<Param> m_params;
  bool m_pending = false;  // a result is open
  // Executed and not yet read to its end (see Close).
  bool m_cut = false;
  int64_t m_affected = 0;
  std::vector<char> m_chunk = std::vector<char>(256);
};

class OdbcConnection : public Connection {
 public:
  OdbcConnection(const std::string& connect, const std::string& name, const OpenChecks& checks) {
    SQLHENV env = Environment();
    if (env == SQL_NULL_HENV) throw CDBException(SQL_ERROR, "Unable to set up the ODBC environment");
    std::string cs = connect;
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_DBC, env, &m_dbc);
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_ENV, env, "Connection");
    r = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), static_cast<SQLSMALLINT>(cs.size()),
                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
      CDBException e = OdbcError(r, SQL_HANDLE_DBC, m_dbc, "Connection");
      SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
      throw CDBException(e.m_nRetCode, "Unable to open data source " + name + ": " + e.m_strError,
                         e.m_strStateNativeOrigin);
    }
    // The driver has done what it does on connecting; the checks come as
    // soon as they can.
    std::string wrong;
    try {
      wrong = CheckTables(TableNames(), checks);
    } catch (const CDBException& e) {
      wrong = e.m_strError;
    }
    if (!wrong.empty()) {
      SQLDisconnect(m_dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
      throw CDBException(SQL_ERROR, "Unable to open data source " + name + ": " + wrong);
    }
  }

  ~OdbcConnection() override {
    if (m_inTransaction) SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
    SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
  }

  bool IsEmbedded() const override { return false; }
  bool ReadsSideBySide() const override { return false; }
  void* OdbcHandle() const override { return m_dbc; }

  // The user tables, as the driver's catalogue lists them.
  std::vector<std::string> TableNames() {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_dbc, "Statement");
    std::string type = "TABLE";
    r = SQLTables(st, nullptr, 0, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(type.data()),
                  static_cast<SQLSMALLINT>(type.size()));
    std::vector<std::string> names;
    while (SQL_SUCCEEDED(r) && SQL_SUCCEEDED(r = SQLFetch(st))) {
      char name[512] = {0};
      SQLLEN length = 0;
      if (SQL_SUCCEEDED(SQLGetData(st, 3, SQL_C_CHAR, name, sizeof name, &length)) && length > 0) names.emplace_back(name);
    }
    if (r != SQL_NO_DATA && !SQL_SUCCEEDED(r)) {
      CDBException e = OdbcError(r, SQL_HANDLE_STMT, st, "SQLTables");
      SQLFreeHandle(SQL_HANDLE_STMT, st);
      throw e;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return names;
  }

  void Execute(const std::string& sql) override {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_dbc, "Statement");
    std::string text = sql;
    r = SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
      CDBException e = OdbcError(r, SQL_HANDLE_STMT, st, "ExecuteSQL");
      SQLFreeHandle(SQL_HANDLE_STMT, st);
      throw e;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
  }

  std::unique_ptr<Statement> NewStatement() override { return std::make_unique<OdbcStatement>(m_dbc); }

  void Begin() override {
    SQLRETURN r = SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(r)) ThrowOdbcError(r, SQL_HANDLE_DBC, m_dbc, "BeginTrans");
    m_inTransaction = true;
  }

  void Commit(bool* undone) override { End(SQL_COMMIT, undone); }

  void Rollback() override {
    bool undone = false;
    End(SQL_ROLLBACK, &undone);
  }

 private:
  void End(SQLSMALLINT completion, bool* undone) {
    *undone = false;
    SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, m_dbc, completion);
    if (SQL_SUCCEEDED(r)) {
      EndTransaction();
      return;
    }
    CDBException reason = OdbcError(r, SQL_HANDLE_DBC, m_dbc, completion == SQL_COMMIT ? "CommitTrans" : "Rollback");
    // Whether the driver undid the work of a failed commit itself is its own
    // affair; a rollback that succeeds now makes sure.
    if (completion == SQL_COMMIT) *undone = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK));
    EndTransaction();
    throw reason;
  }

  // Back to one commit per write whatever the outcome, so a failed end does
  // not leave the connection in a transaction nobody ends.
  void EndTransaction() {
    SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    m_inTransaction = false;
  }

  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_inTransaction = false;
};

}  // namespace

void ThrowOdbcError(int retCode, short handleType, void* handle, const std::string& what) {
  throw OdbcError(retCode, handleType, handle, what);
}

std::unique_ptr<Connection> ConnectOdbc(const std::string& connect, const std::string& name, const OpenChecks& checks) {
  return std::make_unique<OdbcConnection>(connect, name, checks);
}

}  // namespace platform::db
