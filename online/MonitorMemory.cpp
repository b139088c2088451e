#include "MonitorMemory.h"

#include "StartupConnection.h"

namespace {

constexpr char kHeading[] = "Pressure";
constexpr char kCountLabel[] = "Recorded Samples";

// The run of characters from '0' up behind the label's ':' and what lies
// below '0'; empty when the heading lacks it.
std::string SampleCount(const std::string& text) {
  const size_t label = text.find(kCountLabel);
  if (label == std::string::npos) return std::string();
  size_t at = text.find(':', label);
  if (at == std::string::npos) return std::string();
  ++at;
  while (at < text.size() && static_cast<unsigned char>(text[at]) < '0') ++at;
  const size_t from = at;
  while (at < text.size() && static_cast<unsigned char>(text[at]) >= '0') ++at;
  return text.substr(from, at - from);
}

}  // namespace

bool MemoryPrintComplete(const std::string& text, size_t newFrom) {
  const size_t heading = text.find(kHeading);
  if (heading == std::string::npos) return false;
  const std::string count = SampleCount(text.substr(0, heading));
  // Without a count nothing tells the end: the heading is all there is to wait for.
  if (count.empty()) return true;
  const std::string last = " " + count + " ";
  // A number split between two reads is found as well.
  size_t from = newFrom > last.size() ? newFrom - last.size() : 0;
  if (from < heading) from = heading;
  const size_t at = text.find(last, from);
  // The whole line, so that nothing of it stays on the line.
  return at != std::string::npos && text.find('\n', at) != std::string::npos;
}

bool QueryMonitorMemory(COMeasObs& obs) {
  PrintOutLimits limits;
  limits.readSize = limits.maxBytes = 100;
  limits.longTimeoutMs = limits.normalTimeoutMs;
  limits.deadlineMs = static_cast<int>(limits.normalTimeoutMs);
  const std::string reply = ReadPrintOut(
      obs, "SE? MEM \n", [](const std::string& text, size_t) { return text.find("\r\n\n") != std::string::npos; },
      limits);
  return reply.find('N') == std::string::npos;
}

void SwitchMonitorMemory(COMeasObs& obs, bool on) { WriteDirect(obs, on ? "SE MEM,Y\n" : "SE MEM,N\n"); }

PrintOutLimits MemoryPrintLimits() {
  PrintOutLimits limits;
  limits.readSize = 50000;
  limits.maxBytes = 16u << 20;
  limits.deadlineMs = 60 * 60 * 1000;
  return limits;
}

MemoryPrint ReadMonitorMemoryPrint(COMeasObs& obs, int linesPerPage, const PrintOutLimits& limits) {
  const std::string text = ReadPrintOut(obs, "O_M? US_M_A_P\n", MemoryPrintComplete, limits);
  MemoryPrint print;
  print.noData = text.size() < kShortPrintOut;
  if (!print.noData) print.text = LayoutPrintOut(text, linesPerPage);
  return print;
}

void AcknowledgeNoData(COMeasObs& obs) { WriteDirect(obs, "A_M\n"); }
