#pragma once
// One program's objects, owned for the program's whole run and built in the
// order of its start-up: the data layer's (identity, system set-up, general
// subject, database observer, active sequence), then the measurement subject
// with the serial stack in a program that talks to the monitor. The user
// interface lends it the device's dialogs, the notifier that carries
// finished services to its thread, the alarm outputs and the start-up's ways
// out. A program's start-up builds one and hands it to what needs it; tests
// build their own.
#include <functional>
#include <memory>

#include "DataContext.h"
#include "DataLinkRS232.h"
#include "DeviceKovo.h"
#include "Rs232Trace.h"

class COMeasObs;
class IDeviceDialogs;

// What the start-up connection does when the user gives up on the monitor.
struct StartupActions {
  // Ends the program at once with the code (std::exit unless given).
  std::function<void(int code)> exitProgram;
  // The Calibration program's no-monitor flag: that program goes on without
  // a monitor instead of ending.
  std::function<void()> setNoMonitor;
};

class ProgramContext : public DataContext {
 public:
  explicit ProgramContext(ProgramIdentity identity);
  ~ProgramContext() override;

  // Null in a program that does not talk to the monitor.
  COMeasObs* MeasObs() { return m_measObs.get(); }

  // Attaches the database observer and the sequence observer to the
  // general subject: the start-up's first step.
  void AttachObservers();
  void DetachObservers();

  // The serial link's options, kept for the link, which takes them before
  // it opens; without a trace of their own it traces into the context's.
  void SetLinkOptions(LinkOptions options);
  const LinkOptions& GetLinkOptions() const { return m_linkOptions; }
  // The trace of the program's serial traffic (off until turned on).
  Rs232Trace& SerialTrace() { return m_trace; }

  void SetDeviceDialogs(IDeviceDialogs* dialogs);
  void SetNotifier(DeviceKovo::Notifier notifier);
  void SetStartupActions(StartupActions actions) { m_startupActions = std::move(actions); }
  const StartupActions& GetStartupActions() const { return m_startupActions; }

 private:
  Rs232Trace m_trace;
  LinkOptions m_linkOptions;
  std::unique_ptr<COMeasObs> m_measObs;
  StartupActions m_startupActions;
  bool m_observersAttached = false;
};
