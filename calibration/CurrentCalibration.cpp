#include "CurrentCalibration.h"

namespace {

constexpr char kEndLabel[] = "Factor 10";

bool HasEndLine(const std::string& text) {
  const size_t at = text.find(kEndLabel);
  return at != std::string::npos && text.find('\n', at) != std::string::npos;
}

}  // namespace

std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits) {
  return ReadPrintOut(
      obs, "O_C_D? AL\n", [](const std::string& text, size_t) { return HasEndLine(text); }, limits);
}
