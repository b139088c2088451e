#include "Catalog.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "ColumnType.h"
#include "core/Text.h"
#include "db/Statement.h"

namespace {

SQLCHAR* Text(std::string& s) { return reinterpret_cast<SQLCHAR*>(s.data()); }

}  // namespace

CTables::CTables(platform::CDatabase* db) : platform::CRecordset(db) { m_nDefaultType = forwardOnly; }

void CTables::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Text(pFX, "table_qualifier", m_strQualifier, 128);
  platform::RFX_Text(pFX, "table_owner", m_strOwner, 128);
  platform::RFX_Text(pFX, "table_name", m_strName, 128);
  platform::RFX_Text(pFX, "table_type", m_strType, 128);
  platform::RFX_Text(pFX, "remarks", m_strRemarks, 254);
}

bool CTables::ExecuteCatalog(void* hstmt) {
  SQLRETURN r = SQLTables(static_cast<SQLHSTMT>(hstmt), nullptr, 0, nullptr, 0, nullptr, 0, Text(m_strTypeFilter),
                          static_cast<SQLSMALLINT>(m_strTypeFilter.size()));
  if (!SQL_SUCCEEDED(r)) platform::db::ThrowOdbcError(r, SQL_HANDLE_STMT, hstmt, "SQLTables");
  return true;
}

CColumns::CColumns(platform::CDatabase* db) : platform::CRecordset(db) { m_nDefaultType = forwardOnly; }

void CColumns::DoFieldExchange(platform::CFieldExchange* pFX) {
  platform::RFX_Text(pFX, "table_qualifier", m_strQualifier, 128);
  platform::RFX_Text(pFX, "table_owner", m_strOwner, 128);
  platform::RFX_Text(pFX, "table_name", m_strTable, 128);
  platform::RFX_Text(pFX, "column_name", m_strColumn, 128);
  platform::RFX_Int(pFX, "data_type", m_nDataType);
  platform::RFX_Text(pFX, "type_name", m_strTypeName, 128);
  platform::RFX_Long(pFX, "precision", m_nPrecision);
  platform::RFX_Long(pFX, "length", m_nLength);
  platform::RFX_Int(pFX, "scale", m_nScale);
  platform::RFX_Int(pFX, "radix", m_nRadix);
  platform::RFX_Int(pFX, "nullable", m_nNullable);
}

bool CColumns::ExecuteCatalog(void* hstmt) {
  SQLRETURN r = SQLColumns(static_cast<SQLHSTMT>(hstmt), nullptr, 0, nullptr, 0, Text(m_strTableFilter),
                           static_cast<SQLSMALLINT>(m_strTableFilter.size()), nullptr, 0);
  if (!SQL_SUCCEEDED(r)) platform::db::ThrowOdbcError(r, SQL_HANDLE_STMT, hstmt, "SQLColumns");
  return true;
}

void SqliteColumnType(const std::string& declared, int* sqlType, int* length) {
  using namespace sqltype;
  std::string t = declared;
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto starts = [&t](const char* prefix) { return t.compare(0, std::strlen(prefix), prefix) == 0; };
  // The first prefix that matches decides, as in the driver; "interval" is
  // no integer.
  struct Rule {
    const char* prefix;
    int type;
  };
  static const Rule kRules[] = {
      {"inter", kVarChar},        {"int", kInteger},           {"mediumint", kInteger},  {"numeric", kDouble},
      {"tinyint", kTinyInt},      {"smallint", kSmallInt},     {"float", kDouble},       {"double", kDouble},
      {"real", kDouble},          {"timestamp", kTypeTimeStamp}, {"datetime", kTypeTimeStamp}, {"time", kTypeTime},
      {"date", kTypeDate},        {"text", kLongVarChar},      {"memo", kLongVarChar},   {"longvarchar", kLongVarChar},
      {"bool", kBit},             {"bit", kBit},               {"bigint", kBigInt},      {"blob", kBinary},
      {"varbinary", kVarBinary},  {"longvarbinary", kLongVarBinary},
  };
  int type = kVarChar;
  for (const Rule& r : kRules) {
    if (starts(r.prefix)) {
      type = r.type;
      break;
    }
  }
  int size;
  switch (type) {
    case kInteger: size = 10; break;
    case kTinyInt: size = 4; break;
    case kSmallInt: size = 6; break;
    case kDouble: size = 54; break;
    case kTypeDate: size = 10; break;
    case kTypeTime: size = 8; break;
    case kTypeTimeStamp: size = 32; break;
    case kBit: size = 1; break;
    case kBigInt: size = 20; break;
    case kLongVarChar:
    case kLongVarBinary: size = 65536; break;
    default: size = 255; break;
  }
  // "(m,d)" sets the size, "(m)" too except of a timestamp, where it is the
  // digits of the fraction. Read exactly as the driver reads it.
  int m = 0, d = 0;
  char close[2];
  if (std::sscanf(declared.c_str(), "%*[^(](%d,%d %1[)]", &m, &d, close) == 3)
    size = m;
  else if (std::sscanf(declared.c_str(), "%*[^(](%d %1[)]", &m, close) == 2 && type != kTypeTimeStamp)
    size = m;
  if (type == kVarChar && size > 255) type = kLongVarChar;
  if (type == kVarBinary && size > 255) type = kLongVarBinary;
  *sqlType = type;
  *length = size;
}

bool IsInternalTable(const std::string& name) {
  static const char kPrefix[] = "sqlite_";
  return name.size() >= sizeof kPrefix - 1 && platform::EqualsNoCase(name.substr(0, sizeof kPrefix - 1), kPrefix);
}

std::vector<std::string> CatalogTables(platform::CDatabase& db) {
  std::vector<std::string> tables;
  if (db.IsEmbedded()) {
    auto st = db.NewStatement();
    st->Prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    st->Execute();
    std::string name;
    while (st->Fetch()) {
      st->GetText(0, &name);
      if (!IsInternalTable(name)) tables.push_back(name);
    }
    return tables;
  }
  CTables catalogue(&db);
  catalogue.Open();
  for (; !catalogue.IsEOF(); catalogue.MoveNext())
    if (!IsInternalTable(catalogue.m_strName)) tables.push_back(catalogue.m_strName);
  catalogue.Close();
  return tables;
}

std::vector<CatalogColumn> CatalogColumns(platform::CDatabase& db, const std::string& table) {
  std::vector<CatalogColumn> columns;
  if (db.IsEmbedded()) {
    auto st = db.NewStatement();
    st->Prepare("SELECT name, type FROM pragma_table_info(?) ORDER BY cid");
    st->SetText(0, table);
    st->Execute();
    while (st->Fetch()) {
      CatalogColumn c;
      st->GetText(0, &c.name);
      st->GetText(1, &c.typeName);
      SqliteColumnType(c.typeName, &c.sqlType, &c.length);
      columns.push_back(std::move(c));
    }
    return columns;
  }
  CColumns catalogue(&db);
  catalogue.m_strTableFilter = table;
  catalogue.Open();
  for (; !catalogue.IsEOF(); catalogue.MoveNext()) {
    // The table argument of the catalogue call is a pattern, in which "_"
    // stands for any character.
    if (catalogue.m_strTable != table) continue;
    columns.push_back({catalogue.m_strColumn, catalogue.m_nDataType, catalogue.m_strTypeName, catalogue.m_nLength});
  }
  catalogue.Close();
  return columns;
}
