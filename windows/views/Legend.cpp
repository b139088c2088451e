#include "Legend.h"

#include "MeasInterval.h"

std::string CLegend::Text(const CColumn& column, bool withLetter) {
  const std::string text = column.GetChannelName() + " (" + column.GetUnitText() + ")";
  return withLetter ? std::string(1, column.GetChannelLetter()) + ": " + text : text;
}

void CLegend::DrawSample(CODCWrapper* dc, int x0, int x1, int y) {
  platform::CPen pen(m_column->GetPenStyle(), 1, m_column->GetColor());
  platform::CPen* old = dc->SelectObject(&pen);
  dc->MoveTo(x0, y);
  dc->LineTo(x1, y);
  dc->SelectObject(old);
}

void CLeftLegend::Draw(CODCWrapper* dc, platform::CSize* area) {
  if (m_column == nullptr) return;
  const int h = RowHeight(), m = m_margin, r = m_row;
  DrawSample(dc, m, m + h, m + r * h + h / 2);
  const platform::CRect box(h + 2 * m, r * h + m, area->cx - m, (r + 1) * h + m);
  dc->DrawTextA(Text(*m_column, m_withLetter), &box, platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
}

void CRightLegend::Draw(CODCWrapper* dc, platform::CSize* area) {
  if (m_column == nullptr) return;
  const int h = RowHeight(), m = m_margin, r = m_row;
  const std::string text = Text(*m_column, m_withLetter);
  const int tw = dc->GetDC()->GetTextExtent(text).cx;
  DrawSample(dc, area->cx - 2 * m - h - tw, area->cx - 2 * m - tw, m + r * h + h / 2);
  const platform::CRect box(0, r * h + m, area->cx - m, (r + 1) * h + m);
  dc->DrawTextA(text, &box, platform::DT_RIGHT | platform::DT_VCENTER | platform::DT_SINGLELINE);
}
