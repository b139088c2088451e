#pragma once
// The monitor's print-outs: a request written straight on the link, the
// monitor's text read straight from the port until it is complete, and the
// text laid out in printer pages.
#include <cstddef>
#include <functional>
#include <string>

class COMeasObs;

struct PrintOutLimits {
  size_t readSize = 100000;          // bytes asked for by one read
  size_t maxBytes = 400000;          // the whole text
  int deadlineMs = 300000;           // for the whole text
  unsigned longTimeoutMs = 120000;   // the link's time-outs while the monitor prints
  unsigned normalTimeoutMs = 10000;  // and afterwards
};

// Tells whether the text read so far is the whole print-out; newFrom is where
// the last read's bytes begin.
using PrintOutComplete = std::function<bool(const std::string& text, size_t newFrom)>;

// Reads until complete() holds, a read brings nothing, the first read brings
// less than kShortPrintOut bytes, the deadline passes or the text reaches
// its limit, whichever comes first. A print cut short leaves nothing on the
// line for the next exchange. Link failures are passed on; the link has its
// normal time-outs again either way, and is closed again if it was closed.
std::string ReadPrintOut(COMeasObs& obs, const std::string& request, const PrintOutComplete& complete,
                         const PrintOutLimits& limits);
constexpr size_t kShortPrintOut = 50;

// Pages of linesPerPage lines: the first form feed is kept as it is, every
// later one is preceded by the line feeds that fill its page. The text's
// last byte is dropped.
std::string LayoutPrintOut(const std::string& text, int linesPerPage);
