#pragma once
// Talking to the monitor from the user-interface thread outside the services:
// the start-up connection, which makes sure the monitor is connected and its
// identity published, and the direct queries of the sampling page.
#include <string>

class COAirPressure;
class COMeasObs;
class ProgramContext;

// Connects the program's measurement subject, asking for another port (the
// communication dialog) while no monitor answers; cancelling that ends the
// program (exit code 1) or, in the Calibration program, goes on without a
// monitor. On success the monitor's identity is published in the program's
// instrument record.
void ConnectToMonitor(ProgramContext& context);

// The monitor's air pressure and pressure unit, for a leak detector only;
// any other instrument leaves the object as it is.
void ReadAirPressure(ProgramContext& context, COAirPressure& pressure);

// Sends the text (with " \r\n\n") straight over the data link and returns the
// reply of one raw read of at most length bytes, trimmed. Waits for a step the
// worker has under way: the port carries one exchange at a time. The link's
// exceptions pass to the caller.
std::string QueryDirect(COMeasObs& obs, const std::string& text, unsigned length);

// Writes the text as it is straight on the data link, opening a closed link
// for it and closing it again. Waits for a step the worker has under way.
// The link's exceptions pass to the caller.
void WriteDirect(COMeasObs& obs, const std::string& text);
