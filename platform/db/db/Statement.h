#pragma once
// One SQL statement on an open connection, whichever way the connection
// reaches its database: values go in and come out in their own types, so on
// the direct path nothing passes through text on the way.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform::db {

struct Timestamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Statement {
 public:
  virtual ~Statement() = default;

  // Prepares sql, '?' marking each parameter. Preparing the text prepared
  // last costs nothing. Throws CDBException.
  virtual void Prepare(const std::string& sql) = 0;
  const std::string& Text() const { return m_text; }

  // Parameter n (from 0) of the prepared statement, until set again.
  virtual void SetNull(int n) = 0;
  virtual void SetInt(int n, int64_t value) = 0;
  virtual void SetDouble(int n, double value) = 0;
  // The text is copied.
  virtual void SetText(int n, std::string_view value) = 0;

  // Runs the prepared statement; the rows of a query then come by Fetch.
  virtual void Execute() = 0;
  // Moves to the next row; false at the end, which also ends the read.
  virtual bool Fetch() = 0;
  // Ends the read before its end; the statement stays prepared.
  virtual void Close() = 0;
  // The rows the last insert, update or delete changed.
  virtual int64_t RowsAffected() = 0;

  // Column col (from 0) of the current row, each read once and in order.
  // False for NULL (the value is then 0 or empty).
  virtual bool GetInt(int col, int64_t* value) = 0;
  virtual bool GetDouble(int col, double* value) = 0;
  virtual bool GetText(int col, std::string* value) = 0;
  // A date and time. kInvalid: the column holds something else, whose text
  // is then in *text.
  enum class Cell { kNull, kValue, kInvalid };
  virtual Cell GetTimestamp(int col, Timestamp* value, std::string* text) = 0;

  // The ODBC statement handle for a catalogue call, whose result is then
  // fetched as any other; null on a connection that does not use ODBC.
  virtual void* OdbcHandle() { return nullptr; }

 protected:
  std::string m_text;  // the text prepared, empty when none is
};

}  // namespace platform::db
