#include "CaliStatus.h"

#include <algorithm>

#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "COException.h"
#include "COGenSub.h"
#include "COSystemSetup.h"
#include "CaliValues.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
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

void ShowForFilter(unsigned id, int filter) {
  ShowMessageText(platform::Format(platform::LoadString(id).c_str(), 'A' + filter));
}

std::string Letter(int filter) { return std::string(1, static_cast<char>('A' + filter)); }

}  // namespace

COCaliStatus::COCaliStatus(CaliContext& context, COCursorStatus& cursors) : m_context(context), m_cursors(cursors) {}

COCaliStatus::~COCaliStatus() = default;

void COCaliStatus::Update(const CGenEvent& event) {
  if (event.kind == eDBChanged) UnmarkAll();
}

void COCaliStatus::UnmarkAll() {
  for (Mark* mark : {&m_zero, &m_humiSpan, &m_interference}) mark->Clear();
  for (int f = 0; f < 5; ++f) {
    m_spanHigh[f].Clear();
    m_spanLow[f].Clear();
  }
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
  auto set = [&](Mark& mark, COMeas& target) {
    mark.first = left;
    mark.second = right;
    target = average;
  };
  switch (sequence.CaliMode) {
    case COCaliSequence::modeZero:
      set(m_zero, m_zeroAvg);
      break;
    case COCaliSequence::modeHumiditySpan:
      set(m_humiSpan, m_humiSpanAvg);
      break;
    case COCaliSequence::modeHumidityInterference:
      set(m_interference, m_interferenceAvg);
      if (sequence.GetCalcSpan(COCaliSequence::calcWaterSpan)) {
        m_humiSpan = m_interference;
        m_humiSpanAvg = m_interferenceAvg;
      }
      break;
    case COCaliSequence::modeSpan1P:
      if (!spanFilter) return false;
      set(m_spanHigh[filter], m_spanHighAvg[filter]);
      m_spanLow[filter].Clear();
      break;
    case COCaliSequence::modeSpan2P:
      if (!spanFilter) return false;
      if (sequence.CaliHighConc)
        set(m_spanHigh[filter], m_spanHighAvg[filter]);
      else
        set(m_spanLow[filter], m_spanLowAvg[filter]);
      break;
    default:
      return false;
  }
  Redraw();
  return true;
}

void COCaliStatus::Calculate(QWidget* parent) {
  m_lastResult = std::make_unique<COCalculateDlg>(m_context, parent);
  COCalculateDlg& result = *m_lastResult;
  // The record of what was ticked outlives its window's parent: the main
  // window must not delete it a second time.
  struct Keep {
    std::unique_ptr<COCalculateDlg>& dialog;
    ~Keep() {
      if (dialog) dialog->setParent(nullptr);
    }
  } keep{m_lastResult};
  try {
    Run(result);
  } catch (const CalibrationError&) {
    // Shown by the calibrator; what was calculated before it stays.
    return;
  }
}

void COCaliStatus::Run(COCalculateDlg& result) {
  COCaliMeasObs& meas = m_context.meas;
  if (meas.IsOffline()) {
    ShowMessage(IDS_CALI_OFFLINE_CALCULATION);
    m_lastResult.reset();
    return;
  }
  // Without a mark the finished dialog would only show empty boxes.
  if (MarkPoints().empty()) {
    ShowMessage(IDS_CALI_NOTHING_MARKED);
    m_lastResult.reset();
    return;
  }
  if (!meas.RetrieveFilterNumbers()) {
    ShowMessage(IDS_CALI_NO_UA_NUMBERS);
    m_lastResult.reset();
    return;
  }

  Calibrator& calibrator = m_context.calibrator;
  const COSystemSetup& setup = m_context.program.Setup();
  const int displayUnit = setup.GetGasConcUnit().GetUnit();
  COCaliSequence sequence(m_context.program, [&meas] { return meas.IsConnected(); });
  try {
    if (!sequence.Load()) {
      m_lastResult.reset();
      return;
    }
  } catch (const COException& e) {
    ShowExceptionMessage(e);
    m_lastResult.reset();
    return;
  }
  // Which filters carry a gas is the active sequence's matter.
  const COCaliSequence& active = m_context.sequence;

  if (m_zero.IsSet()) result.m_zeroPoint = calibrator.calibOffset(m_zeroAvg);

  if (m_humiSpan.IsSet()) {
    if (!calibrator.GetWater().m_concOffset.IsValid()) {
      ShowMessage(IDS_CALI_NO_ZERO_FOR_HUMIDITY_SPAN);
    } else if (FindSequence(m_humiSpan.first, sequence)) {
      result.m_waterSpan = calibrator.calibHumSpan(m_humiSpanAvg, sequence.GetHumiSpan(COConcUnit::mg_m3));
    }
  }

  if (m_interference.IsSet()) {
    bool zeroed = true;
    for (int f = 0; f < 5; ++f)
      if (active.IsGasDefined(f) && !calibrator.GetBank(f).m_concOffset.IsValid()) zeroed = false;
    if (!zeroed)
      ShowMessage(IDS_CALI_NO_ZERO_FOR_INTERFERENCE);
    else
      result.m_interference = calibrator.calibHumIntf(m_interferenceAvg);
  }

  for (int f = 0; f < 5; ++f) {
    const bool twoPoint = m_spanLow[f].IsSet() && m_spanHigh[f].IsSet();
    if (!twoPoint && !m_spanHigh[f].IsSet()) continue;
    const BankInfo& bank = calibrator.GetBank(f);
    if (!bank.m_concOffset.IsValid() || !bank.m_humiGain.IsValid()) {
      ShowForFilter(twoPoint ? IDS_CALI_NO_ZERO_FOR_TWO_POINT : IDS_CALI_NO_ZERO_FOR_ONE_POINT, f);
      continue;
    }
    if (twoPoint) {
      if (!FindSequence(m_spanLow[f].first, sequence)) continue;
      const double lowDisplay = sequence.GetConcSpanLow(displayUnit);
      const double low = sequence.GetConcSpanLow(COConcUnit::mg_m3);
      if (!FindSequence(m_spanHigh[f].first, sequence)) continue;
      const double highDisplay = sequence.GetConcSpanHigh(displayUnit);
      const double high = sequence.GetConcSpanHigh(COConcUnit::mg_m3);
      const bool cross = sequence.CaliCross != 0;
      // A rejection throws: the filters after it are not calculated.
      const bool complete = calibrator.calibSpan2P(m_spanHighAvg[f], m_spanLowAvg[f], f, high, highDisplay, low,
                                                   lowDisplay, cross);
      result.m_twoPoint[f] = true;
      result.m_cross[f] = cross && complete;
    } else {
      if (!FindSequence(m_spanHigh[f].first, sequence)) continue;
      const double highDisplay = sequence.GetConcSpanHigh(displayUnit);
      const double high = sequence.GetConcSpanHigh(COConcUnit::mg_m3);
      const bool cross = sequence.CaliCross != 0;
      const bool stored = calibrator.spanFactor(f, m_spanHighAvg[f], high) != 0.0;
      const bool complete = calibrator.calibSpan1P(m_spanHighAvg[f], f, high, highDisplay, cross);
      result.m_singlePoint[f] = stored;
      result.m_cross[f] = cross && stored && complete;
    }
  }
  sequence.Close();
  // The calibration status window shows what the calibrator holds now.
  meas.Notify();
  result.DoModal();
}

// --- the marks in the windows ---

std::vector<COCaliStatus::MarkPoint> COCaliStatus::MarkPoints() const {
  std::vector<MarkPoint> points;
  auto add = [&points](const Mark& mark, const std::string& label) {
    if (!mark.IsSet()) return;
    points.push_back({mark.first, label});
    points.push_back({mark.second, label});
  };
  add(m_zero, "ZP");
  const bool together = m_interference.IsSet() && m_humiSpan.IsSet() &&
                        m_interference.first.GetMeasNo() == m_humiSpan.first.GetMeasNo();
  if (together) {
    add(m_interference, "HIS");
  } else {
    add(m_interference, "HI");
    add(m_humiSpan, "HS");
  }
  for (int f = 0; f < 5; ++f) {
    add(m_spanLow[f], "SL" + Letter(f));
    add(m_spanHigh[f], "SH" + Letter(f));
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
