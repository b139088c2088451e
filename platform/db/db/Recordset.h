#pragma once
// A record set over one table (or a query) of a data source, with field
// exchange between the columns and members of the derived class.
//
// Rows are read lazily through one statement, so opening or requerying a set
// of any size costs one row. The current row of a table set is known by its
// rowid, which makes Edit, Update and Delete work on every table the suite
// creates. Snapshot and dynaset are accepted for what the suite asks of them:
// both see the rows as they are whenever the set has to read again (MoveFirst,
// moving back, a long jump, after a write), and both can be changed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "core/Time.h"

namespace platform {

class CFieldExchange;

// A value for one '?' of a filter. Text is quoted as a literal where the '?'
// stands, so outside text never becomes SQL of its own.
class CDBParam {
 public:
  enum Kind { kText, kLong, kDouble };
  // Text is cut to maxLength characters, as a text column would hold it.
  CDBParam(const std::string& text, int maxLength = 255);
  CDBParam(const char* text) : CDBParam(std::string(text ? text : "")) {}
  CDBParam(int value) : m_kind(kLong), m_long(value) {}
  CDBParam(long value) : m_kind(kLong), m_long(value) {}
  CDBParam(double value) : m_kind(kDouble), m_double(value) {}

  Kind GetKind() const { return m_kind; }
  const std::string& GetText() const { return m_text; }
  int64_t GetLong() const { return m_long; }
  double GetDouble() const { return m_double; }
  bool operator==(const CDBParam& o) const {
    return m_kind == o.m_kind && m_text == o.m_text && m_long == o.m_long && m_double == o.m_double;
  }

 private:
  Kind m_kind = kText;
  std::string m_text;
  int64_t m_long = 0;
  double m_double = 0.0;
};

class CRecordset {
 public:
  enum OpenType { useDefaultType = -1, dynaset = 0, snapshot = 1, forwardOnly = 3 };
  enum EditMode { noMode = 0, edit = 1, addnew = 2 };
  // Options of Open: a read-only set writes nothing and so reads no row
  // identity with its rows.
  enum Option : unsigned { none = 0x0, readOnly = 0x4 };

  // db: a connection to share; without one the set opens a connection of its
  // own from GetDefaultConnect and owns it.
  explicit CRecordset(CDatabase* db = nullptr);
  virtual ~CRecordset();
  CRecordset(const CRecordset&) = delete;
  CRecordset& operator=(const CRecordset&) = delete;

  // sql: a table name ("[Meas]") or a SELECT; empty takes GetDefaultSQL.
  // Reads the first row. Throws CDBException.
  virtual bool Open(int openType = useDefaultType, const std::string& sql = std::string(), unsigned options = none);
  // Ends the set's statements; the connection stays open.
  virtual void Close();
  bool IsOpen() const;
  int GetType() const { return m_nOpenType; }

  // Runs the query again with the current filter, sort and parameters and
  // moves to the first row.
  bool Requery();

  bool IsBOF() const { return m_bof; }
  bool IsEOF() const { return m_eof; }
  bool IsDeleted() const { return m_deleted; }
  void MoveFirst();
  void MoveNext();
  void MovePrev();
  void MoveLast();
  // Moves by rows from the current row; past either end it stops at BOF or EOF.
  void Move(long rows);

  // Keeps the values of the bound members, so a new row can carry the
  // current ones; Update inserts what they hold then.
  void AddNew();
  void Edit();
  // Writes the added or edited row. A failed write leaves the set out of add
  // or edit mode, so the next write starts clean.
  bool Update();
  void CancelUpdate();
  void Delete();
  int GetEditMode() const { return m_editMode; }

  // Ends the read in progress; the current row stays, and the next move reads
  // again. A set that rests mid-way should end its read: an open one keeps the
  // database's log from being folded back into the file.
  void EndRead();

  bool CanUpdate() const;
  // The columns of the set, in exchange order (known once opened).
  std::vector<std::string> GetColumnNames() const;

  // Taken by Open and Requery; changing them affects nothing before that.
  std::string m_strFilter;              // the WHERE clause, without the word
  std::string m_strSort;                // the ORDER BY clause, without the words
  std::vector<CDBParam> m_filterParams;  // in order, one per '?' of m_strFilter
  CDatabase* m_pDatabase;
  int m_nDefaultType = snapshot;

 protected:
  virtual std::string GetDefaultConnect() { return std::string(); }
  virtual std::string GetDefaultSQL() = 0;
  virtual void DoFieldExchange(CFieldExchange* pFX) = 0;
  // A catalogue set runs its own call (SQLTables, SQLColumns) on the
  // statement handle given and returns true; such a set is read-only, and
  // opens on a connection through ODBC only.
  virtual bool ExecuteCatalog(void* hstmt) { return false; }

 private:
  friend class CFieldExchange;
  friend class CDatabase;
  struct Impl;

  enum class Dir { kForward, kReverse };
  void Prepare();
  void CloseStatements();
  void Exchange(int operation);
  void ReleaseRead();
  bool Seek(Dir dir, long index);
  void MoveBy(long delta);
  void SetPosition(Dir dir, long index, bool onRow);
  void Execute(Dir dir, long offset);
  bool FetchOne(Dir dir);
  void EndWriteMode();

  std::unique_ptr<Impl> m_impl;
  std::unique_ptr<CDatabase> m_ownDatabase;
  int m_nOpenType = snapshot;
  int m_editMode = noMode;
  bool m_bof = true;
  bool m_eof = true;
  bool m_deleted = false;
};

// Field exchange: DoFieldExchange calls one RFX function per column, in
// column order, for every operation of the set.
class CFieldExchange {
 public:
  enum FieldKind { kText, kByte, kInt, kLong, kULong, kSingle, kDouble, kDate };
  enum Operation { Name, Fetch, Store };

  // name: the column ("MeasTime" or "[MeasTime]"); value: the member.
  void Field(const char* name, FieldKind kind, void* value, int maxLength = 0);
  Operation GetOperation() const { return m_op; }

 private:
  friend class CRecordset;
  CFieldExchange(CRecordset* rs, Operation op) : m_prs(rs), m_op(op) {}
  // Reads one column of the current row into its member.
  void FetchColumn(size_t index, FieldKind kind, void* value);
  CRecordset* m_prs;
  Operation m_op;
  size_t m_index = 0;
  // Fetch: the statement on the current row and the column of the first
  // member in it; rows are read by the hundred thousand.
  platform::db::Statement* m_statement = nullptr;
  int m_firstColumn = 0;
};

// Text: at most maxLength characters are read or written.
void RFX_Text(CFieldExchange* pFX, const char* name, std::string& value, int maxLength = 255);
void RFX_Byte(CFieldExchange* pFX, const char* name, unsigned char& value);
// A 16-bit integer column; the member keeps int.
void RFX_Int(CFieldExchange* pFX, const char* name, int& value);
// A 32-bit integer column.
void RFX_Long(CFieldExchange* pFX, const char* name, int& value);
void RFX_Long(CFieldExchange* pFX, const char* name, unsigned& value);
void RFX_Single(CFieldExchange* pFX, const char* name, float& value);
void RFX_Double(CFieldExchange* pFX, const char* name, double& value);
// Stored as the text "YYYY-MM-DD HH:MM:SS" (local time), so equality and range
// filters written as {ts '...'} find their rows. An empty column reads as 0.
void RFX_Date(CFieldExchange* pFX, const char* name, CTime& value);

}  // namespace platform
