// The graph window over a whole task, each figure beside a plain SQLite read
// of the same rows (their times parsed, the rows kept), in alternating
// rounds:
// - opening it: reading the rows, the statistics pass, the first paint at
//   1600 × 1000; besides, the longest stretch the user-interface thread was
//   busy meanwhile, the first paint apart (ui_block_ms);
// - the repaint after a cursor moved;
// - following a running task that samples every 10 ms, beside the same
//   samples with no window open: the user-interface thread's processor time
//   per sample (ui_ms_per_sample) and its busy stretches, the longest
//   (block_max_ms) and the median of each second's longest (block_median_ms);
//   once with the interval by time, which reads only what a follow added,
//   and once by number, which reads the whole interval off the thread and
//   hands the rows over.
//
//   build/bin/windows_benchmarks
//   KOVO_BENCH_MEASUREMENTS=4000000 KOVO_BENCH_ROUNDS=7 build-rel/bin/windows_benchmarks
//   KOVO_BENCH_EVENTS_PER_ROW=2 build/bin/windows_benchmarks --benchmark_filter=open
//
// $KOVO_BENCH_MEASUREMENTS sets the rows (1,000,000), a thousand of them
// with an event unless $KOVO_BENCH_EVENTS_PER_ROW gives every row that many
// (1 or 2); $KOVO_BENCH_FOLLOW_SAMPLES the samples a follow takes (500);
// $KOVO_BENCH_ROUNDS the rounds (5). Needs no display: Qt paints offscreen.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "COGenSub.h"
#include "COSequenceObs.h"
#include "GraphView.h"
#include "Installation.h"
#include "Paired.h"
#include "RawRows.h"
#include "WindowLayer.h"
#include "db/DateText.h"
#include "ui/PainterDC.h"
#include "ui/WinApp.h"

namespace {

int EnvCount(const char* name, int otherwise) {
  const char* n = std::getenv(name);
  return n && std::atoi(n) > 0 ? std::atoi(n) : otherwise;
}

const int kMeasurements = EnvCount("KOVO_BENCH_MEASUREMENTS", 1000000);
const int kEventsPerRow = std::min(2, EnvCount("KOVO_BENCH_EVENTS_PER_ROW", 0));
const int kFollowSamples = EnvCount("KOVO_BENCH_FOLLOW_SAMPLES", 500);
constexpr int kWidth = 1600, kHeight = 1000;
constexpr time_t kFirst = 1700000000;  // measurement i at kFirst + 10 i

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The stretches the user-interface thread is busy, seen as the delays of a
// timer due every 5 ms (few enough wake-ups not to weigh on what is
// measured): from Begin() to End().
class BusyWatch {
 public:
  BusyWatch() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Mark(); });
    m_clock.start();
  }
  void Begin() {
    m_last = m_clock.nsecsElapsed();
    m_timer.start(kEveryMs);
  }
  void End() {
    Mark();
    m_timer.stop();
  }
  double Longest() const {
    double worst = 0;
    for (const Stretch& s : m_stretches) worst = std::max(worst, s.ms);
    return worst;
  }
  // The median over each second of the watch of its longest stretch.
  double MedianOfEachSecondsLongest() const {
    std::vector<double> worst;
    for (const Stretch& s : m_stretches) {
      const size_t second = static_cast<size_t>(s.startMs / 1000);
      if (worst.size() <= second) worst.resize(second + 1, 0.0);
      worst[second] = std::max(worst[second], s.ms);
    }
    if (worst.empty()) return 0;
    std::sort(worst.begin(), worst.end());
    return worst[worst.size() / 2];
  }

 private:
  static constexpr int kEveryMs = 5;
  struct Stretch {
    double startMs, ms;
  };
  // The time since the last look, beyond the timer's own period, was spent
  // elsewhere on the thread.
  void Mark() {
    const qint64 now = m_clock.nsecsElapsed();
    m_stretches.push_back({m_last / 1e6, std::max(0.0, (now - m_last) / 1e6 - kEveryMs)});
    m_last = now;
  }
  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = 0;
  std::vector<Stretch> m_stretches;
};

// Until the window's read has delivered; the wait sleeps in the event loop
// until the read's thread hands its rows over.
void WaitForRows(CGraphView& view) {
  while (view.IsLoading()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

struct Fixture {
  kovo::bench::Installation install{"Presentation"};
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
    std::string sql =
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " + rows +
        ") INSERT INTO [Meas] SELECT datetime(" + std::to_string(kFirst) + " + i * 10, 'unixepoch', 'localtime'), i,"
        " 400 + abs(i % 20000 - 10000) / 50.0 + random() / 9.2e18,"
        " 20 + abs(i % 7000 - 3500) / 500.0 + random() / 9.2e19,"
        " 2 + abs(i % 50000 - 25000) / 10000.0 + random() / 9.2e20,"
        " 35 + abs(i % 3000 - 1500) / 100.0 + random() / 9.2e18,"
        " 0.5 + abs(i % 90000 - 45000) / 90000.0 + random() / 9.2e20,"
        " 9000 + abs(i % 30000 - 15000) / 10.0 + random() / 9.2e17, NULL, 1013.25 FROM r;";
    if (kEventsPerRow > 0) {
      // Every row an alarm and, with two, a comment.
      sql += "INSERT INTO [Event] SELECT [MeasTime], 0, 'CO2: 25.000 ppm (Limit 1)', 25.0 FROM [Meas];";
      if (kEventsPerRow > 1) sql += "INSERT INTO [Event] SELECT [MeasTime], 2, 'C', 1.0 FROM [Meas];";
    } else {
      // Every thousandth carries an event: nine alarms to one comment.
      sql += "INSERT INTO [Event] SELECT [MeasTime], CASE WHEN [MeasNo] / (" + rows +
             " / 1000) % 10 = 0 THEN 0 ELSE 2 END, 'CO2: 25.000 ppm (Limit 1)', 0 FROM [Meas] WHERE [MeasNo] % (" +
             rows + " / 1000) = 0;";
    }
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) std::fprintf(stderr, "%s\n", error);
    sqlite3_close(db);
    install.Context().Sequence().Load();
    // A running task's samples move the sequence on, which the windows follow.
    install.Context().GenSub().Attach(&install.Context().Sequence());
    layer = std::make_unique<CWindowLayer>(install.Context());
    layer->Cursors().SetCursorOn(true);
  }
  ~Fixture() { install.Context().GenSub().Detach(&install.Context().Sequence()); }

  // A graph window over every measurement: gases A to E on the left axis,
  // water on the right; by number unless byTime.
  std::unique_ptr<CGraphView> Open(bool byTime = false) {
    auto view = std::make_unique<CGraphView>(*layer, nullptr);
    COMeasInterval& interval = view->Interval();
    interval.SetMeasMode(byTime ? COMeasInterval::kByTime : COMeasInterval::kByNumber);
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
    if (byTime) {
      interval.SetStartTime(platform::CTime(kFirst + 10));
      interval.SetEndTime(platform::CTime(kFirst + 10L * kMeasurements));
    } else {
      interval.MoveTo(platform::CTime(), kMeasurements);
      interval.SetLength(kMeasurements);
    }
    view->resize(kWidth, kHeight);
    view->ReloadData();
    // A long read goes on off the user-interface thread: the window is open
    // once its rows have come.
    WaitForRows(*view);
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
    BusyWatch busy;
    busy.Begin();
    std::unique_ptr<CGraphView> view = f.Open();
    busy.End();
    Paint(*view);
    state.counters["ui_block_ms"] = busy.Longest();
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
  kovo::bench::ResetPeak();
  for (auto _ : state) {
    view->MouseMove(platform::CPoint(x++, plot.top + 10));
    Paint(*view);
  }
  if (!view->IsDragging()) state.SkipWithError("no cursor was dragged");
}

// The same rows through SQLite's own interface, their times parsed and the
// rows kept.
void SqliteReadsRows(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    kovo::bench::RawRows rows;
    if (!kovo::bench::ReadRawRows(f.task, nullptr, nullptr, rows) || rows.numbers.size() != static_cast<size_t>(kMeasurements))
      state.SkipWithError("not every row was read");
    benchmark::DoNotOptimize(rows.values[0].data());
  }
}

// A running task's samples, one every 10 ms, each stored and announced as
// the program's database observer and measurement subject do; with a graph
// window open (by time or by number) or none. The samples are taken away
// again afterwards.
void Follow(benchmark::State& state, int window) {
  enum { kNone, kByTime, kByNumber };
  Fixture& f = TheFixture();
  std::unique_ptr<CGraphView> view;
  if (window != kNone) {
    view = f.Open(window == kByTime);
    // Shown, so that each follow repaints it as on a screen.
    view->show();
    Paint(*view);
  }
  sqlite3* db = nullptr;
  sqlite3_open_v2(f.task.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO [Meas] ([MeasTime], [MeasNo], [FilterValues1], [FilterValues2], [FilterValues3], "
                     "[FilterValues4], [FilterValues5], [FilterValues6], [Pressure]) VALUES (?,?,?,?,?,?,?,?,?)",
                     -1, &insert, nullptr);
  kovo::bench::ResetPeak();
  int sample = 0;
  for (auto _ : state) {
    BusyWatch busy;
    busy.Begin();
    const double cpu0 = ThreadCpuMs();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const int number = kMeasurements + ++sample;
      COMeas m;
      m.SetMeasNo(number);
      m.SetTime(platform::CTime(kFirst + 10L * number));
      for (int c = 0; c < 6; ++c) m.SetValue(c, 400.0f + static_cast<float>(number % 100) + c);
      m.SetValue(COMeas::chPressure, 1013.0f);
      char time[20];
      platform::db::DateToText(m.GetMeasTime(), time);
      sqlite3_bind_text(insert, 1, time, 19, SQLITE_TRANSIENT);
      sqlite3_bind_int(insert, 2, number);
      for (int c = 0; c < 6; ++c) sqlite3_bind_double(insert, 3 + c, m.GetValue(c));
      sqlite3_bind_double(insert, 9, m.GetValue(COMeas::chPressure));
      sqlite3_step(insert);
      sqlite3_reset(insert);
      f.install.Context().GenSub().NotifyMeas(eNewMeas, m);
    });
    tick.start(10);
    while (sample < kFollowSamples) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    tick.stop();
    // The follow a last sample asked for comes within a second.
    bool settled = false;
    QTimer::singleShot(1200, [&settled] { settled = true; });
    while (!settled) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (view) WaitForRows(*view);
    busy.End();
    state.counters["ui_ms_per_sample"] = (ThreadCpuMs() - cpu0) / sample;
    state.counters["block_max_ms"] = busy.Longest();
    state.counters["block_median_ms"] = busy.MedianOfEachSecondsLongest();
  }
  if (view) {
    Paint(*view);
    if (view->LastMeasNo() != kMeasurements + sample) state.SkipWithError("the window did not follow");
  }
  view.reset();
  sqlite3_finalize(insert);
  const std::string undo = "DELETE FROM [Meas] WHERE [MeasNo] > " + std::to_string(kMeasurements);
  sqlite3_exec(db, undo.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::EnsureGuiApplication();
  // The task is made before any round, so that no round counts its making.
  TheFixture();
  using kovo::bench::RegisterPair;
  RegisterPair("open graph window", {"window", OpenWindow}, {"sqlite", SqliteReadsRows});
  RegisterPair("repaint after cursor move", {"window", RepaintAfterCursorMove}, {"sqlite", SqliteReadsRows});
  RegisterPair("follow, by time", {"window", [](benchmark::State& s) { Follow(s, 1); }},
               {"no window", [](benchmark::State& s) { Follow(s, 0); }});
  RegisterPair("follow, by number", {"window", [](benchmark::State& s) { Follow(s, 2); }},
               {"no window", [](benchmark::State& s) { Follow(s, 0); }});
  return kovo::bench::RunPairs(argc, argv);
}
