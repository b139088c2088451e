// kovo-simulator: a simulated Kovo gas monitor on a pseudo-terminal. It prints
// the terminal's path (give it to the suite, e.g. as KOVO_COM1) and answers
// until it is interrupted or terminated.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "CalibrationBanks.h"
#include "OfflineMemory.h"
#include "Readings.h"
#include "SimulatedMonitor.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: kovo-simulator [--link PATH] [--interval-ms N] [--cps N] [--reply-delay-ms N] [--serial TEXT]\n"
               "                      [--leak-detector] [--user-level N] [--memory FILE] [--filter-table FOLDER]\n"
               "                      [--steady] [--noise F] [--drift F] [--seed N] [--step C=LEVEL@S]\n"
               "                      [--ramp C=LEVEL@S+S] [--scene FILE]\n"
               "  --link PATH       keep a symbolic link to the terminal at PATH\n"
               "  --interval-ms N   a sample every N ms instead of the set sampling interval\n"
               "  --cps N           send at N characters per second (960 is 9600 baud)\n"
               "  --reply-delay-ms N  wait N ms before every reply (a slow monitor)\n"
               "  --serial TEXT     the monitor's serial number\n"
               "  --leak-detector   be the Tebb leak detector instead of the Kovo gas monitor\n"
               "  --user-level N    the user level selected on the monitor (3 lets the Calibration\n"
               "                    program calibrate)\n"
               "  --memory FILE     the stand-alone set-up and records in the monitor's memory\n"
               "                    (as tests/offline/data/memory.txt)\n"
               "  --filter-table FOLDER  put the simulated monitor's own optical filter table (made-up\n"
               "                    coefficients, not the maker's) into FOLDER/data/optfilt.txt, so a\n"
               "                    program in FOLDER can calibrate against the simulated monitor\n"
               "  --steady          every sample the same: no noise and no drift\n"
               "  --noise F         each sample's noise, relative to its level (0.01)\n"
               "  --drift F         the slow drift's amplitude, relative to the level (0.03)\n"
               "  --seed N          another repeatable noise\n"
               "  --step C=LEVEL@S  filter C (A to E, or W for the water vapour) at LEVEL mg/m3 from S\n"
               "                    seconds after the measurement's start on\n"
               "  --ramp C=LEVEL@S+D  from S seconds on, to LEVEL over D seconds\n"
               "  --scene FILE      scene lines (levels, zero air, a span gas, humidity, temperature,\n"
               "                    motion), read again whenever the file changes; see Readings.h\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string link;
  kovo::sim::SimTimings timings;
  std::string serial;
  bool leakDetector = false;
  std::string memoryFile;
  std::string filterFolder;
  std::string sceneFile;
  int userLevel = 0;
  // Lines of the scene from the options, after the lively default motion.
  std::vector<std::string> scene;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--link" && hasValue) {
      link = argv[++i];
    } else if (arg == "--interval-ms" && hasValue) {
      timings.sampleIntervalMs = std::atoi(argv[++i]);
    } else if (arg == "--cps" && hasValue) {
      timings.charactersPerSecond = std::atoi(argv[++i]);
    } else if (arg == "--reply-delay-ms" && hasValue) {
      timings.replyDelayMs = std::atoi(argv[++i]);
    } else if (arg == "--serial" && hasValue) {
      serial = argv[++i];
    } else if (arg == "--leak-detector") {
      leakDetector = true;
    } else if (arg == "--memory" && hasValue) {
      memoryFile = argv[++i];
    } else if (arg == "--filter-table" && hasValue) {
      filterFolder = argv[++i];
    } else if (arg == "--user-level" && hasValue) {
      userLevel = std::atoi(argv[++i]);
    } else if (arg == "--scene" && hasValue) {
      sceneFile = argv[++i];
    } else if (arg == "--steady") {
      scene.push_back("steady");
    } else if ((arg == "--noise" || arg == "--drift" || arg == "--seed" || arg == "--step" || arg == "--ramp") &&
               hasValue) {
      scene.push_back(arg.substr(2) + " " + argv[++i]);
    } else {
      Usage();
      return 2;
    }
  }

  // Block the stop signals before any thread starts, then wait for one.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  kovo::sim::SimulatedMonitor monitor(timings);
  std::string sceneError;
  monitor.Modify([&](kovo::sim::MonitorState& s) {
    if (!serial.empty()) s.serial = serial;
    if (leakDetector) s.BeLeakDetector();
    if (userLevel != 0) s.userLevel = userLevel;
    s.motion = kovo::sim::LivelyMotion();
    for (const std::string& line : scene)
      if (sceneError.empty()) kovo::sim::ApplySceneLine(s, line, &sceneError);
  });
  if (!sceneError.empty()) {
    std::fprintf(stderr, "kovo-simulator: %s\n", sceneError.c_str());
    return 2;
  }
  std::unique_ptr<kovo::sim::SceneFile> sceneWatch;
  if (!sceneFile.empty()) sceneWatch = std::make_unique<kovo::sim::SceneFile>(sceneFile, monitor.State());
  auto readScene = [&] {
    std::vector<std::string> errors;
    if (sceneWatch && !sceneWatch->Poll(monitor, &errors))
      for (const std::string& e : errors) std::fprintf(stderr, "kovo-simulator: %s\n", e.c_str());
  };
  kovo::sim::OfflineMemory memory;
  memory.Install(monitor);
  kovo::sim::CalibrationBanks calibration;
  calibration.Install(monitor);
  std::string error;
  if (!filterFolder.empty() && !kovo::sim::CalibrationBanks::InstallFilterTable(filterFolder, &error)) {
    std::fprintf(stderr, "kovo-simulator: %s\n", error.c_str());
    return 1;
  }
  try {
    if (!memoryFile.empty()) memory.Load(memoryFile);
    monitor.Start(link);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kovo-simulator: %s\n", e.what());
    return 1;
  }
  readScene();
  std::printf("%s\n", monitor.SlavePath().c_str());
  std::fflush(stdout);

  // The scene file is looked at four times a second until a stop signal.
  const timespec quarter{0, 250000000};
  while (sigtimedwait(&stopSignals, nullptr, &quarter) < 0) readScene();
  monitor.Stop();
  return 0;
}
