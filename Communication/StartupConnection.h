#pragma once
// Talking to the monitor from the user-interface thread outside the services:
// the start-up connection, which makes sure the monitor is connected and its
// identity published, and the direct queries of the sampling page.
#include <functional>
#include <string>

class COAirPressure;
class COMeasObs;

// What the start-up connection does when the user gives up on the monitor.
struct StartupActions {
  // Ends the program at once with the code (std::exit unless replaced).
  std::function<void(int code)> exitProgram;
  // The Calibration program's no-monitor flag: that program goes on without
  // a monitor instead of ending.
  std::function<void()> setNoMonitor;
};
// Returns the previous actions.
StartupActions SetStartupActions(StartupActions actions);

// The running program's measurement subject; none without an accessor.
COMeasObs* FindMeasObs();

// Connects the measurement subject, asking for another port (the
// communication dialog) while no monitor answers; cancelling that ends the
// program (exit code 1). On success the monitor's identity is published to
// the Common library.
void ConnectToMonitor();

// The monitor's air pressure and pressure unit, for a leak detector only;
// any other instrument leaves the object as it is.
void ReadAirPressure(COAirPressure& pressure);

// Sends the text (with " \r\n\n") straight over the data link and returns the
// reply of one raw read of at most length bytes, trimmed. Waits for a step the
// worker has under way: the port carries one exchange at a time. The link's
// exceptions pass to the caller.
std::string QueryDirect(const std::string& text, unsigned length);
