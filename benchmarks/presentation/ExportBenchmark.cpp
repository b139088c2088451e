// The text export of a window over a whole task (by measurement number, the
// six gas and water columns) beside the sqlite3 shell writing the same rows
// tab-separated to a file, in alternating rounds.
//
//   build/bin/presentation_benchmarks
//
// Needs the sqlite3 tool. $KOVO_BENCH_MEASUREMENTS sets the rows (1,000,000),
// $KOVO_BENCH_ROUNDS the rounds (5).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "COSequenceObs.h"
#include "Installation.h"
#include "PresentationProfile.h"
#include "MeasInterval.h"
#include "MeasReader.h"
#include "Paired.h"
#include "TextExport.h"

namespace {

const int kMeasurements = [] {
  const char* n = std::getenv("KOVO_BENCH_MEASUREMENTS");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}();

struct Fixture {
  kovo::bench::Installation install{PresentationProfile()};
  std::string task;

  Fixture() {
    task = install.NewTask("export");
    install.Setup().SetDatabaseDesc("export");
    sqlite3* db = nullptr;
    sqlite3_open(task.c_str(), &db);
    const std::string rows = std::to_string(kMeasurements);
    // Measurements ten seconds apart, a thousand of them with an event.
    const std::string sql =
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " + rows +
        ") INSERT INTO [Meas] SELECT datetime(1700000000 + i * 10, 'unixepoch', 'localtime'), i, random() / 9.2e16,"
        " random() / 9.2e18, random() / 9.2e20, (i % 1000) / 8.0, abs(random()) / 9.2e15, 9000 + i % 100, NULL,"
        " 1013.25 FROM r;"
        "INSERT INTO [Event] SELECT [MeasTime], 2, 'CO2: 25.000 ppm (Limit 1)', 0 FROM [Meas] WHERE [MeasNo] % (" +
        rows + " / 1000) = 0;";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) std::fprintf(stderr, "%s\n", error);
    sqlite3_close(db);
    install.Context().Sequence().Load();
  }

  COMeasInterval Interval() {
    COMeasInterval interval(install.Context());
    interval.SetMeasMode(COMeasInterval::kByNumber);
    interval.GetColumns().clear();
    for (int ch = 0; ch <= 5; ++ch) {
      CColumn c(install.Context());
      c.SetChannel(static_cast<unsigned char>(ch));
      c.SetUnit(COConcUnit::ppm);
      c.SetSequence(&install.Context().ActiveSequence(), &interval);
      interval.GetColumns().push_back(c);
    }
    interval.MoveTo(platform::CTime(), kMeasurements);
    interval.SetLength(kMeasurements);
    return interval;
  }
  std::string Output() const { return install.Folder() + "/export.txt"; }
};

Fixture& TheFixture() {
  static Fixture f;
  return f;
}

void ExportWindow(benchmark::State& state) {
  Fixture& f = TheFixture();
  const COMeasInterval interval = f.Interval();
  for (auto _ : state) {
    COMeasLoader loader(f.install.Context());
    if (!text_export::Export(f.Output(), f.install.Context(), interval, loader, "M/d/yy"))
      state.SkipWithError("the export failed");
    loader.Close();
  }
}

void ShellWritesRows(benchmark::State& state) {
  Fixture& f = TheFixture();
  // The separator is a tab between single quotes: /bin/sh has no $'\t'.
  const std::string command = "sqlite3 -separator '\t' '" + f.task +
                              "' 'SELECT [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                              "[FilterValues4], [FilterValues5], [FilterValues6] FROM [Meas] ORDER BY [MeasTime]' > '" +
                              f.Output() + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("the sqlite3 tool failed");
}

}  // namespace

int main(int argc, char** argv) {
  kovo::bench::RegisterPair("export", {"window", ExportWindow}, {"sqlite3", ShellWritesRows});
  return kovo::bench::RunPairs(argc, argv);
}
