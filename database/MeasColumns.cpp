#include "MeasColumns.h"

#include <sqlite3.h>

#include <algorithm>

#include "CODBObs.h"
#include "COSystemSetup.h"
#include "DBFiles.h"
#include "DataContext.h"
#include "MeasReader.h"
#include "db/DataSource.h"
#include "db/DateText.h"
#include "db/Utf8.h"

// --- columns ---

void COMeasColumns::EventRange(size_t i, size_t* first, size_t* count) const {
  const size_t row = m_begin + i;
  auto lo = std::lower_bound(m_eventRows.begin(), m_eventRows.end(), row);
  auto hi = lo;
  while (hi != m_eventRows.end() && *hi == row) ++hi;
  *first = static_cast<size_t>(lo - m_eventRows.begin());
  *count = static_cast<size_t>(hi - lo);
}

size_t COMeasColumns::FirstEventFrom(size_t i) const {
  return static_cast<size_t>(std::lower_bound(m_eventRows.begin(), m_eventRows.end(), m_begin + i) -
                             m_eventRows.begin());
}

void COMeasColumns::RowInto(size_t i, COMeas& out) const {
  out = COMeas();
  out.SetMeasNo(Number(i));
  out.SetTime(CTime(Time(i)));
  for (int ch = 0; ch < COMeas::channelCount; ++ch) out.SetValue(ch, Value(i, ch));
  size_t first, count;
  EventRange(i, &first, &count);
  for (size_t e = first; e < first + count; ++e) out.AddEvent(m_events[e]);
}

void COMeasColumns::Reserve(size_t rows) {
  m_numbers.reserve(m_numbers.size() + rows);
  m_times.reserve(m_times.size() + rows);
  for (auto& v : m_values) v.reserve(v.size() + rows);
}

void COMeasColumns::Append(int number, time_t time, const float (&values)[COMeas::channelCount]) {
  m_numbers.push_back(number);
  m_times.push_back(time);
  for (int ch = 0; ch < COMeas::channelCount; ++ch) m_values[ch].push_back(values[ch]);
}

void COMeasColumns::Append(const COMeas& m) {
  float values[COMeas::channelCount];
  for (int ch = 0; ch < COMeas::channelCount; ++ch) values[ch] = m.GetValue(ch);
  Append(m.GetMeasNo(), m.GetMeasTime().GetTime(), values);
  for (const COEvent& e : m.GetEvents()) AddEvent(e);
}

void COMeasColumns::AddEvent(const COEvent& event) {
  m_eventRows.push_back(m_numbers.size() - 1);
  m_events.push_back(event);
}

void COMeasColumns::Clear() {
  m_begin = 0;
  m_numbers.clear();
  m_times.clear();
  for (auto& v : m_values) v.clear();
  m_eventRows.clear();
  m_events.clear();
}

void COMeasColumns::DropFront(size_t n) {
  n = std::min(n, Size());
  m_begin += n;
  // Every event kept is a row's: they are few, and go at once.
  const size_t e = FirstEventFrom(0);
  m_eventRows.erase(m_eventRows.begin(), m_eventRows.begin() + static_cast<std::ptrdiff_t>(e));
  m_events.erase(m_events.begin(), m_events.begin() + static_cast<std::ptrdiff_t>(e));
  // The space before the first row is given back once it is the larger part,
  // so that following a task moves each row a few times at most.
  if (m_begin < 4096 || m_begin < Size()) return;
  for (size_t& r : m_eventRows) r -= m_begin;
  const auto cut = static_cast<std::ptrdiff_t>(m_begin);
  m_numbers.erase(m_numbers.begin(), m_numbers.begin() + cut);
  m_times.erase(m_times.begin(), m_times.begin() + cut);
  for (auto& v : m_values) v.erase(v.begin(), v.begin() + cut);
  m_begin = 0;
}

void COMeasColumns::DropBack(size_t n) {
  n = std::min(n, Size());
  const size_t end = m_numbers.size() - n;
  m_numbers.resize(end);
  m_times.resize(end);
  for (auto& v : m_values) v.resize(end);
  while (!m_eventRows.empty() && m_eventRows.back() >= end) {
    m_eventRows.pop_back();
    m_events.pop_back();
  }
}

// --- the request ---

COMeasReadRequest::COMeasReadRequest(DataContext& context, const COMeasInterval& source) : interval(source) {
  const std::string name = context.Setup().GetDatabaseName();
  connect = dbfiles::ConnectString(name);
  calibration = context.Identity().isCalibration();
  IMeasurementLink* subject = context.Measurement();
  if (subject != nullptr && subject->HasLastMeas()) live = *context.DBObs().GetLastMeas();
  if (!interval.GetMeasAvg()) file = platform::db::DirectDataSourceFile(dbfiles::DataSourceName(name));
  direct = !file.empty();
}

// --- the read ---

namespace {

class Connection {
 public:
  explicit Connection(const std::string& file) {
    // No mutex of SQLite's: the connection is this read's alone.
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
      sqlite3_close(m_db);
      m_db = nullptr;
      return;
    }
    sqlite3_busy_timeout(m_db, 10000);
  }
  ~Connection() {
    for (sqlite3_stmt* s : m_statements) sqlite3_finalize(s);
    sqlite3_close(m_db);
  }
  bool Ok() const { return m_db != nullptr && m_error.empty(); }
  const std::string& Error() const { return m_error; }

  sqlite3_stmt* Prepare(const char* sql) {
    if (!Ok()) return nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK) {
      Fail();
      return nullptr;
    }
    m_statements.push_back(st);
    return st;
  }
  // A step that is neither a row nor the end is a failure.
  bool Step(sqlite3_stmt* st, bool* row) {
    const int rc = sqlite3_step(st);
    *row = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return true;
    Fail();
    return false;
  }
  void Fail() {
    if (m_error.empty()) m_error = std::string("[SQLite]") + sqlite3_errmsg(m_db);
  }

 private:
  sqlite3* m_db = nullptr;
  std::string m_error;
  std::vector<sqlite3_stmt*> m_statements;
};

CTime TimeOf(sqlite3_stmt* st, int col) {
  CTime t(0);
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
  if (text != nullptr) platform::db::DateFromText(text, static_cast<size_t>(sqlite3_column_bytes(st, col)), &t);
  return t;
}

// An [Event] row as the record set reads it: the type a byte, the text at
// most 255 characters.
COEvent EventOf(sqlite3_stmt* st) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
  std::string s = text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(st, 2))) : std::string();
  if (s.size() > 255) s = platform::db::TruncateUtf8(s, 255);
  return COEvent(static_cast<unsigned char>(sqlite3_column_int64(st, 1)), std::move(s),
                 static_cast<float>(sqlite3_column_double(st, 3)));
}

// The time of the row at a position of the ordered measurements; false past
// the last.
bool TimeAt(Connection& db, long position, CTime* out) {
  sqlite3_stmt* st = db.Prepare("SELECT [MeasTime] FROM [Meas] ORDER BY [MeasTime] LIMIT 1 OFFSET ?1");
  if (st == nullptr) return false;
  sqlite3_bind_int64(st, 1, position);
  bool row = false;
  if (!db.Step(st, &row) || !row) return false;
  *out = TimeOf(st, 0);
  return true;
}

// The times that bound an interval by number, found as the record set finds
// them: row k of the measurements in time order holds measurement k. A start
// past the last row leaves the set on its first row; an end past it on its
// last. False for a task without measurements.
bool NumberBounds(Connection& db, const COMeasInterval& interval, CTime* t1, CTime* t2) {
  CTime first;
  if (!TimeAt(db, 0, &first)) return false;
  const long at = std::max(0, interval.GetFirst() - 1);
  if (!TimeAt(db, at, t1)) {
    *t1 = *t2 = first;
    return db.Ok();
  }
  const long target = interval.GetLast() - 1;
  if (target == at || target < 0) {
    *t2 = *t1;
    return db.Ok();
  }
  if (TimeAt(db, target, t2)) return true;
  if (!db.Ok()) return false;
  // Past the end: the last row.
  sqlite3_stmt* st = db.Prepare("SELECT [MeasTime] FROM [Meas] ORDER BY [MeasTime] DESC LIMIT 1");
  bool row = false;
  if (st == nullptr || !db.Step(st, &row) || !row) return false;
  *t2 = TimeOf(st, 0);
  return true;
}

bool LiveInInterval(const COMeasInterval& interval, const COMeas& live) {
  if (interval.GetMeasMode() == COMeasInterval::kByNumber)
    return interval.GetFirst() <= live.GetMeasNo() && live.GetMeasNo() <= interval.GetLast();
  return interval.GetStartTime() <= live.GetMeasTime() && live.GetMeasTime() <= interval.GetEndTime();
}

bool ReadDirect(const COMeasReadRequest& request, COMeasColumns& out, std::string* error,
                const std::atomic<bool>* cancel) {
  Connection db(request.file);
  const COMeasInterval& interval = request.interval;
  CTime t1, t2;
  bool any = true;
  if (interval.GetMeasMode() == COMeasInterval::kByNumber) {
    any = NumberBounds(db, interval, &t1, &t2);
  } else {
    t1 = interval.GetStartTime();
    t2 = interval.GetEndTime();
  }
  bool eventRow = false;
  time_t eventTime = 0;
  sqlite3_stmt* event = nullptr;
  if (any) {
    const char* measSql = request.calibration
                              ? "SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                                "[FilterValues4], [FilterValues5], [FilterValues6], [Temperature], [Pressure] "
                                "FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 ORDER BY [MeasTime]"
                              : "SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                                "[FilterValues4], [FilterValues5], [FilterValues6], [Pressure] "
                                "FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 ORDER BY [MeasTime]";
    sqlite3_stmt* meas = db.Prepare(measSql);
    event = db.Prepare(
        "SELECT [EventTime], [EventType], [EventText], [FloatValue] FROM [Event] "
        "WHERE [EventTime] >= ?1 AND [EventTime] <= ?2 ORDER BY [EventTime]");
    if (meas == nullptr || event == nullptr) {
      *error = db.Error();
      return false;
    }
    char from[20], to[20];
    platform::db::DateToText(t1, from);
    platform::db::DateToText(t2, to);
    for (sqlite3_stmt* s : {meas, event}) {
      sqlite3_bind_text(s, 1, from, 19, SQLITE_STATIC);
      sqlite3_bind_text(s, 2, to, 19, SQLITE_STATIC);
    }
    // The events go along with the rows: those before a row's time have no
    // row of their own and are passed over, those at it are the row's.
    if (!db.Step(event, &eventRow)) {
      *error = db.Error();
      return false;
    }
    eventTime = eventRow ? TimeOf(event, 0).GetTime() : 0;
    const int pressureColumn = request.calibration ? 9 : 8;
    float values[COMeas::channelCount];
    // A measurement starts with every value 0; the temperature column is the
    // Calibration program's alone.
    values[COMeas::chTemperature] = 0.0f;
    unsigned long rows = 0;
    for (;;) {
      bool row = false;
      if (!db.Step(meas, &row)) {
        *error = db.Error();
        return false;
      }
      if (!row) break;
      if ((++rows & 0x3FFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed)) return false;
      const time_t t = TimeOf(meas, 0).GetTime();
      for (int ch = 0; ch < 6; ++ch) values[ch] = static_cast<float>(sqlite3_column_double(meas, 2 + ch));
      if (request.calibration) values[COMeas::chTemperature] = static_cast<float>(sqlite3_column_double(meas, 8));
      values[COMeas::chPressure] = static_cast<float>(sqlite3_column_double(meas, pressureColumn));
      out.Append(static_cast<int>(sqlite3_column_int64(meas, 1)), t, values);
      while (eventRow && eventTime <= t) {
        if (eventTime == t) out.AddEvent(EventOf(event));
        if (!db.Step(event, &eventRow)) {
          *error = db.Error();
          return false;
        }
        if (eventRow) eventTime = TimeOf(event, 0).GetTime();
      }
    }
  } else if (!db.Ok()) {
    *error = db.Error();
    return false;
  }
  // The live measurement, when it is newer than the rows read. After rows it
  // carries the events stored at its time, as a row would; alone, its own.
  if (request.live && LiveInInterval(interval, *request.live) &&
      (out.Empty() || request.live->GetMeasNo() > out.Number(out.Size() - 1))) {
    COMeas live = *request.live;
    if (!out.Empty()) {
      live.GetEvents().clear();
      const time_t t = live.GetMeasTime().GetTime();
      while (eventRow && eventTime <= t) {
        if (eventTime == t) live.AddEvent(EventOf(event));
        if (!db.Step(event, &eventRow)) {
          *error = db.Error();
          return false;
        }
        if (eventRow) eventTime = TimeOf(event, 0).GetTime();
      }
    }
    out.Append(live);
  }
  return true;
}

}  // namespace

bool ReadMeasColumns(const COMeasReadRequest& request, COMeasColumns& out, std::string* error,
                     const std::atomic<bool>* cancel) {
  out.Clear();
  if (request.direct) return ReadDirect(request, out, error, cancel);
  return false;
}

long CountMeasRows(const COMeasReadRequest& request, long limit) {
  const COMeasInterval& interval = request.interval;
  if (interval.GetMeasMode() == COMeasInterval::kByNumber)
    return std::clamp<long>(static_cast<long>(interval.GetLast()) - interval.GetFirst() + 1, 0, limit);
  if (!request.direct) return 0;
  Connection db(request.file);
  sqlite3_stmt* st = db.Prepare(
      "SELECT COUNT(*) FROM (SELECT 1 FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 LIMIT ?3)");
  if (st == nullptr) return 0;
  char from[20], to[20];
  platform::db::DateToText(interval.GetStartTime(), from);
  platform::db::DateToText(interval.GetEndTime(), to);
  sqlite3_bind_text(st, 1, from, 19, SQLITE_STATIC);
  sqlite3_bind_text(st, 2, to, 19, SQLITE_STATIC);
  sqlite3_bind_int64(st, 3, limit);
  bool row = false;
  return db.Step(st, &row) && row ? static_cast<long>(sqlite3_column_int64(st, 0)) : 0;
}
