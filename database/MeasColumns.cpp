#include "MeasColumns.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "CODBObs.h"
#include "COSystemSetup.h"
#include "DBFiles.h"
#include "Connection.h"
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
  for (size_t e = first; e < first + count; ++e) out.AddEvent(Event(e));
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
    AddEvent(other.EventType(e), other.EventText(e), other.EventValue(e));
    m_eventRows.back() = static_cast<uint32_t>(offset + other.EventRow(e));
  }
}

void COMeasColumns::AddEvent(const COEvent& event) {
  AddEvent(event.GetType(), event.GetText(), event.GetValue());
}

void COMeasColumns::AddEvent(int type, std::string_view text, float value) {
  uint32_t id = 0;
  const size_t recent = std::min(m_texts.size(), std::size(m_recentTexts));
  size_t k = 0;
  while (k < recent && m_texts[m_recentTexts[k]] != text) ++k;
  if (k < recent) {
    id = m_recentTexts[k];
  } else {
    id = static_cast<uint32_t>(m_texts.size());
    m_texts.emplace_back(text);
    m_recentTexts[m_recentNext] = id;
    m_recentNext = (m_recentNext + 1) % std::size(m_recentTexts);
  }
  m_eventRows.push_back(static_cast<uint32_t>(m_numbers.size() - 1));
  m_events.push_back({id, type, value});
}

void COMeasColumns::Clear() {
  m_begin = 0;
  m_numbers.clear();
  m_times.clear();
  for (auto& v : m_values) v.clear();
  m_eventRows.clear();
  m_events.clear();
  m_texts.clear();
  m_recentNext = 0;
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
  for (uint32_t& r : m_eventRows) r -= static_cast<uint32_t>(m_begin);
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

using platform::db::Statement;

// A read's connection of its own to the task's file, read-only, and the
// statements prepared on it, which go with it.
class Reader {
 public:
  explicit Reader(const std::string& file, const std::atomic<bool>* cancel = nullptr)
      : m_db(platform::db::ConnectSqliteReader(file, cancel)) {}

  Statement& Query(const std::string& sql) {
    m_statements.push_back(m_db->NewStatement());
    m_statements.back()->Prepare(sql);
    return *m_statements.back();
  }

 private:
  std::unique_ptr<platform::db::Connection> m_db;
  std::vector<std::unique_ptr<Statement>> m_statements;
};

// The time in column col of the row the statement stands on; text is the
// room it is read into.
platform::CTime TimeOf(Statement& st, int col, std::string& text) {
  platform::CTime t(0);
  if (st.GetText(col, &text)) platform::db::DateFromText(text.data(), text.size(), &t);
  return t;
}

// The rest of an [Event] row after its time, as the record set reads it: the
// type a byte, the text at most 255 characters.
template <typename Add>
void EventOf(Statement& st, std::string& text, const Add& add) {
  int64_t type = 0;
  double value = 0.0;
  st.GetInt(1, &type);
  st.GetText(2, &text);
  if (text.size() > 255) text = platform::db::TruncateUtf8(text, 255);
  st.GetDouble(3, &value);
  add(static_cast<unsigned char>(type), std::string_view(text), static_cast<float>(value));
}

// The one value of a query that returns one row of one column; 0 for none.
int64_t SingleValue(Statement& st) {
  st.Execute();
  int64_t value = 0;
  if (st.Fetch()) st.GetInt(0, &value);
  st.Close();
  return value;
}

// The time of the row at a position of the ordered measurements (from the
// time from on, when given); false past the last.
bool TimeAt(Reader& db, const char* from, long position, platform::CTime* out) {
  Statement& st = db.Query(std::string("SELECT [MeasTime] FROM [Meas]") + (from ? " WHERE [MeasTime] >= ?2" : "") +
                           " ORDER BY [MeasTime] LIMIT 1 OFFSET ?1");
  st.SetInt(0, position);
  if (from != nullptr) st.SetText(1, std::string_view(from));
  st.Execute();
  if (!st.Fetch()) return false;
  std::string text;
  *out = TimeOf(st, 0, text);
  st.Close();
  return true;
}

// Where an interval by number starts and ends, found as the record set finds
// them: row k of the measurements in time order holds measurement k. The
// start is a time; the end the time of the row *stopAfter rows on, ties
// included, or the last row when there are fewer (-1: the end is *t2). A
// start past the last row leaves the set on its first row. False for a task
// without measurements.
bool NumberBounds(Reader& db, const COMeasInterval& interval, platform::CTime* t1, platform::CTime* t2, long* stopAfter) {
  *stopAfter = -1;
  platform::CTime first;
  if (!TimeAt(db, nullptr, 0, &first)) return false;
  const long at = std::max(0, interval.GetFirst() - 1);
  if (!TimeAt(db, nullptr, at, t1)) {
    *t1 = *t2 = first;
    return true;
  }
  const long target = interval.GetLast() - 1;
  if (target == at || target < 0) {
    *t2 = *t1;
    return true;
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
  // The rows to make room for at once; -1: as many as the numbers of the
  // stretch's first and last rows tell.
  long reserve = -1;
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
void BindTimes(Statement& st, const char* from, const char* to) {
  st.SetText(0, std::string_view(from, 19));
  st.SetText(1, std::string_view(to, 19));
}

// The rows from the time from up to to, counted no further than limit.
long CountRows(Reader& db, const char* from, const char* to, long limit) {
  Statement& st =
      db.Query("SELECT COUNT(*) FROM (SELECT 1 FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 LIMIT ?3)");
  BindTimes(st, from, to);
  st.SetInt(2, limit);
  return static_cast<long>(SingleValue(st));
}

// The rows from the time from up to to (before it when toExcluded) as their
// numbers tell, a measurement's number being its row's place: an estimate,
// exact for the rows as the suite stores them, that costs two look-ups where
// a count goes over every row.
long EstimateRows(Reader& db, const char* from, const char* to, bool toExcluded) {
  Statement& st = db.Query(std::string("SELECT (SELECT [MeasNo] FROM [Meas] WHERE [MeasTime] ") +
                           (toExcluded ? "<" : "<=") +
                           " ?2 ORDER BY [MeasTime] DESC LIMIT 1) - (SELECT [MeasNo] FROM [Meas] WHERE [MeasTime] >= "
                           "?1 ORDER BY [MeasTime] LIMIT 1) + 1");
  BindTimes(st, from, to);
  return std::max<long>(0, static_cast<long>(SingleValue(st)));
}

// Room for rows that share the time of the last one counted.
constexpr long kTies = 16;

void ReadStretch(const COMeasReadRequest& request, Stretch& s, const std::atomic<bool>* cancel) try {
  Reader db(request.file, cancel);
  if (s.reserve < 0) s.reserve = EstimateRows(db, s.from, s.to, s.toExcluded);
  // The temperature column is the Calibration program's alone.
  Statement& meas = db.Query(
      std::string("SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], [FilterValues4], "
                  "[FilterValues5], [FilterValues6], ") +
      (request.calibration ? "[Temperature], [Pressure]" : "[Pressure]") + " FROM [Meas]" +
      WithinStretch("MeasTime", s.toExcluded));
  Statement& event = db.Query(kSelectEvents + WithinStretch("EventTime", s.toExcluded));
  for (Statement* st : {&meas, &event}) {
    BindTimes(*st, s.from, s.to);
    st->Execute();
  }
  if (s.reserve > 0) s.rows.Reserve(static_cast<size_t>(std::min(s.reserve, 50000000L)));
  // The events go along with the rows: those before a row's time have no
  // row of their own and are passed over, those at it are the row's.
  std::string text;
  bool eventRow = event.Fetch();
  time_t eventTime = eventRow ? TimeOf(event, 0, text).GetTime() : 0;
  const int pressureColumn = request.calibration ? 9 : 8;
  float values[COMeas::channelCount];
  // A measurement starts with every value 0; the temperature column is the
  // Calibration program's alone.
  values[COMeas::chTemperature] = 0.0f;
  long rows = 0;
  time_t stopTime = 0;
  while (meas.Fetch()) {
    if ((++rows & 0x3FFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed)) return;
    const time_t t = TimeOf(meas, 0, text).GetTime();
    if (s.stopAfter >= 0) {
      if (rows - 1 > s.stopAfter && t > stopTime) break;
      if (rows - 1 == s.stopAfter) stopTime = t;
    }
    int64_t number = 0;
    double v = 0.0;
    meas.GetInt(1, &number);
    for (int ch = 0; ch < 6; ++ch) {
      meas.GetDouble(2 + ch, &v);
      values[ch] = static_cast<float>(v);
    }
    if (request.calibration) {
      meas.GetDouble(8, &v);
      values[COMeas::chTemperature] = static_cast<float>(v);
    }
    meas.GetDouble(pressureColumn, &v);
    values[COMeas::chPressure] = static_cast<float>(v);
    s.rows.Append(static_cast<int>(number), t, values);
    while (eventRow && eventTime <= t) {
      if (eventTime == t)
        EventOf(event, text, [&](int type, std::string_view eventText, float value) {
          s.rows.AddEvent(type, eventText, value);
        });
      eventRow = event.Fetch();
      if (eventRow) eventTime = TimeOf(event, 0, text).GetTime();
    }
  }
  s.ok = true;
} catch (const platform::CDBException& e) {
  s.error = e.m_strError;
}

// Where a stretch of at least kHalves rows (total by the numbers) is cut in
// two, each half read on a connection and a thread of its own: the time of
// its middle row, by position when the rows are counted, else the middle of
// the times. False to read it whole.
bool Middle(Reader& db, const platform::CTime& t1, const platform::CTime& t2, long stopAfter, long total, long kHalves,
            const char* from, char* middle) {
  time_t mid = 0;
  if ((stopAfter >= 0 ? stopAfter : total) < kHalves) return false;
  if (stopAfter >= 0) {
    platform::CTime t;
    if (!TimeAt(db, from, stopAfter / 2, &t)) return false;
    mid = t.GetTime();
  } else {
    mid = t1.GetTime() + (t2.GetTime() - t1.GetTime()) / 2;
  }
  if (mid <= t1.GetTime()) return false;
  platform::db::DateToText(platform::CTime(mid), middle);
  return true;
}

// The rows before the middle: how many of them a stretch after it counts on.
long CountBefore(Reader& db, const char* from, const char* middle) {
  Statement& st = db.Query("SELECT COUNT(*) FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] < ?2");
  BindTimes(st, from, middle);
  return static_cast<long>(SingleValue(st));
}

// The events stored at the time of the live measurement, which it carries
// after rows as a row would.
void LiveEvents(Reader& db, COMeas& live) {
  Statement& st = db.Query(std::string(kSelectEvents) + " WHERE [EventTime] = ?1 ORDER BY [EventTime]");
  char at[20];
  platform::db::DateToText(live.GetMeasTime(), at);
  st.SetText(0, std::string_view(at, 19));
  st.Execute();
  std::string text;
  while (st.Fetch()) {
    TimeOf(st, 0, text);
    EventOf(st, text, [&](int type, std::string_view eventText, float value) {
      live.AddEvent(COEvent(type, std::string(eventText), value));
    });
  }
}

bool ReadDirect(const COMeasReadRequest& request, COMeasColumns& out, std::string* error,
                const std::atomic<bool>* cancel) try {
  Reader db(request.file, cancel);
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
  if (any) {
    Stretch first;
    platform::db::DateToText(t1, first.from);
    if (stopAfter < 0) platform::db::DateToText(t2, first.to);
    first.stopAfter = stopAfter;
    // The first stretch's rows make room for the second's, which go after
    // them.
    first.reserve = stopAfter >= 0 ? stopAfter + 1 + kTies : EstimateRows(db, first.from, first.to, false);
    char middle[20];
    if (Middle(db, t1, t2, stopAfter, first.reserve, request.halves, first.from, middle)) {
      Stretch second;
      std::memcpy(second.from, middle, sizeof middle);
      std::memcpy(second.to, first.to, sizeof first.to);
      std::memcpy(first.to, middle, sizeof middle);
      first.toExcluded = true;
      std::thread other([&] {
        if (stopAfter >= 0) {
          try {
            Reader count(request.file, cancel);
            const long before = CountBefore(count, first.from, middle);
            // The end lies in the first half: the second has nothing to add.
            if (before > stopAfter) {
              second.ok = true;
              return;
            }
            second.stopAfter = stopAfter - before;
            second.reserve = second.stopAfter + 1 + kTies;
          } catch (const platform::CDBException& e) {
            second.error = e.m_strError;
            return;
          }
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
      if (t <= limit && t >= t1.GetTime() && out.Time(out.Size() - 1) < t) LiveEvents(db, live);
    }
    out.Append(live);
  }
  return true;
} catch (const platform::CDBException& e) {
  *error = e.m_strError;
  return false;
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
  try {
    Reader db(request.file);
    char from[20], to[20];
    platform::db::DateToText(interval.GetStartTime(), from);
    platform::db::DateToText(interval.GetEndTime(), to);
    // The numbers never tell fewer rows than there are: below the limit they
    // settle it without a count.
    const long estimate = EstimateRows(db, from, to, false);
    if (estimate < limit) return estimate;
    return CountRows(db, from, to, limit);
  } catch (const platform::CDBException&) {
    return 0;
  }
}
