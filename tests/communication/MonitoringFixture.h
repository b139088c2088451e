#pragma once
// A monitoring run against the simulated monitor: a set-up as a sequence
// would give it, and a client that takes the results as the measurement
// subject does.
#include <algorithm>
#include <vector>

#include "COMeas.h"
#include "EngineFixture.h"
#include "MonitorService.h"

// A set-up as a sequence would give it: filters A and B in use (B on bank 2),
// water vapour in use.
inline MonitorSetup SequenceSetup() {
  MonitorSetup s;
  s.m_lengthUnit = 0;
  s.m_humiUnit = 3;
  s.m_presUnit = 0;
  s.m_tempUnit = 1;
  s.m_concUnit = 3;
  s.m_airPressure = 1013.0f;
  s.m_crossComp = 1;
  s.m_sampleInterval = 1;
  s.m_normTemp = 20.0f;
  s.m_tubeLength = 12.5f;
  s.m_rollingAvgOn = 1;
  s.m_rollingAvg = 5.0f;
  for (int f = 0; f < 2; ++f) {
    FilterInfo& filter = s.GetFilter(f);
    filter.m_active = 1;
    filter.m_activeBank = f;
    filter.m_integrationTime = 5.0f;
    filter.m_alarmLimit1 = 100.0f;  // goes out switched off
    filter.m_alarmLimit2 = 500.0f;
  }
  s.m_waterActive = 1;
  s.m_waterIntegrationTime = 2.0f;
  return s;
}

class Monitoring : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Prepare();
  }

  void Prepare() {
    device->SetSetup(SequenceSetup());
    OpenDevice();
    monitor->ClearLines();
    // The subject's way: at each callback, every result held, newest first.
    client.onDone = [this](Service* s) {
      auto* m = dynamic_cast<MonitorService*>(s);
      if (!m) return;
      std::vector<COMeas> batch;
      while (m->GetResultCount() > 0) batch.push_back(m->TakeNewestResult());
      std::reverse(batch.begin(), batch.end());
      received.insert(received.end(), batch.begin(), batch.end());
    };
  }

  ServiceHandle<MonitorService> StartService() {
    auto s = device->NewMonitorService(&client);
    s->Start();
    return s;
  }
  bool Polling(MonitorService& s) { return s.GetPhase() == MonitorService::phasePolling; }
  bool Done(MonitorService& s) { return client.Finished(&s) == 1; }
  // The numbers of the samples received (channel A carries them).
  std::vector<long> Numbers() const {
    std::vector<long> n;
    for (const COMeas& m : received) n.push_back(static_cast<long>(m.GetValue(0)));
    return n;
  }
  // Makes sure that "now", in whole seconds, stays the same for the next
  // half second, so a time a given number of seconds ahead is exact.
  static void AtStartOfSecond() {
    using namespace std::chrono;
    const auto intoSecond = duration_cast<milliseconds>(system_clock::now().time_since_epoch()) % 1000;
    if (intoSecond.count() < 500) return;
    const time_t now = std::time(nullptr);
    while (std::time(nullptr) == now) std::this_thread::sleep_for(milliseconds(1));
  }

  std::vector<COMeas> received;
};

