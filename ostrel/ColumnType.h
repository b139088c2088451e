#pragma once
// One column of the table being backed up or restored, by the kind of its
// values. A column describes itself in a "#COLUMN:" line, writes its value
// into a row line, reads it back from one, and exchanges it with the record
// set of the table.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "BackupFile.h"

class CColumnExchange;

// SQL data types as the ODBC catalogue reports them.
namespace sqltype {
enum : int {
  kChar = 1,
  kNumeric = 2,
  kDecimal = 3,
  kInteger = 4,
  kSmallInt = 5,
  kFloat = 6,
  kReal = 7,
  kDouble = 8,
  kDateTime = 9,  // ODBC 2 date, time and timestamp
  kTime = 10,
  kTimeStamp = 11,
  kVarChar = 12,
  kTypeDate = 91,  // ODBC 3 date, time and timestamp
  kTypeTime = 92,
  kTypeTimeStamp = 93,
  kLongVarChar = -1,
  kBinary = -2,
  kVarBinary = -3,
  kLongVarBinary = -4,
  kBigInt = -5,
  kTinyInt = -6,
  kBit = -7,
  kWChar = -8,
  kWVarChar = -9,
  kWLongVarChar = -10,
};
}  // namespace sqltype

// What a value is, whatever the SQL type it came from; a file column fits a
// database column of the same class.
enum class ValueClass { kNone, kText, kInteger, kFloating, kDate };

class CColumnType {
 public:
  CColumnType(std::string name, std::string typeText);
  virtual ~CColumnType();

  // Appends name, ";", type text.
  virtual void Describe(std::string& out) const;
  // Takes one field off the front of a row line; false when it is not a value
  // of this column.
  virtual bool ReadFromText(std::string_view& line);
  // Appends the escaped value and its ";".
  virtual void WriteToText(std::string& out) const;
  virtual void Exchange(CColumnExchange& fx);

  virtual ValueClass GetValueClass() const { return ValueClass::kNone; }
  const std::string& GetName() const { return m_name; }
  const std::string& GetTypeText() const { return m_typeText; }
  bool IsNull() const { return m_null; }

  // The column object for a catalogue row, or null when values of that SQL
  // type cannot be held by a backup.
  static std::unique_ptr<CColumnType> Create(const std::string& name, int sqlType, const std::string& typeName,
                                             int length);
  // The class of the values a "#COLUMN:" line describes: its name and type
  // text, with a length for texts. kNone for a line of no known form.
  static ValueClass ParseDescription(std::string_view line, std::string* name, std::string* typeText);

 protected:
  // Reads one field; false when it is missing. A NULL sets m_null and leaves
  // *field empty.
  bool TakeField(std::string_view& line, std::string* field);
  // Appends text, or an empty field for a NULL.
  void AppendValue(std::string& out, std::string_view text) const;

  std::string m_name;
  std::string m_typeText;
  bool m_null = true;
  std::string m_field;  // scratch for reading
};

// char, varchar and the long and wide texts: the catalogue's type name and length.
class CTextColumn : public CColumnType {
 public:
  CTextColumn(std::string name, std::string typeName, int length);
  void Describe(std::string& out) const override;
  bool ReadFromText(std::string_view& line) override;
  void WriteToText(std::string& out) const override;
  void Exchange(CColumnExchange& fx) override;
  ValueClass GetValueClass() const override { return ValueClass::kText; }
  int GetLength() const { return m_length; }

 private:
  int m_length;
  std::string m_value;
};

// smallint "INT", integer "LONG", tinyint "BYTE": whole numbers, 64 bits here
// so that no value the database holds is cut.
class CIntegerColumn : public CColumnType {
 public:
  using CColumnType::CColumnType;
  bool ReadFromText(std::string_view& line) override;
  void WriteToText(std::string& out) const override;
  void Exchange(CColumnExchange& fx) override;
  ValueClass GetValueClass() const override { return ValueClass::kInteger; }
  // The value last read or fetched (meaningless while IsNull).
  int64_t GetValue() const { return m_value; }

 private:
  int64_t m_value = 0;
};

class CIntColumn : public CIntegerColumn {
 public:
  explicit CIntColumn(std::string name) : CIntegerColumn(std::move(name), "INT") {}
};
class CLongColumn : public CIntegerColumn {
 public:
  explicit CLongColumn(std::string name) : CIntegerColumn(std::move(name), "LONG") {}
};
class CByteColumn : public CIntegerColumn {
 public:
  explicit CByteColumn(std::string name) : CIntegerColumn(std::move(name), "BYTE") {}
};

// real "REAL", double "DOUBLE". The value is kept as decimal text with all the
// digits the database needs to read it back unchanged, so it reaches the file
// and comes back without passing through a rounding conversion.
class CFloatingColumn : public CColumnType {
 public:
  using CColumnType::CColumnType;
  bool ReadFromText(std::string_view& line) override;
  void WriteToText(std::string& out) const override;
  void Exchange(CColumnExchange& fx) override;
  ValueClass GetValueClass() const override { return ValueClass::kFloating; }

 private:
  std::string m_value;
};

class CRealColumn : public CFloatingColumn {
 public:
  explicit CRealColumn(std::string name) : CFloatingColumn(std::move(name), "REAL") {}
};
class CDoubleColumn : public CFloatingColumn {
 public:
  explicit CDoubleColumn(std::string name) : CFloatingColumn(std::move(name), "DOUBLE") {}
};

// timestamp "DATE": local time to the second.
class CTimeStampColumn : public CColumnType {
 public:
  explicit CTimeStampColumn(std::string name) : CColumnType(std::move(name), "DATE") {}
  bool ReadFromText(std::string_view& line) override;
  void WriteToText(std::string& out) const override;
  void Exchange(CColumnExchange& fx) override;
  ValueClass GetValueClass() const override { return ValueClass::kDate; }
  // The value last read or fetched (meaningless while IsNull).
  const backup::DateTime& GetValue() const { return m_value; }

 private:
  backup::DateTime m_value;
};
