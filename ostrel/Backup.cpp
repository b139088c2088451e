#include "Backup.h"

#include "BackupStrings.h"
#include "Catalog.h"
#include "ColumnExchange.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

std::string Text(unsigned id) { return platform::LoadString(id); }

// The restore of one file into one database, line by line.
class RestoreRun {
 public:
  RestoreRun(CBackupFile& file, CDynaSet& set, bool system) : m_file(file), m_set(set), m_system(system) {}

  // Reads up to "#EOB:". On a stop, *reason says why.
  bool Run(std::string* reason);
  // One line; false on a stop.
  bool Step(bool* finished, std::string* reason);

 private:
  enum class State { kNoTable, kTableEntered, kRowsAllowed };

  bool EnterTable(const std::string& name, std::string* reason);
  bool AddColumn(const std::string& line, std::string* reason);
  bool AddRow(const std::string& line, std::string* reason);
  // The first row of a new volume against the rows before it in the same
  // table: a column that numbered them (rose by one each time) or ordered
  // them (rose each time; a time: never went back) must go on doing so. A
  // volume missing in between, one out of order or one of another backup
  // shows there; a section of another table shows in its columns.
  bool FollowsLastRow(std::string* reason) const;
  void NoteRow();
  std::string AtLine(unsigned id) const { return platform::Format(Text(id).c_str(), m_file.GetLineNumber()); }

  CBackupFile& m_file;
  CDynaSet& m_set;
  bool m_system;
  State m_state = State::kNoTable;
  int m_tables = 0;
  bool m_rowsStarted = false;
  // The section of one of SQLite's own tables, which a backup made by an
  // earlier version may hold: read and left aside.
  bool m_skipping = false;
  // The database's columns in the order of the file's "#COLUMN:" lines.
  std::vector<CColumnType*> m_fileColumns;
  // Per whole-number column of the file (not bytes) and per time column: how
  // its values went from row to row in this table so far.
  struct Course {
    CColumnType* column = nullptr;
    bool time = false;
    bool seen = false;
    int64_t last = 0;
    int steps = 0;
    bool byOne = true;
    bool rising = true;  // a time: never went back
    backup::DateTime lastTime;
  };
  static int64_t Value(const Course& c);
  std::vector<Course> m_courses;
  // The volume the table's last row came from; 0 before its first row.
  int m_lastRowVolume = 0;
};

bool RestoreRun::Run(std::string* reason) {
  for (;;) {
    const int volume = m_file.GetVolume();
    bool finished = false;
    if (!Step(&finished, reason)) {
      // A volume whose first line cannot come here is the wrong one.
      const int now = m_file.GetVolume();
      if (now != volume && !m_file.ReadFailed())
        *reason += "\n" + platform::Format(Text(IDS_VOLUME_CANNOT_FOLLOW).c_str(), now, m_file.GetFileName().c_str(),
                                           volume);
      return false;
    }
    if (finished) return true;
  }
}

bool RestoreRun::Step(bool* finished, std::string* reason) {
  std::string text;
  const int tag = m_file.ReadTaggedLine(&text);
  switch (tag) {
    case TAG_NONE:
      *reason = m_file.ReadFailed() ? platform::Format(Text(IDS_LINE_UNREADABLE).c_str(), m_file.GetLineNumber() + 1)
                                    : AtLine(IDS_NOT_A_LINE);
      return false;
    case TAG_TABLE:
      return EnterTable(text, reason);
    case TAG_COLUMN:
      if (m_state == State::kNoTable || m_rowsStarted) {
        *reason = AtLine(IDS_LINE_UNEXPECTED);
        return false;
      }
      if (!m_skipping && !AddColumn(text, reason)) return false;
      m_state = State::kRowsAllowed;
      return true;
    case TAG_ROW:
      if (m_state != State::kRowsAllowed) {
        *reason = AtLine(IDS_LINE_UNEXPECTED);
        return false;
      }
      m_rowsStarted = true;
      return m_skipping || text.empty() || AddRow(text, reason);
    case TAG_EOB:
      if (m_state != State::kRowsAllowed) {
        *reason = AtLine(IDS_LINE_UNEXPECTED);
        return false;
      }
      m_set.FlushRows();
      *finished = true;
      return true;
    default:  // a header line inside the tables
      *reason = AtLine(IDS_LINE_UNEXPECTED);
      return false;
  }
}

bool RestoreRun::EnterTable(const std::string& name, std::string* reason) {
  m_set.FlushRows();
  m_fileColumns.clear();
  m_courses.clear();
  m_lastRowVolume = 0;
  m_rowsStarted = false;
  m_skipping = !m_system && IsInternalTable(name);
  if (m_skipping) {
    m_state = State::kTableEntered;
    return true;
  }
  const bool first = m_tables++ == 0;
  bool found;
  if (m_system) {
    const std::vector<std::string> tables = CSysBackup::Tables();
    found = m_set.FindTable(first ? tables[0] : tables[1]);
    if (!found) {
      *reason = Text(IDS_SYSRESTORE_TABLE_MISSING) + "\n" +
                platform::Format(Text(IDS_TABLE_MISSING).c_str(), m_file.GetLineNumber(),
                                 name.c_str());
      return false;
    }
  } else {
    found = first ? m_set.FirstTable() : m_set.NextTable();
    if (!found) {
      *reason = platform::Format(Text(IDS_TABLE_MISSING).c_str(), m_file.GetLineNumber(), name.c_str());
      return false;
    }
  }
  if (m_set.GetTableName() != name) {
    *reason = platform::Format(Text(IDS_TABLE_MISMATCH).c_str(), m_file.GetLineNumber(), name.c_str(),
                               m_set.GetTableName().c_str());
    return false;
  }
  m_set.DeleteAllRows();
  m_state = State::kTableEntered;
  return true;
}

bool RestoreRun::AddColumn(const std::string& line, std::string* reason) {
  std::string name, type;
  const ValueClass inFile = CColumnType::ParseDescription(line, &name, &type);
  if (inFile == ValueClass::kNone) {
    *reason = AtLine(IDS_NOT_A_LINE);
    return false;
  }
  const std::string& table = m_set.GetTableName();
  CColumnType* column = m_set.FindColumn(name);
  if (!column) {
    *reason = platform::Format(Text(IDS_COLUMN_MISSING).c_str(), m_file.GetLineNumber(), name.c_str(), table.c_str());
    return false;
  }
  for (CColumnType* c : m_fileColumns) {
    if (c == column) {
      *reason = platform::Format(Text(IDS_COLUMN_TWICE).c_str(), m_file.GetLineNumber(), name.c_str(), table.c_str());
      return false;
    }
  }
  if (column->GetValueClass() != inFile) {
    *reason = platform::Format(Text(IDS_COLUMN_KIND_MISMATCH).c_str(), m_file.GetLineNumber(), name.c_str(),
                               table.c_str(), type.c_str(), column->GetTypeText().c_str());
    return false;
  }
  m_fileColumns.push_back(column);
  // Bytes hold flags and kinds, never a count of rows.
  if (dynamic_cast<CIntegerColumn*>(column) != nullptr && column->GetTypeText() != "BYTE")
    m_courses.push_back({column});
  else if (dynamic_cast<CTimeStampColumn*>(column) != nullptr)
    m_courses.push_back({column, true});
  return true;
}

bool RestoreRun::AddRow(const std::string& line, std::string* reason) {
  if (!CDynaSet::TextToRow(line, m_fileColumns)) {
    *reason = platform::Format(Text(IDS_ROW_MISMATCH).c_str(), m_file.GetLineNumber(), m_set.GetTableName().c_str());
    return false;
  }
  const int volume = m_file.GetVolume();
  if (m_lastRowVolume != 0 && volume != m_lastRowVolume && !FollowsLastRow(reason)) return false;
  NoteRow();
  m_lastRowVolume = volume;
  m_set.AddRow(m_fileColumns);
  return true;
}

int64_t RestoreRun::Value(const Course& c) {
  if (!c.time) return static_cast<CIntegerColumn*>(c.column)->GetValue();
  // Ordered as the times are.
  const backup::DateTime& t = static_cast<CTimeStampColumn*>(c.column)->GetValue();
  return ((((int64_t{t.year} * 13 + t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) * 61 + t.second;
}

bool RestoreRun::FollowsLastRow(std::string* reason) const {
  // Two steps at least before a course counts.
  constexpr int kSteps = 2;
  for (const Course& c : m_courses) {
    if (!c.seen || c.steps < kSteps || c.column->IsNull()) continue;
    const int64_t value = Value(c);
    const long line = m_file.GetLineNumber();
    const char* column = c.column->GetName().c_str();
    const char* table = m_set.GetTableName().c_str();
    if (c.time) {
      if (!c.rising || value >= c.last) continue;
      *reason = platform::Format(Text(IDS_VOLUME_TIME_BACK).c_str(), line, column, table,
                                 backup::FormatDate(c.lastTime).c_str(),
                                 backup::FormatDate(static_cast<CTimeStampColumn*>(c.column)->GetValue()).c_str(),
                                 m_file.GetVolume());
      return false;
    }
    unsigned id = 0;
    if (c.byOne && value != c.last + 1)
      id = IDS_VOLUME_NUMBERING;
    else if (c.rising && value <= c.last)
      id = IDS_VOLUME_ORDER;
    if (id == 0) continue;
    *reason = platform::Format(Text(id).c_str(), line, column, table, static_cast<long long>(c.last),
                               static_cast<long long>(value), m_file.GetVolume());
    return false;
  }
  return true;
}

void RestoreRun::NoteRow() {
  for (Course& c : m_courses) {
    if (c.column->IsNull()) {
      // A row without a value breaks any course.
      c.byOne = c.rising = false;
      continue;
    }
    const int64_t value = Value(c);
    if (c.seen) {
      ++c.steps;
      c.byOne = c.byOne && value == c.last + 1;
      c.rising = c.rising && (c.time ? value >= c.last : value > c.last);
    }
    c.seen = true;
    c.last = value;
    if (c.time) c.lastTime = static_cast<CTimeStampColumn*>(c.column)->GetValue();
  }
}

}  // namespace

CBackup::CBackup(CBackupFile& file, const std::string& dataSource) : m_file(file), m_set(dataSource) {}

CBackup::~CBackup() = default;

bool CBackup::BackupTable() {
  const std::string& table = m_set.GetTableName();
  for (const CDynaSet::UnmappedColumn& u : m_set.GetUnmappedColumns())
    platform::MessageBox(platform::Format(Text(IDS_COLUMN_NOT_MAPPED).c_str(), u.name.c_str(), table.c_str(),
                                          u.typeName.c_str(), u.sqlType),
                         platform::MB_OK | platform::MB_ICONWARNING);
  if (!m_file.WriteTaggedLine(TAG_TABLE, table)) return false;
  std::string line;
  for (const auto& column : m_set.GetColumns()) {
    line.clear();
    column->Describe(line);
    if (!m_file.WriteTaggedLine(TAG_COLUMN, line)) return false;
  }
  m_set.Open();
  while (m_set.MoveNext()) {
    line.clear();
    m_set.RowToText(line);
    if (!m_file.WriteRow(line)) {
      m_set.Close();
      return false;
    }
  }
  m_set.Close();
  return true;
}

bool CBackup::Backup() { return RunBackup(nullptr); }

bool CBackup::RunBackup(const std::vector<std::string>* tables) {
  platform::WaitCursor wait;
  try {
    if (tables) {
      for (const std::string& table : *tables) {
        if (!m_set.FindTable(table)) {
          wait.Restore();
          platform::MessageBox(Text(IDS_SYSBACKUP_ERROR), platform::MB_OK | platform::MB_ICONERROR);
          return false;
        }
        if (!BackupTable()) return false;
      }
    } else {
      for (bool more = m_set.FirstTable(); more; more = m_set.NextTable())
        if (!BackupTable()) return false;
    }
    m_file.SetEnd();
    return m_file.WriteTaggedLine(TAG_EOB, std::string_view());
  } catch (const platform::CException& e) {
    wait.Restore();
    platform::MessageBox(platform::Format(Text(IDS_DATABASE_ERROR).c_str(), e.GetMessage().c_str()),
                         platform::MB_OK | platform::MB_ICONERROR);
    return false;
  }
}

bool CBackup::Restore() { return RunRestore(Target::kNextInCatalogue, IDS_RESTORE_ERROR); }

bool CBackup::RunRestore(Target target, unsigned errorId) {
  platform::WaitCursor wait;
  std::string reason;
  bool committed = false;
  bool rolledBack = true;
  try {
    platform::CDatabase& db = m_set.GetDatabase();
    db.BeginTrans();
    bool committing = false;
    try {
      RestoreRun run(m_file, m_set, target == Target::kSystemTables);
      const bool finished = run.Run(&reason);
      m_set.DiscardRows();
      m_set.Close();
      if (finished) {
        committing = true;
        db.CommitTrans();
        committed = true;
      } else {
        db.Rollback();
      }
    } catch (const platform::CException& e) {
      m_set.DiscardRows();
      reason = platform::Format(Text(IDS_DATABASE_ERROR).c_str(), e.GetMessage().c_str());
      if (committing) {
        // A failed commit (a full disk) may or may not have undone the work;
        // the database says which.
        rolledBack = db.CommitUndone();
      } else {
        try {
          db.Rollback();
        } catch (const platform::CException&) {
          rolledBack = false;
        }
      }
    }
  } catch (const platform::CException& e) {  // the database could not be opened
    reason = platform::Format(Text(IDS_DATABASE_ERROR).c_str(), e.GetMessage().c_str());
  }
  if (committed) return true;
  wait.Restore();
  std::string text = Text(errorId) + "\n" + reason;
  if (rolledBack) text += "\n" + Text(IDS_NOTHING_CHANGED);
  platform::MessageBox(text, platform::MB_OK | platform::MB_ICONERROR);
  return false;
}

std::vector<std::string> CSysBackup::Tables() { return {Text(IDS_BANK_TABLE), Text(IDS_BANKSET_TABLE)}; }

bool CSysBackup::Backup() {
  const std::vector<std::string> tables = Tables();
  return RunBackup(&tables);
}

bool CSysBackup::Restore() { return RunRestore(Target::kSystemTables, IDS_SYSRESTORE_ERROR); }
