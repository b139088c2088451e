#pragma once
// The monitor's memory of its own measurements: the leak detector's switch
// for keeping them, and the print of what it kept, read straight from the
// port as the monitor prints it.
#include <string>

#include "PrintOut.h"

class COMeasObs;

// "SE? MEM ": the memory counts as off only when the reply holds an 'N'.
// The link's exceptions pass to the caller.
bool QueryMonitorMemory(COMeasObs& obs);
// "SE MEM,Y" or "SE MEM,N".
void SwitchMonitorMemory(COMeasObs& obs, bool on);

// The print can be long (the monitor prints at 9600 baud): no fixed room, but
// a bound on the text and on the time.
PrintOutLimits MemoryPrintLimits();

struct MemoryPrint {
  bool noData = false;  // the monitor's first answer was short
  std::string text;     // laid out in pages
};
// "O_M? US_M_A_P": read until the line of the last recorded sample has come
// (its number, from "Recorded Samples : n", between blanks after the
// "Pressure" heading), then laid out in pages of linesPerPage lines. After a
// short first answer the caller tells the user and acknowledges it with
// AcknowledgeNoData.
MemoryPrint ReadMonitorMemoryPrint(COMeasObs& obs, int linesPerPage,
                                   const PrintOutLimits& limits = MemoryPrintLimits());
// "A_M".
void AcknowledgeNoData(COMeasObs& obs);

// Whether the print read so far holds the line of its last sample; newFrom is
// where the last read's bytes begin.
bool MemoryPrintComplete(const std::string& text, size_t newFrom);
