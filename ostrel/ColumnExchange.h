#pragma once
// The field exchange of the generic record set: every column object hands its
// value to one of these calls, which the set runs for each operation.
#include <cstdint>
#include <string>

#include "BackupFile.h"
#include "core/Exception.h"

class COdbcStatement;

class CColumnExchange {
 public:
  enum Operation {
    kSelect,  // list the column's expression in the query
    kFetch,   // take the value from the current row
    kStore,   // put the value into the next statement's parameter
  };
  CColumnExchange(Operation op, COdbcStatement* statement, std::string* selectList = nullptr)
      : m_op(op), m_statement(statement), m_selectList(selectList) {}
  Operation GetOperation() const { return m_op; }

  void Text(const std::string& name, std::string& value, bool& isNull);
  void Integer(const std::string& name, int64_t& value, bool& isNull);
  // A floating-point value as exact decimal text.
  void Floating(const std::string& name, std::string& value, bool& isNull);
  void Date(const std::string& name, backup::DateTime& value, bool& isNull);

  // [name], as every table and column name is written in SQL.
  static std::string QuoteName(const std::string& name);

 private:
  void Select(const std::string& expression);

  Operation m_op;
  COdbcStatement* m_statement;
  std::string* m_selectList;
  int m_index = 0;
};

// A value the database holds that its column's kind cannot carry, say a text in
// a column of numbers.
class CBackupValueError : public CException {
 public:
  CBackupValueError(std::string column, std::string value) : m_column(std::move(column)), m_value(std::move(value)) {}
  void SetTable(const std::string& table) { m_table = table; }
  std::string GetMessage() const override;

 private:
  std::string m_table;
  std::string m_column;
  std::string m_value;
};
