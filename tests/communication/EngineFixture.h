#pragma once
// The engine against the simulated monitor over a pseudo-terminal, with
// every duration shortened. The test plays the user-interface thread: it
// calls the device's dispatch whenever the notifier says there is work.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "DeviceKovo.h"
#include "InstrumentInfo.h"
#include "LinkFixture.h"
#include "Service.h"
#include "TransConn.h"

// Records every callback with what the client saw at that moment.
class RecordingClient : public DeviceKovoClient {
 public:
  struct Call {
    Service* service;
    int state;
    bool failed;
  };
  void ServiceDone(Service* service) override {
    calls.push_back({service, service->GetState(), service->IsFailed()});
    if (onDone) onDone(service);
  }
  void Forget(const Service* service) {
    calls.erase(std::remove_if(calls.begin(), calls.end(), [&](const Call& c) { return c.service == service; }),
                calls.end());
  }
  int Finished(const Service* service) const {
    int n = 0;
    for (const Call& c : calls) n += c.service == service && c.state == Service::stateFinished;
    return n;
  }
  std::vector<Call> calls;
  std::function<void(Service*)> onDone;
};

class EngineFixture : public LinkFixture {
 protected:
  using Clock = std::chrono::steady_clock;

  void SetUp() override { StartEngine(SimDefaults()); }

  void TearDown() override {
    device.reset();
    conn.reset();
    LinkFixture::TearDown();
  }

  static kovo::sim::SimTimings SimDefaults() {
    kovo::sim::SimTimings t;
    t.sampleIntervalMs = 60;
    t.statusDelayMs = 20;
    t.splitPieceSize = 5;
    t.splitPauseMs = 15;
    return t;
  }

  // A wait that no test outlives: whatever waits it out instead of being cut
  // short hangs the test until its time-out.
  static constexpr unsigned kLongerThanAnyTest = 3600000;

  static DeviceTimings FastTimings() {
    DeviceTimings t;
    t.statusAsks = 10;
    t.statusPauseMs = 10;
    t.pollPeriodMs = 15;
    t.windowTimerMsPerSecond = 5;
    t.closeGraceMs = 300;
    return t;
  }

  void StartEngine(const kovo::sim::SimTimings& sim, const std::string& linkPath = std::string()) {
    StartMonitor(sim, linkPath);
    monitor->Modify([](kovo::sim::MonitorState& s) { s.numberedSamples = true; });
    SetProbe(false);
    // The monitor answers in one burst: a short gap ends a read early.
    LinkTimings lt = link->GetTimings();
    lt.readIntervalMs = 2;
    link->SetTimings(lt);
    conn = std::make_unique<TransConnRS232>(link.get());
    device = std::make_unique<DeviceKovo>(conn.get(), instrument);
    device->SetTimings(FastTimings());
    device->SetNotifier([this](unsigned command) {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++notifications;
      lastCommand = command;
      m_notified.notify_all();
    });
  }

  // Waits for the two lines of the open itself (the probe and the keyboard
  // lock), counted from what the monitor had before.
  void OpenDevice() {
    const size_t before = monitor->Lines().size();
    ASSERT_TRUE(device->Open());
    monitor->WaitForLines(before + 2, 2000);
  }

  // Plays the user-interface thread until the condition holds; false when
  // the (generous) deadline passes first.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      device->DispatchDone();
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::unique_lock<std::mutex> lock(m_mutex);
      m_notified.wait_for(lock, std::chrono::milliseconds(10));
    }
  }
  // Dispatches for a while, for tests that show that something does not happen.
  void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
  }

  int Notifications() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return notifications;
  }

  static long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  }

  unsigned LastCommand() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return lastCommand;
  }

  InstrumentInfo instrument;
  std::unique_ptr<TransConnRS232> conn;
  std::unique_ptr<DeviceKovo> device;
  RecordingClient client;

 private:
  int notifications = 0;
  unsigned lastCommand = 0;
  std::mutex m_mutex;
  std::condition_variable m_notified;
};
