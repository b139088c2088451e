#pragma once
// Drawing on a QPainter: a widget, an image, a printer or an SVG generator.
#include <QPainter>
#include <vector>

#include "core/DeviceContext.h"

namespace platform {

QColor ToQColor(platform::COLORREF c);
QFont ToQFont(const platform::LOGFONT& lf);
// The font as the settings keep it: its character height in pixels, negative.
platform::LOGFONT FromQFont(const QFont& font);

class CPainterDC : public CDC {
 public:
  explicit CPainterDC(QPainter* painter);

  bool LineTo(int x, int y) override;
  int DrawText(const std::string& text, CRect* rect, unsigned format) override;
  void FillSolidRect(const CRect& rect, platform::COLORREF color) override;
  bool Polygon(const CPoint* points, int count) override;
  bool Rectangle(int l, int t, int r, int b) override;
  void IntersectClipRect(int l, int t, int r, int b) override;
  void TextOut(int x, int y, const std::string& text) override;
  CSize GetTextExtent(const std::string& text) override;
  int GetTextHeight() override;
  void SaveDC() override;
  void RestoreDC() override;

  QPainter* GetPainter() const { return m_painter; }

 private:
  void ApplyPen();
  void ApplyFont();
  QPainter* m_painter;
};

}  // namespace platform
