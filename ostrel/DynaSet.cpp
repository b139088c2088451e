#include "DynaSet.h"

#include <algorithm>

#include "ColumnExchange.h"
#include "core/Text.h"
#include "db/Statement.h"

CDynaSet::CDynaSet(const std::string& dataSource) : m_dataSource(dataSource) {}

CDynaSet::~CDynaSet() {
  // The statements go before the connection they run on.
  m_read.reset();
  m_insert.reset();
}

std::string CDynaSet::ConnectString(const std::string& dataSource) { return "ODBC;DSN=TARNIC:" + dataSource; }

platform::CDatabase& CDynaSet::GetDatabase() {
  if (!m_db.IsOpen()) m_db.Open(ConnectString(m_dataSource));
  return m_db;
}

bool CDynaSet::FirstTable() {
  m_tables = CatalogTables(GetDatabase());
  m_tableIndex = 0;
  return TakeTable();
}

bool CDynaSet::NextTable() {
  if (m_tableIndex < m_tables.size()) ++m_tableIndex;
  return TakeTable();
}

bool CDynaSet::TakeTable() {
  m_columns.clear();
  m_unmapped.clear();
  m_end = m_tableIndex >= m_tables.size();
  m_table = m_end ? std::string() : m_tables[m_tableIndex];
  if (!m_end) BuildColumns();
  return !m_end;
}

bool CDynaSet::FindTable(const std::string& name) {
  for (bool found = FirstTable(); found; found = NextTable())
    if (m_table == name) return true;
  return false;
}

void CDynaSet::BuildColumns() {
  for (const CatalogColumn& c : CatalogColumns(GetDatabase(), m_table)) {
    auto column = CColumnType::Create(c.name, c.sqlType, c.typeName, c.length);
    if (column)
      m_columns.push_back(std::move(column));
    else
      m_unmapped.push_back({c.name, c.typeName, c.sqlType});
  }
}

CColumnType* CDynaSet::FindColumn(std::string_view name) const {
  for (const auto& c : m_columns)
    if (platform::EqualsNoCase(c->GetName(), name)) return c.get();
  return nullptr;
}

void CDynaSet::Exchange(CColumnExchange& fx, const std::vector<CColumnType*>& columns) {
  for (CColumnType* c : columns) c->Exchange(fx);
}

void CDynaSet::Open() {
  Close();
  std::vector<CColumnType*> all;
  for (const auto& c : m_columns) all.push_back(c.get());
  std::string list;
  CColumnExchange fx(CColumnExchange::kSelect, &list);
  Exchange(fx, all);
  // A table without a column that a backup can hold has no row lines either.
  if (list.empty()) return;
  if (!m_read) m_read = GetDatabase().NewStatement();
  m_read->Prepare("SELECT " + list + " FROM " + CColumnExchange::QuoteName(m_table));
  m_read->Execute();
  m_reading = true;
}

bool CDynaSet::MoveNext() {
  if (!m_reading) return false;
  if (!m_read->Fetch()) {
    m_reading = false;
    return false;
  }
  CColumnExchange fx(CColumnExchange::kFetch, m_read.get(), &m_scratch);
  try {
    for (const auto& c : m_columns) c->Exchange(fx);
  } catch (CBackupValueError& e) {
    e.SetTable(m_table);
    throw;
  }
  return true;
}

void CDynaSet::Close() {
  if (m_read) m_read->Close();
  m_reading = false;
}

void CDynaSet::RowToText(std::string& out) const {
  for (const auto& c : m_columns) c->WriteToText(out);
}

void CDynaSet::DeleteAllRows() {
  Close();
  GetDatabase().ExecuteSQL("DELETE FROM " + CColumnExchange::QuoteName(m_table));
}

bool CDynaSet::TextToRow(std::string_view line, const std::vector<CColumnType*>& columns) {
  for (CColumnType* c : columns)
    if (!c->ReadFromText(line)) return false;
  return line.empty();
}

namespace {
// Parameters per statement: the least that any SQLite takes.
constexpr size_t kMaxParameters = 999;
}  // namespace

void CDynaSet::PrepareInsert(platform::db::Statement& statement, size_t rows) const {
  std::string names, marks;
  for (CColumnType* c : m_insertColumns) {
    names += (names.empty() ? "" : ", ") + CColumnExchange::QuoteName(c->GetName());
    marks += marks.empty() ? "?" : ", ?";
  }
  std::string sql = "INSERT INTO " + CColumnExchange::QuoteName(m_insertTable) + " (" + names + ") VALUES ";
  for (size_t r = 0; r < rows; ++r) sql += (r ? ", (" : "(") + marks + ")";
  statement.Prepare(sql);
}

void CDynaSet::InsertRows(platform::db::Statement& statement, size_t rows) {
  const size_t count = rows * m_insertColumns.size();
  // As text, all of them: the database converts each to its column's type
  // itself, so no conversion of ours rounds a value.
  for (size_t i = 0; i < count; ++i) {
    if (m_values[i].isNull)
      statement.SetNull(static_cast<int>(i));
    else
      statement.SetText(static_cast<int>(i), m_values[i].text);
  }
  statement.Execute();
}

void CDynaSet::AddRow(const std::vector<CColumnType*>& columns) {
  if (!m_insert || m_insertColumns != columns || m_insertTable != m_table) {
    FlushRows();
    m_insertColumns = columns;
    m_insertTable = m_table;
    // One statement inserts many rows: preparing it is what an insert costs most.
    m_batchRows = std::max<size_t>(1, kMaxParameters / std::max<size_t>(1, columns.size()));
    m_values.assign(m_batchRows * columns.size(), CParamValue());
    m_insert = GetDatabase().NewStatement();
    PrepareInsert(*m_insert, m_batchRows);
  }
  CColumnExchange fx(CColumnExchange::kStore, &m_values, m_pending * columns.size());
  Exchange(fx, columns);
  if (++m_pending == m_batchRows) {
    m_pending = 0;
    InsertRows(*m_insert, m_batchRows);
  }
}

void CDynaSet::FlushRows() {
  if (m_pending == 0) return;
  const size_t rows = m_pending;
  m_pending = 0;
  auto rest = GetDatabase().NewStatement();
  PrepareInsert(*rest, rows);
  InsertRows(*rest, rows);
}
