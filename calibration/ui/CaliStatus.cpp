#include "CaliStatus.h"

#include <algorithm>
#include <array>

#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "COException.h"
#include "COGenSub.h"
#include "COSystemSetup.h"
#include "CaliValues.h"
#include "CalibrationStrings.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DCWrapper.h"
#include "FilterCopies.h"
#include "ProgramContext.h"
#include "StringIds.h"
#include "TaskRecords.h"
#include "WindowLayer.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace calibration {

namespace {

// The readings are stored in microvolts; the calibrator works in volts.
constexpr float kToVolts = 1e-6f;

std::string Letter(int filter) { return std::string(1, static_cast<char>('A' + filter)); }

}  // namespace

COCaliStatus::COCaliStatus(CaliContext& context, COCursorStatus& cursors) : m_context(context), m_cursors(cursors) {}

COCaliStatus::~COCaliStatus() = default;

void COCaliStatus::Update(CSubject* subject) {
  auto* genSub = dynamic_cast<COGenSub*>(subject);
  if (genSub != nullptr && genSub->GetUpdType() == eDBChanged) UnmarkAll();
}

void COCaliStatus::UnmarkAll() {
  m_marks.Clear();
  Redraw();
}

void COCaliStatus::Redraw() { UpdateAllViewsOfDoc(m_context.program, kHintRepaintAll); }

bool COCaliStatus::FindSequence(const COMeas& meas, COCaliSequence& sequence) const {
  return sequence.LoadByStopTime(meas.GetMeasTime());
}

bool COCaliStatus::Average(const COMeas& a, const COMeas& b, COMeas& average) const {
  double sum[7] = {};
  int count[7] = {};
  try {
    COMeas row;
    CORecMeas rs(m_context.program);
    rs.SetTarget(&row);
    rs.SetFilter(platform::Format("[MeasNo] >= %d AND [MeasNo] <= %d", std::min(a.GetMeasNo(), b.GetMeasNo()),
                                  std::max(a.GetMeasNo(), b.GetMeasNo())));
    rs.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    for (; !rs.IsEOF(); rs.MoveNext()) {
      for (int ch = 0; ch < 7; ++ch) {
        if (!row.IsValueValid(ch)) continue;
        sum[ch] += row.GetValue(ch).GetValue();
        ++count[ch];
      }
    }
    rs.CloseWithDatabase();
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return false;
  }
  average = COMeas();
  for (int ch = 0; ch < 7; ++ch) average.SetValue(ch, MeasValue());
  for (int ch = 0; ch < 6; ++ch)
    if (count[ch] > 0) average.SetValue(ch, static_cast<float>(sum[ch] / count[ch] * static_cast<double>(kToVolts)));
  // The task holds the temperature in the system's unit, the calibrator
  // wants kelvin.
  if (count[COMeas::chTemperature] > 0) {
    const float mean = static_cast<float>(sum[COMeas::chTemperature] / count[COMeas::chTemperature]);
    average.SetValue(COMeas::chTemperature,
                     m_context.program.Setup().GetTempUnit().Convert(COTempUnit(COTempUnit::kelvin), mean));
  }
  return true;
}

bool COCaliStatus::MarkInterval() {
  if (!m_cursors.IsCursorOn() || m_cursors.GetWindowData() == nullptr || m_cursors.GetLeftCursor().GetMeasNo() == 0) {
    ShowMessage(IDS_CALI_SELECT_INTERVAL);
    return false;
  }
  const COMeas left = m_cursors.GetLeftCursor();
  const COMeas right = m_cursors.GetRightCursor();
  COCaliMeasObs& meas = m_context.meas;
  COCaliSequence sequence(m_context.program, [&meas] { return meas.IsConnected(); });
  try {
    // A task that cannot be read has said why.
    if (!sequence.Load()) return false;
  } catch (const COException& e) {
    ShowExceptionMessage(e);
    return false;
  }
  if (!FindSequence(right, sequence)) return false;
  const int rightNumber = sequence.NumCount;
  if (!FindSequence(left, sequence)) return false;
  if (sequence.NumCount != rightNumber) {
    ShowMessage(IDS_CALI_SELECT_VALID_INTERVAL);
    return false;
  }
  sequence.Close();

  const int filter = sequence.SpanFilter;
  const bool spanFilter = filter >= 0 && filter < 5;
  // A mark whose readings could not be read is not set.
  COMeas average;
  if (!Average(left, right, average)) return false;
  auto set = [&](Mark& mark) {
    mark.first = left;
    mark.second = right;
    mark.average = average;
  };
  switch (sequence.CaliMode) {
    case COCaliSequence::modeZero:
      set(m_marks.zero);
      break;
    case COCaliSequence::modeHumiditySpan:
      set(m_marks.humiditySpan);
      break;
    case COCaliSequence::modeHumidityInterference:
      set(m_marks.interference);
      if (sequence.GetCalcSpan(COCaliSequence::calcWaterSpan)) m_marks.humiditySpan = m_marks.interference;
      break;
    case COCaliSequence::modeSpan1P:
      if (!spanFilter) return false;
      set(m_marks.spanHigh[filter]);
      m_marks.spanLow[filter].Clear();
      break;
    case COCaliSequence::modeSpan2P:
      if (!spanFilter) return false;
      set(sequence.CaliHighConc ? m_marks.spanHigh[filter] : m_marks.spanLow[filter]);
      break;
    default:
      return false;
  }
  Redraw();
  return true;
}

void COCaliStatus::Calculate(QWidget* parent) {
  std::optional<CaliResults>& results = m_context.results;
  results = Run();
  if (!results || !results->complete) return;
  // The calibration status window shows what the calibrator holds now.
  m_context.meas.Notify();
  COCalculateDlg finished(m_context, *results, parent);
  finished.DoModal();
}

std::optional<CaliResults> COCaliStatus::Run() {
  COCaliMeasObs& meas = m_context.meas;
  if (meas.IsOffline()) {
    ShowMessage(IDS_CALI_OFFLINE_CALCULATION);
    return std::nullopt;
  }
  COCaliSequence sequence(m_context.program, [&meas] { return meas.IsConnected(); });
  // With nothing marked the calculation says so before the monitor is asked.
  if (m_marks.Any()) {
    if (!meas.RetrieveFilterNumbers()) {
      ShowMessage(IDS_CALI_NO_UA_NUMBERS);
      return std::nullopt;
    }
    try {
      if (!sequence.Load()) return std::nullopt;
    } catch (const COException& e) {
      ShowExceptionMessage(e);
      return std::nullopt;
    }
  }
  const int displayUnit = m_context.program.Setup().GetGasConcUnit().GetUnit();
  auto runOf = [this, &sequence, displayUnit](const COMeas& first) -> std::optional<CaliRunGas> {
    if (!FindSequence(first, sequence)) return std::nullopt;
    CaliRunGas run;
    run.humiditySpan = sequence.GetHumiSpan(COConcUnit::mg_m3);
    run.concLow = sequence.GetConcSpanLow(COConcUnit::mg_m3);
    run.concLowShown = sequence.GetConcSpanLow(displayUnit);
    run.concHigh = sequence.GetConcSpanHigh(COConcUnit::mg_m3);
    run.concHighShown = sequence.GetConcSpanHigh(displayUnit);
    run.cross = sequence.CaliCross != 0;
    return run;
  };
  // Which filters carry a gas is the active sequence's matter.
  std::array<bool, 5> gasFilters{};
  for (int f = 0; f < 5; ++f) gasFilters[static_cast<size_t>(f)] = m_context.sequence.IsGasDefined(f);
  CaliCalculation calculation(m_context.calibrator, gasFilters);
  return calculation.Calculate(m_marks, runOf);
}

// --- the marks in the windows ---

std::vector<COCaliStatus::MarkPoint> COCaliStatus::MarkPoints() const {
  std::vector<MarkPoint> points;
  auto add = [&points](const Mark& mark, const std::string& label) {
    if (!mark.IsSet()) return;
    points.push_back({mark.first, label});
    points.push_back({mark.second, label});
  };
  const CaliMarks& m = m_marks;
  add(m.zero, "ZP");
  const bool together = m.interference.IsSet() && m.humiditySpan.IsSet() &&
                        m.interference.first.GetMeasNo() == m.humiditySpan.first.GetMeasNo();
  if (together) {
    add(m.interference, "HIS");
  } else {
    add(m.interference, "HI");
    add(m.humiditySpan, "HS");
  }
  for (int f = 0; f < 5; ++f) {
    add(m.spanLow[f], "SL" + Letter(f));
    add(m.spanHigh[f], "SH" + Letter(f));
  }
  return points;
}

void COCaliStatus::DrawGraphMarks(CODCWrapper& dc, const platform::CSize& plot, const XPosition& x) const {
  platform::CDC& target = *dc.GetDC();
  const platform::COLORREF oldColor = target.SetTextColor(kMarkColor);
  std::vector<platform::CRect> placed;
  auto overlaps = [&placed](const platform::CRect& r) {
    return std::any_of(placed.begin(), placed.end(), [&r](const platform::CRect& o) {
      return o.left < r.right && r.left < o.right && o.top < r.bottom && r.top < o.bottom;
    });
  };
  for (const MarkPoint& point : MarkPoints()) {
    const int at = x(point.meas, plot.cx);
    if (at < 0 || at > plot.cx) continue;
    dc.FillSolidRect(at, -3, 1, plot.cy + 3, kMarkColor);
    dc.FillSolidRect(at - 3, -3, 7, 1, kMarkColor);
    const platform::CSize size = target.GetTextExtent(point.label);
    platform::CRect label(at + 3, 1, at + 3 + size.cx, 1 + size.cy);
    // At the plot's right end the label would run over the right axis: it
    // stands left of its line.
    if (label.right > plot.cx) label.OffsetRect(-(size.cx + 6), 0);
    // Marks close together would write their labels over each other: a
    // label goes a line lower until it stands clear, while the plot has room.
    while (overlaps(label) && label.bottom + size.cy <= plot.cy) label.OffsetRect(0, size.cy);
    placed.push_back(label);
    dc.DrawTextA(point.label, &label, platform::DT_SINGLELINE | platform::DT_NOCLIP);
  }
  target.SetTextColor(oldColor);
}

std::string COCaliStatus::NumericLabel(int measNo, int step) const {
  std::vector<std::string> labels;
  for (const MarkPoint& point : MarkPoints()) {
    const int at = point.meas.GetMeasNo();
    if (measNo != at && measNo != at + step) continue;
    if (std::find(labels.begin(), labels.end(), point.label) == labels.end()) labels.push_back(point.label);
  }
  std::string text;
  for (const std::string& label : labels) text += (text.empty() ? "" : ", ") + label;
  return text;
}

void COCaliStatus::DrawNumericRow(platform::CDC& dc, int measNo, int step, const platform::CRect& row, int labelX) const {
  const std::string label = NumericLabel(measNo, step);
  if (label.empty()) return;
  dc.FillSolidRect(platform::CRect(row.left, row.top, row.left + 1, row.top + 3), kMarkColor);
  dc.FillSolidRect(platform::CRect(row.right - 1, row.top, row.right, row.top + 3), kMarkColor);
  dc.FillSolidRect(platform::CRect(row.left, row.top, row.right, row.top + 1), kMarkColor);
  const platform::COLORREF old = dc.SetTextColor(kMarkColor);
  platform::CRect text(labelX, row.top, labelX + dc.GetTextExtent(label).cx, row.bottom);
  dc.DrawText(label, &text, platform::DT_SINGLELINE | platform::DT_VCENTER | platform::DT_NOCLIP);
  dc.SetTextColor(old);
}

}  // namespace calibration
