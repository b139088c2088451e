#pragma once
// The catalogue of a database: its user tables and the columns of each. A
// database reached through ODBC is described by the driver's catalogue calls;
// one reached directly through SQLite by its own schema, in the terms the
// SQLite3 ODBC driver would use, so a backup comes out the same either way.
#include <string>
#include <vector>

#include "db/Recordset.h"

struct CatalogColumn {
  std::string name;
  int sqlType = 0;  // sqltype::
  std::string typeName;
  int length = 0;
};

// The user tables, in catalogue order. SQLite's own tables (sqlite_stat1
// after an ANALYZE, sqlite_sequence) are the database's business, made anew
// as it needs them: they are left out.
std::vector<std::string> CatalogTables(platform::CDatabase& db);
// A table SQLite keeps for itself: its name begins with "sqlite_".
bool IsInternalTable(const std::string& name);
// The columns of a table, in table order.
std::vector<CatalogColumn> CatalogColumns(platform::CDatabase& db, const std::string& table);

// The SQL type and length the SQLite3 ODBC driver reports for a column
// declared with this type ("VARCHAR(50)": a varchar of 50).
void SqliteColumnType(const std::string& declared, int* sqlType, int* length);

// The ODBC catalogue as record sets.
class CTables : public platform::CRecordset {
 public:
  explicit CTables(platform::CDatabase* db);
  // Only this kind of table is listed ("'TABLE'": the user tables).
  std::string m_strTypeFilter = "'TABLE'";

  std::string m_strQualifier;
  std::string m_strOwner;
  std::string m_strName;
  std::string m_strType;
  std::string m_strRemarks;

 protected:
  std::string GetDefaultSQL() override { return std::string(); }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;
  bool ExecuteCatalog(void* hstmt) override;
};

class CColumns : public platform::CRecordset {
 public:
  explicit CColumns(platform::CDatabase* db);
  // The table whose columns are listed.
  std::string m_strTableFilter;

  std::string m_strQualifier;
  std::string m_strOwner;
  std::string m_strTable;
  std::string m_strColumn;
  int m_nDataType = 0;
  std::string m_strTypeName;
  int m_nPrecision = 0;
  int m_nLength = 0;
  int m_nScale = 0;
  int m_nRadix = 0;
  int m_nNullable = 0;

 protected:
  std::string GetDefaultSQL() override { return std::string(); }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;
  bool ExecuteCatalog(void* hstmt) override;
};
