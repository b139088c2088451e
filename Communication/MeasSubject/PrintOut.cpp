#include "PrintOut.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "COMeasObs.h"

std::string ReadPrintOut(COMeasObs& obs, const std::string& request, const PrintOutComplete& complete,
                         const PrintOutLimits& limits) {
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
    link.Write(ChBufWrapper(request.c_str(), static_cast<unsigned>(request.size())));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.deadlineMs);
    std::vector<char> buffer(limits.readSize);
    bool done = false;
    for (bool first = true;; first = false) {
      const size_t room = limits.maxBytes - text.size();
      const size_t asked = room < buffer.size() ? room : buffer.size();
      // No read outlasts the long time-out (a silent monitor) or the deadline
      // (a monitor that sends without a pause ends no read by itself).
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      const long long bound = std::min<long long>(std::max<long long>(0, left.count()), limits.longTimeoutMs);
      const unsigned got = link.ReadDirect(buffer.data(), static_cast<unsigned>(asked), static_cast<int>(bound));
      const size_t newFrom = text.size();
      text.append(buffer.data(), got);
      done = got != 0 && complete(text, newFrom);
      if (done || got == 0 || (first && text.size() < kShortPrintOut) || text.size() >= limits.maxBytes ||
          std::chrono::steady_clock::now() >= deadline)
        break;
    }
    if (!done) link.DiscardInput();
  } catch (...) {
    if (!wasOpen) link.Close();
    throw;
  }
  if (!wasOpen) link.Close();
  return text;
}

std::string LayoutPrintOut(const std::string& text, int linesPerPage) {
  std::string out;
  out.reserve(text.size());
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
