#pragma once
// The field exchange of the generic record set: every column object hands its
// value to one of these calls, which the set runs for each operation.
#include <cstdint>
#include <string>
#include <vector>

#include "BackupFile.h"
#include "core/Exception.h"

namespace platform::db {
class Statement;
}

// A value on its way into the database: text, or NULL.
struct CParamValue {
  std::string text;
  bool isNull = true;
};

class CColumnExchange {
 public:
  enum Operation {
    kSelect,  // list the column's expression in the query
    kFetch,   // take the value from the current row
    kStore,   // put the value into the parameters of the next insert
  };
  // kSelect appends to selectList.
  CColumnExchange(Operation op, std::string* selectList) : m_op(op), m_selectList(selectList) {}
  // kFetch reads the current row of statement; scratch keeps its buffer
  // from row to row.
  CColumnExchange(Operation op, platform::db::Statement* statement, std::string* scratch)
      : m_op(op), m_statement(statement), m_scratch(scratch) {}
  // kStore fills params from index first on.
  CColumnExchange(Operation op, std::vector<CParamValue>* params, size_t first)
      : m_op(op), m_params(params), m_first(first) {}
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
  void Store(bool isNull, const std::string& text);

  Operation m_op;
  std::string* m_selectList = nullptr;
  platform::db::Statement* m_statement = nullptr;
  std::string* m_scratch = nullptr;
  std::vector<CParamValue>* m_params = nullptr;
  size_t m_first = 0;
  int m_index = 0;
};

// A value the database holds that its column's kind cannot carry, say a text in
// a column of numbers.
class CBackupValueError : public platform::CException {
 public:
  CBackupValueError(std::string column, std::string value) : m_column(std::move(column)), m_value(std::move(value)) {}
  void SetTable(const std::string& table) { m_table = table; }
  std::string GetMessage() const override;

 private:
  std::string m_table;
  std::string m_column;
  std::string m_value;
};
