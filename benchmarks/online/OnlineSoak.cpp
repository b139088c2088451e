// A long run of the Online program's main window on the simulated monitor,
// both cycling every 10 ms: a task with two filters measures with a numeric,
// a status and (when the program has one) a graph window open, while the
// program's memory, the user-interface thread's delays and the stored
// samples are watched. Run by hand:
//   build/bin/online_soak [--samples N] [--report-every N] [--window-minutes N] [--cycle-ms N] [--stored N]
// --cycle-ms sets both cycles (10 ms unless given). --stored N puts N earlier
// measurements, a second apart, into the task before it starts, so that the
// windows open over a long task (--window-minutes 20000 shows a million of
// them whole).
// The numeric and graph windows show the program's one hour unless
// --window-minutes sets their span, as their properties sheet would; the
// memory is taken as warmed up once a tenth of the samples have come and that
// span has filled (the earlier rows count), since until then each window
// holds more rows; when the span cannot fill within the run, at a tenth of
// the samples alone. The run passes (exit 0) when every sample was stored and
// the memory stayed within a tenth above its warmed-up figure; it reports
// the user-interface thread's worst delay, also after the warm-up.
// The simulated monitor runs as a process of its own (build/bin/kovo-simulator),
// so only the program's memory is measured. It and the run's folder
// (/tmp/kovo-soak-*) go when the run ends, however it ends; the monitor also
// when the run is killed.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <sqlite3.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "OnlineApp.h"
#include "OnlineCommands.h"
#include "TarnicBaseApp.h"
#include "IntervalView.h"
#include "ViewBase.h"
#include "core/Subject.h"

namespace {

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

long CountStored(const std::string& file) {
  sqlite3* db = nullptr;
  long count = -1;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM [Meas]", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      count = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return count;
}

volatile sig_atomic_t g_stopRequested = 0;
void RequestStop(int) { g_stopRequested = 1; }

// What the run leaves behind until it ends: the simulated monitor and the
// run's folder. Cleared on every way out, std::exit included.
struct Leftovers {
  pid_t monitor = -1;
  std::string folder;

  void Clear() {
    if (monitor > 0) {
      kill(monitor, SIGTERM);
      waitpid(monitor, nullptr, 0);
      monitor = -1;
    }
    if (!folder.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
      folder.clear();
    }
  }
};

Leftovers& TheLeftovers() {
  static Leftovers leftovers;
  return leftovers;
}

struct ClearLeftoversAtEnd {
  ClearLeftoversAtEnd() {
    std::atexit([] { TheLeftovers().Clear(); });
  }
  ~ClearLeftoversAtEnd() { TheLeftovers().Clear(); }
};

int Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return 1;
}

class Counter : public CObserver {
 public:
  explicit Counter(COGenSub& sub) : m_sub(sub) { m_sub.Attach(this); }
  ~Counter() override { m_sub.Detach(this); }
  void Update(CSubject*) override {
    if (m_sub.GetUpdType() == eNewMeas) ++count;
  }
  long count = 0;

 private:
  COGenSub& m_sub;
};

const char kUsage[] =
    "usage: online_soak [--samples N] [--report-every N] [--window-minutes N] [--cycle-ms N]\n"
    "  --samples N         samples to measure (1000000)\n"
    "  --report-every N    print the memory and the worst delay every N samples (10000)\n"
    "  --window-minutes N  span of the numeric and graph windows (60)\n"
    "  --cycle-ms N        the monitor's and the program's cycle, 1 to 1000 (10)\n"
    "  --stored N          measurements in the task before the run, a second apart (none)\n"
    "  --help              print this and end\n";

struct Options {
  long samples = 1000000;
  long reportEvery = 10000;
  long windowMinutes = 60;
  long cycleMs = 10;
  long stored = 0;
};

// A whole positive number, nothing after it.
bool ParseCount(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v <= 0) return false;
  *value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    long* target = arg == "--samples"          ? &o.samples
                   : arg == "--report-every"   ? &o.reportEvery
                   : arg == "--window-minutes" ? &o.windowMinutes
                   : arg == "--cycle-ms"       ? &o.cycleMs
                   : arg == "--stored"         ? &o.stored
                                               : nullptr;
    if (target == nullptr) {
      std::fprintf(stderr, "online_soak: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (i + 1 >= argc || !ParseCount(argv[i + 1], target)) {
      std::fprintf(stderr, "online_soak: %s needs a whole number above 0\n%s", arg.c_str(), kUsage);
      return 2;
    }
    ++i;
  }
  if (o.cycleMs > 1000) {
    std::fprintf(stderr, "online_soak: --cycle-ms is at most 1000\n%s", kUsage);
    return 2;
  }
  // From here on Ctrl+C (or SIGTERM) ends the run, with its figures once it
  // measures, and its leftovers cleared.
  signal(SIGINT, RequestStop);
  signal(SIGTERM, RequestStop);
  signal(SIGHUP, RequestStop);
  const long samples = o.samples;
  const long reportEvery = o.reportEvery;
  const long windowMinutes = o.windowMinutes;
  const long cycleMs = o.cycleMs;

  ClearLeftoversAtEnd clearAtEnd;
  char tmpl[] = "/tmp/kovo-soak-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return Fail("no folder for the run");
  const std::string folder = tmpl;
  TheLeftovers().folder = folder;
  setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
  setenv("KOVO_PROGRAM_FOLDER", folder.c_str(), 1);
  const std::string link = folder + "/monitor";
  const std::string simulator =
      (std::filesystem::path(argv[0]).parent_path() / "kovo-simulator").string();
  const pid_t parent = getpid();
  const pid_t sim = fork();
  if (sim == 0) {
    // Out of the terminal's process group: Ctrl+C ends the run, not the monitor.
    setpgid(0, 0);
    // A run killed outright takes its monitor with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    const std::string cycle = std::to_string(cycleMs);
    execl(simulator.c_str(), simulator.c_str(), "--link", link.c_str(), "--interval-ms", cycle.c_str(), nullptr);
    _exit(127);
  }
  if (sim < 0) return Fail("the simulated monitor could not be started");
  TheLeftovers().monitor = sim;
  for (int i = 0; i < 100 && !std::filesystem::exists(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!std::filesystem::exists(link)) return Fail("the simulated monitor made no link");
  for (int port = 1; port <= 4; ++port) setenv(("KOVO_COM" + std::to_string(port)).c_str(), link.c_str(), 1);

  int code = 1;
  {
    QApplication qt(argc, argv);
    TarnicBaseApp::SetSplashHoldTime(std::chrono::milliseconds(0));
    COnlineApp app({"/noSplash"});
    ProgramContext& ctx = app.Context();
    COMeasObs& obs = *ctx.MeasObs();
    // The program's own waits cut to the 10 ms the simulated monitor keeps.
    DeviceTimings device;
    device.statusPauseMs = static_cast<int>(cycleMs);
    device.pollPeriodMs = static_cast<int>(cycleMs);
    device.windowTimerMsPerSecond = static_cast<int>(cycleMs);
    obs.GetDevice().SetTimings(device);
    LinkTimings timings;
    timings.readIntervalMs = 2;
    timings.probeReplyWaitMs = 20;
    timings.probeSettleMs = 0;
    timings.discardLimitMs = 200;
    obs.GetLink().SetTimings(timings);
    obs.SetLinkTimeouts(1000);
    app.SetExitAction([](int) { std::fprintf(stderr, "no monitor\n"); std::exit(1); });
    if (!app.InitInstance()) return Fail("the program did not start");
    if (!obs.LoadSetupFromDatabase()) return Fail("the monitor's set-up could not be read");

    const std::string serial = obs.GetDevice().GetSetup().m_serial.ToString();
    if (!CDBDoc::CreateTask(ctx, "Soak", serial, 0)) return Fail("the task could not be created");
    COSequence& sequence = ctx.ActiveSequence();
    sequence.SetFilterActive(0, true);
    sequence.SetFilterActive(1, true);
    sequence.Save();
    if (o.stored > 0) {
      sqlite3* db = nullptr;
      sqlite3_open(ctx.Setup().DataFile(ctx.Setup().GetDatabaseName()).c_str(), &db);
      const long first = static_cast<long>(platform::CTime::GetCurrentTime().GetTime()) - o.stored - 60;
      const std::string sql = "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
                              std::to_string(o.stored) + ") INSERT INTO [Meas] SELECT datetime(" +
                              std::to_string(first) +
                              " + i, 'unixepoch', 'localtime'), i, 400 + i % 100, 2 + i % 7, 0, 0, 0, 5, NULL, 1013 "
                              "FROM r;";
      if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return Fail("the earlier rows");
      sqlite3_close(db);
    }
    CMainFrame& frame = *app.Frame();
    frame.UpdateCommands();
    frame.Execute(ID_WINDOW_NEW_NUMERIC);
    frame.Execute(ID_WINDOW_MEASSTATUS);
    const bool graph = app.Layer().Registry().Knows(CMeasViewBase::kGraphType);
    if (graph) app.Layer().Registry().Open(CMeasViewBase::kGraphType);
    for (QWidget* widget : frame.findChildren<QWidget*>()) {
      auto* view = dynamic_cast<CMeasViewBase*>(widget);
      if (view == nullptr || view->MeasView() == nullptr) continue;
      COMeasInterval& shown = view->MeasView()->GetInterval();
      shown.SetStartTime(shown.GetEndTime() - platform::CTimeSpan(windowMinutes * 60));
      if (auto* interval = dynamic_cast<CIntervalView*>(view)) interval->ReloadData();
    }
    std::printf("windows: numeric, status%s; %ld minutes shown\n", graph ? ", graph" : " (the program has no graph window)",
                windowMinutes);

    Counter counter(ctx.GenSub());
    // The user-interface thread's delay: how late a 50 ms timer fires.
    QElapsedTimer clock;
    clock.start();
    qint64 expected = 50, worstLate = 0, windowWorst = 0, warmWorst = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 late = clock.elapsed() - expected;
      worstLate = std::max(worstLate, late);
      warmWorst = std::max(warmWorst, late);
      windowWorst = std::max(windowWorst, late);
      expected = clock.elapsed() + 50;
    });
    tick.start(50);

    if (!obs.StartMeasurement(platform::CTime::GetCurrentTime(), 0, platform::CTime(), false)) return Fail("the measurement did not start");
    const auto began = std::chrono::steady_clock::now();
    long warmKb = -1, peakKb = 0, nextReport = reportEvery;
    const long warmAt = std::max(1000L, samples / 10);
    // The windows' span fills after this long: the earlier rows (a second
    // apart, up to a minute before the start) fill the first part of it.
    const double storedSeconds = o.stored > 0 ? o.stored + 60.0 : 0.0;
    double warmSeconds = std::max(0.0, windowMinutes * 60.0 + 60.0 - storedSeconds);
    if (warmSeconds > samples * cycleMs / 1000.0) {
      std::printf("the windows' span does not fill within the run: the memory is taken as warmed up after %ld "
                  "samples, while the windows still gain a row a sample\n",
                  warmAt);
      warmSeconds = 0.0;
    }
    std::printf("%10s %10s %10s %12s\n", "samples", "rss_kb", "seconds", "worst_ui_ms");
    while (counter.count < samples && !g_stopRequested) {
      // Sleeps until something happens (the 50 ms tick at the latest), so the
      // harness takes no processor time from the program.
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
      if (obs.GetState() == MeasState::idle && counter.count > 0) break;
      if (counter.count >= nextReport) {
        const long kb = ResidentKb();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        const bool warm = counter.count >= warmAt && seconds >= warmSeconds;
        if (warm) peakKb = std::max(peakKb, kb);
        if (warmKb < 0 && warm) {
          warmKb = kb;
          warmWorst = 0;
        }
        std::printf("%10ld %10ld %10.0f %12lld\n", counter.count, kb, seconds, static_cast<long long>(windowWorst));
        std::fflush(stdout);
        windowWorst = 0;
        nextReport += reportEvery;
      }
    }
    obs.StopMeasurement();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (obs.GetState() != MeasState::idle && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const long endKb = ResidentKb();
    const std::string file = ctx.Setup().DataFile(ctx.Setup().GetDatabaseName());
    // Let the database observer write what it still holds.
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The run's own rows, after the earlier ones.
    const long stored = CountStored(file) - o.stored;
    if (warmKb < 0) std::printf("the run ended before its warm-up: no warm-up figure\n");
    std::printf("received %ld, stored %ld; memory after warm-up %ld kB, peak %ld kB, at the end %ld kB (%+.1f %%); "
                "worst user-interface delay %lld ms, after the warm-up %lld ms\n",
                counter.count, stored, warmKb, peakKb, endKb,
                warmKb > 0 ? 100.0 * (endKb - warmKb) / warmKb : 0.0, static_cast<long long>(worstLate),
                static_cast<long long>(warmKb > 0 ? warmWorst : -1));
    code = (stored >= counter.count && warmKb > 0 && peakKb <= warmKb * 11 / 10) ? 0 : 3;
    frame.close();
    app.ExitInstance();
  }
  return code;
}
