#include "ColumnExchange.h"

#include "BackupStrings.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "db/Statement.h"

std::string CBackupValueError::GetMessage() const {
  return platform::Format(platform::LoadString(IDS_VALUE_ERROR).c_str(), m_column.c_str(), m_table.c_str(),
                          m_value.c_str());
}

std::string CColumnExchange::QuoteName(const std::string& name) { return "[" + name + "]"; }

void CColumnExchange::Select(const std::string& expression) {
  if (!m_selectList->empty()) m_selectList->append(", ");
  m_selectList->append(expression);
}

void CColumnExchange::Store(bool isNull, const std::string& text) {
  CParamValue& p = (*m_params)[m_first + static_cast<size_t>(m_index)];
  p.isNull = isNull;
  if (!isNull) p.text = text;
}

void CColumnExchange::Text(const std::string& name, std::string& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: isNull = !m_statement->GetText(m_index, &value); break;
    case kStore: Store(isNull, value); break;
  }
  ++m_index;
}

void CColumnExchange::Integer(const std::string& name, int64_t& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: {
      // Read as text so that a value that is no whole number is seen, not cut.
      isNull = !m_statement->GetText(m_index, m_scratch);
      if (!isNull && !backup::ParseInteger(*m_scratch, &value)) throw CBackupValueError(name, *m_scratch);
      break;
    }
    case kStore: Store(isNull, isNull ? std::string() : backup::FormatInteger(value)); break;
  }
  ++m_index;
}

void CColumnExchange::Floating(const std::string& name, std::string& value, bool& isNull) {
  switch (m_op) {
    // The ODBC driver gives a floating-point value rounded to 15 digits;
    // SQLite's quote() gives as many as the value needs to read back
    // unchanged, and the same text on either path.
    case kSelect: Select("quote(" + QuoteName(name) + ")"); break;
    case kFetch: {
      isNull = !m_statement->GetText(m_index, m_scratch) || (m_scratch->size() == 4 && *m_scratch == "NULL");
      if (!isNull && !backup::FormatDecimal(*m_scratch, &value)) throw CBackupValueError(name, *m_scratch);
      break;
    }
    // As decimal text: the database converts it itself, so nothing rounds it.
    case kStore: Store(isNull, value); break;
  }
  ++m_index;
}

void CColumnExchange::Date(const std::string& name, backup::DateTime& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: {
      platform::db::Timestamp t;
      switch (m_statement->GetTimestamp(m_index, &t, m_scratch)) {
        case platform::db::Statement::Cell::kNull: isNull = true; break;
        case platform::db::Statement::Cell::kValue:
          isNull = false;
          value = {t.year, t.month, t.day, t.hour, t.minute, t.second};
          break;
        case platform::db::Statement::Cell::kInvalid: throw CBackupValueError(name, *m_scratch);
      }
      break;
    }
    // As text, the form the suite stores dates in.
    case kStore: Store(isNull, isNull ? std::string() : backup::FormatDate(value)); break;
  }
  ++m_index;
}
