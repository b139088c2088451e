#pragma once
// The tagged text lines of a backup file and the codec of their values.
//
// A file is a header ("#DBNAME:", "#DBTYPE:", "#VERSION:1.1", "#REMARK:",
// "#SERIALNR:"), then per table "#TABLE:", its "#COLUMN:" lines and, when it has
// rows, "#ROW:" and one untagged line per row, and last "#EOB:". A row line is
// each column's value followed by ";", with "\" and ";" escaped by a backslash,
// and CR and LF written as "\r" and "\n" so that a row stays one line. A NULL
// is an empty field; every other value has at least one character (a text is
// written between double quotes).
#include <cstdint>
#include <string>
#include <string_view>

#include "SafeFile.h"

// The line tags, by index.
enum BackupTag : int {
  TAG_NONE = 0,  // a row line, or a line that could not be read
  TAG_DISKNR = 1,
  TAG_DBNAME = 2,
  TAG_DBTYPE = 3,
  TAG_VERSION = 4,
  TAG_REMARK = 5,
  TAG_SERIALNR = 6,
  TAG_TABLE = 7,
  TAG_COLUMN = 8,
  TAG_ROW = 9,
  TAG_EOB = 10,
  TAG_COUNT
};

// The version this program writes and the only one it reads.
extern const char kBackupVersion[];
// Database types of the header.
extern const char kTypeSystem[];
extern const char kTypeMeas[];
extern const char kTypeMeasCali[];

struct CBackupHeader {
  std::string dbName;
  std::string dbType;
  std::string version;
  std::string remark;
  std::string serial;
  // 0 measurement task, 1 calibration task, 2 system, -1 none of them.
  int Kind() const;
};

class CBackupFile : public SafeFile {
 public:
  explicit CBackupFile(SpaceControl& space = SpaceControl::Global());

  static const char* TagText(int tag);

  // tag + text; afterwards row mode is on exactly when tag is TAG_NONE or TAG_ROW.
  bool WriteTaggedLine(int tag, std::string_view text);
  // A row line; the table's "#ROW:" line goes first when row mode is off.
  bool WriteRow(std::string_view text);
  // The five header lines.
  bool WriteHeader(const CBackupHeader& header);

  // Reads the next non-blank line and returns its tag index; text is the rest
  // of the line after the tag (a whole row line in row mode). TAG_NONE for a
  // line that cannot be read, an untagged line outside row mode, a "#" line
  // without ":" and an unknown tag. After "#EOB:" returns TAG_EOB without
  // reading.
  int ReadTaggedLine(std::string* text);
  // Reads and checks the header; when it is not one of a version 1.1 backup
  // the user is told "<name> is not a valid backup ver. 1.1 file" and the file
  // is closed.
  bool ReadHeader(CBackupHeader* header);

  bool IsRowMode() const { return m_rowMode; }
  bool IsEnd() const { return m_end; }
  void SetEnd(bool end = true) { m_end = end; }
  // Whether the last TAG_NONE came from a failed read rather than a bad line.
  bool ReadFailed() const { return m_readFailed; }
  // Lines read so far over all volumes, blank ones included.
  long GetLineNumber() const { return m_lineNumber; }

 private:
  bool m_rowMode = false;
  bool m_end = false;
  bool m_readFailed = false;
  long m_lineNumber = 0;
  std::string m_line;
};

// The value codec of row lines.
namespace backup {

// Appends the value escaped and its ";".
void AppendField(std::string& line, std::string_view value);
// Appends a NULL: an empty field.
void AppendNull(std::string& line);
// Takes the next field off the front of rest and unescapes it. False when the
// field has no ";" after it. *isNull is set for an empty field.
bool TakeField(std::string_view& rest, std::string* field, bool* isNull);

// Text values: trailing white space dropped, between double quotes.
std::string QuoteText(std::string_view value);
// The text between the quotes; false when the field is not quoted.
bool UnquoteText(std::string_view field, std::string* value);

// Whole numbers, "%d" as the database gives them.
std::string FormatInteger(int64_t value);
bool ParseInteger(std::string_view text, int64_t* value);

// Floating-point numbers travel as decimal text so that no conversion rounds
// them: FormatDecimal writes any decimal number in the "%e" form, one digit
// before the point, at least six after it (more when the value has more
// significant digits) and an exponent of at least three digits. False when
// text is not a decimal number.
bool FormatDecimal(std::string_view text, std::string* out);
bool IsDecimal(std::string_view text);

// Dates, "%Y-%m-%d %H:%M:%S" in local time.
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::string FormatDate(const DateTime& date);
// The same into out, which holds kDateBuffer characters; returns the length.
constexpr size_t kDateBuffer = 48;
size_t FormatDate(const DateTime& date, char* out);
bool ParseDate(std::string_view text, DateTime* date);

}  // namespace backup
