#pragma once
// The print of the monitor's current calibration: "O_C_D? AL" written
// straight on the link and the monitor's text read straight from the port,
// then laid out in printer pages.
#include <cstddef>
#include <string>

class COMeasObs;

struct PrintOutLimits {
  size_t readSize = 100000;     // bytes asked for by one read
  size_t maxBytes = 400000;     // the whole text
  int deadlineMs = 300000;      // for the whole text
  unsigned longTimeoutMs = 120000;   // the link's time-outs while the monitor prints
  unsigned normalTimeoutMs = 10000;  // and afterwards
};

// Reads until the text has its end line ("Factor 10 ..."), a read brings
// nothing, the first read brings less than 50 bytes, the deadline passes or
// the text reaches its limit, whichever comes first. Link failures are
// passed on; the link has its normal time-outs again either way.
std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits = PrintOutLimits());

// Pages of linesPerPage lines: the first form feed is kept as it is, every
// later one is preceded by the line feeds that fill its page. The text's
// last byte is dropped.
std::string LayoutPrintOut(const std::string& text, int linesPerPage);
