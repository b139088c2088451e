#include "CaliCalculation.h"

#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "DBUtil.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace calibration {

bool CaliMarks::Any() const {
  for (const CaliMark* mark : {&zero, &humiditySpan, &interference})
    if (mark->IsSet()) return true;
  for (int f = 0; f < 5; ++f)
    if (spanHigh[f].IsSet() || spanLow[f].IsSet()) return true;
  return false;
}

std::optional<CaliResults> CaliCalculation::Calculate(const CaliMarks& marks, const RunOf& runOf) {
  // Without a mark "Calculation finished" would only show empty boxes.
  if (!marks.Any()) {
    ShowMessage(IDS_CALI_NOTHING_MARKED);
    return std::nullopt;
  }
  CaliResults results;
  Calibrator& calibrator = m_calibrator;
  if (marks.zero.IsSet()) results.zeroPoint = calibrator.calibOffset(marks.zero.average);

  if (marks.humiditySpan.IsSet()) {
    if (!calibrator.GetWater().m_concOffset.IsValid()) {
      ShowMessage(IDS_CALI_NO_ZERO_FOR_HUMIDITY_SPAN);
    } else if (const auto run = runOf(marks.humiditySpan.first)) {
      results.waterSpan = calibrator.calibHumSpan(marks.humiditySpan.average, run->humiditySpan);
    }
  }

  if (marks.interference.IsSet()) {
    bool zeroed = true;
    for (int f = 0; f < 5; ++f)
      if (m_gasFilters[static_cast<size_t>(f)] && !calibrator.GetBank(f).m_concOffset.IsValid()) zeroed = false;
    if (!zeroed)
      ShowMessage(IDS_CALI_NO_ZERO_FOR_INTERFERENCE);
    else
      results.interference = calibrator.calibHumIntf(marks.interference.average);
  }

  try {
    for (int f = 0; f < 5; ++f) Span(f, marks, runOf, results);
  } catch (const CalibrationError&) {
    // Said by the calibrator; what was calculated before it stays.
    results.complete = false;
  }
  return results;
}

void CaliCalculation::Span(int f, const CaliMarks& marks, const RunOf& runOf, CaliResults& results) {
  const CaliMark& high = marks.spanHigh[f];
  const CaliMark& low = marks.spanLow[f];
  const bool twoPoint = low.IsSet() && high.IsSet();
  if (!high.IsSet()) return;
  Calibrator& calibrator = m_calibrator;
  const BankInfo& bank = calibrator.GetBank(f);
  if (!bank.m_concOffset.IsValid() || !bank.m_humiGain.IsValid()) {
    ShowMessageText(platform::Format(
        platform::LoadString(twoPoint ? IDS_CALI_NO_ZERO_FOR_TWO_POINT : IDS_CALI_NO_ZERO_FOR_ONE_POINT).c_str(),
        'A' + f));
    return;
  }
  if (twoPoint) {
    const auto lowRun = runOf(low.first);
    if (!lowRun) return;
    const auto highRun = runOf(high.first);
    if (!highRun) return;
    // A rejection throws: the filters after it are not calculated.
    const bool complete =
        calibrator.calibSpan2P(high.average, low.average, f, highRun->concHigh, highRun->concHighShown,
                               lowRun->concLow, lowRun->concLowShown, highRun->cross);
    results.twoPoint[f] = true;
    results.cross[f] = highRun->cross && complete;
  } else {
    const auto run = runOf(high.first);
    if (!run) return;
    const bool stored = calibrator.spanFactor(f, high.average, run->concHigh) != 0.0;
    const bool complete = calibrator.calibSpan1P(high.average, f, run->concHigh, run->concHighShown, run->cross);
    results.singlePoint[f] = stored;
    results.cross[f] = run->cross && stored && complete;
  }
}

}  // namespace calibration
