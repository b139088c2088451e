#pragma once
// The ODBC catalogue as record sets: the user tables of a database, and the
// columns of one table.
#include <string>

#include "db/Recordset.h"

class CTables : public CRecordset {
 public:
  explicit CTables(CDatabase* db);
  // Only this kind of table is listed ("'TABLE'": the user tables).
  std::string m_strTypeFilter = "'TABLE'";

  std::string m_strQualifier;
  std::string m_strOwner;
  std::string m_strName;
  std::string m_strType;
  std::string m_strRemarks;

 protected:
  std::string GetDefaultSQL() override { return std::string(); }
  void DoFieldExchange(CFieldExchange* pFX) override;
  bool ExecuteCatalog(void* hstmt) override;
};

class CColumns : public CRecordset {
 public:
  explicit CColumns(CDatabase* db);
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
  void DoFieldExchange(CFieldExchange* pFX) override;
  bool ExecuteCatalog(void* hstmt) override;
};
