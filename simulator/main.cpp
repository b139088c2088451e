// kovo-simulator: a simulated Kovo gas monitor on a pseudo-terminal. It prints
// the terminal's path (give it to the suite, e.g. as KOVO_COM1) and answers
// until it is interrupted or terminated.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "CalibrationBanks.h"
#include "OfflineMemory.h"
#include "SimulatedMonitor.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: kovo-simulator [--link PATH] [--interval-ms N] [--cps N] [--serial TEXT] [--type TEXT]\n"
               "                      [--memory FILE] [--filter-table FOLDER]\n"
               "  --link PATH       keep a symbolic link to the terminal at PATH\n"
               "  --interval-ms N   a sample every N ms instead of the set sampling interval\n"
               "  --cps N           send at N characters per second (960 is 9600 baud)\n"
               "  --serial TEXT     the monitor's serial number\n"
               "  --type TEXT       the instrument type the monitor gives to \"ID?\"\n"
               "  --memory FILE     the stand-alone set-up and records in the monitor's memory\n"
               "                    (as tests/offline/data/memory.txt)\n"
               "  --filter-table FOLDER  put the simulated monitor's own optical filter table (made-up\n"
               "                    coefficients, not the maker's) into FOLDER/data/optfilt.txt, so a\n"
               "                    program in FOLDER can calibrate against the simulated monitor\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string link;
  kovo::sim::SimTimings timings;
  std::string serial;
  std::string type;
  std::string memoryFile;
  std::string filterFolder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--link" && hasValue) {
      link = argv[++i];
    } else if (arg == "--interval-ms" && hasValue) {
      timings.sampleIntervalMs = std::atoi(argv[++i]);
    } else if (arg == "--cps" && hasValue) {
      timings.charactersPerSecond = std::atoi(argv[++i]);
    } else if (arg == "--serial" && hasValue) {
      serial = argv[++i];
    } else if (arg == "--type" && hasValue) {
      type = argv[++i];
    } else if (arg == "--memory" && hasValue) {
      memoryFile = argv[++i];
    } else if (arg == "--filter-table" && hasValue) {
      filterFolder = argv[++i];
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
  monitor.Modify([&](kovo::sim::MonitorState& s) {
    if (!serial.empty()) s.serial = serial;
    s.idType = type;
  });
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
  std::printf("%s\n", monitor.SlavePath().c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  monitor.Stop();
  return 0;
}
