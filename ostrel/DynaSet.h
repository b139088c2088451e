#pragma once
// A record set over any table of a database, whose columns are learnt from
// the catalogue at run time: one column object per catalogue column of a type
// that a backup can hold, in catalogue order.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Catalog.h"
#include "ColumnExchange.h"
#include "ColumnType.h"
#include "db/Database.h"

namespace platform::db {
class Statement;
}

class CDynaSet {
 public:
  // A catalogue column that no column object can stand for.
  struct UnmappedColumn {
    std::string name;
    std::string typeName;
    int sqlType;
  };

  // dataSource: the name after "TARNIC:" ("SYSTEM", a task's eight letters).
  explicit CDynaSet(const std::string& dataSource);
  ~CDynaSet();
  CDynaSet(const CDynaSet&) = delete;
  CDynaSet& operator=(const CDynaSet&) = delete;

  // "ODBC;DSN=TARNIC:<name>". Connects on first use; throws CDBException.
  static std::string ConnectString(const std::string& dataSource);
  platform::CDatabase& GetDatabase();

  // The table catalogue: each of these empties the column list, moves to a
  // table and builds its column list. False (and IsEnd) when none is left.
  bool FirstTable();
  bool NextTable();
  bool IsEnd() const { return m_end; }
  // Walks the catalogue from its first row to the table of that name.
  bool FindTable(const std::string& name);
  const std::string& GetTableName() const { return m_table; }

  const std::vector<std::unique_ptr<CColumnType>>& GetColumns() const { return m_columns; }
  const std::vector<UnmappedColumn>& GetUnmappedColumns() const { return m_unmapped; }
  // The column of that name (as SQL compares names: regardless of case), or null.
  CColumnType* FindColumn(std::string_view name) const;

  // Reading the rows of the current table, in the order the table holds them.
  void Open();
  bool IsOpen() const { return m_reading; }
  // Moves to the next row (the first after Open); false at the end.
  bool MoveNext();
  void Close();
  // Appends every column's value text and ";".
  void RowToText(std::string& out) const;

  // Writing: deletes every row of the current table.
  void DeleteAllRows();
  // Fills columns, in that order, from a row line; false when the line does
  // not hold exactly one value of its kind for each.
  static bool TextToRow(std::string_view line, const std::vector<CColumnType*>& columns);
  // Adds a row of these columns' values; the other columns get their default.
  // Rows go into the table in batches: FlushRows writes those still waiting,
  // and must run before the table changes or the work is committed.
  void AddRow(const std::vector<CColumnType*>& columns);
  void FlushRows();
  // Forgets the rows still waiting (the work is being rolled back).
  void DiscardRows() { m_pending = 0; }

 private:
  bool TakeTable();
  void BuildColumns();
  void Exchange(CColumnExchange& fx, const std::vector<CColumnType*>& columns);

  std::string m_dataSource;
  platform::CDatabase m_db;
  std::vector<std::string> m_tables;
  size_t m_tableIndex = 0;
  std::string m_table;
  bool m_end = true;
  std::vector<std::unique_ptr<CColumnType>> m_columns;
  std::vector<UnmappedColumn> m_unmapped;
  std::unique_ptr<platform::db::Statement> m_read;
  bool m_reading = false;
  void PrepareInsert(platform::db::Statement& statement, size_t rows) const;
  void InsertRows(platform::db::Statement& statement, size_t rows);

  std::string m_scratch;
  // The batch insert: its table and columns, the rows of one batch, and the
  // values of the rows added since it last ran.
  std::unique_ptr<platform::db::Statement> m_insert;
  std::string m_insertTable;
  std::vector<CColumnType*> m_insertColumns;
  size_t m_batchRows = 0;
  size_t m_pending = 0;
  std::vector<CParamValue> m_values;
};
