#pragma once
// Lets one piece of drawing code paint at any place of a screen, printer or
// clipboard picture: every coordinate is shifted by a fixed offset.
#include <string>

#include "core/DeviceContext.h"

class CODCWrapper {
 public:
  explicit CODCWrapper(platform::CDC* dc) : m_pDC(dc) {}

  void SetOffset(platform::CPoint offset) { m_offset = offset; }
  platform::CPoint GetOffset() const { return m_offset; }
  void MoveOffset(int dx, int dy) { m_offset = platform::CPoint(m_offset.x + dx, m_offset.y + dy); }
  platform::CDC* GetDC() const { return m_pDC; }

  platform::CPoint MoveTo(int x, int y);
  bool LineTo(int x, int y);
  // Draws into a shifted copy of rect; the caller's rectangle is unchanged.
  int DrawTextA(const std::string& text, const platform::RECT* rect, unsigned format);
  void FillSolidRect(const platform::RECT* rect, platform::COLORREF colour);
  void FillSolidRect(int x, int y, int cx, int cy, platform::COLORREF colour);
  // Shifts the caller's points in place, then draws them.
  bool Polygon(platform::POINT* points, int count);
  void IntersectClipRect(int l, int t, int r, int b);
  bool Rectangle(int l, int t, int r, int b);
  platform::CPen* SelectObject(platform::CPen* pen) { return m_pDC->SelectObject(pen); }

 private:
  platform::CDC* m_pDC;  // not owned
  platform::CPoint m_offset;
};
