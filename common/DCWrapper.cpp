#include "DCWrapper.h"

platform::CPoint CODCWrapper::MoveTo(int x, int y) { return m_pDC->MoveTo(x + m_offset.x, y + m_offset.y); }

bool CODCWrapper::LineTo(int x, int y) { return m_pDC->LineTo(x + m_offset.x, y + m_offset.y); }

int CODCWrapper::DrawTextA(const std::string& text, const platform::RECT* rect, unsigned format) {
  platform::CRect r = *rect;
  r.OffsetRect(m_offset.x, m_offset.y);
  return m_pDC->DrawText(text, &r, format);
}

void CODCWrapper::FillSolidRect(const platform::RECT* rect, platform::COLORREF colour) {
  platform::CRect r = *rect;
  r.OffsetRect(m_offset.x, m_offset.y);
  m_pDC->FillSolidRect(r, colour);
}

void CODCWrapper::FillSolidRect(int x, int y, int cx, int cy, platform::COLORREF colour) {
  int l = x + m_offset.x, t = y + m_offset.y;
  m_pDC->FillSolidRect(platform::CRect(l, t, l + cx, t + cy), colour);
}

bool CODCWrapper::Polygon(platform::POINT* points, int count) {
  for (int i = 0; i < count; ++i) {
    points[i].x += m_offset.x;
    points[i].y += m_offset.y;
  }
  return m_pDC->Polygon(points, count);
}

void CODCWrapper::IntersectClipRect(int l, int t, int r, int b) {
  m_pDC->IntersectClipRect(l + m_offset.x, t + m_offset.y, r + m_offset.x, b + m_offset.y);
}

bool CODCWrapper::Rectangle(int l, int t, int r, int b) {
  return m_pDC->Rectangle(l + m_offset.x, t + m_offset.y, r + m_offset.x, b + m_offset.y);
}
