#include "OnlineFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "COGenSub.h"
#include "DeviceClients.h"
#include "serial/SerialPort.h"

namespace kovo::test {

void UseShortTimings(COMeasObs& obs) {
  DeviceTimings dt;
  dt.statusPauseMs = 10;
  dt.pollPeriodMs = 15;
  dt.windowTimerMsPerSecond = 5;
  obs.GetDevice().SetTimings(dt);
  LinkTimings lt;
  lt.readIntervalMs = 2;
  lt.probeReplyWaitMs = 20;
  lt.probeSettleMs = 0;
  lt.discardLimitMs = 200;
  obs.GetLink().SetTimings(lt);
  // A reply gets a generous second even on a loaded machine; a monitor that
  // stays silent for that long fails at once.
  obs.SetLinkTimeouts(1000);
  obs.GetDevice().Comm().GetSource().SetEmptyReadLimit(1);
}

void ServeProgram(const std::string& folder, kovo::sim::SimulatedMonitor& sim, int sampleMs) {
  setenv("KOVO_PROGRAM_FOLDER", folder.c_str(), 1);
  kovo::sim::SimTimings t;
  t.sampleIntervalMs = sampleMs;
  sim.SetTimings(t);
  sim.Start();
  for (unsigned port = 0; port <= 4; ++port) platform::SetSerialPortPath(port, sim.SlavePath());
}

OnlineFixture::OnlineFixture(const std::string& programName)
    : DataTest(std::make_unique<ProgramContext>(ProgramIdentity(programName))),
      program(static_cast<ProgramContext&>(*context)),
      obs(program.MeasObs()),
      dbObs(program.DBObs()),
      m_kindRecorder([this](const CGenEvent& e) {
        if (e.kind == eMeasStored) return;
        m_kinds.push_back(e.kind);
        if (e.kind == eNewMeas) m_received.push_back(*e.meas);
      }),
      m_stateRecorder([this](CSubject*) { m_states.push_back(obs->GetState()); }) {
  kovo::sim::SimTimings timings;
  timings.sampleIntervalMs = 60;
  timings.statusDelayMs = 20;
  sim = std::make_unique<kovo::sim::SimulatedMonitor>(timings);
  sim->Start(odbc.File("monitor"));
  sim->Modify([](kovo::sim::MonitorState& s) { s.numberedSamples = true; });
  PlugIn();
  LinkOptions quiet = program.GetLinkOptions();
  quiet.probe = false;
  program.SetLinkOptions(quiet);

  UseShortTimings(*obs);
  program.SetNotifier([this](unsigned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending = true;
    m_notified.notify_all();
  });
  setup->SetTempUnit(COTempUnit::celsius);
  setup->SetNormTemp(20.0f);
  setup->SetComPort(kPort);
  obs->InitCommPort();
  obs->Attach(&m_stateRecorder);

  dialogs = std::make_unique<HeadlessDialogs>([this](const std::function<bool()>& done, int ms) {
    return PumpUntil(done, ms);
  });
  program.SetDeviceDialogs(dialogs.get());
  program.AttachObservers();
  genSub.Attach(&m_kindRecorder);
}

OnlineFixture::~OnlineFixture() {
  genSub.Detach(&m_kindRecorder);
  program.DetachObservers();
  dbObs.CloseRecordsets();
  obs->Detach(&m_stateRecorder);
  program.SetDeviceDialogs(nullptr);
  sequence.Close();
  // The measurement subject and its device go before the simulated monitor
  // and the headless windows.
  context.reset();
  dialogs.reset();
  sim->Stop();
  platform::SetSerialPortPath(kPort, std::string());
}

bool OnlineFixture::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    obs->GetDevice().DispatchDone();
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_notified.wait_for(lock, std::chrono::milliseconds(10), [this] { return m_pending; });
    m_pending = false;
  }
}

void OnlineFixture::PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

void OnlineFixture::GiveBanks() {
  MonitorSetup s = obs->GetDevice().GetSetup();
  SetBank(s, 0, 0, "CO2", 44.01f);
  SetBank(s, 1, 0, "CH4", 16.04f);
  SetBank(s, 2, 0, "N2O", 44.01f);
  obs->GetDevice().SetSetup(s);
}

std::string OnlineFixture::PrepareTask(const std::string& description) {
  const std::string name = NewTask(description);
  sequence.SetSerialNum(obs->GetDevice().GetSetup().m_serial.ToString());
  sequence.SetFilterActive(0, true);
  sequence.SetFilterActive(1, true);
  sequence.Save();
  return name;
}

bool OnlineFixture::StartNow() { return obs->StartMeasurement(platform::CTime::GetCurrentTime(), 0, platform::CTime(), 0); }

void OnlineFixture::SetSampling(int intervalMs) {
  kovo::sim::SimTimings t = sim->GetTimings();
  t.sampleIntervalMs = intervalMs;
  sim->SetTimings(t);
}

void OnlineFixture::Unplug() { platform::SetSerialPortPath(kPort, odbc.File("unplugged")); }

void OnlineFixture::PlugIn() { platform::SetSerialPortPath(kPort, sim->SlavePath()); }

std::vector<int> OnlineFixture::Kinds() const { return m_kinds; }

long OnlineFixture::SampleNo(const COMeas& meas) {
  return std::lround(meas.GetValue(0) * 44.01f / kMolarVolume);
}

std::vector<long> OnlineFixture::ReceivedNumbers() const {
  std::vector<long> numbers;
  for (const COMeas& m : m_received) numbers.push_back(SampleNo(m));
  return numbers;
}

bool OnlineFixture::Sent(const std::string& line) const {
  const auto lines = sim->Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string StoredEvent::Line() const {
  return time.Format("%H:%M:%S") + " [" + std::to_string(type) + "] " + text;
}

std::vector<COMeas> StoredMeas(DataContext& context) {
  std::vector<COMeas> rows;
  COMeas m;
  CORecMeas rec(context);
  rec.SetTarget(&m);
  rec.m_strSort = "[MeasNo]";
  rec.Open();
  for (; !rec.IsEOF(); rec.MoveNext()) rows.push_back(m);
  rec.CloseWithDatabase();
  return rows;
}

std::vector<StoredEvent> StoredEvents(DataContext& context) {
  std::vector<StoredEvent> rows;
  CORecEvent rec(context);
  rec.Open();
  for (; !rec.IsEOF(); rec.MoveNext()) rows.push_back({rec.m_EventTime, rec.m_EventType, rec.m_EventText});
  rec.CloseWithDatabase();
  return rows;
}

}  // namespace kovo::test
