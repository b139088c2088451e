// Backup and restore of a measurement task with a million measurements, each
// beside the sqlite3 shell doing the same work: ".dump" of the same database,
// and reading that dump back into a new one. Rounds alternate which of the
// two goes first.
//
//   build/bin/ostrel_backup_benchmark
//
// Needs the sqlite3 tool and about a gigabyte of temporary space;
// $KOVO_BENCH_ROUNDS sets the rounds (5).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "Backup.h"
#include "Paired.h"
#include "Schema.h"
#include "TestSupport.h"
#include "core/App.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "db/DataSource.h"
#include "db/Database.h"

namespace {

// A million measurements ten seconds apart, values with every digit a double
// has, the absent-value marker in one filter.
const char kMeasRows[] =
    "INSERT INTO [Meas] WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 1000000)"
    " SELECT datetime(1700000000 + i * 10, 'unixepoch'), i, random() / 9.2e16, random() / 9.2e18,"
    " random() / 9.2e20, 3.4e38, (i % 1000) / 8.0, abs(random()) / 9.2e15, 293.15 + (i % 100) / 10.0, 1013.25 FROM r;";

struct Fixture {
  kovo::test::TempDir dir;
  platform::ProgramTexts programTexts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  platform::ScriptedMessageSink messages;
  ScriptedDirChooser chooser;
  FixedFreeSpace free{uint64_t(1) << 40};
  SpaceControl space;
  int targets = 0;

  Fixture() {
    setenv("ODBCINI", dir.File("odbc.ini").c_str(), 1);
    chooser.AnswerAlways(dir.Path());
    space.SetFreeSpace(&free);
    MakeDatabase("BENCHSRC", std::string(schema::Measurement()) + kMeasRows);
  }

  std::string DatabaseFile(const std::string& name) const { return dir.File(name + ".db"); }

  void MakeDatabase(const std::string& name, const std::string& script) {
    platform::db::CreateDatabase("TARNIC:" + name, "benchmark", DatabaseFile(name), script);
  }

  // A fresh task database made from the prototype, as a restore finds it;
  // the one before goes, to keep the space the run needs small.
  std::string NewTarget() {
    if (targets > 0) Remove(DatabaseFile("TARGET" + std::to_string(targets)));
    std::string name = "TARGET" + std::to_string(++targets);
    MakeDatabase(name, schema::Measurement());
    return name;
  }

  static void Remove(const std::string& file) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix, ec);
  }

  static void Shell(benchmark::State& state, const std::string& command) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
  }
};

Fixture& TheFixture() {
  static Fixture f;
  return f;
}

void Backup(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    state.PauseTiming();
    Fixture::Remove(f.dir.File("BENCH.MEA"));
    f.space.Reset();
    state.ResumeTiming();
    CBackupFile out(f.space);
    if (!out.OpenWrite("BENCH.MEA")) state.SkipWithError("open");
    out.WriteHeader({"BENCHSRC", kTypeMeas, kBackupVersion, "Benchmark", "1"});
    if (!CBackup(out, "BENCHSRC").Backup() || !out.Close()) state.SkipWithError("backup");
  }
}

void SqliteDump(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state)
    Fixture::Shell(state, "sqlite3 '" + f.DatabaseFile("BENCHSRC") + "' .dump > '" + f.dir.File("dump.sql") + "'");
}

void Restore(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string target = f.NewTarget();
    state.ResumeTiming();
    CBackupFile in(f.space);
    CBackupHeader header;
    if (!in.OpenRead(f.dir.File("BENCH.MEA")) || !in.ReadHeader(&header) || !CBackup(in, target).Restore())
      state.SkipWithError("restore");
  }
}

void SqliteReadDump(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string file = f.dir.File("fromdump.db");
    Fixture::Remove(file);
    state.ResumeTiming();
    Fixture::Shell(state, "sqlite3 '" + file + "' < '" + f.dir.File("dump.sql") + "'");
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  using kovo::bench::RegisterPair;
  // The restores read what the backups and dumps of the rounds before wrote.
  RegisterPair("backup", {"ours", Backup}, {"sqlite3 .dump", SqliteDump});
  RegisterPair("restore", {"ours", Restore}, {"sqlite3 < dump", SqliteReadDump});
  return kovo::bench::RunPairs(argc, argv);
}
