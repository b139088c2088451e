#pragma once
// The print of the monitor's current calibration: "O_C_D? AL" written
// straight on the link and the monitor's text read straight from the port,
// then laid out in printer pages.
#include <string>

#include "PrintOut.h"

class COMeasObs;

// Reads until the text has its end line ("Factor 10 ..."), or as the shared
// print-out read stops.
std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits = PrintOutLimits());
