#include "Catalog.h"

#include <sql.h>
#include <sqlext.h>

namespace {

SQLCHAR* Text(std::string& s) { return reinterpret_cast<SQLCHAR*>(s.data()); }

}  // namespace

CTables::CTables(CDatabase* db) : CRecordset(db) { m_nDefaultType = forwardOnly; }

void CTables::DoFieldExchange(CFieldExchange* pFX) {
  RFX_Text(pFX, "table_qualifier", m_strQualifier, 128);
  RFX_Text(pFX, "table_owner", m_strOwner, 128);
  RFX_Text(pFX, "table_name", m_strName, 128);
  RFX_Text(pFX, "table_type", m_strType, 128);
  RFX_Text(pFX, "remarks", m_strRemarks, 254);
}

bool CTables::ExecuteCatalog(void* hstmt) {
  SQLRETURN r = SQLTables(static_cast<SQLHSTMT>(hstmt), nullptr, 0, nullptr, 0, nullptr, 0, Text(m_strTypeFilter),
                          static_cast<SQLSMALLINT>(m_strTypeFilter.size()));
  if (!SQL_SUCCEEDED(r)) platform::db::ThrowOdbcError(r, SQL_HANDLE_STMT, hstmt, "SQLTables");
  return true;
}

CColumns::CColumns(CDatabase* db) : CRecordset(db) { m_nDefaultType = forwardOnly; }

void CColumns::DoFieldExchange(CFieldExchange* pFX) {
  RFX_Text(pFX, "table_qualifier", m_strQualifier, 128);
  RFX_Text(pFX, "table_owner", m_strOwner, 128);
  RFX_Text(pFX, "table_name", m_strTable, 128);
  RFX_Text(pFX, "column_name", m_strColumn, 128);
  RFX_Int(pFX, "data_type", m_nDataType);
  RFX_Text(pFX, "type_name", m_strTypeName, 128);
  RFX_Long(pFX, "precision", m_nPrecision);
  RFX_Long(pFX, "length", m_nLength);
  RFX_Int(pFX, "scale", m_nScale);
  RFX_Int(pFX, "radix", m_nRadix);
  RFX_Int(pFX, "nullable", m_nNullable);
}

bool CColumns::ExecuteCatalog(void* hstmt) {
  SQLRETURN r = SQLColumns(static_cast<SQLHSTMT>(hstmt), nullptr, 0, nullptr, 0, Text(m_strTableFilter),
                           static_cast<SQLSMALLINT>(m_strTableFilter.size()), nullptr, 0);
  if (!SQL_SUCCEEDED(r)) platform::db::ThrowOdbcError(r, SQL_HANDLE_STMT, hstmt, "SQLColumns");
  return true;
}
