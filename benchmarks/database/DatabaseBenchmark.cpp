// Storing and reading measurements through the record classes, each beside
// the same work through SQLite's own interface, in alternating rounds; and a
// plain query through the ODBC driver beside the same read through SQLite,
// which shows what the driver alone costs. Every measurement carries two
// events. A read through SQLite parses the times and keeps the rows as a
// window's read does.
//
//   build/bin/database_benchmarks
//   KOVO_BENCH_MEASUREMENTS=1000000 build/bin/database_benchmarks --benchmark_filter=read
//
// $KOVO_BENCH_MEASUREMENTS sets the rows (100,000 by default),
// $KOVO_BENCH_ROUNDS the rounds (5).
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "COSystemSetup.h"
#include "DBFiles.h"
#include "DataContext.h"
#include "MeasReader.h"
#include "ObserverSteps.h"
#include "Installation.h"
#include "Paired.h"
#include "RawRows.h"
#include "db/DataSource.h"
#include "db/DateText.h"

namespace {

const int kMeasurements = [] {
  const char* n = std::getenv("KOVO_BENCH_MEASUREMENTS");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 100000;
}();
const platform::CTime kBase(2024, 1, 1, 0, 0, 0);

kovo::bench::Installation& Install() {
  static kovo::bench::Installation installation("Online");
  return installation;
}

COMeas Measurement(int i) {
  COMeas m;
  m.SetTime(kBase + platform::CTimeSpan(i));
  for (int c = 0; c < 8; ++c) m.SetValue(c, 0.5f * static_cast<float>(i) + static_cast<float>(c));
  m.AddEvent(COEvent(COEvent::typeAlarm, "CO: 25.000 ppm (Limit 1)", 0.0f));
  m.AddEvent(COEvent(3, "C", 1.0f));
  return m;
}

// A connection as the database layer opens each of its own: no mutex, the
// write-ahead log, synchronous NORMAL.
sqlite3* OpenRaw(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  return db;
}

// The statements that store a measurement's row and its events, as the
// record classes store them (no temperature outside the calibration).
struct RawStatements {
  explicit RawStatements(sqlite3* db) {
    sqlite3_prepare_v2(db,
                       "INSERT INTO [Meas] ([MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                       "[FilterValues4], [FilterValues5], [FilterValues6], [Pressure]) VALUES (?,?,?,?,?,?,?,?,?)",
                       -1, &meas, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO [Event] ([EventTime], [EventType], [EventText], [FloatValue]) VALUES (?,?,?,?)",
                       -1, &event, nullptr);
  }
  ~RawStatements() {
    sqlite3_finalize(meas);
    sqlite3_finalize(event);
  }
  void Store(const COMeas& m, int number) {
    char time[20];
    platform::db::DateToText(m.GetMeasTime(), time);
    sqlite3_bind_text(meas, 1, time, 19, SQLITE_TRANSIENT);
    sqlite3_bind_int(meas, 2, number);
    for (int c = 0; c < 6; ++c) sqlite3_bind_double(meas, 3 + c, m.GetValue(c));
    sqlite3_bind_double(meas, 9, m.GetValue(COMeas::chPressure));
    sqlite3_step(meas);
    sqlite3_reset(meas);
    for (const COEvent& e : m.GetEvents()) {
      const std::string text = e.GetText();
      sqlite3_bind_text(event, 1, time, 19, SQLITE_TRANSIENT);
      sqlite3_bind_int(event, 2, e.GetType());
      sqlite3_bind_text(event, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      sqlite3_bind_double(event, 4, e.GetValue());
      sqlite3_step(event);
      sqlite3_reset(event);
    }
  }
  sqlite3_stmt* meas = nullptr;
  sqlite3_stmt* event = nullptr;
};

// --- storing ---

void StoreThroughRecordClasses(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Install().NewTask("store record classes");
    auto steps = std::make_unique<kovo::test::ObserverSteps>(Install().Context());
    state.ResumeTiming();
    for (int i = 0; i < kMeasurements; ++i) {
      COMeas m = Measurement(i);
      steps->Write(m);
    }
    state.PauseTiming();
    steps->Close();
    state.ResumeTiming();
  }
}

void StoreThroughSqliteApi(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3* db = OpenRaw(Install().NewTask("store sqlite"));
    auto raw = std::make_unique<RawStatements>(db);
    state.ResumeTiming();
    for (int i = 0; i < kMeasurements; ++i) raw->Store(Measurement(i), i + 1);
    state.PauseTiming();
    raw.reset();
    sqlite3_close(db);
    state.ResumeTiming();
  }
}

// --- reading ---

// A task of the measurements with two events each, made once.
const std::string& ReadTask() {
  static const std::string name = [] {
    sqlite3* db = OpenRaw(Install().NewTask("read"));
    std::string taskName = Install().Setup().GetDatabaseName();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    {
      RawStatements raw(db);
      for (int i = 0; i < kMeasurements; ++i) raw.Store(Measurement(i), i + 1);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return taskName;
  }();
  Install().Setup().SetDatabaseName(name);
  return name;
}

const char kMeasQuery[] =
    "SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], [FilterValues4], "
    "[FilterValues5], [FilterValues6], [Pressure] FROM [Meas] WHERE [MeasTime] >= ?1 AND [MeasTime] <= ?2 "
    "ORDER BY [MeasTime]";
const char kEventQuery[] =
    "SELECT [EventTime], [EventType], [EventText], [FloatValue] FROM [Event] "
    "WHERE [EventTime] >= ?1 AND [EventTime] <= ?2 ORDER BY [EventTime]";

// The stored task's whole time span.
void WholeTask(COMeasInterval& interval) {
  ReadTask();
  interval.SetMeasMode(COMeasInterval::kByTime);
  interval.SetStartTime(kBase);
  interval.SetEndTime(kBase + platform::CTimeSpan(kMeasurements - 1));
}

// Each read opens the task as a window does, and reads every row of it.
void ReadThroughLoader(benchmark::State& state) {
  COMeasInterval interval(Install().Context());
  WholeTask(interval);
  for (auto _ : state) {
    COMeasLoader loader(Install().Context());
    double sum = 0.0;
    size_t rows = 0, events = 0;
    loader.SetInterval(&interval);
    for (loader.MoveFirst(); !loader.IsEOF(); loader.MoveNext()) {
      const COMeas& m = loader.GetCurrent();
      sum += m.GetValue(0);
      events += m.GetEvents().size();
      ++rows;
    }
    loader.Close();
    benchmark::DoNotOptimize(sum);
    if (rows != static_cast<size_t>(kMeasurements) || events != 2u * kMeasurements) state.SkipWithError("rows missing");
  }
}

// The same interval as a window reads it: into columns, straight from the
// task's file.
void ReadIntoColumns(benchmark::State& state) {
  COMeasInterval interval(Install().Context());
  WholeTask(interval);
  for (auto _ : state) {
    COMeasBuffer buffer(Install().Context());
    buffer.SetInterval(&interval);
    const COMeasColumns& rows = buffer.Rows();
    double sum = 0.0;
    for (size_t i = 0; i < rows.Size(); ++i) sum += rows.Value(i, 0);
    benchmark::DoNotOptimize(sum);
    if (rows.Size() != static_cast<size_t>(kMeasurements) || rows.EventCount() != 2u * kMeasurements)
      state.SkipWithError("rows missing");
  }
}

// The same rows through SQLite's own interface, their times parsed; kept as
// a window's read keeps them, or (unless keep) passed over as the loader
// passes them on.
void ReadThroughSqliteApi(benchmark::State& state, bool keep) {
  const std::string file = Install().Setup().DataFile(ReadTask());
  const std::string from = platform::db::DateToText(kBase);
  const std::string to = platform::db::DateToText(kBase + platform::CTimeSpan(kMeasurements - 1));
  for (auto _ : state) {
    kovo::bench::RawRows rows;
    if (!kovo::bench::ReadRawRows(file, from.c_str(), to.c_str(), rows, keep) ||
        (keep && (rows.numbers.size() != static_cast<size_t>(kMeasurements) || rows.events.size() != 2u * kMeasurements)))
      state.SkipWithError("rows missing");
    benchmark::DoNotOptimize(rows.values[0].data());
  }
}

// The same queries through SQLite's own interface, every value fetched and
// nothing kept: what the ODBC driver is measured against.
void ReadPlainThroughSqliteApi(benchmark::State& state) {
  const std::string file = Install().Setup().DataFile(ReadTask());
  const std::string from = platform::db::DateToText(kBase);
  const std::string to = platform::db::DateToText(kBase + platform::CTimeSpan(kMeasurements - 1));
  for (auto _ : state) {
    sqlite3* db = OpenRaw(file);
    sqlite3_stmt* meas = nullptr;
    sqlite3_stmt* event = nullptr;
    sqlite3_prepare_v2(db, kMeasQuery, -1, &meas, nullptr);
    sqlite3_prepare_v2(db, kEventQuery, -1, &event, nullptr);
    double sum = 0.0;
    size_t rows = 0, events = 0;
    for (sqlite3_stmt* s : {meas, event}) {
      sqlite3_bind_text(s, 1, from.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(s, 2, to.c_str(), -1, SQLITE_STATIC);
    }
    while (sqlite3_step(meas) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(meas, 0));
      sum += sqlite3_column_int(meas, 1);
      for (int c = 2; c < 9; ++c) sum += sqlite3_column_double(meas, c);
      ++rows;
    }
    while (sqlite3_step(event) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(event, 0));
      benchmark::DoNotOptimize(sqlite3_column_text(event, 2));
      sum += sqlite3_column_int(event, 1) + sqlite3_column_double(event, 3);
      ++events;
    }
    sqlite3_finalize(meas);
    sqlite3_finalize(event);
    sqlite3_close(db);
    benchmark::DoNotOptimize(sum);
    if (rows != static_cast<size_t>(kMeasurements) || events != 2u * kMeasurements) state.SkipWithError("rows missing");
  }
}

// The same queries through the ODBC driver, with the settings of the suite's
// data sources and the values fetched into bound columns.
void ReadThroughOdbcDriver(benchmark::State& state) {
  const std::string file = Install().Setup().DataFile(ReadTask());
  const std::string from = platform::db::DateToText(kBase);
  const std::string to = platform::db::DateToText(kBase + platform::CTimeSpan(kMeasurements - 1));
  auto literal = [&](std::string sql) {
    for (const auto& [mark, value] : {std::make_pair("?1", from), std::make_pair("?2", to)})
      sql.replace(sql.find(mark), 2, "'" + value + "'");
    return sql;
  };
  const std::string meas = literal(kMeasQuery);
  const std::string event = literal(kEventQuery);
  SQLHENV env = SQL_NULL_HENV;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  for (auto _ : state) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string cs = "DRIVER={SQLite3};Database=" + file + ";StepAPI=1;JournalMode=WAL;SyncPragma=NORMAL;NoCreat=1";
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT)))
      state.SkipWithError("connect");
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    double sum = 0.0;
    char text[1024];
    SQLLEN ind[9];
    SQLINTEGER no = 0;
    SQLDOUBLE values[7];
    size_t rows = 0, events = 0;
    SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(meas.c_str())), SQL_NTS);
    SQLBindCol(st, 1, SQL_C_CHAR, text, sizeof text, &ind[0]);
    SQLBindCol(st, 2, SQL_C_SLONG, &no, 0, &ind[1]);
    for (int c = 0; c < 7; ++c) SQLBindCol(st, static_cast<SQLUSMALLINT>(3 + c), SQL_C_DOUBLE, &values[c], 0, &ind[2 + c]);
    while (SQL_SUCCEEDED(SQLFetch(st))) {
      sum += no;
      for (double v : values) sum += v;
      ++rows;
    }
    SQLFreeStmt(st, SQL_CLOSE);
    SQLFreeStmt(st, SQL_UNBIND);
    SQLINTEGER type = 0;
    char when[64];
    SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(event.c_str())), SQL_NTS);
    SQLBindCol(st, 1, SQL_C_CHAR, when, sizeof when, &ind[0]);
    SQLBindCol(st, 2, SQL_C_SLONG, &type, 0, &ind[1]);
    SQLBindCol(st, 3, SQL_C_CHAR, text, sizeof text, &ind[2]);
    SQLBindCol(st, 4, SQL_C_DOUBLE, &values[0], 0, &ind[3]);
    while (SQL_SUCCEEDED(SQLFetch(st))) {
      sum += type + values[0];
      ++events;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    benchmark::DoNotOptimize(sum);
    if (rows != static_cast<size_t>(kMeasurements) || events != 2u * kMeasurements) state.SkipWithError("rows missing");
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
}

}  // namespace

int main(int argc, char** argv) {
  using kovo::bench::RegisterPair;
  // The task to read is made before any round, so that no round counts it.
  ReadTask();
  RegisterPair("store measurements", {"observer", StoreThroughRecordClasses}, {"C API", StoreThroughSqliteApi});
  RegisterPair("read an interval", {"loader", ReadThroughLoader},
               {"C API", [](benchmark::State& s) { ReadThroughSqliteApi(s, false); }});
  RegisterPair("read an interval for a window", {"columns", ReadIntoColumns},
               {"C API", [](benchmark::State& s) { ReadThroughSqliteApi(s, true); }});
  RegisterPair("read, ODBC driver alone", {"ODBC", ReadThroughOdbcDriver}, {"C API plain", ReadPlainThroughSqliteApi});
  return kovo::bench::RunPairs(argc, argv);
}
