#include "CurrentCalibration.h"

#include <algorithm>
#include <sstream>

#include "Exceptions.h"
#include "StartupConnection.h"

namespace {

constexpr char kEndLabel[] = "Factor 10";

}  // namespace

bool IsCompleteCurrentCalibration(const std::string& text) {
  const size_t at = text.find(kEndLabel);
  return at != std::string::npos && text.find('\n', at) != std::string::npos;
}

const char kUserLevelWarning[] =
    "Warning: Not allowed to make Calibration\nUser level 3 must be selected on instrument to make Calibration\n"
    "(Use the LOCK button)";

bool UserLevelAllowsCalibration(COMeasObs& obs) {
  // Only the reply's first character counts.
  const std::string reply = QueryDirect(obs, "SE? USER_L", 100);
  return reply.empty() || (reply[0] != '1' && reply[0] != '2');
}

std::string CommunicationErrorText(const std::exception& e) {
  const auto* comm = dynamic_cast<const CommException*>(&e);
  return CommException(comm ? comm->GetKind() : -1).Describe();
}

std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits) {
  return ReadPrintOut(
      obs, "O_C_D? AL\n", [](const std::string& text, size_t) { return IsCompleteCurrentCalibration(text); }, limits);
}

std::vector<std::vector<std::string>> PrintOutPages(const std::string& laidOut, int linesPerPage) {
  const size_t perPage = static_cast<size_t>(std::max(1, linesPerPage));
  std::vector<std::vector<std::string>> pages(1);
  std::istringstream in(laidOut);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t feed = line.find('\f');
    if (feed != std::string::npos) {
      line.erase(std::remove(line.begin(), line.end(), '\f'), line.end());
      if (!pages.back().empty()) pages.emplace_back();
    } else if (pages.back().size() >= perPage) {
      pages.emplace_back();
    }
    pages.back().push_back(line);
  }
  if (pages.back().empty() && pages.size() > 1) pages.pop_back();
  return pages;
}
