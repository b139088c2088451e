#include "ColumnType.h"

#include <charconv>

#include "ColumnExchange.h"
#include "core/Text.h"

using namespace sqltype;

CColumnType::CColumnType(std::string name, std::string typeText)
    : m_name(std::move(name)), m_typeText(std::move(typeText)) {}

CColumnType::~CColumnType() = default;

void CColumnType::Describe(std::string& out) const {
  out.append(m_name);
  out.push_back(';');
  out.append(m_typeText);
}

bool CColumnType::ReadFromText(std::string_view&) { return true; }
void CColumnType::WriteToText(std::string&) const {}
void CColumnType::Exchange(CColumnExchange&) {}

void CColumnType::AppendValue(std::string& out, std::string_view text) const {
  if (m_null)
    backup::AppendNull(out);
  else
    backup::AppendField(out, text);
}

bool CColumnType::TakeField(std::string_view& line, std::string* field) {
  bool isNull = false;
  if (!backup::TakeField(line, field, &isNull)) return false;
  m_null = isNull;
  return true;
}

std::unique_ptr<CColumnType> CColumnType::Create(const std::string& name, int sqlType, const std::string& typeName,
                                                 int length) {
  switch (sqlType) {
    case kChar:
    case kVarChar:
    case kLongVarChar:
    case kWChar:
    case kWVarChar:
    case kWLongVarChar:
    // A date or a time of day alone has no "DATE" form of its own; its text
    // goes into the file as the database holds it.
    case kDateTime:
    case kTime:
    case kTypeDate:
    case kTypeTime:
      return std::make_unique<CTextColumn>(name, typeName, length);
    case kSmallInt:
      return std::make_unique<CIntColumn>(name);
    case kInteger:
    case kBigInt:
      return std::make_unique<CLongColumn>(name);
    case kTinyInt:
    case kBit:
      return std::make_unique<CByteColumn>(name);
    case kReal:
      return std::make_unique<CRealColumn>(name);
    case kFloat:
    case kDouble:
    case kNumeric:
    case kDecimal:
      return std::make_unique<CDoubleColumn>(name);
    case kTimeStamp:
    case kTypeTimeStamp:
      return std::make_unique<CTimeStampColumn>(name);
    default:
      return nullptr;  // binary and the rest: a text file cannot carry them
  }
}

ValueClass CColumnType::ParseDescription(std::string_view line, std::string* name, std::string* typeText) {
  size_t first = line.find(';');
  if (first == std::string_view::npos || first == 0) return ValueClass::kNone;
  *name = std::string(line.substr(0, first));
  std::string_view rest = line.substr(first + 1);
  size_t last = rest.rfind(';');
  if (last != std::string_view::npos) {
    // A text: the type name and the length.
    int64_t length = 0;
    *typeText = std::string(rest.substr(0, last));
    return backup::ParseInteger(rest.substr(last + 1), &length) ? ValueClass::kText : ValueClass::kNone;
  }
  *typeText = std::string(rest);
  if (rest == "INT" || rest == "LONG" || rest == "BYTE") return ValueClass::kInteger;
  if (rest == "REAL" || rest == "DOUBLE") return ValueClass::kFloating;
  if (rest == "DATE") return ValueClass::kDate;
  return ValueClass::kNone;
}

CTextColumn::CTextColumn(std::string name, std::string typeName, int length)
    : CColumnType(std::move(name), std::move(typeName)), m_length(length) {}

void CTextColumn::Describe(std::string& out) const {
  CColumnType::Describe(out);
  out.push_back(';');
  out.append(platform::Format("%d", m_length));
}

bool CTextColumn::ReadFromText(std::string_view& line) {
  if (!TakeField(line, &m_field)) return false;
  if (m_null) {
    m_value.clear();
    return true;
  }
  return backup::UnquoteText(m_field, &m_value);
}

void CTextColumn::WriteToText(std::string& out) const {
  AppendValue(out, m_null ? std::string() : backup::QuoteText(m_value));
}

void CTextColumn::Exchange(CColumnExchange& fx) { fx.Text(m_name, m_value, m_null); }

bool CIntegerColumn::ReadFromText(std::string_view& line) {
  if (!TakeField(line, &m_field)) return false;
  return m_null || backup::ParseInteger(m_field, &m_value);
}

void CIntegerColumn::WriteToText(std::string& out) const {
  char text[24];
  const auto r = std::to_chars(text, text + sizeof text, m_value);
  AppendValue(out, std::string_view(text, m_null ? 0 : static_cast<size_t>(r.ptr - text)));
}

void CIntegerColumn::Exchange(CColumnExchange& fx) { fx.Integer(m_name, m_value, m_null); }

bool CFloatingColumn::ReadFromText(std::string_view& line) {
  if (!TakeField(line, &m_value)) return false;
  return m_null || backup::IsDecimal(m_value);
}

void CFloatingColumn::WriteToText(std::string& out) const { AppendValue(out, m_value); }

void CFloatingColumn::Exchange(CColumnExchange& fx) { fx.Floating(m_name, m_value, m_null); }

bool CTimeStampColumn::ReadFromText(std::string_view& line) {
  if (!TakeField(line, &m_field)) return false;
  return m_null || backup::ParseDate(m_field, &m_value);
}

void CTimeStampColumn::WriteToText(std::string& out) const {
  char text[backup::kDateBuffer];
  AppendValue(out, std::string_view(text, m_null ? 0 : backup::FormatDate(m_value, text)));
}

void CTimeStampColumn::Exchange(CColumnExchange& fx) { fx.Date(m_name, m_value, m_null); }
