#include "PeriodicTimer.h"

#include <cerrno>
#include <system_error>

#include "Command.h"
#include "Exceptions.h"

namespace {
const char kUnit[] = "Communication/TIMER";
}

PeriodicTimer::PeriodicTimer(unsigned resolutionMs) {
  const TimerCaps caps = GetDevCaps();
  m_resolution = resolutionMs < caps.periodMin ? caps.periodMin : resolutionMs > caps.periodMax ? caps.periodMax : resolutionMs;
}

PeriodicTimer::~PeriodicTimer() { Shutdown(); }

void PeriodicTimer::Start(unsigned periodMs, Command* target) {
  const TimerCaps caps = GetDevCaps();
  if (periodMs < caps.periodMin || periodMs > caps.periodMax || !target)
    throw Win32Error(kUnit, __LINE__, "Unable to start periodic timer", EINVAL);
  Stop();
  try {
    m_id = m_timers.AddPeriodic(std::chrono::milliseconds(periodMs), [target] { target->Execute(); });
  } catch (const std::system_error& e) {
    throw Win32Error(kUnit, __LINE__, "Unable to start periodic timer", static_cast<uint32_t>(e.code().value()));
  }
}

void PeriodicTimer::Stop() {
  const unsigned id = m_id.exchange(0);
  if (id != 0) m_timers.Remove(id);
}

void PeriodicTimer::Shutdown() {
  Stop();
  m_timers.Shutdown();
}
