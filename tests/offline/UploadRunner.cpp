// Uploads the simulated monitor's memory into an existing task as the
// Offline program does, in a process of its own that a test kills. It works
// in the program folder and data sources its environment names, on the
// monitor behind the link given, and prints "stored <n>" once the n-th record
// has been handed to the task and "stopped" once the upload's stop has been
// handed over. At the moment named (the same text), it stops there and waits
// to be killed.
//
//   offline_upload_runner <task> <link> <moment>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "COGenSub.h"
#include "COMeasObs.h"
#include "COOfflineMeasObs.h"
#include "COSystemSetup.h"
#include "HeadlessDialogs.h"
#include "OnlineFixture.h"
#include "ProgramContext.h"
#include "UpDownload.h"
#include "core/App.h"
#include "serial/SerialPort.h"

namespace {

constexpr unsigned kPort = 2;

// The banks the test's own upload gives the monitor.
void GiveBanks(DeviceKovo& device) {
  MonitorSetup s = device.GetSetup();
  const struct {
    const char* gas;
    float mw;
  } banks[] = {{"CO2", 44.01f}, {"CH4", 16.04f}, {"N2O", 44.01f}};
  for (int f = 0; f < 3; ++f) {
    s.GetFilter(f).m_number.Assign(std::string("4711"));
    s.GetFilter(f).GetBank(0).SetGasName(banks[f].gas);
    s.GetFilter(f).GetBank(0).SetMW(banks[f].mw);
  }
  device.SetSetup(s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  // Never outlives a test that could not kill it.
  alarm(300);
  const std::string task = argv[1];
  const std::string moment = argv[3];
  platform::AppCore app{"Offline", {"offline"}};
  ProgramContext program(ProgramIdentity("Offline"));
  COSystemSetup& setup = program.Setup();
  if (!setup.OpenSystemDatabase()) return 3;
  setup.SetTempUnit(COTempUnit::celsius);
  setup.SetNormTemp(20.0f);
  setup.SetComPort(kPort);
  platform::SetSerialPortPath(kPort, argv[2]);
  COMeasObs& obs = *program.MeasObs();
  LinkOptions quiet = program.GetLinkOptions();
  quiet.probe = false;
  program.SetLinkOptions(quiet);
  kovo::test::UseShortTimings(obs);
  obs.InitCommPort();

  std::mutex mutex;
  std::condition_variable notified;
  bool pending = false;
  program.SetNotifier([&](unsigned) {
    std::lock_guard<std::mutex> lock(mutex);
    pending = true;
    notified.notify_all();
  });
  HeadlessDialogs dialogs([&](const std::function<bool()>& done, int) {
    for (;;) {
      obs.GetDevice().DispatchDone();
      if (done()) return true;
      std::unique_lock<std::mutex> lock(mutex);
      notified.wait_for(lock, std::chrono::milliseconds(10), [&] { return pending; });
      pending = false;
    }
  });
  program.SetDeviceDialogs(&dialogs);
  program.AttachObservers();
  GiveBanks(obs.GetDevice());

  int stored = 0;
  CGenCallback report([&](const CGenEvent& e) {
    const int kind = e.kind;
    std::string line;
    if (kind == eNewMeas) line = "stored " + std::to_string(++stored);
    if (kind == eTaskStopped) line = "stopped";
    if (line.empty()) return;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (line == moment)
      for (;;) pause();
  });
  // After the database observer: what it reports has been written.
  program.GenSub().Attach(&report);

  COOfflineMeasObs offline(program);
  COUpDownload transfer(program, offline);
  const COUpDownload::UploadEnd end = transfer.UploadToExistingTask(task, "Killed upload");
  std::printf("ended %d\n", static_cast<int>(end));
  std::fflush(stdout);
  program.GenSub().Detach(&report);
  program.DetachObservers();
  program.SetDeviceDialogs(nullptr);
  return 0;
}
