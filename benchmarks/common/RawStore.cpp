#include "RawStore.h"

#include "db/DateText.h"

namespace kovo::bench {

sqlite3* OpenRaw(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  return db;
}

RawStatements::RawStatements(sqlite3* db) {
  sqlite3_prepare_v2(db,
                     "INSERT INTO [Meas] ([MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                     "[FilterValues4], [FilterValues5], [FilterValues6], [Pressure]) VALUES (?,?,?,?,?,?,?,?,?)",
                     -1, &m_meas, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO [Event] ([EventTime], [EventType], [EventText], [FloatValue]) VALUES (?,?,?,?)",
                     -1, &m_event, nullptr);
}

RawStatements::~RawStatements() {
  sqlite3_finalize(m_meas);
  sqlite3_finalize(m_event);
}

void RawStatements::Store(const COMeas& m, int number) {
  char time[20];
  platform::db::DateToText(m.GetMeasTime(), time);
  sqlite3_bind_text(m_meas, 1, time, 19, SQLITE_TRANSIENT);
  sqlite3_bind_int(m_meas, 2, number);
  for (int c = 0; c < 6; ++c) sqlite3_bind_double(m_meas, 3 + c, m.GetValue(c));
  sqlite3_bind_double(m_meas, 9, m.GetValue(COMeas::chPressure));
  sqlite3_step(m_meas);
  sqlite3_reset(m_meas);
  for (const COEvent& e : m.GetEvents()) {
    const std::string text = e.GetText();
    sqlite3_bind_text(m_event, 1, time, 19, SQLITE_TRANSIENT);
    sqlite3_bind_int(m_event, 2, e.GetType());
    sqlite3_bind_text(m_event, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(m_event, 4, e.GetValue());
    sqlite3_step(m_event);
    sqlite3_reset(m_event);
  }
}

}  // namespace kovo::bench
