#include "RawRows.h"

#include <sqlite3.h>

namespace kovo::bench {

namespace {

int Digits(const unsigned char* p, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

// Local "YYYY-MM-DD HH:MM:SS" to seconds; the C library is asked once an
// hour, as any reader of a million rows would do.
class TimeParser {
 public:
  time_t Parse(const unsigned char* t, int length) {
    if (t == nullptr || length < 19) return 0;
    const int hourKey = Digits(t, 4) * 1000000 + Digits(t + 5, 2) * 10000 + Digits(t + 8, 2) * 100 + Digits(t + 11, 2);
    if (hourKey != m_hourKey) {
      std::tm tm{};
      tm.tm_year = Digits(t, 4) - 1900;
      tm.tm_mon = Digits(t + 5, 2) - 1;
      tm.tm_mday = Digits(t + 8, 2);
      tm.tm_hour = Digits(t + 11, 2);
      tm.tm_isdst = -1;
      m_hourStart = std::mktime(&tm);
      m_hourKey = hourKey;
    }
    return m_hourStart + Digits(t + 14, 2) * 60 + Digits(t + 17, 2);
  }

 private:
  int m_hourKey = -1;
  time_t m_hourStart = 0;
};

std::string Within(const char* column, bool bounded) {
  const std::string c = std::string("[") + column + "]";
  return (bounded ? " WHERE " + c + " >= ?1 AND " + c + " <= ?2" : std::string()) + " ORDER BY " + c;
}

}  // namespace

bool ReadRawRows(const std::string& file, const char* from, const char* to, RawRows& out, bool keep) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  const bool bounded = from != nullptr && to != nullptr;
  const std::string measSql =
      "SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], [FilterValues4], "
      "[FilterValues5], [FilterValues6], [Pressure] FROM [Meas]" + Within("MeasTime", bounded);
  const std::string eventSql =
      "SELECT [EventTime], [EventType], [EventText], [FloatValue] FROM [Event]" + Within("EventTime", bounded);
  sqlite3_stmt* meas = nullptr;
  sqlite3_stmt* event = nullptr;
  bool ok = sqlite3_prepare_v2(db, measSql.c_str(), -1, &meas, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, eventSql.c_str(), -1, &event, nullptr) == SQLITE_OK;
  if (ok && bounded) {
    for (sqlite3_stmt* st : {meas, event}) {
      sqlite3_bind_text(st, 1, from, -1, SQLITE_STATIC);
      sqlite3_bind_text(st, 2, to, -1, SQLITE_STATIC);
    }
  }
  TimeParser parser;
  auto timeOf = [&parser](sqlite3_stmt* st) {
    return parser.Parse(sqlite3_column_text(st, 0), sqlite3_column_bytes(st, 0));
  };
  int eventStep = ok ? sqlite3_step(event) : SQLITE_DONE;
  time_t eventTime = eventStep == SQLITE_ROW ? timeOf(event) : 0;
  int step = SQLITE_DONE;
  while (ok && (step = sqlite3_step(meas)) == SQLITE_ROW) {
    if (!keep && out.numbers.size() == 1024) {
      out.numbers.clear();
      out.times.clear();
      for (std::vector<float>& v : out.values) v.clear();
      out.events.clear();
    }
    const time_t t = timeOf(meas);
    out.times.push_back(t);
    out.numbers.push_back(sqlite3_column_int(meas, 1));
    for (int c = 0; c < 6; ++c) out.values[c].push_back(static_cast<float>(sqlite3_column_double(meas, 2 + c)));
    out.values[6].push_back(0.0f);
    out.values[7].push_back(static_cast<float>(sqlite3_column_double(meas, 8)));
    // The events at a row's time are that row's; earlier ones have none.
    while (eventStep == SQLITE_ROW && eventTime <= t) {
      if (eventTime == t) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(event, 2));
        out.events.push_back(RawEvent{out.times.size() - 1, sqlite3_column_int(event, 1),
                                      std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(event, 2))),
                                      static_cast<float>(sqlite3_column_double(event, 3))});
      }
      eventStep = sqlite3_step(event);
      if (eventStep == SQLITE_ROW) eventTime = timeOf(event);
    }
  }
  ok = ok && step == SQLITE_DONE && (eventStep == SQLITE_ROW || eventStep == SQLITE_DONE);
  sqlite3_finalize(meas);
  sqlite3_finalize(event);
  sqlite3_close(db);
  return ok;
}

}  // namespace kovo::bench
