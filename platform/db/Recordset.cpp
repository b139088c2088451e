#include "db/Recordset.h"

#include <cctype>
#include <cstring>

#include "core/Text.h"
#include "db/DateText.h"
#include "db/Statement.h"
#include "db/Utf8.h"

using platform::db::Statement;

namespace platform {

namespace {

constexpr int kError = -1;  // the return code of a failed ODBC call

// Moving forward by up to this many rows reads them; a longer jump runs the
// query again from the target row, which the database skips to far faster
// than the rows can be handed over.
constexpr long kFetchAhead = 32;

struct Column {
  std::string name;  // bracketed
  CFieldExchange::FieldKind kind;
  int maxLength;
};

union NumberValue {
  int64_t i;
  double f;
};

// The value of one column on its way into the database, in the type it
// travels in: whole numbers as 64 bits, floating point as double, text and
// dates as text.
struct StoreBuffer {
  NumberValue v{};
  std::string text;
};

bool IsCharacterKind(CFieldExchange::FieldKind kind) {
  return kind == CFieldExchange::kText || kind == CFieldExchange::kDate;
}

bool IsFloatingKind(CFieldExchange::FieldKind kind) {
  return kind == CFieldExchange::kSingle || kind == CFieldExchange::kDouble;
}

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
      if (next >= params.size()) throw CDBException(kError, "The filter has more '?' than values: " + filter);
      out += Literal(params[next++]);
    } else {
      out += c;
    }
  }
  if (next != params.size()) throw CDBException(kError, "The filter has fewer '?' than values: " + filter);
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
  int64_t rowid = 0;
  std::vector<StoreBuffer> store;
  std::string scratch;  // the text of a date being read

  struct Select {
    std::unique_ptr<Statement> st;
    bool active = false;  // a read is open
    long next = 0;        // the index the next fetch delivers
  };
  Select sel[2];
  std::unique_ptr<Statement> ins;
  std::unique_ptr<Statement> upd;
  std::unique_ptr<Statement> del;
  int filled = -1;  // which select is on the row the members are read from

  // The filter, sort and parameters of the last Open or Requery: later
  // changes of the members take effect at the next Requery, not before.
  std::string filter;
  std::string sort;
  std::vector<CDBParam> params;

  bool open = false;
  bool readOnly = false;
  Dir posDir = Dir::kForward;
  long posIndex = -1;
  long eofIndex = -1;  // forward index of EOF when a forward read ran into it
  int64_t currentRowid = 0;
  int64_t editRowid = 0;

  void FreeStatements() {
    for (Select& s : sel) s = Select();
    ins.reset();
    upd.reset();
    del.reset();
    filled = -1;
  }

  // The statement whose current row the members are read from, and the
  // column of the first member in it.
  Statement* Current() const { return filled < 0 ? nullptr : sel[filled].st.get(); }
  // Only a set that may write reads the row identity, in front of its columns.
  bool KeepsRowid() const { return source == kTable && !readOnly; }
  int FirstColumn() const { return KeepsRowid() ? 1 : 0; }

  // Binds the stored values to the parameters of an insert or update.
  void BindRow(Statement& st) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const StoreBuffer& b = store[i];
      const int n = static_cast<int>(i);
      const CFieldExchange::FieldKind kind = columns[i].kind;
      if (IsCharacterKind(kind))
        st.SetText(n, b.text);
      else if (IsFloatingKind(kind))
        st.SetDouble(n, b.v.f);
      else
        st.SetInt(n, b.v.i);
    }
  }
};

// --- field exchange ---

void CFieldExchange::FetchColumn(size_t i, FieldKind kind, void* value) {
  Statement* st = m_statement;
  const int col = m_firstColumn + static_cast<int>(i);
  int64_t n = 0;
  double f = 0.0;
  switch (kind) {
    case kText: {
      std::string& s = *static_cast<std::string*>(value);
      const auto& columns = m_prs->m_impl->columns;
      const size_t max = i < columns.size() ? static_cast<size_t>(columns[i].maxLength) : 0;
      // No more characters than bytes, most often.
      if (st->GetText(col, &s) && s.size() > max) s = platform::db::TruncateUtf8(s, max);
      break;
    }
    case kByte: st->GetInt(col, &n), *static_cast<unsigned char*>(value) = static_cast<unsigned char>(n); break;
    case kInt: st->GetInt(col, &n), *static_cast<int*>(value) = static_cast<int16_t>(n); break;
    case kLong: st->GetInt(col, &n), *static_cast<int*>(value) = static_cast<int32_t>(n); break;
    case kULong: st->GetInt(col, &n), *static_cast<unsigned*>(value) = static_cast<uint32_t>(n); break;
    case kSingle: st->GetDouble(col, &f), *static_cast<float*>(value) = static_cast<float>(f); break;
    case kDouble: st->GetDouble(col, &f), *static_cast<double*>(value) = f; break;
    case kDate: {
      std::string& text = m_prs->m_impl->scratch;
      CTime t(0);
      if (st->GetText(col, &text)) platform::db::DateFromText(text.data(), text.size(), &t);
      *static_cast<CTime*>(value) = t;
      break;
    }
  }
}

void CFieldExchange::Field(const char* name, FieldKind kind, void* value, int maxLength) {
  const size_t i = m_index++;
  if (m_op == Fetch) {
    // Straight from the current row into the member, in column order.
    if (m_statement != nullptr && i < m_prs->m_impl->columns.size()) FetchColumn(i, kind, value);
    return;
  }
  CRecordset::Impl& im = *m_prs->m_impl;
  switch (m_op) {
    case Name:
      im.columns.push_back(Column{Bracket(name), kind, kind == kText ? (maxLength > 0 ? maxLength : 255) : 0});
      return;
    case Fetch:
      return;
    case Store: {
      if (i >= im.store.size()) return;
      StoreBuffer& b = im.store[i];
      switch (kind) {
        case kText:
          b.text = platform::db::TruncateUtf8(*static_cast<std::string*>(value), static_cast<size_t>(im.columns[i].maxLength));
          break;
        case kByte: b.v.i = *static_cast<unsigned char*>(value); break;
        case kInt: b.v.i = static_cast<int16_t>(*static_cast<int*>(value)); break;
        case kLong: b.v.i = static_cast<int32_t>(*static_cast<int*>(value)); break;
        case kULong: b.v.i = static_cast<uint32_t>(*static_cast<unsigned*>(value)); break;
        case kSingle: b.v.f = *static_cast<float*>(value); break;
        case kDouble: b.v.f = *static_cast<double*>(value); break;
        case kDate: {
          char buf[20];
          platform::db::DateToText(*static_cast<CTime*>(value), buf);
          b.text.assign(buf, 19);
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

bool CRecordset::CanUpdate() const { return m_impl->open && m_impl->KeepsRowid(); }

std::vector<std::string> CRecordset::GetColumnNames() const {
  std::vector<std::string> names;
  for (const Column& c : m_impl->columns) names.push_back(c.name.substr(1, c.name.size() - 2));
  return names;
}

void CRecordset::Exchange(int operation) {
  CFieldExchange fx(this, static_cast<CFieldExchange::Operation>(operation));
  if (operation == CFieldExchange::Fetch) {
    fx.m_statement = m_impl->Current();
    fx.m_firstColumn = m_impl->FirstColumn();
  }
  DoFieldExchange(&fx);
}

bool CRecordset::Open(int openType, const std::string& sql, unsigned options) {
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
  im.readOnly = (options & readOnly) != 0;
  im.columns.clear();
  Exchange(CFieldExchange::Name);
  im.store.assign(im.columns.size(), StoreBuffer());
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

// Makes the statements of the selects.
void CRecordset::Prepare() {
  Impl& im = *m_impl;
  const int selects = im.source == Impl::kTable ? 2 : 1;
  for (int d = 0; d < selects; ++d)
    if (!im.sel[d].st) im.sel[d].st = m_pDatabase->NewStatement();
}

// Runs the select of one direction so that its next fetch delivers the row
// at offset.
void CRecordset::Execute(Dir dir, long offset) {
  Impl& im = *m_impl;
  const int d = static_cast<int>(dir);
  Impl::Select& s = im.sel[d];
  // One read at a time per connection: the ODBC driver steps through one
  // result only and reads any other still open to its end first, which would
  // make every move to the last row cost the whole table.
  ReleaseRead();

  if (im.source == Impl::kCatalog) {
    void* handle = s.st->OdbcHandle();
    if (handle == nullptr) throw CDBException(kError, "A catalogue set needs a connection through ODBC");
    if (!ExecuteCatalog(handle)) throw CDBException(kError, "The record set has no query");
    s.active = true;
    s.next = 0;
    while (s.next < offset && FetchOne(dir)) {
    }
    return;
  }

  // Offsets and filter values go into the text as literals: the ODBC driver
  // reads a statement with parameters to its end at once, which a requery of
  // a large table cannot afford. Text values are quoted, so they stay values.
  const std::string filter = platform::Trim(im.filter).empty() ? std::string() : InlineParams(im.filter, im.params);
  const std::string offsetText = platform::Format("%ld", offset);
  std::string text;
  if (im.source == Impl::kTable) {
    std::string cols = im.KeepsRowid() ? "rowid" : "";
    for (const Column& c : im.columns) cols += (cols.empty() ? "" : ", ") + c.name;
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
  s.st->Prepare(text);
  s.st->Execute();
  s.active = true;
  s.next = offset;
}

bool CRecordset::FetchOne(Dir dir) {
  Impl& im = *m_impl;
  const int d = static_cast<int>(dir);
  Impl::Select& s = im.sel[d];
  if (!s.active) return false;
  // The end of the rows also ends the read, so the connection holds no old
  // snapshot while the set rests at its end.
  if (!s.st->Fetch()) {
    s.active = false;
    if (im.filled == d) im.filled = -1;
    if (dir == Dir::kForward) im.eofIndex = s.next;
    return false;
  }
  if (im.KeepsRowid()) s.st->GetInt(0, &im.rowid);
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
  if (!IsOpen()) throw CDBException(kError, "The record set is not open");
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
  if (!IsOpen()) throw CDBException(kError, "The record set is not open");
  m_impl->filter = m_strFilter;
  m_impl->sort = m_strSort;
  m_impl->params = m_filterParams;
  MoveFirst();
  return true;
}

void CRecordset::MoveLast() {
  if (!IsOpen()) throw CDBException(kError, "The record set is not open");
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
  if (!IsOpen()) throw CDBException(kError, "The record set is not open");
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
  if (!CanUpdate()) throw CDBException(kError, "The record set cannot be updated");
  m_editMode = addnew;
}

void CRecordset::Edit() {
  if (!CanUpdate()) throw CDBException(kError, "The record set cannot be updated");
  if (m_bof || m_eof || m_deleted) throw CDBException(kError, "No current record to edit");
  m_impl->editRowid = m_impl->currentRowid;
  m_editMode = edit;
}

void CRecordset::CancelUpdate() { m_editMode = noMode; }

void CRecordset::EndRead() { ReleaseRead(); }

void CRecordset::ReleaseRead() {
  Impl& im = *m_impl;
  for (Impl::Select& s : im.sel) {
    if (s.st) s.st->Close();
    s.active = false;
  }
  im.filled = -1;
}

void CRecordset::EndWriteMode() { m_editMode = noMode; }

bool CRecordset::Update() {
  if (!IsOpen()) throw CDBException(kError, "The record set is not open");
  if (m_editMode == noMode) throw CDBException(kError, "Update without AddNew or Edit");
  Impl& im = *m_impl;
  int64_t affected = 0;
  try {
    Exchange(CFieldExchange::Store);
    m_pDatabase->ReleaseReaders();
    const bool adding = m_editMode == addnew;
    std::unique_ptr<Statement>& st = adding ? im.ins : im.upd;
    if (!st) {
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
      auto made = m_pDatabase->NewStatement();
      made->Prepare(text);
      st = std::move(made);
    }
    im.BindRow(*st);
    if (!adding) st->SetInt(static_cast<int>(im.columns.size()), im.editRowid);
    st->Execute();
    affected = st->RowsAffected();
  } catch (...) {
    // Whatever went wrong, the set leaves add or edit mode: the caller's next
    // AddNew or Edit starts a write of its own instead of failing again.
    EndWriteMode();
    throw;
  }
  EndWriteMode();
  return affected > 0;
}

void CRecordset::Delete() {
  if (!CanUpdate()) throw CDBException(kError, "The record set cannot be updated");
  if (m_bof || m_eof || m_deleted) throw CDBException(kError, "No current record to delete");
  Impl& im = *m_impl;
  m_editMode = noMode;
  m_pDatabase->ReleaseReaders();
  if (!im.del) {
    auto made = m_pDatabase->NewStatement();
    made->Prepare("DELETE FROM " + im.table + " WHERE rowid = ?");
    im.del = std::move(made);
  }
  im.del->SetInt(0, im.currentRowid);
  im.del->Execute();
  m_deleted = true;
  im.eofIndex = -1;
}

}  // namespace platform
