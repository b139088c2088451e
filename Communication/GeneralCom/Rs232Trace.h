#pragma once
// The serial layer's process-wide switches and its trace of all traffic.
#include <atomic>
#include <cstddef>
#include <string>

// 1 turns the trace file on (the programs' debug flag).
extern std::atomic<int> g_rs232Debug;
// The command line's compatibility flag: hardware flow control on output.
extern std::atomic<int> g_rs232LikeYelt;
// Cleared by the first open of the process: only that open probes the monitor.
extern std::atomic<int> g_rs232FirstOpen;
// While set, an open fails when the port reports all modem lines off.
extern std::atomic<int> g_rs232CheckModem;
// Set by a read that got nothing, for the sample parser to report.
extern std::atomic<int> g_rs232ReadTimeout;
// Set by a write that sent nothing, for the sample parser to report.
extern std::atomic<int> g_rs232WriteStall;

// Above this size the trace moves to its backup file.
constexpr long kRs232TraceLimit = 1300L * 1024L;

// The trace lives in the working folder unless the program names another.
void SetRs232TraceFolder(const std::string& folder);
std::string Rs232TracePath();
std::string Rs232TraceBackupPath();

// A message of the link: "<time>():<text>".
void Rs232DebugLog(const std::string& text);
// Traffic: "<time>(<tag>):<bytes>", tag "read" or "write".
void Rs232TraceData(const char* tag, const char* data, size_t length);
