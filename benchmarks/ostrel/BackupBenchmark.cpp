// Backup and restore of a measurement task with a million measurements,
// against the sqlite3 shell's ".dump" of the same database and reading that
// dump back.
// Run it by hand: build/bin/ostrel_backup_benchmark
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

#include "Backup.h"
#include "Schema.h"
#include "TestSupport.h"
#include "core/App.h"
#include "core/MessageSink.h"
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
  platform::AppCore app{"Database Administration", {"ostrel"}};
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

  // A fresh task database made from the prototype, as a restore finds it.
  std::string NewTarget() {
    std::string name = "TARGET" + std::to_string(++targets);
    MakeDatabase(name, schema::Measurement());
    return name;
  }

  void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::cerr << "failed: " << command << "\n";
  }
};

Fixture& TheFixture() {
  static Fixture f;
  return f;
}

void BM_Backup(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    CBackupFile out(f.space);
    f.space.Reset();
    if (!out.OpenWrite("BENCH.MEA")) state.SkipWithError("open");
    out.WriteHeader({"BENCHSRC", kTypeMeas, kBackupVersion, "Benchmark", "1"});
    if (!CBackup(out, "BENCHSRC").Backup() || !out.Close()) state.SkipWithError("backup");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(f.dir.File("BENCH.MEA")));
}

void BM_SqliteDump(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) f.Shell("sqlite3 '" + f.DatabaseFile("BENCHSRC") + "' .dump > '" + f.dir.File("dump.sql") + "'");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(f.dir.File("dump.sql")));
}

void BM_Restore(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    state.PauseTiming();
    std::string target = f.NewTarget();
    state.ResumeTiming();
    CBackupFile in(f.space);
    CBackupHeader header;
    if (!in.OpenRead(f.dir.File("BENCH.MEA")) || !in.ReadHeader(&header) || !CBackup(in, target).Restore())
      state.SkipWithError("restore");
  }
}

void BM_SqliteReadDump(benchmark::State& state) {
  Fixture& f = TheFixture();
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string file = f.dir.File("fromdump" + std::to_string(++n) + ".db");
    state.ResumeTiming();
    f.Shell("sqlite3 '" + file + "' < '" + f.dir.File("dump.sql") + "'");
  }
}

BENCHMARK(BM_Backup)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_SqliteDump)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Restore)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_SqliteReadDump)->Unit(benchmark::kSecond)->Iterations(1);

// Prints the two ratios once every benchmark has run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) m_seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto ratio = [&](const char* ours, const char* theirs) {
      auto a = m_seconds.find(ours), b = m_seconds.find(theirs);
      if (a == m_seconds.end() || b == m_seconds.end() || b->second <= 0) return;
      std::printf("%s / %s = %.2f\n", ours, theirs, a->second / b->second);
    };
    ratio("BM_Backup/iterations:1", "BM_SqliteDump/iterations:1");
    ratio("BM_Restore/iterations:1", "BM_SqliteReadDump/iterations:1");
  }

 private:
  std::map<std::string, double> m_seconds;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
