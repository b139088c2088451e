#include "DeviceContext.h"

#include <algorithm>

#include "Text.h"

using platform::Format;

namespace platform {

CPoint CDC::MoveTo(int x, int y) {
  CPoint old = m_pos;
  m_pos = CPoint(x, y);
  return old;
}

CPen* CDC::SelectObject(CPen* pen) {
  CPen* old = m_pen;
  m_pen = pen ? pen : &m_defaultPen;
  return old;
}

CFont* CDC::SelectObject(CFont* font) {
  CFont* old = m_font;
  m_font = font;
  return old;
}

platform::COLORREF CDC::SetTextColor(platform::COLORREF c) {
  platform::COLORREF old = m_textColor;
  m_textColor = c;
  return old;
}

platform::COLORREF CDC::SetBkColor(platform::COLORREF c) {
  platform::COLORREF old = m_bkColor;
  m_bkColor = c;
  return old;
}

int CDC::SetBkMode(int mode) {
  int old = m_bkMode;
  m_bkMode = mode;
  return old;
}

CPoint RecordingDC::MoveTo(int x, int y) {
  m_calls.push_back(Format("MoveTo %d,%d", x, y));
  return CDC::MoveTo(x, y);
}

bool RecordingDC::LineTo(int x, int y) {
  m_calls.push_back(Format("LineTo %d,%d pen %d/%d/%06X", x, y, m_pen->GetStyle(), m_pen->GetWidth(),
                           m_pen->GetColor()));
  m_pos = CPoint(x, y);
  return true;
}

int RecordingDC::DrawText(const std::string& text, CRect* rect, unsigned format) {
  int width = static_cast<int>(text.size()) * kCharWidth;
  if (format & platform::DT_CALCRECT) {
    rect->right = rect->left + width;
    rect->bottom = rect->top + kCharHeight;
    return kCharHeight;
  }
  m_calls.push_back(Format("DrawText \"%s\" %d,%d,%d,%d fmt %X", text.c_str(), rect->left, rect->top,
                           rect->right, rect->bottom, format));
  return kCharHeight;
}

void RecordingDC::FillSolidRect(const CRect& r, platform::COLORREF color) {
  m_calls.push_back(Format("FillSolidRect %d,%d,%d,%d %06X", r.left, r.top, r.right, r.bottom, color));
}

bool RecordingDC::Polygon(const CPoint* points, int count) {
  std::string s = "Polygon";
  for (int i = 0; i < count; ++i) s += Format(" %d,%d", points[i].x, points[i].y);
  m_calls.push_back(s);
  return count >= 2;
}

bool RecordingDC::Rectangle(int l, int t, int r, int b) {
  m_calls.push_back(Format("Rectangle %d,%d,%d,%d", l, t, r, b));
  return true;
}

void RecordingDC::IntersectClipRect(int l, int t, int r, int b) {
  m_calls.push_back(Format("IntersectClipRect %d,%d,%d,%d", l, t, r, b));
}

void RecordingDC::TextOut(int x, int y, const std::string& text) {
  m_calls.push_back(Format("TextOut %d,%d \"%s\"", x, y, text.c_str()));
}

CSize RecordingDC::GetTextExtent(const std::string& text) {
  return CSize(static_cast<int>(text.size()) * kCharWidth, kCharHeight);
}

void RecordingDC::SaveDC() { m_calls.push_back("SaveDC"); }
void RecordingDC::RestoreDC() { m_calls.push_back("RestoreDC"); }

}  // namespace platform
