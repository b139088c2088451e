#pragma once
// The composite steps that services queue besides plain monitor commands:
// waiting for a status, the conditional service request of the polling cycle
// and reading one measurement. The only place that waits and retries.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "ChBuf.h"
#include "Exceptions.h"
#include "thread/TimerQueue.h"

class COMeas;
class CommKovo;
template <class T>
class MeasService;

// The monitor did not do what was asked.
class DeviceKovoException : public Exception {
 public:
  std::string Describe() const override { return "DeviceKovoException"; }
};

class TryAgainException : public DeviceKovoException {
 public:
  std::string Describe() const override { return "Try again"; }
};

class CommKovoHelper {
 public:
  explicit CommKovoHelper(CommKovo* comm) : m_comm(comm) {}
  virtual ~CommKovoHelper() = default;

  // Asks "EX_S?" until the monitor reports the status: at most the given
  // number of questions, pausing between them; then TryAgainException.
  void WaitForStatus(int32_t expected);
  // Asks "CO_SRQ? <value>" when bit 0 of the request flags is set.
  void RequestIfFlagged(int32_t value);
  // Reads one measurement into the service's results when bit 0 of the
  // request flags is set, with the monitor's message when it holds one.
  void ReadMeasurement(MeasService<COMeas>* service);

  // Written by the polling cycle's "CO_SRQ? 1,MEM".
  int32_t& GetRequestFlags() { return m_requestFlags; }

  void SetStatusWait(int asks, std::chrono::milliseconds pause) {
    m_statusAsks = asks > 0 ? asks : 1;
    m_statusPause = pause;
  }
  // Puts the serial link's parameters on again before the message is read
  // straight from the port (the measurement subject's port set-up).
  void SetLinkSetup(std::function<void()> setup) { m_linkSetup = std::move(setup); }

  // Cuts short a status wait under way, and every later one until Resume:
  // the device's close does it so that it never waits out the pauses.
  void Interrupt() { m_pause.Interrupt(); }
  void Resume() { m_pause.Reset(); }

  // The monitor's "P_U_D_B?" reply as the message text: from its second byte,
  // the first word, one blank, then the rest up to the double quote without
  // trailing blanks.
  static void ParseMessageReply(const char* reply, ChBuf& text);

 private:
  void ReadMessage();

  int32_t m_requestFlags = 0;
  CommKovo* m_comm;
  int m_statusAsks = 10;
  std::chrono::milliseconds m_statusPause{2000};
  std::function<void()> m_linkSetup;
  platform::InterruptibleSleep m_pause;
};
