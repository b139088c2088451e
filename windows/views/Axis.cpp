#include "Axis.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>

#include "MeasInterval.h"
#include "StringEx.h"
#include "core/Text.h"
#include "ui/PainterDC.h"

using platform::COLORREF;

namespace {

// However small a step the table gives, no axis draws more ticks than this.
constexpr int kMaxTicks = 1000;

int TextWidth(CODCWrapper* dc, const std::string& text) { return dc->GetDC()->GetTextExtent(text).cx; }
int TextHeight(CODCWrapper* dc, const std::string& text) { return dc->GetDC()->GetTextExtent(text).cy; }

std::string AxisLabel(double value, double step) {
  CStringEx s;
  s.AxisFormat(value, step);
  return s.GetString();
}

}  // namespace

int LogPixelsY(platform::CDC& dc) {
  if (auto* p = dynamic_cast<platform::CPainterDC*>(&dc)) {
    QPainter* painter = p->GetPainter();
    if (painter && painter->device()) {
      // In the painter's units: a scaled print counts its own units an inch.
      const double scale = std::abs(painter->worldTransform().m22());
      const int dpi = painter->device()->logicalDpiY();
      return scale > 0.0 ? static_cast<int>(std::lround(dpi / scale)) : dpi;
    }
  }
  return 96;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

int CAxis::GetTickLength(CODCWrapper* dc) {
  platform::CDC& d = *dc->GetDC();
  return d.IsPrinting() ? MulDiv(4, LogPixelsY(d), 80) : 4;
}

int CAxis::GetValueInset(CODCWrapper* dc, int height) {
  return std::clamp(GetTickLength(dc), 0, std::max(0, (height - 1) / 2));
}

double ValueToY(double value, double min, double range, int height, int inset) {
  return height - inset - (value - min) / range * (height - 2 * inset);
}

void CAxis::DrawCenteredLabel(const std::string& text, COLORREF colour, int x, int cx, int cy, CODCWrapper* dc,
                              platform::CFont* font) {
  platform::CDC& d = *dc->GetDC();
  d.RestoreDC();  // the plot's clip
  d.SaveDC();       // keeps the device's font from the label's
  const int oldMode = d.SetBkMode(platform::TRANSPARENT);
  platform::CFont* oldFont = font ? d.SelectObject(font) : nullptr;
  const COLORREF oldColour = d.SetTextColor(colour);
  // However long the text, it stands whole, centred on x, yet over the plot
  // where it fits, so that it never runs off the window or the page.
  const int textHalf = static_cast<int>(d.GetTextExtent(text).cx) / 2 + 1;
  const int centre = std::clamp(x, textHalf, std::max(textHalf, cx - textHalf));
  const int half = std::max(100, textHalf);
  const platform::CRect box(centre - half, -100, centre + half, 0);
  dc->DrawTextA(text, &box, platform::DT_CENTER | platform::DT_BOTTOM | platform::DT_SINGLELINE);
  d.SetTextColor(oldColour);
  if (font) d.SelectObject(oldFont);
  d.SetBkMode(oldMode);
  d.RestoreDC();
  d.SaveDC();
  dc->IntersectClipRect(1, 0, cx, cy);
}

void CAxis::DrawLabel(const std::string& text, COLORREF colour, int x, int y, platform::CDC* dc, platform::CFont* font) {
  dc->SetBkColor(0xFFFFFF);
  platform::CFont* oldFont = font ? dc->SelectObject(font) : nullptr;
  dc->SetTextColor(colour);
  platform::CRect box(x + 5, y - 99, x + 200, y + 101);
  // A text longer than the box goes on past it.
  dc->DrawText(text, &box, platform::DT_VCENTER | platform::DT_SINGLELINE | platform::DT_NOCLIP);
  if (font) dc->SelectObject(oldFont);
  dc->SetTextColor(0x000000);
}

// --- vertical axes ---

CYAxis::CYAxis() : m_steps{0.25, 0.5, 1.0, 2.5, 5.0, 10.0} {}

double CYAxis::TickStep(int available) const {
  const double range = static_cast<double>(m_interval->GetAxisMax(AxisIndex())) - m_interval->GetAxisMin(AxisIndex());
  const int slot = m_gap + m_labelSize;
  if (slot <= 0) return 0.0;
  const int labelSlots = available / slot;
  // A plot lower than one label, or an empty range, has no ticks.
  if (labelSlots <= 0 || !(range > 0.0) || !std::isfinite(range)) return 0.0;
  const double raw = range / labelSlots;
  const double magnitude = std::pow(10.0, std::trunc(std::log10(std::fabs(raw))));
  const double normal = raw / magnitude;
  double step = raw;
  for (double entry : m_steps)
    if (entry >= normal) {
      step = magnitude * entry;
      break;
    }
  return std::isfinite(step) && step > 0.0 ? step : 0.0;
}

std::vector<double> CYAxis::Ticks(double step, int available) const {
  std::vector<double> ticks;
  if (!(step > 0.0) || !std::isfinite(step)) return ticks;
  const double min = m_interval->GetAxisMin(AxisIndex());
  const double max = m_interval->GetAxisMax(AxisIndex());
  double t0 = (std::trunc(min / step) + 1.0) * step;
  if (t0 - step >= min) t0 -= step;
  const int slot = std::max(1, m_gap + m_labelSize);
  const int bound = std::min(kMaxTicks, available / slot + 2);
  for (int i = 0; i < bound; ++i) {
    const double v = t0 + i * step;
    if (v > max) break;
    ticks.push_back(v);
  }
  return ticks;
}

int CYAxis::LabelWidth(CODCWrapper* dc, platform::CSize* area) {
  int w = TextWidth(dc, "8888");
  const int half = static_cast<int>(m_labelSize * 0.5);
  // The labels share the height that the values span.
  const int available = area->cy - half - 2 * GetValueInset(dc, area->cy - half);
  const double step = TickStep(available);
  const int extra = GetTickLength(dc) + 4 * m_gap + m_lineOffset;
  for (double v : Ticks(step, available)) w = std::max(w, TextWidth(dc, AxisLabel(v, step)) + extra);
  return w;
}

void CYAxis::Draw(CODCWrapper* dc, platform::CSize* area) {
  const double min = m_interval->GetAxisMin(AxisIndex());
  const double max = m_interval->GetAxisMax(AxisIndex());
  const int half = static_cast<int>(m_labelSize * 0.5);
  const int height = area->cy - half;
  const int inset = GetValueInset(dc, height);
  const int available = height - 2 * inset;
  const double step = TickStep(available);
  const int tick = GetTickLength(dc);
  const bool right = m_align == 0;
  const int width = LabelWidth(dc, area);
  const int x = right ? area->cx - width : width;
  int boxLeft, boxRight;
  if (right) {
    boxLeft = x + tick + m_lineOffset + m_gap;
    boxRight = boxLeft + 1000;
  } else {
    boxRight = x - m_lineOffset - m_gap - tick;
    boxLeft = boxRight - 1000;
  }
  dc->MoveTo(x, half);
  dc->LineTo(x, area->cy + 1);
  const double range = max - min > 0.0 ? max - min : 1.0;
  for (double v : Ticks(step, available)) {
    const int y = static_cast<int>(std::trunc(half + ValueToY(v, min, range, height, inset)));
    dc->MoveTo(x, y);
    dc->LineTo(right ? x + tick : x - tick, y);
    const platform::CRect box(boxLeft, y - m_labelSize, boxRight, y + m_labelSize);
    dc->DrawTextA(AxisLabel(v, step), &box,
                  static_cast<unsigned>(m_align) | platform::DT_VCENTER | platform::DT_SINGLELINE);
  }
  if (right) {
    area->cx = x;
    area->cy -= m_labelSize / 2;
    dc->MoveOffset(0, m_labelSize / 2);
  } else {
    area->cx -= x;
    dc->MoveOffset(x, 0);
  }
}

// --- horizontal axis ---

CXAxis::CXAxis()
    : m_timeSteps{1,     2,     5,     10,     20,     30,     45,     60,      120,     300,     600,     900,     1800,
                  3600,  7200,  18000, 36000,  86400,  172800, 432000, 864000,  1728000, 4320000, 8640000, 17280000},
      m_numberSteps{1, 2, 5, 10, 25, 50, 100, 250, 500, 1000, 2500, 5000, 10000} {}

void CXAxis::GetAxisPosition(CODCWrapper* dc, platform::CSize* out, int cx, int cy) {
  const int h = TextHeight(dc, "8");
  const int tick = GetTickLength(dc);
  int y;
  if (m_interval->GetMeasMode() != 0)
    y = cy - m_lineOffset - m_gap - h - tick;
  else
    y = cy - 2 * h - 3 * m_gap - m_lineOffset - tick;
  *out = platform::CSize(cx, y);
}

long CXAxis::TickStep(int width) const {
  const long range = m_interval->GetEnd() - m_interval->GetStart();
  const int slot = m_gap + m_labelSize;
  if (slot <= 0) return 0;
  const double labelSlots = static_cast<double>(width) / slot;
  if (!(labelSlots >= 1.0)) return 0;  // not even one label fits
  const double minimum = std::trunc(std::max(0L, range) / labelSlots + 1.0);
  const std::vector<int>& table = m_interval->GetMeasMode() != 0 ? m_numberSteps : m_timeSteps;
  for (int entry : table)
    if (entry >= minimum) return entry;
  return std::max(1, width);
}

std::vector<long> CXAxis::Ticks(long step) const {
  std::vector<long> ticks;
  if (step <= 0) return ticks;
  const long start = m_interval->GetStart();
  const long end = m_interval->GetEnd();
  // The first multiple of the step at or above the start.
  long first = start / step * step;
  if (first < start) first += step;
  for (long v = first; v <= end && static_cast<int>(ticks.size()) < kMaxTicks; v += step) ticks.push_back(v);
  return ticks;
}

void CXAxis::Draw(CODCWrapper* dc, platform::CSize* area) {
  const long start = m_interval->GetStart();
  const long end = m_interval->GetEnd();
  platform::CSize p;
  GetAxisPosition(dc, &p, area->cx, area->cy);
  const int y = p.cy;
  const int tick = GetTickLength(dc);
  const int labelTop = y + tick + m_lineOffset + m_gap;
  const int h = TextHeight(dc, "8");
  dc->MoveTo(m_x0, y);
  dc->LineTo(m_x1, y);
  const bool byNumber = m_interval->GetMeasMode() != 0;
  // An interval of one measurement, or one instant, still draws.
  const double span = static_cast<double>(std::max(1L, end - start));
  for (long v : Ticks(TickStep(m_x1 - m_x0))) {
    const int x = static_cast<int>(std::trunc(m_x0 + (v - start) / span * (m_x1 - m_x0)));
    const unsigned centred = platform::DT_CENTER | platform::DT_SINGLELINE;
    if (!byNumber) {
      dc->MoveTo(x, y);
      dc->LineTo(x, y + tick);
      const platform::CTime t(static_cast<time_t>(v));
      const platform::CRect date(x - 200, labelTop, x + 200, labelTop + 200);
      dc->DrawTextA(t.Format("%y-%m-%d"), &date, centred);
      const platform::CRect time(x - 200, labelTop + h + m_gap, x + 200, labelTop + h + m_gap + 200);
      dc->DrawTextA(t.Format("%X"), &time, centred);
    } else if (v > 0) {
      dc->MoveTo(x, y);
      dc->LineTo(x, y + tick);
      const platform::CRect box(x - 200, labelTop, x + 200, labelTop + 200);
      dc->DrawTextA(platform::Format("%ld", v), &box, centred);
    }
  }
  area->cy = y;
}

// --- marker triangles ---

namespace {

void Triangle(platform::CDC* dc, platform::CPoint* points, COLORREF colour) {
  platform::CPen pen(platform::PS_SOLID, 0, colour);
  platform::CPen* old = dc->SelectObject(&pen);
  dc->Polygon(points, 3);
  dc->SelectObject(old);
}

int MarkerSize(platform::CDC& dc) { return dc.IsPrinting() ? MulDiv(3, LogPixelsY(dc), 80) : 3; }

}  // namespace

void DrawTriangleDown(CODCWrapper* dc, int x, int y, COLORREF colour) {
  const int s = MarkerSize(*dc->GetDC());
  platform::CPoint p[3] = {platform::CPoint(x, y), platform::CPoint(x - s, y - s), platform::CPoint(x + s, y - s)};
  platform::CPen pen(platform::PS_SOLID, 0, colour);
  platform::CPen* old = dc->SelectObject(&pen);
  dc->Polygon(p, 3);
  dc->SelectObject(old);
}

void DrawTriangleLeft(platform::CDC* dc, int x, int y, COLORREF colour) {
  const int s = MarkerSize(*dc);
  platform::CPoint p[3] = {platform::CPoint(x, y), platform::CPoint(x + s, y + s), platform::CPoint(x + s, y - s)};
  Triangle(dc, p, colour);
}

void DrawTriangleDownFixed(platform::CDC* dc, int x, int y, COLORREF colour) {
  platform::CPoint p[3] = {platform::CPoint(x, y), platform::CPoint(x - 5, y - 5), platform::CPoint(x + 5, y - 5)};
  Triangle(dc, p, colour);
}
