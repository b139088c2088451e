#include "MeasColumns.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <thread>

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
  out.SetTime(platform::CTime(Time(i)));
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

void COMeasColumns::Append(const COMeasColumns& other) {
  const size_t offset = m_numbers.size();
  m_numbers.insert(m_numbers.end(), other.Numbers(), other.Numbers() + other.Size());
  m_times.insert(m_times.end(), other.Times(), other.Times() + other.Size());
  for (int ch = 0; ch < COMeas::channelCount; ++ch)
    m_values[ch].insert(m_values[ch].end(), other.Values(ch), other.Values(ch) + other.Size());
  for (size_t e = 0; e < other.EventCount(); ++e) {
    m_eventRows.push_back(offset + other.EventRow(e));
    m_events.push_back(other.Event(e));
  }
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

void ForEachColumn(size_t count, size_t rows, const std::function<void(size_t)>& work) {
  if (rows < 100000 || count < 2) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::vector<std::thread> threads;
  for (size_t i = 1; i < count; ++i) threads.emplace_back(work, i);
  work(0);
  for (std::thread& t : threads) t.join();
}

// --- the request ---

COMeasReadRequest::COMeasReadRequest(DataContext& context, const COMeasInterval& source) : interval(source) {
  const std::string name = context.Setup().GetDatabaseName();
  calibration = context.Profile().temperatureColumn;
  IMeasurementLink* subject = context.Measurement();
  if (subject != nullptr && subject->HasLastMeas()) live = *context.DBObs().GetLastMeas();
  if (!interval.GetMeasAvg()) file = platform::db::DirectDataSourceFile(dbfiles::DataSourceName(name));
  direct = !file.empty();
}

// --- the read ---

namespace {

class Connection {
 public:
  // cancel: a flag that, once set, stops what SQLite is doing.
  explicit Connection(const std::string& file, const std::atomic<bool>* cancel = nullptr) {
    // No mutex of SQLite's: the connection is this read's alone.
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
      sqlite3_close(m_db);
      m_db = nullptr;
      return;
    }
    sqlite3_busy_timeout(m_db, 10000);
    // Pages mapped rather than copied: a long read takes a third less.
    sqlite3_exec(m_db, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    if (cancel != nullptr)
      sqlite3_progress_handler(
          m_db, 20000,
          [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
          const_cast<std::atomic<bool>*>(cancel));
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

platform::CTime TimeOf(sqlite3_stmt* st, int col) {
  platform::CTime t(0);
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
bool TimeAt(Connection& db, long position, platform::CTime* out) {
  sqlite3_stmt* st = db.Prepare("SELECT [MeasTime] FROM [Meas] ORDER BY [MeasTime] LIMIT 1 OFFSET ?1");
  if (st == nullptr) return false;
  sqlite3_bind_int64(st, 1, position);
  bool row = false;
  if (!db.Step(st, &row) || !row) return false;
  *out = TimeOf(st, 0);
  return true;
}

// Where an interval by number starts and ends, found as the record set finds
// them: row k of the measurements in time order holds measurement k. The
// start is a time; the end the time of the row *stopAfter rows on, ties
// included, or the last row when there are fewer (-1: the end is *t2). A
// start past the last row leaves the set on its first row. False for a task
// without measurements.
bool NumberBounds(Connection& db, const COMeasInterval& interval, platform::CTime* t1, platform::CTime* t2, long* stopAfter) {
  *stopAfter = -1;
  platform::CTime first;
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
  // The rows are read on from the start anyway: counting them there spares
  // a walk of the index to the end.
  *stopAfter = target - at;
  return true;
}

// One stretch of the rows, on a connection of its own: from the time from
// on, up to to (before it when toExcluded), or stopAfter rows on and the
// rows sharing the time of that one.
struct Stretch {
  char from[20] = "";
  char to[20] = "9999-12-31 23:59:59";
  bool toExcluded = false;
  long stopAfter = -1;
  COMeasColumns rows;
  std::string error;
  bool ok = false;
};

// An [Event] row's columns as EventOf reads them.
constexpr char kSelectEvents[] = "SELECT [EventTime], [EventType], [EventText], [FloatValue] FROM [Event]";

// The rows of a stretch by a time column: from ?1 on, up to ?2 or before it,
// in time order.
std::string WithinStretch(const char* column, bool toExcluded) {
  const std::string c = std::string("[") + column + "]";
  return " WHERE " + c + " >= ?1 AND " + c + (toExcluded ? " < ?2" : " <= ?2") + " ORDER BY " + c;
}

// Binds the times from and to (as DateToText writes them) to ?1 and ?2.
void BindTimes(sqlite3_stmt* st, const char* from, const char* to) {
  sqlite3_bind_text(st, 1, from, 19, SQLITE_STATIC);
  sqlite3_bind_text(st, 2, to, 19, SQLITE_STATIC);
}

// The rows from the time from up to to, counted no further than limit; -1
// on a failure.
long CountRows(Connection& db, const char* from, const char* to, long limit) {
  sqlite3_stmt* st = db.Prepare(
      "SELECT COUNT(*) FROM (SELECT 1 FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 LIMIT ?3)");
  if (st == nullptr) return -1;
  BindTimes(st, from, to);
  sqlite3_bind_int64(st, 3, limit);
  bool row = false;
  return db.Step(st, &row) && row ? static_cast<long>(sqlite3_column_int64(st, 0)) : -1;
}

void ReadStretch(const COMeasReadRequest& request, Stretch& s, const std::atomic<bool>* cancel) {
  Connection db(request.file, cancel);
  // The temperature column is the Calibration program's alone.
  const std::string measSql =
      std::string("SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], [FilterValues4], "
                  "[FilterValues5], [FilterValues6], ") +
      (request.calibration ? "[Temperature], [Pressure]" : "[Pressure]") + " FROM [Meas]" +
      WithinStretch("MeasTime", s.toExcluded);
  sqlite3_stmt* meas = db.Prepare(measSql.c_str());
  sqlite3_stmt* event = db.Prepare((kSelectEvents + WithinStretch("EventTime", s.toExcluded)).c_str());
  if (meas == nullptr || event == nullptr) {
    s.error = db.Error();
    return;
  }
  for (sqlite3_stmt* st : {meas, event}) BindTimes(st, s.from, s.to);
  if (s.stopAfter >= 0) s.rows.Reserve(static_cast<size_t>(std::min(s.stopAfter + 1, 50000000L)));
  // The events go along with the rows: those before a row's time have no
  // row of their own and are passed over, those at it are the row's.
  bool eventRow = false;
  if (!db.Step(event, &eventRow)) {
    s.error = db.Error();
    return;
  }
  time_t eventTime = eventRow ? TimeOf(event, 0).GetTime() : 0;
  const int pressureColumn = request.calibration ? 9 : 8;
  float values[COMeas::channelCount];
  // A measurement starts with every value 0; the temperature column is the
  // Calibration program's alone.
  values[COMeas::chTemperature] = 0.0f;
  long rows = 0;
  time_t stopTime = 0;
  for (;;) {
    bool row = false;
    if (!db.Step(meas, &row)) {
      s.error = db.Error();
      return;
    }
    if (!row) break;
    if ((++rows & 0x3FFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed)) return;
    const time_t t = TimeOf(meas, 0).GetTime();
    if (s.stopAfter >= 0) {
      if (rows - 1 > s.stopAfter && t > stopTime) break;
      if (rows - 1 == s.stopAfter) stopTime = t;
    }
    for (int ch = 0; ch < 6; ++ch) values[ch] = static_cast<float>(sqlite3_column_double(meas, 2 + ch));
    if (request.calibration) values[COMeas::chTemperature] = static_cast<float>(sqlite3_column_double(meas, 8));
    values[COMeas::chPressure] = static_cast<float>(sqlite3_column_double(meas, pressureColumn));
    s.rows.Append(static_cast<int>(sqlite3_column_int64(meas, 1)), t, values);
    while (eventRow && eventTime <= t) {
      if (eventTime == t) s.rows.AddEvent(EventOf(event));
      if (!db.Step(event, &eventRow)) {
        s.error = db.Error();
        return;
      }
      if (eventRow) eventTime = TimeOf(event, 0).GetTime();
    }
  }
  s.ok = true;
}

// Where a stretch of at least kHalves rows is cut in two, each half read on a
// connection and a thread of its own: the time of its middle row, by
// position when the rows are counted, else the middle of the times. False to
// read it whole.
bool Middle(Connection& db, const platform::CTime& t1, const platform::CTime& t2, long stopAfter, long kHalves, const char* from,
            char* middle) {
  time_t mid = 0;
  if (stopAfter >= 0) {
    if (stopAfter < kHalves) return false;
    sqlite3_stmt* st =
        db.Prepare("SELECT [MeasTime] FROM [Meas] WHERE [MeasTime] >= ?1 ORDER BY [MeasTime] LIMIT 1 OFFSET ?2");
    if (st == nullptr) return false;
    sqlite3_bind_text(st, 1, from, 19, SQLITE_STATIC);
    sqlite3_bind_int64(st, 2, stopAfter / 2);
    bool row = false;
    if (!db.Step(st, &row) || !row) return false;
    mid = TimeOf(st, 0).GetTime();
  } else {
    char to[20];
    platform::db::DateToText(t2, to);
    if (CountRows(db, from, to, kHalves) < kHalves) return false;
    mid = t1.GetTime() + (t2.GetTime() - t1.GetTime()) / 2;
  }
  if (mid <= t1.GetTime()) return false;
  platform::db::DateToText(platform::CTime(mid), middle);
  return true;
}

// The rows before the middle: how many of them a stretch after it counts on.
long CountBefore(Connection& db, const char* from, const char* middle) {
  sqlite3_stmt* st = db.Prepare("SELECT COUNT(*) FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] < ?2");
  if (st == nullptr) return -1;
  BindTimes(st, from, middle);
  bool row = false;
  return db.Step(st, &row) && row ? static_cast<long>(sqlite3_column_int64(st, 0)) : -1;
}

bool ReadDirect(const COMeasReadRequest& request, COMeasColumns& out, std::string* error,
                const std::atomic<bool>* cancel) {
  Connection db(request.file, cancel);
  const COMeasInterval& interval = request.interval;
  platform::CTime t1, t2;
  long stopAfter = -1;
  bool any = true;
  if (interval.GetMeasMode() == COMeasInterval::kByNumber) {
    any = NumberBounds(db, interval, &t1, &t2, &stopAfter);
  } else {
    t1 = interval.GetStartTime();
    t2 = interval.GetEndTime();
  }
  if (!db.Ok()) {
    *error = db.Error();
    return false;
  }
  if (any) {
    Stretch first;
    platform::db::DateToText(t1, first.from);
    if (stopAfter < 0) platform::db::DateToText(t2, first.to);
    first.stopAfter = stopAfter;
    char middle[20];
    if (Middle(db, t1, t2, stopAfter, request.halves, first.from, middle)) {
      Stretch second;
      std::memcpy(second.from, middle, sizeof middle);
      std::memcpy(second.to, first.to, sizeof first.to);
      std::memcpy(first.to, middle, sizeof middle);
      first.toExcluded = true;
      std::thread other([&] {
        if (stopAfter >= 0) {
          Connection count(request.file, cancel);
          const long before = CountBefore(count, first.from, middle);
          if (before < 0) {
            second.error = count.Error();
            return;
          }
          // The end lies in the first half: the second has nothing to add.
          if (before > stopAfter) {
            second.ok = true;
            return;
          }
          second.stopAfter = stopAfter - before;
        }
        ReadStretch(request, second, cancel);
      });
      ReadStretch(request, first, cancel);
      other.join();
      if (!first.ok || !second.ok) {
        *error = !first.error.empty() ? first.error : second.error;
        return false;
      }
      out = std::move(first.rows);
      out.Append(second.rows);
    } else {
      ReadStretch(request, first, cancel);
      if (!first.ok) {
        *error = first.error;
        return false;
      }
      out = std::move(first.rows);
    }
  }
  if (cancel != nullptr && cancel->load()) return false;
  // The live measurement, when it is newer than the rows read. After rows it
  // carries the events stored at its time, as a row would (unless a row at
  // that time took them); alone, its own.
  if (request.live && interval.Holds(*request.live) &&
      (out.Empty() || request.live->GetMeasNo() > out.Number(out.Size() - 1))) {
    COMeas live = *request.live;
    if (!out.Empty()) {
      live.GetEvents().clear();
      const time_t t = live.GetMeasTime().GetTime();
      // The events read end where the rows do.
      const time_t limit = stopAfter >= 0 ? out.Time(out.Size() - 1) : t2.GetTime();
      if (t <= limit && t >= t1.GetTime() && out.Time(out.Size() - 1) < t) {
        const std::string sql = std::string(kSelectEvents) + " WHERE [EventTime] = ?1 ORDER BY [EventTime]";
        sqlite3_stmt* st = db.Prepare(sql.c_str());
        if (st == nullptr) {
          *error = db.Error();
          return false;
        }
        char at[20];
        platform::db::DateToText(live.GetMeasTime(), at);
        sqlite3_bind_text(st, 1, at, 19, SQLITE_STATIC);
        bool row = false;
        while (db.Step(st, &row) && row) live.AddEvent(EventOf(st));
        if (!db.Ok()) {
          *error = db.Error();
          return false;
        }
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
  char from[20], to[20];
  platform::db::DateToText(interval.GetStartTime(), from);
  platform::db::DateToText(interval.GetEndTime(), to);
  return std::max(0L, CountRows(db, from, to, limit));
}
