#include "CurrentCalibration.h"

#include <chrono>
#include <mutex>
#include <vector>

#include "COMeasObs.h"

namespace {

constexpr char kEndLabel[] = "Factor 10";
constexpr size_t kShortReply = 50;

bool HasEndLine(const std::string& text) {
  const size_t at = text.find(kEndLabel);
  return at != std::string::npos && text.find('\n', at) != std::string::npos;
}

}  // namespace

std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits) {
  std::lock_guard<std::mutex> exchange(obs.GetDevice().GetScheduler().ExchangeLock());
  DataLinkRS232& link = obs.GetLink();
  struct Restore {
    COMeasObs& obs;
    unsigned ms;
    ~Restore() {
      obs.SetLinkTimeouts(ms);
      obs.InitCommPort();
    }
  } restore{obs, limits.normalTimeoutMs};
  obs.SetLinkTimeouts(limits.longTimeoutMs);
  obs.InitCommPort();
  const bool wasOpen = link.isOpen();
  if (!wasOpen) link.Open();
  std::string text;
  try {
    static const char kRequest[] = "O_C_D? AL\n";
    link.Write(ChBufWrapper(kRequest, sizeof kRequest - 1));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.deadlineMs);
    std::vector<char> buffer(limits.readSize);
    for (bool first = true;; first = false) {
      const size_t room = limits.maxBytes - text.size();
      const size_t asked = room < buffer.size() ? room : buffer.size();
      const unsigned got = link.ReadDirect(buffer.data(), static_cast<unsigned>(asked));
      text.append(buffer.data(), got);
      if (got == 0 || (first && text.size() < kShortReply) || HasEndLine(text) || text.size() >= limits.maxBytes ||
          std::chrono::steady_clock::now() >= deadline)
        break;
    }
    // A print cut short leaves the rest for nobody.
    if (!HasEndLine(text)) link.DiscardInput();
  } catch (...) {
    if (!wasOpen) link.Close();
    throw;
  }
  if (!wasOpen) link.Close();
  return text;
}

std::string LayoutPrintOut(const std::string& text, int linesPerPage) {
  std::string out;
  int lines = 0;
  bool firstFeed = true;
  for (char c : text) {
    if (c == '\f') {
      if (!firstFeed) {
        for (; lines < linesPerPage; ++lines) out += '\n';
      }
      firstFeed = false;
      out += c;
      lines = 0;
      continue;
    }
    if (c == '\n') ++lines;
    out += c;
  }
  if (!out.empty()) out.pop_back();
  return out;
}
