// The graph window over a whole task: opening it (reading the rows, the
// statistics pass, the first paint at 1600 × 1000) and the repaint after a
// cursor moved, each beside a plain SQLite query reading the same rows, in
// alternating rounds.
//
//   build/bin/windows_benchmarks
//   KOVO_BENCH_MEASUREMENTS=4000000 KOVO_BENCH_ROUNDS=7 build-rel/bin/windows_benchmarks
//
// $KOVO_BENCH_MEASUREMENTS sets the rows (1,000,000), a thousand of them
// with an event; $KOVO_BENCH_ROUNDS the rounds (5). Needs no display: Qt
// paints offscreen.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "COSequenceObs.h"
#include "GraphView.h"
#include "Installation.h"
#include "PresentationProfile.h"
#include "Paired.h"
#include "WindowLayer.h"
#include "ui/PainterDC.h"
#include "ui/WinApp.h"

namespace {

const int kMeasurements = [] {
  const char* n = std::getenv("KOVO_BENCH_MEASUREMENTS");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}();
constexpr int kWidth = 1600, kHeight = 1000;

struct Fixture {
  kovo::bench::Installation install{PresentationProfile()};
  std::string task;
  std::unique_ptr<CWindowLayer> layer;

  Fixture() {
    task = install.NewTask("graph");
    install.Setup().SetDatabaseDesc("graph");
    sqlite3* db = nullptr;
    sqlite3_open(task.c_str(), &db);
    const std::string rows = std::to_string(kMeasurements);
    // Measurements ten seconds apart: concentrations drifting up and down
    // over hours with a little noise, water and pressure nearly steady.
    // Every thousandth carries an event: nine alarms to one comment.
    const std::string sql =
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " + rows +
        ") INSERT INTO [Meas] SELECT datetime(1700000000 + i * 10, 'unixepoch', 'localtime'), i,"
        " 400 + abs(i % 20000 - 10000) / 50.0 + random() / 9.2e18,"
        " 20 + abs(i % 7000 - 3500) / 500.0 + random() / 9.2e19,"
        " 2 + abs(i % 50000 - 25000) / 10000.0 + random() / 9.2e20,"
        " 35 + abs(i % 3000 - 1500) / 100.0 + random() / 9.2e18,"
        " 0.5 + abs(i % 90000 - 45000) / 90000.0 + random() / 9.2e20,"
        " 9000 + abs(i % 30000 - 15000) / 10.0 + random() / 9.2e17, NULL, 1013.25 FROM r;"
        "INSERT INTO [Event] SELECT [MeasTime], CASE WHEN [MeasNo] / (" + rows +
        " / 1000) % 10 = 0 THEN 0 ELSE 2 END, 'CO2: 25.000 ppm (Limit 1)', 0 FROM [Meas] WHERE [MeasNo] % (" + rows +
        " / 1000) = 0;";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) std::fprintf(stderr, "%s\n", error);
    sqlite3_close(db);
    install.Context().Sequence().Load();
    layer = std::make_unique<CWindowLayer>(install.Context());
    layer->Cursors().SetCursorOn(true);
  }

  // A graph window over every measurement: gases A to E on the left axis,
  // water on the right.
  std::unique_ptr<CGraphView> Open() {
    auto view = std::make_unique<CGraphView>(*layer, nullptr);
    COMeasInterval& interval = view->Interval();
    interval.SetMeasMode(COMeasInterval::kByNumber);
    interval.GetColumns().clear();
    for (int ch = 0; ch <= 5; ++ch) {
      CColumn c(install.Context());
      c.SetChannel(static_cast<unsigned char>(ch));
      c.SetAxis(ch == 5 ? 1 : 0);
      c.SetColorIndex(static_cast<unsigned char>(ch));
      c.SetUnit(COConcUnit::ppm);
      c.SetSequence(&install.Context().ActiveSequence(), &interval);
      interval.GetColumns().push_back(c);
    }
    interval.MoveTo(platform::CTime(), kMeasurements);
    interval.SetLength(kMeasurements);
    view->resize(kWidth, kHeight);
    view->ReloadData();
    // A long read goes on off the user-interface thread: the window is open
    // once its rows have come.
    while (view->IsLoading()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return view;
  }
};

Fixture& TheFixture() {
  static Fixture f;
  return f;
}

void Paint(CGraphView& view) {
  static QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  platform::CPainterDC dc(&painter);
  view.Draw(dc, platform::CRect(0, 0, kWidth, kHeight));
}

void OpenWindow(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    std::unique_ptr<CGraphView> view = f.Open();
    Paint(*view);
    if (view->LastMeasNo() != kMeasurements) state.SkipWithError("not every measurement was drawn");
    state.PauseTiming();
    view.reset();
    state.ResumeTiming();
  }
}

void RepaintAfterCursorMove(benchmark::State& state) {
  Fixture& f = TheFixture();
  // Set up before the timed loop: the window open and painted, a drag begun.
  std::unique_ptr<CGraphView> view = f.Open();
  Paint(*view);
  view->SetActivationTime(std::chrono::steady_clock::now() - std::chrono::seconds(5));
  const platform::CRect plot = view->PlotRect();
  view->ButtonDown(platform::CPoint(plot.left + plot.Width() / 4, plot.top + 10), false);
  int x = plot.left + plot.Width() / 2;
  for (auto _ : state) {
    view->MouseMove(platform::CPoint(x++, plot.top + 10));
    Paint(*view);
  }
  if (!view->IsDragging()) state.SkipWithError("no cursor was dragged");
}

// The same rows through SQLite's own interface, every value read.
void SqliteReadsRows(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(f.task.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT [MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                       "[FilterValues4], [FilterValues5], [FilterValues6], [Pressure] FROM [Meas] ORDER BY [MeasTime]",
                       -1, &st, nullptr);
    double sum = 0;
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      sum += static_cast<double>(sqlite3_column_bytes(st, 0)) + sqlite3_column_int(st, 1);
      for (int c = 2; c < 9; ++c) sum += sqlite3_column_double(st, c);
      ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    benchmark::DoNotOptimize(sum);
    if (rows != kMeasurements) state.SkipWithError("not every row was read");
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::EnsureGuiApplication();
  kovo::bench::RegisterPair("open graph window", {"window", OpenWindow}, {"sqlite", SqliteReadsRows});
  kovo::bench::RegisterPair("repaint after cursor move", {"window", RepaintAfterCursorMove},
                            {"sqlite", SqliteReadsRows});
  return kovo::bench::RunPairs(argc, argv);
}
