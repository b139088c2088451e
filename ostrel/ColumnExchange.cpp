#include "ColumnExchange.h"

#include "BackupStrings.h"
#include "OdbcStatement.h"
#include "core/StringTable.h"
#include "core/Text.h"

std::string CBackupValueError::GetMessage() const {
  return platform::Format(platform::LoadString(IDS_VALUE_ERROR).c_str(), m_column.c_str(), m_table.c_str(),
                          m_value.c_str());
}

std::string CColumnExchange::QuoteName(const std::string& name) { return "[" + name + "]"; }

void CColumnExchange::Select(const std::string& expression) {
  if (!m_selectList->empty()) m_selectList->append(", ");
  m_selectList->append(expression);
}

void CColumnExchange::Text(const std::string& name, std::string& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: isNull = !m_statement->GetText(m_index + 1, &value); break;
    case kStore:
      if (isNull)
        m_statement->SetParameterNull(m_index);
      else
        m_statement->SetParameter(m_index, value);
      break;
  }
  ++m_index;
}

void CColumnExchange::Integer(const std::string& name, int64_t& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: {
      // Read as text so that a value that is no whole number is seen, not cut.
      std::string text;
      isNull = !m_statement->GetText(m_index + 1, &text);
      if (!isNull && !backup::ParseInteger(text, &value)) throw CBackupValueError(name, text);
      break;
    }
    case kStore:
      if (isNull)
        m_statement->SetParameterNull(m_index);
      else
        m_statement->SetParameter(m_index, backup::FormatInteger(value));
      break;
  }
  ++m_index;
}

void CColumnExchange::Floating(const std::string& name, std::string& value, bool& isNull) {
  switch (m_op) {
    // The driver gives a floating-point value rounded to 15 digits; SQLite's
    // quote() gives as many as the value needs to read back unchanged.
    case kSelect: Select("quote(" + QuoteName(name) + ")"); break;
    case kFetch: {
      std::string text;
      isNull = !m_statement->GetText(m_index + 1, &text) || text == "NULL";
      if (!isNull && !backup::FormatDecimal(text, &value)) throw CBackupValueError(name, text);
      break;
    }
    case kStore:
      // As decimal text: the database converts it itself, so nothing rounds it.
      if (isNull)
        m_statement->SetParameterNull(m_index);
      else
        m_statement->SetParameter(m_index, value);
      break;
  }
  ++m_index;
}

void CColumnExchange::Date(const std::string& name, backup::DateTime& value, bool& isNull) {
  switch (m_op) {
    case kSelect: Select(QuoteName(name)); break;
    case kFetch: isNull = !m_statement->GetTimestamp(m_index + 1, &value); break;
    case kStore:
      // As text, the form the suite stores dates in.
      if (isNull)
        m_statement->SetParameterNull(m_index);
      else
        m_statement->SetParameter(m_index, backup::FormatDate(value));
      break;
  }
  ++m_index;
}
