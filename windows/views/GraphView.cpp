#include "GraphView.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "CODBObs.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/PainterDC.h"

using platform::COLORREF;

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kTopLine = 0xC0C0C0;
const char* const kAlphabet = "ABCDEFGHIJKLMNOPQERSTUVXYZ";

// Columns on the left axis and on the right one.
std::pair<int, int> AxisCounts(const std::vector<CColumn>& columns) {
  int left = 0, right = 0;
  for (const CColumn& c : columns) (c.GetAxis() != 0 ? right : left)++;
  return {left, right};
}

}  // namespace

CGraphView::CGraphView(CWindowLayer& layer, CDocument* document, QWidget* parent)
    : CIntervalView(layer, document, kGraphType, parent), m_curve(layer.Data()) {
  m_leftAxis.SetAlign(2);
  m_rightAxis.SetAlign(0);
  for (CAxis* a : std::initializer_list<CAxis*>{&m_leftAxis, &m_rightAxis, &m_xAxis}) a->SetWindowData(&Interval());
  ReloadData();
}

// --- data ---

void CGraphView::Loaded(bool) {
  m_curve.SetData(&Interval(), &m_buffer.Rows(), &Interval().GetColumns());
  if (m_converted != nullptr) m_curve.SetConverted(m_converted);
}

// --- commands ---

bool CGraphView::CanZoomIn() const {
  if (!Layer().Cursors().IsCursorOn() || m_anchor.GetMeasNo() == 0) return false;
  // The calibration asks the cursors to stand apart, the others the drag end
  // to stand off the last measurement drawn.
  if (Context().Profile().calibrationWindows) return std::abs(m_anchor.GetMeasNo() - m_dragEnd.GetMeasNo()) > 2;
  return std::abs(m_lastMeasNo - m_dragEnd.GetMeasNo()) > 2;
}

void CGraphView::OnZoomIn() {
  if (m_anchor.GetMeasNo() == 0) return;
  if (Context().Profile().calibrationWindows ? std::abs(m_anchor.GetMeasNo() - m_dragEnd.GetMeasNo()) <= 2
                                             : m_lastMeasNo - m_anchor.GetMeasNo() < 3)
    return;
  Interval().ZoomTo(m_dragEnd, m_anchor);
  ReloadData();
  Repaint();
}

bool CGraphView::CanScale(int axis) const { return m_meas.GetInterval().GetAutoScaleMode(axis) == 2; }

void CGraphView::OnScale(int axis, bool fromZero) {
  COMeasInterval& in = Interval();
  in.SetScaleMin(axis, fromZero ? 0.0f : in.GetDataMin(axis));
  in.SetScaleMax(axis, in.GetDataMax(axis));
  Repaint();
}

bool CGraphView::RunProperties(COMeasInterval& copy) {
  CWindowLayer& layer = Layer();
  CGraphWindowSheet sheet(Context(), copy, this, layer.intervalPage, layer.extraPage, &layer.lastSheetPages.graph);
  return sheet.DoModal() == platform::IDOK;
}

// --- updates ---

bool CGraphView::KeepsPlace() {
  // The calibration stays on what it drew while newer samples wait.
  DataContext& data = Context();
  return data.Profile().calibrationWindows && data.DBObs().GetLastMeas()->GetMeasNo() > m_lastMeasNo + 1;
}

// --- painting ---

platform::CSize CGraphView::MinimumSize() const {
  int th = m_textHeight;
  int rows = m_legendRows;
  if (th < 0) th = QFontMetrics(ProgramFont()).height();
  if (rows < 0) {
    const auto counts = AxisCounts(m_meas.GetInterval().GetColumns());
    rows = std::max(counts.first, counts.second);
  }
  return platform::CSize(25 * th, (rows + 6) * th);
}

void CGraphView::Paint(platform::CDC& dc, platform::CSize page, platform::CPoint origin) {
  CODCWrapper w(&dc);
  w.SetOffset(origin);
  const bool printing = dc.IsPrinting();
  platform::CFont* oldFont = SelectFonts(dc);
  m_curve.SetFont(&m_smallFont);

  COMeasInterval& in = Interval();
  m_textHeight = std::max(1, static_cast<int>(dc.GetTextExtent(kAlphabet).cy));
  const int th = m_textHeight;
  if (m_relayout) {
    m_leftAxis.SetLabelSize(th);
    m_rightAxis.SetLabelSize(th);
    const std::string widest = in.GetMeasMode() != 0 ? platform::Format("%ld", in.GetEnd()) : "88:88:88";
    m_xAxis.SetLabelSize(static_cast<int>(1.2 * dc.GetTextExtent(widest).cx));
    m_leftLegend.SetSecond(th);
    m_rightLegend.SetSecond(th);
    m_relayout = false;
  }
  if (printing) {
    // The title line in the top margin, half a leftover row above the plot.
    const int r = std::max(1, th + m_legendGap);
    const int t = (page.cy - MulDiv(page.cy, 80, 100) / r * r) / 2;
    const std::string title = GetWindowTitle() + " - " + platform::CTime::GetCurrentTime().Format("%y-%m-%d %X");
    const platform::CRect box(0, -t / 2 - 200, page.cx - t, -t / 2 + 200);
    w.DrawTextA(title, &box, platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
  }

  std::vector<CColumn>& columns = in.GetColumns();
  const auto counts = AxisCounts(columns);
  m_legendRows = std::max(counts.first, counts.second);
  platform::CSize area(std::max(static_cast<int>(page.cx), 25 * th), std::max(static_cast<int>(page.cy), (m_legendRows + 6) * th));

  // The legends, a row per curve on each side.
  m_leftLegend.SetWithLetter(!Context().Profile().letterNames);
  m_rightLegend.SetWithLetter(!Context().Profile().letterNames);
  int leftRow = 0, rightRow = 0;
  for (CColumn& c : columns) {
    if (c.GetAxis() != 0) {
      m_rightLegend.SetEntry(rightRow++, &c);
      m_rightLegend.Draw(&w, &area);
    } else {
      m_leftLegend.SetEntry(leftRow++, &c);
      m_leftLegend.Draw(&w, &area);
    }
  }
  const int h = m_leftLegend.RowHeight();
  const int block = m_legendRows * h + h / 2 + 6;
  w.MoveOffset(0, block);
  area.cy -= block;

  // The axes, each handing the rest of the area on.
  platform::CSize p;
  m_xAxis.GetAxisPosition(&w, &p, area.cx, area.cy);
  const int rightWidth = m_rightAxis.LabelWidth(&w, &p);
  const int leftWidth = m_leftAxis.LabelWidth(&w, &p);
  m_xAxis.SetExtent(leftWidth, p.cx - rightWidth);
  m_xAxis.Draw(&w, &area);
  m_leftAxis.Draw(&w, &area);
  m_rightAxis.Draw(&w, &area);
  w.FillSolidRect(1, 0, area.cx - 2, 1, kTopLine);
  if (m_plotDecoration) m_plotDecoration(w, area);

  dc.SaveDC();
  w.IntersectClipRect(1, -3, area.cx, area.cy);
  m_lastMeasNo = 0;
  m_curve.Draw(&w, &area, &m_lastMeasNo);
  dc.RestoreDC();
  const platform::CPoint at = w.GetOffset();
  m_plot = platform::CRect(at.x, at.y, at.x + area.cx, at.y + area.cy);
  dc.SelectObject(oldFont);
}

void CGraphView::DrawCursors(platform::CDC& dc) {
  COMeasInterval& in = Interval();
  if (in.GetLeftCursor() <= 0) return;
  CODCWrapper w(&dc);
  w.SetOffset(m_plot.TopLeft());
  for (const COMeas* m : {in.GetLeftCursorMeas(), in.GetRightCursorMeas()}) {
    const int x = m_curve.Position(*m, m_plot.Width());
    w.FillSolidRect(x, 0, 1, m_plot.Height(), marks::kCursor);
    w.FillSolidRect(x - 3, 0, 7, 1, marks::kCursor);
  }
}

void CGraphView::DrawDragMarks(platform::CDC& dc) {
  const int x1 = m_curve.Position(m_anchor, m_plot.Width());
  const int x2 = m_curve.Position(m_dragEnd, m_plot.Width());
  // Both ends on one measurement: the left bar stands off the plot.
  int left = x1 == x2 ? -500 : x1;
  int right = x2 + 1;
  --left;
  ++right;
  const int bottom = m_plot.Height() + 20;
  CODCWrapper w(&dc);
  w.SetOffset(m_plot.TopLeft());
  dc.SaveDC();
  w.IntersectClipRect(1, 0, m_plot.Width(), bottom);
  w.FillSolidRect(left, 0, 3, bottom, kBlack);
  w.FillSolidRect(right - 3, 0, 3, bottom, kBlack);
  dc.RestoreDC();
}

void CGraphView::Draw(platform::CDC& dc, const platform::CRect& client) {
  m_painting = true;
  dc.FillSolidRect(client, kWhite);
  dc.SetBkMode(platform::TRANSPARENT);
  const platform::CPoint scrolled = ScrollPosition(dc);
  const platform::CPoint origin(-scrolled.x, -scrolled.y);
  Paint(dc, platform::CSize(client.Width(), client.Height()), origin);
  if (m_dragging)
    DrawDragMarks(dc);
  else if (Layer().Cursors().IsCursorOn() && m_anchor.GetMeasNo() != 0)
    DrawCursors(dc);
  DrawLoading(dc, client);
  m_painting = false;
}

void CGraphView::DrawPage(platform::CDC& dc, const platform::CSize& page, int) {
  // The labels are measured in the printer's font, and again on the screen
  // afterwards.
  Relayout();
  m_painting = true;
  dc.SetBkMode(platform::TRANSPARENT);
  const platform::CPoint origin(page.cx / 10, page.cy / 10);
  Paint(dc, platform::CSize(page.cx - 2 * origin.x, page.cy - 2 * origin.y), origin);
  if (Layer().Cursors().IsCursorOn() && m_anchor.GetMeasNo() != 0) DrawCursors(dc);
  m_painting = false;
  // The screen's sizes are measured again in its own font.
  m_textHeight = -1;
  Relayout();
  update();
}

platform::CSize CGraphView::ContentSize() {
  const platform::CSize least = MinimumSize();
  const int w = std::max(width(), static_cast<int>(least.cx));
  const int h = std::max(height(), static_cast<int>(least.cy));
  return platform::CSize(w + w * 18 / 100, h + h * 18 / 100);
}

void CGraphView::Copy() {
  CIntervalView::Copy();
  Relayout();
  update();
}


// --- cursor drag ---

const COMeas* CGraphView::Nearest(int x) const {
  const COMeasColumns& rows = m_buffer.Rows();
  const size_t n = rows.Size();
  if (n == 0) return nullptr;
  auto found = [&](size_t i) {
    rows.RowInto(i, m_nearest);
    return &m_nearest;
  };
  if (x < 0) return found(0);
  const int cx = m_plot.Width();
  auto pos = [&](size_t i) { return m_curve.Position(i, cx); };
  // Positions rise with the reading order: the first at or right of x and
  // the one before it are the candidates; of equal distances the later
  // measurement wins, as does the last of several on one position.
  size_t lo = 0, hi = n;
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (pos(mid) < x) lo = mid + 1; else hi = mid;
  }
  if (lo == n) return found(n - 1);
  const int right = pos(lo);
  if (lo != 0 && x - pos(lo - 1) < right - x) return found(lo - 1);
  size_t last = lo, end = n;
  while (last < end) {
    const size_t mid = last + (end - last) / 2;
    if (right < pos(mid)) end = mid; else last = mid + 1;
  }
  return found(last - 1);
}

const COMeas* CGraphView::MeasAt(platform::CPoint p, bool onlyInside) {
  platform::CRect hit = m_plot;
  hit.InflateRect(5, 5);
  if (onlyInside && !hit.PtInRect(p)) return nullptr;
  return Nearest(ToPlot(p).x);
}

bool CGraphView::CanRun(Command command) {
  switch (command) {
    case Command::scaleLeftZero:
    case Command::scaleLeftMinMax:
      return CanScale(0);
    case Command::scaleRightZero:
    case Command::scaleRightMinMax:
      return CanScale(1);
    default:
      return CMeasViewBase::CanRun(command);
  }
}

void CGraphView::Run(Command command) {
  switch (command) {
    case Command::scaleLeftZero: OnScale(0, true); break;
    case Command::scaleLeftMinMax: OnScale(0, false); break;
    case Command::scaleRightZero: OnScale(1, true); break;
    case Command::scaleRightMinMax: OnScale(1, false); break;
    default: CMeasViewBase::Run(command); break;
  }
}
