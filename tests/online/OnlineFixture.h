#pragma once
// The Online program's data and communication side for tests, without a
// display: its program context with a task database, the general subject
// with the database and sequence observers, the measurement subject on a
// pseudo-terminal with the simulated monitor at the other end, and windows
// that play the user-interface thread. Every duration is short.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CODBObs.h"
#include "COMeasObs.h"
#include "DataTestSupport.h"
#include "HeadlessDialogs.h"
#include "ProgramContext.h"
#include "SimulatedMonitor.h"

namespace kovo::test {

// The monitor's waits and the link's time-outs cut to what the simulated
// monitor needs; a reply still gets a generous second.
void UseShortTimings(COMeasObs& obs);

// A program that a test starts: its program folder, and the simulated
// monitor, sampling every sampleMs, behind every port.
void ServeProgram(const std::string& folder, kovo::sim::SimulatedMonitor& sim, int sampleMs);

// A program's application as a test runs it: no splash, short timings, the
// end of a run waited for at most stopWait, and its way out recorded in
// exitCode instead of taken.
template <class App>
std::unique_ptr<App> MakeTestProgram(int& exitCode, std::chrono::milliseconds stopWait) {
  auto app = std::make_unique<App>(std::vector<std::string>{"/noSplash"});
  app->SetStopWait(stopWait);
  UseShortTimings(*app->Context().MeasObs());
  app->SetExitAction([&exitCode](int code) { exitCode = code; });
  return app;
}

struct StoredEvent {
  platform::CTime time;
  int type;
  std::string text;
  // "HH:MM:SS [type] text"
  std::string Line() const;
};
// What the open task holds: its [Meas] rows by number, its [Event] rows by
// time.
std::vector<COMeas> StoredMeas(DataContext& context);
std::vector<StoredEvent> StoredEvents(DataContext& context);

// Records what a subject announces.
class Recorder : public CObserver {
 public:
  explicit Recorder(std::function<void(CSubject*)> record) : m_record(std::move(record)) {}
  void Update(CSubject* subject) override { m_record(subject); }

 private:
  std::function<void(CSubject*)> m_record;
};

class OnlineFixture : public DataTest {
 protected:
  using Clock = std::chrono::steady_clock;
  static constexpr int kPort = 2;
  static constexpr float kMolarVolume = 24.054f;  // litres at 20 °C and 101.33 kPa

  // The program's identity: "Online" unless a test needs another program.
  explicit OnlineFixture(const std::string& program = "Online");
  ~OnlineFixture() override;

  // Plays the user-interface thread until done holds; false when the
  // (generous) deadline passes first.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);
  void PumpFor(int ms);

  // The monitor's banks as the upload would bring them: filter A "CO2"
  // (44.01), B "CH4" (16.04), C "N2O" (44.01), each in bank 0.
  void GiveBanks();
  // A task whose sequence measures filters A and B, bank 0, with the
  // monitor's serial.
  std::string PrepareTask(const std::string& description);
  // Starts now, without a stop time.
  bool StartNow();
  void SetSampling(int intervalMs);
  // The port leads nowhere, and back to the monitor again.
  void Unplug();
  void PlugIn();

  // Announced kinds of the general subject, without the sequence's kind 3.
  std::vector<int> Kinds() const;
  // The measurements announced with kind 5.
  const std::vector<COMeas>& Received() const { return m_received; }
  // The sample number channel A carried, taken back to the monitor's mg/m³.
  static long SampleNo(const COMeas& meas);
  std::vector<long> ReceivedNumbers() const;
  // What the measurement subject told its own observers.
  const std::vector<MeasState>& States() const { return m_states; }
  bool Sent(const std::string& line) const;

  using StoredEvent = kovo::test::StoredEvent;
  std::vector<COMeas> StoredMeas() { return kovo::test::StoredMeas(*context); }
  std::vector<StoredEvent> StoredEvents() { return kovo::test::StoredEvents(*context); }

  ProgramContext& program;
  std::unique_ptr<kovo::sim::SimulatedMonitor> sim;
  COMeasObs* const obs;
  CODBObs& dbObs;
  std::unique_ptr<HeadlessDialogs> dialogs;

 private:
  std::mutex m_mutex;
  std::condition_variable m_notified;
  bool m_pending = false;
  std::vector<int> m_kinds;
  std::vector<COMeas> m_received;
  std::vector<MeasState> m_states;
  CGenCallback m_kindRecorder;
  Recorder m_stateRecorder;
};

}  // namespace kovo::test
