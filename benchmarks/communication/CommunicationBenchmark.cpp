// Parsing one monitor sample, and one whole request and reply over a
// pseudo-terminal against the simulated monitor.
#include <benchmark/benchmark.h>

#include <string>

#include "COMeas.h"
#include "CommKovo.h"
#include "DataLinkRS232.h"
#include "InstrumentInfo.h"
#include "MonitorScans.h"
#include "SimulatedMonitor.h"
#include "TransConn.h"
#include "serial/SerialPort.h"

namespace {

// A sample as the monitor sends it: five gases (two not in use), water
// vapour, an alarm marker, and the terminator.
const std::string kSample =
    " 3.8000E+02, 1.8000E+00,A3.2000E-01, . . . . ., . . . . ., 9.5000E+03,1234,R0,X0,OK,15 12:30:45\r\n\n";

void BM_ParseSample(benchmark::State& state) {
  const platform::CTime reference(2005, 3, 14, 10, 0, 0);
  const FixChBuf<200> message;
  for (auto _ : state) {
    COMeas meas;
    DataSrcText src(kSample);
    ScanMonMeas(meas, reference, false, message, nullptr).Scan(src);
    ScanFixStr("\r\n\n").Scan(src);
    benchmark::DoNotOptimize(meas);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kSample.size()));
  state.counters["reply_chars"] = static_cast<double>(kSample.size());
  // The same reply on the wire at 9600 baud, 7E1: 960 characters a second.
  state.counters["wire_us"] = static_cast<double>(kSample.size()) * 1e6 / 960.0;
}
BENCHMARK(BM_ParseSample);

// "O_SP_C? SA_DA,AL" and its sample; the argument is the gap (ms) after
// which the link takes a reply as complete: 100 in the programs.
void BM_RequestReply(benchmark::State& state) {
  kovo::sim::SimTimings timings;
  timings.sampleIntervalMs = 1;
  kovo::sim::SimulatedMonitor monitor(timings);
  monitor.Start();
  platform::SetSerialPortPath(3, monitor.SlavePath());
  LinkOptions quiet;
  quiet.probe = false;
  DataLinkRS232 link(quiet);
  LinkTimings t;
  t.readIntervalMs = static_cast<int>(state.range(0));
  link.SetTimings(t);
  link.SetPort(3);
  link.SetByteSize(7);
  link.SetParity(2);
  link.SetStopBits(1);
  link.SetTimeouts(2000, 2000);
  link.Open();
  TransConnRS232 conn(&link);
  InstrumentInfo instrument;
  CommKovo comm(&conn, instrument);
  comm.startMeasurement();
  const platform::CTime reference = platform::CTime::GetCurrentTime() - platform::CTimeSpan(600);
  for (auto _ : state) {
    COMeas meas;
    comm.getSample(meas, reference, false);
    benchmark::DoNotOptimize(meas);
  }
  state.SetItemsProcessed(state.iterations());
  link.Close();
  monitor.Stop();
  platform::SetSerialPortPath(3, std::string());
}
BENCHMARK(BM_RequestReply)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
