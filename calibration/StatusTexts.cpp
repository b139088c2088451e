#include "StatusTexts.h"

#include "Calibrator.h"

namespace {

std::string NoneIfEmpty(const std::string& text) { return text.empty() ? "(none)" : text; }

template <class Has>
std::string FiltersWith(Calibrator& calibrator, Has has) {
  std::string letters;
  for (int f = 0; f < 5; ++f)
    if (has(calibrator.GetBank(f), f)) letters += std::string(1, static_cast<char>('A' + f)) + " ";
  return letters;
}

}  // namespace

std::array<std::string, 6> CalibrationStatusTexts(const std::string& stateText, Calibrator& calibrator) {
  const WaterInfo& water = calibrator.GetWater();
  std::string zero = FiltersWith(calibrator, [](const BankInfo& b, int) { return b.m_concOffset.IsValid(); });
  if (water.m_concOffset.IsValid()) zero += "W ";
  std::string humidity = water.m_gain.IsValid() ? "Span" : "";
  if (!FiltersWith(calibrator, [](const BankInfo& b, int) { return b.m_humiGain.IsValid(); }).empty())
    humidity += " Interference";
  const std::string span = FiltersWith(calibrator, [](const BankInfo& b, int) { return b.m_spanLow.IsValid(); });
  const std::string cross = FiltersWith(calibrator, [](const BankInfo& b, int f) {
    for (int other = 0; other < 5; ++other)
      if (other != f && b.m_cross[other].IsValid()) return true;
    return false;
  });
  return {stateText, NoneIfEmpty(zero), NoneIfEmpty(humidity), NoneIfEmpty(span), NoneIfEmpty(span),
          NoneIfEmpty(cross)};
}
