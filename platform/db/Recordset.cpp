#include "db/Recordset.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <cstring>

#include "core/Text.h"
#include "db/DateText.h"
#include "db/Utf8.h"

using platform::db::ThrowOdbcError;

namespace {

// Moving forward by up to this many rows reads them; a longer jump runs the
// query again from the target row, which the database skips to far faster
// than the driver can hand rows over.
constexpr long kFetchAhead = 32;

struct Column {
  std::string name;  // bracketed
  CFieldExchange::FieldKind kind;
  int maxLength;
};

union NumberValue {
  unsigned char u8;
  SQLSMALLINT i16;
  SQLINTEGER i32;
  SQLUINTEGER u32;
  SQLREAL f32;
  SQLDOUBLE f64;
};

// How a number column travels: its C and SQL types and where its value lies.
// Text and dates travel as characters and have no number binding.
struct NumberBinding {
  SQLSMALLINT cType;
  SQLSMALLINT sqlType;
  void* value;
};

NumberBinding BindingOf(CFieldExchange::FieldKind kind, NumberValue& v) {
  switch (kind) {
    case CFieldExchange::kByte: return {SQL_C_UTINYINT, SQL_TINYINT, &v.u8};
    case CFieldExchange::kInt: return {SQL_C_SSHORT, SQL_SMALLINT, &v.i16};
    case CFieldExchange::kLong: return {SQL_C_SLONG, SQL_INTEGER, &v.i32};
    case CFieldExchange::kULong: return {SQL_C_ULONG, SQL_BIGINT, &v.u32};
    case CFieldExchange::kSingle: return {SQL_C_FLOAT, SQL_REAL, &v.f32};
    case CFieldExchange::kDouble: return {SQL_C_DOUBLE, SQL_DOUBLE, &v.f64};
    default: return {SQL_C_CHAR, SQL_VARCHAR, nullptr};
  }
}

bool IsCharacterKind(CFieldExchange::FieldKind kind) {
  return kind == CFieldExchange::kText || kind == CFieldExchange::kDate;
}

// The fetch buffer of one column; both select statements bind to it.
struct FetchBuffer {
  SQLLEN ind = 0;
  NumberValue v{};
  std::vector<char> text;
};

// The parameter buffer of one column for an insert or update.
struct StoreBuffer {
  SQLLEN ind = 0;
  NumberValue v{};
  std::string text;
};

std::string Bracket(const std::string& name) {
  if (!name.empty() && name.front() == '[') return name;
  return "[" + name + "]";
}

// "[NumCount]" becomes "[NumCount] DESC", "a DESC, b" becomes "a ASC, b DESC".
std::string ReverseSort(const std::string& sort) {
  std::string out;
  size_t start = 0;
  while (start <= sort.size()) {
    size_t comma = sort.find(',', start);
    std::string term = platform::Trim(sort.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!term.empty()) {
      std::string upper = platform::ToUpper(term);
      bool desc = false;
      if (upper.size() > 5 && upper.compare(upper.size() - 5, 5, " DESC") == 0) {
        desc = true;
        term = platform::TrimRight(term.substr(0, term.size() - 5));
      } else if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, " ASC") == 0) {
        term = platform::TrimRight(term.substr(0, term.size() - 4));
      }
      if (!out.empty()) out += ", ";
      out += term + (desc ? " ASC" : " DESC");
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

std::string Literal(const CDBParam& p) {
  switch (p.GetKind()) {
    case CDBParam::kLong:
      return platform::Format("%lld", static_cast<long long>(p.GetLong()));
    case CDBParam::kDouble:
      return platform::Format("%.17g", p.GetDouble());
    case CDBParam::kText:
      break;
  }
  std::string out = "'";
  for (char c : p.GetText()) {
    if (c == '\0') continue;
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// Puts each value in place of its '?' (those outside quoted text).
std::string InlineParams(const std::string& filter, const std::vector<CDBParam>& params) {
  std::string out;
  size_t next = 0;
  bool quoted = false;
  for (char c : filter) {
    if (c == '\'') quoted = !quoted;
    if (c == '?' && !quoted) {
      if (next >= params.size()) throw CDBException(SQL_ERROR, "The filter has more '?' than values: " + filter);
      out += Literal(params[next++]);
    } else {
      out += c;
    }
  }
  if (next != params.size()) throw CDBException(SQL_ERROR, "The filter has fewer '?' than values: " + filter);
  return out;
}

bool StartsWithSelect(const std::string& sql) {
  std::string t = platform::ToUpper(platform::TrimLeft(sql));
  return t.compare(0, 6, "SELECT") == 0 && (t.size() == 6 || std::isspace(static_cast<unsigned char>(t[6])));
}

}  // namespace

struct CRecordset::Impl {
  enum Source { kTable, kQuery, kCatalog };
  Source source = kTable;
  std::string table;  // kTable: the table; kQuery: the SELECT
  std::vector<Column> columns;
  std::vector<FetchBuffer> fetch;
  SQLBIGINT rowid = 0;
  SQLLEN rowidInd = 0;
  std::vector<StoreBuffer> store;

  struct Select {
    SQLHSTMT h = SQL_NULL_HSTMT;
    std::string prepared;  // the text prepared on h
    bool active = false;   // a cursor is open
    // Executed and closed before its end: the driver then goes on where that
    // read stopped, so the statement must be prepared afresh.
    bool cut = false;
    long next = 0;         // the index the next fetch delivers
  };
  Select sel[2];
  SQLHSTMT ins = SQL_NULL_HSTMT;
  SQLHSTMT upd = SQL_NULL_HSTMT;
  SQLHSTMT del = SQL_NULL_HSTMT;
  int filled = -1;  // which select last filled the buffers

  // The filter, sort and parameters of the last Open or Requery: later
  // changes of the members take effect at the next Requery, not before.
  std::string filter;
  std::string sort;
  std::vector<CDBParam> params;

  bool open = false;
  Dir posDir = Dir::kForward;
  long posIndex = -1;
  long eofIndex = -1;  // forward index of EOF when a forward read ran into it
  SQLBIGINT currentRowid = 0;
  SQLBIGINT editRowid = 0;

  void FreeStatements() {
    for (Select& s : sel) {
      if (s.h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, s.h);
      s = Select();
    }
    for (SQLHSTMT* h : {&ins, &upd, &del}) {
      if (*h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, *h);
      *h = SQL_NULL_HSTMT;
    }
    filled = -1;
  }
};

// --- field exchange ---

void CFieldExchange::Field(const char* name, FieldKind kind, void* value, int maxLength) {
  CRecordset::Impl& im = *m_prs->m_impl;
  const size_t i = m_index++;
  switch (m_op) {
    case Name:
      im.columns.push_back(Column{Bracket(name), kind, kind == kText ? (maxLength > 0 ? maxLength : 255) : 0});
      return;
    case Fetch: {
      if (i >= im.fetch.size()) return;
      const FetchBuffer& b = im.fetch[i];
      const bool null = b.ind == SQL_NULL_DATA;
      switch (kind) {
        case kText: {
          std::string& s = *static_cast<std::string*>(value);
          if (null) {
            s.clear();
          } else {
            size_t cap = b.text.size() - 1;
            size_t len = b.ind == SQL_NO_TOTAL || b.ind < 0 || static_cast<size_t>(b.ind) > cap ? cap : static_cast<size_t>(b.ind);
            s.assign(b.text.data(), len);
            s = platform::db::TruncateUtf8(s, static_cast<size_t>(im.columns[i].maxLength));
          }
          break;
        }
        case kByte: *static_cast<unsigned char*>(value) = null ? 0 : b.v.u8; break;
        case kInt: *static_cast<int*>(value) = null ? 0 : b.v.i16; break;
        case kLong: *static_cast<int*>(value) = null ? 0 : b.v.i32; break;
        case kULong: *static_cast<unsigned*>(value) = null ? 0 : b.v.u32; break;
        case kSingle: *static_cast<float*>(value) = null ? 0.0f : b.v.f32; break;
        case kDouble: *static_cast<double*>(value) = null ? 0.0 : b.v.f64; break;
        case kDate: {
          CTime t(0);
          if (!null) {
            size_t len = b.ind < 0 ? 0 : std::min(static_cast<size_t>(b.ind), b.text.size() - 1);
            platform::db::DateFromText(b.text.data(), len, &t);
          }
          *static_cast<CTime*>(value) = t;
          break;
        }
      }
      return;
    }
    case Store: {
      if (i >= im.store.size()) return;
      StoreBuffer& b = im.store[i];
      b.ind = 0;
      switch (kind) {
        case kText:
          b.text = platform::db::TruncateUtf8(*static_cast<std::string*>(value), static_cast<size_t>(im.columns[i].maxLength));
          b.ind = static_cast<SQLLEN>(b.text.size());
          break;
        case kByte: b.v.u8 = *static_cast<unsigned char*>(value); break;
        case kInt: b.v.i16 = static_cast<SQLSMALLINT>(*static_cast<int*>(value)); break;
        case kLong: b.v.i32 = static_cast<SQLINTEGER>(*static_cast<int*>(value)); break;
        case kULong: b.v.u32 = static_cast<SQLUINTEGER>(*static_cast<unsigned*>(value)); break;
        case kSingle: b.v.f32 = *static_cast<float*>(value); break;
        case kDouble: b.v.f64 = *static_cast<double*>(value); break;
        case kDate: {
          char buf[20];
          platform::db::DateToText(*static_cast<CTime*>(value), buf);
          b.text.assign(buf, 19);
          b.ind = 19;
          break;
        }
      }
      return;
    }
  }
}

// --- record set ---

CRecordset::CRecordset(CDatabase* db) : m_pDatabase(db), m_impl(std::make_unique<Impl>()) {}

CRecordset::~CRecordset() {
  try {
    CloseStatements();
  } catch (...) {
  }
  if (m_pDatabase != nullptr) m_pDatabase->Detach(this);
}

bool CRecordset::IsOpen() const { return m_impl->open; }

bool CRecordset::CanUpdate() const { return m_impl->open && m_impl->source == Impl::kTable; }

std::vector<std::string> CRecordset::GetColumnNames() const {
  std::vector<std::string> names;
  for (const Column& c : m_impl->columns) names.push_back(c.name.substr(1, c.name.size() - 2));
  return names;
}

void CRecordset::Throw(int ret, short type, void* handle, const std::string& what) {
  ThrowOdbcError(ret, type, handle, what);
}

void CRecordset::Exchange(int operation) {
  CFieldExchange fx(this, static_cast<CFieldExchange::Operation>(operation));
  DoFieldExchange(&fx);
}

bool CRecordset::Open(int openType, const std::string& sql) {
  if (IsOpen()) CloseStatements();
  m_nOpenType = openType == useDefaultType ? m_nDefaultType : openType;
  if (m_pDatabase == nullptr) {
    m_ownDatabase = std::make_unique<CDatabase>();
    m_pDatabase = m_ownDatabase.get();
  }
  if (!m_pDatabase->IsOpen()) m_pDatabase->Open(GetDefaultConnect());
  m_pDatabase->Attach(this);

  Impl& im = *m_impl;
  std::string source = sql.empty() ? GetDefaultSQL() : sql;
  if (platform::Trim(source).empty()) {
    im.source = Impl::kCatalog;
  } else if (StartsWithSelect(source)) {
    im.source = Impl::kQuery;
    im.table = source;
  } else {
    im.source = Impl::kTable;
    im.table = platform::Trim(source);
  }
  im.columns.clear();
  Exchange(CFieldExchange::Name);
  im.fetch.assign(im.columns.size(), FetchBuffer());
  im.store.assign(im.columns.size(), StoreBuffer());
  for (size_t i = 0; i < im.columns.size(); ++i) {
    CFieldExchange::FieldKind k = im.columns[i].kind;
    if (k == CFieldExchange::kText) im.fetch[i].text.assign(static_cast<size_t>(im.columns[i].maxLength) * 4 + 1, '\0');
    if (k == CFieldExchange::kDate) im.fetch[i].text.assign(64, '\0');
  }
  im.open = true;
  m_editMode = noMode;
  try {
    Prepare();
    Requery();
  } catch (...) {
    CloseStatements();
    throw;
  }
  return true;
}

void CRecordset::Close() { CloseStatements(); }

void CRecordset::CloseStatements() {
  Impl& im = *m_impl;
  im.FreeStatements();
  im.open = false;
  im.posIndex = -1;
  im.eofIndex = -1;
  m_bof = m_eof = true;
  m_deleted = false;
  m_editMode = noMode;
  if (m_pDatabase != nullptr) m_pDatabase->Detach(this);
}

// Allocates the statements and binds the fetch buffers to both selects.
void CRecordset::Prepare() {
  Impl& im = *m_impl;
  SQLHDBC dbc = m_pDatabase->GetHandle();
  const int selects = im.source == Impl::kTable ? 2 : 1;
  for (int d = 0; d < selects; ++d) {
    Impl::Select& s = im.sel[d];
    if (s.h != SQL_NULL_HSTMT) continue;
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &s.h);
    if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_DBC, dbc, "Statement");
    SQLUSMALLINT col = 1;
    if (im.source == Impl::kTable) SQLBindCol(s.h, col++, SQL_C_SBIGINT, &im.rowid, 0, &im.rowidInd);
    for (size_t i = 0; i < im.columns.size(); ++i, ++col) {
      FetchBuffer& b = im.fetch[i];
      if (IsCharacterKind(im.columns[i].kind)) {
        SQLBindCol(s.h, col, SQL_C_CHAR, b.text.data(), static_cast<SQLLEN>(b.text.size()), &b.ind);
      } else {
        const NumberBinding n = BindingOf(im.columns[i].kind, b.v);
        SQLBindCol(s.h, col, n.cType, n.value, 0, &b.ind);
      }
    }
  }
}

// Runs the select of one direction so that its next fetch delivers the row
// at offset.
void CRecordset::Execute(Dir dir, long offset) {
  Impl& im = *m_impl;
  const int d = static_cast<int>(dir);
  Impl::Select& s = im.sel[d];
  // One read at a time per connection: the driver steps through one result
  // only and reads any other still open to its end first, which would make
  // every move to the last row cost the whole table.
  ReleaseRead();

  if (im.source == Impl::kCatalog) {
    if (!ExecuteCatalog(s.h)) throw CDBException(SQL_ERROR, "The record set has no query");
    s.active = true;
    s.next = 0;
    while (s.next < offset && FetchOne(dir)) {
    }
    return;
  }

  // Offsets and filter values go into the text as literals: the driver reads
  // a statement with parameters to its end at once, which a requery of a
  // large table cannot afford. Text values are quoted, so they stay values.
  const std::string filter = platform::Trim(im.filter).empty() ? std::string() : InlineParams(im.filter, im.params);
  const std::string offsetText = platform::Format("%ld", offset);
  std::string text;
  if (im.source == Impl::kTable) {
    std::string cols = "rowid";
    for (const Column& c : im.columns) cols += ", " + c.name;
    text = "SELECT " + cols + " FROM " + im.table;
    if (!filter.empty()) text += " WHERE (" + filter + ")";
    std::string sort = platform::Trim(im.sort);
    if (dir == Dir::kForward)
      text += " ORDER BY " + (sort.empty() ? std::string() : sort + ", ") + "rowid";
    else
      text += " ORDER BY " + (sort.empty() ? std::string() : ReverseSort(sort) + ", ") + "rowid DESC";
    text += " LIMIT -1 OFFSET " + offsetText;
  } else {
    text = im.table;
    if (!filter.empty()) text += " WHERE (" + filter + ")";
    if (!platform::Trim(im.sort).empty()) text += " ORDER BY " + im.sort;
    if (offset > 0) text = "SELECT * FROM (" + text + ") LIMIT -1 OFFSET " + offsetText;
  }
  SQLRETURN r;
  if (s.prepared != text) {
    s.prepared.clear();
    r = SQLPrepare(s.h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_STMT, s.h, "Prepare");
    s.prepared = text;
  }
  r = SQLExecute(s.h);
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) Throw(r, SQL_HANDLE_STMT, s.h, "Query");
  s.active = true;
  s.cut = true;
  s.next = offset;
}

bool CRecordset::FetchOne(Dir dir) {
  Impl& im = *m_impl;
  const int d = static_cast<int>(dir);
  Impl::Select& s = im.sel[d];
  if (!s.active) return false;
  SQLRETURN r = SQLFetch(s.h);
  if (r == SQL_NO_DATA) {
    // The end of the rows also ends the read, so the connection holds no old
    // snapshot while the set rests at its end.
    SQLFreeStmt(s.h, SQL_CLOSE);
    s.active = false;
    s.cut = false;
    if (im.filled == d) im.filled = -1;
    if (dir == Dir::kForward) im.eofIndex = s.next;
    return false;
  }
  if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_STMT, s.h, "Fetch");
  im.filled = d;
  ++s.next;
  return true;
}

// Positions the select of a direction on the row at index; false past the end.
bool CRecordset::Seek(Dir dir, long index) {
  Impl& im = *m_impl;
  const int d = static_cast<int>(dir);
  Impl::Select& s = im.sel[d];
  if (s.active && im.filled == d && s.next - 1 == index) return true;
  if (!(s.active && index >= s.next && index - s.next <= kFetchAhead)) Execute(dir, index);
  while (s.next <= index) {
    if (!FetchOne(dir)) return false;
  }
  return true;
}

void CRecordset::SetPosition(Dir dir, long index, bool onRow) {
  Impl& im = *m_impl;
  im.posDir = dir;
  im.posIndex = index;
  m_deleted = false;
  if (onRow) {
    m_bof = m_eof = false;
    im.currentRowid = im.rowid;
    Exchange(CFieldExchange::Fetch);
  }
}

void CRecordset::MoveFirst() {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The record set is not open");
  Impl& im = *m_impl;
  m_editMode = noMode;
  im.eofIndex = -1;
  // Always read afresh: rows the set itself added since it opened show up.
  Execute(Dir::kForward, 0);
  if (FetchOne(Dir::kForward)) {
    SetPosition(Dir::kForward, 0, true);
  } else {
    SetPosition(Dir::kForward, -1, false);
    m_bof = m_eof = true;
  }
  // A set often rests on the row it was put on; an open read would hold its
  // snapshot all that time and keep the log from being folded back into the
  // file, so every later commit would try again. Moving on reads anew.
  ReleaseRead();
}

bool CRecordset::Requery() {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The record set is not open");
  m_impl->filter = m_strFilter;
  m_impl->sort = m_strSort;
  m_impl->params = m_filterParams;
  MoveFirst();
  return true;
}

void CRecordset::MoveLast() {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The record set is not open");
  Impl& im = *m_impl;
  m_editMode = noMode;
  if (im.source == Impl::kTable) {
    Execute(Dir::kReverse, 0);
    if (FetchOne(Dir::kReverse)) {
      SetPosition(Dir::kReverse, 0, true);
    } else {
      SetPosition(Dir::kForward, -1, false);
      m_bof = m_eof = true;
    }
    ReleaseRead();
    return;
  }
  // A query reads forward to its end and then takes the row before it.
  if (m_bof && m_eof) return;
  long index = im.posDir == Dir::kForward && !m_bof && !m_eof ? im.posIndex : 0;
  while (Seek(Dir::kForward, index + 1)) ++index;
  if (Seek(Dir::kForward, index)) SetPosition(Dir::kForward, index, true);
}

void CRecordset::MoveNext() { MoveBy(1); }
void CRecordset::MovePrev() { MoveBy(-1); }
void CRecordset::Move(long rows) { MoveBy(rows); }

void CRecordset::MoveBy(long delta) {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The record set is not open");
  if (delta == 0) return;
  Impl& im = *m_impl;
  m_editMode = noMode;
  if (m_bof && m_eof) return;
  const bool reversible = im.source == Impl::kTable;
  // The rows behind a deleted row have moved up into its place.
  long shift = 0;
  if (m_deleted && !m_bof && !m_eof &&
      ((im.posDir == Dir::kForward && delta > 0) || (im.posDir == Dir::kReverse && delta < 0)))
    shift = -1;

  auto forward = [&](long target) {
    if (target < 0) {
      SetPosition(Dir::kForward, -1, false);
      m_bof = true;
      m_eof = false;
    } else if (Seek(Dir::kForward, target)) {
      SetPosition(Dir::kForward, target, true);
    } else {
      SetPosition(Dir::kForward, target, false);
      m_eof = true;
      m_bof = false;
    }
  };
  auto reverse = [&](long target) {
    if (target < 0) {
      SetPosition(Dir::kReverse, -1, false);
      m_eof = true;
      m_bof = false;
    } else if (Seek(Dir::kReverse, target)) {
      SetPosition(Dir::kReverse, target, true);
    } else {
      SetPosition(Dir::kReverse, target, false);
      m_bof = true;
      m_eof = false;
    }
  };

  if (m_bof) {
    if (delta > 0) forward(delta - 1);
  } else if (m_eof) {
    if (delta > 0) return;
    if (reversible) {
      reverse(-delta - 1);
    } else {
      if (im.eofIndex < 0) {
        long index = im.posDir == Dir::kForward && im.posIndex >= 0 ? im.posIndex : 0;
        while (Seek(Dir::kForward, index)) ++index;
      }
      forward(im.eofIndex + delta);
    }
  } else if (im.posDir == Dir::kForward) {
    forward(im.posIndex + delta + shift);
  } else {
    reverse(im.posIndex - delta + shift);
  }
}

// --- changes ---

void CRecordset::AddNew() {
  if (!CanUpdate()) throw CDBException(SQL_ERROR, "The record set cannot be updated");
  m_editMode = addnew;
}

void CRecordset::Edit() {
  if (!CanUpdate()) throw CDBException(SQL_ERROR, "The record set cannot be updated");
  if (m_bof || m_eof || m_deleted) throw CDBException(SQL_ERROR, "No current record to edit");
  m_impl->editRowid = m_impl->currentRowid;
  m_editMode = edit;
}

void CRecordset::CancelUpdate() { m_editMode = noMode; }

void CRecordset::EndRead() { ReleaseRead(); }

void CRecordset::ReleaseRead() {
  Impl& im = *m_impl;
  for (Impl::Select& s : im.sel) {
    if (s.active) SQLFreeStmt(s.h, SQL_CLOSE);
    s.active = false;
    if (s.cut) {
      // Closing a read the driver steps through leaves it open underneath,
      // holding its snapshot (and keeping this connection from writing); a
      // fresh prepare ends it.
      s.cut = false;
      if (s.prepared.empty() ||
          !SQL_SUCCEEDED(SQLPrepare(s.h, reinterpret_cast<SQLCHAR*>(s.prepared.data()),
                                    static_cast<SQLINTEGER>(s.prepared.size()))))
        s.prepared.clear();
    }
  }
  im.filled = -1;
}

void CRecordset::EndWriteMode() { m_editMode = noMode; }

bool CRecordset::Update() {
  if (!IsOpen()) throw CDBException(SQL_ERROR, "The record set is not open");
  if (m_editMode == noMode) throw CDBException(SQL_ERROR, "Update without AddNew or Edit");
  Impl& im = *m_impl;
  SQLLEN affected = 0;
  try {
    Exchange(CFieldExchange::Store);
    m_pDatabase->ReleaseReaders();
    SQLHDBC dbc = m_pDatabase->GetHandle();
    const bool adding = m_editMode == addnew;
    SQLHSTMT& h = adding ? im.ins : im.upd;
    if (h == SQL_NULL_HSTMT) {
      SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h);
      if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_DBC, dbc, "Statement");
      std::string text;
      if (adding) {
        std::string names, marks;
        for (const Column& c : im.columns) {
          names += (names.empty() ? "" : ", ") + c.name;
          marks += marks.empty() ? "?" : ", ?";
        }
        text = "INSERT INTO " + im.table + " (" + names + ") VALUES (" + marks + ")";
      } else {
        std::string sets;
        for (const Column& c : im.columns) sets += (sets.empty() ? "" : ", ") + c.name + " = ?";
        text = "UPDATE " + im.table + " SET " + sets + " WHERE rowid = ?";
      }
      r = SQLPrepare(h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
      if (!SQL_SUCCEEDED(r)) {
        try {
          Throw(r, SQL_HANDLE_STMT, h, "Prepare");
        } catch (...) {
          SQLFreeHandle(SQL_HANDLE_STMT, h);
          h = SQL_NULL_HSTMT;
          throw;
        }
      }
    }
    SQLFreeStmt(h, SQL_RESET_PARAMS);
    SQLUSMALLINT p = 1;
    for (size_t i = 0; i < im.columns.size(); ++i, ++p) {
      StoreBuffer& b = im.store[i];
      SQLRETURN r;
      if (IsCharacterKind(im.columns[i].kind)) {
        r = SQLBindParameter(h, p, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, b.text.empty() ? 1 : b.text.size(), 0,
                             b.text.data(), 0, &b.ind);
      } else {
        const NumberBinding n = BindingOf(im.columns[i].kind, b.v);
        r = SQLBindParameter(h, p, SQL_PARAM_INPUT, n.cType, n.sqlType, 0, 0, n.value, 0, &b.ind);
      }
      if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_STMT, h, "Parameter");
    }
    SQLLEN zero = 0;
    SQLBIGINT rowid = im.editRowid;
    if (!adding) {
      SQLRETURN r = SQLBindParameter(h, p, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &rowid, 0, &zero);
      if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_STMT, h, "Parameter");
    }
    SQLRETURN r = SQLExecute(h);
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) Throw(r, SQL_HANDLE_STMT, h, adding ? "Insert" : "Update");
    SQLRowCount(h, &affected);
    SQLFreeStmt(h, SQL_CLOSE);
  } catch (...) {
    // Whatever went wrong, the set leaves add or edit mode: the caller's next
    // AddNew or Edit starts a write of its own instead of failing again.
    if (im.ins != SQL_NULL_HSTMT) SQLFreeStmt(im.ins, SQL_CLOSE);
    if (im.upd != SQL_NULL_HSTMT) SQLFreeStmt(im.upd, SQL_CLOSE);
    EndWriteMode();
    throw;
  }
  EndWriteMode();
  return affected > 0;
}

void CRecordset::Delete() {
  if (!CanUpdate()) throw CDBException(SQL_ERROR, "The record set cannot be updated");
  if (m_bof || m_eof || m_deleted) throw CDBException(SQL_ERROR, "No current record to delete");
  Impl& im = *m_impl;
  m_editMode = noMode;
  m_pDatabase->ReleaseReaders();
  SQLHDBC dbc = m_pDatabase->GetHandle();
  if (im.del == SQL_NULL_HSTMT) {
    SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &im.del);
    if (!SQL_SUCCEEDED(r)) Throw(r, SQL_HANDLE_DBC, dbc, "Statement");
    std::string text = "DELETE FROM " + im.table + " WHERE rowid = ?";
    r = SQLPrepare(im.del, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(r)) {
      try {
        Throw(r, SQL_HANDLE_STMT, im.del, "Prepare");
      } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, im.del);
        im.del = SQL_NULL_HSTMT;
        throw;
      }
    }
  }
  SQLBIGINT rowid = im.currentRowid;
  SQLLEN zero = 0;
  SQLFreeStmt(im.del, SQL_RESET_PARAMS);
  SQLRETURN r = SQLBindParameter(im.del, 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &rowid, 0, &zero);
  if (SQL_SUCCEEDED(r)) r = SQLExecute(im.del);
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) Throw(r, SQL_HANDLE_STMT, im.del, "Delete");
  SQLFreeStmt(im.del, SQL_CLOSE);
  m_deleted = true;
  im.eofIndex = -1;
}
