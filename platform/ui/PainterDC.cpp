#include "PainterDC.h"

#include <QFontInfo>

#include <QFontMetrics>
#include <QPolygon>

namespace platform {

QColor ToQColor(platform::COLORREF c) { return QColor(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)); }

QFont ToQFont(const platform::LOGFONT& lf) {
  QFont f(lf.lfFaceName.empty() ? QString() : QString::fromStdString(lf.lfFaceName));
  if (lf.lfHeight != 0) f.setPixelSize(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight);
  f.setWeight(static_cast<QFont::Weight>(lf.lfWeight > 0 ? lf.lfWeight : platform::FW_NORMAL));
  f.setItalic(lf.lfItalic);
  f.setUnderline(lf.lfUnderline);
  return f;
}

platform::LOGFONT FromQFont(const QFont& font) {
  platform::LOGFONT lf;
  const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
  lf.lfHeight = -pixels;
  lf.lfWeight = static_cast<int>(font.weight());
  lf.lfItalic = font.italic();
  lf.lfUnderline = font.underline();
  lf.lfFaceName = font.family().toStdString();
  return lf;
}

CPainterDC::CPainterDC(QPainter* painter) : m_painter(painter) {}

void CPainterDC::ApplyPen() {
  Qt::PenStyle style = Qt::SolidLine;
  switch (m_pen->GetStyle()) {
    case platform::PS_DASH: style = Qt::DashLine; break;
    case platform::PS_DOT: style = Qt::DotLine; break;
    case platform::PS_DASHDOT: style = Qt::DashDotLine; break;
    case platform::PS_DASHDOTDOT: style = Qt::DashDotDotLine; break;
    case platform::PS_NULL: style = Qt::NoPen; break;
    default: break;
  }
  QPen pen(ToQColor(m_pen->GetColor()));
  pen.setStyle(style);
  pen.setWidth(m_pen->GetWidth());
  m_painter->setPen(pen);
}

void CPainterDC::ApplyFont() {
  if (m_font && m_font->IsCreated()) m_painter->setFont(ToQFont(m_font->GetLogFont()));
}

bool CPainterDC::LineTo(int x, int y) {
  ApplyPen();
  m_painter->drawLine(m_pos.x, m_pos.y, x, y);
  m_pos = CPoint(x, y);
  return true;
}

int CPainterDC::DrawText(const std::string& text, CRect* rect, unsigned format) {
  ApplyFont();
  int flags = 0;
  flags |= (format & platform::DT_CENTER) ? Qt::AlignHCenter : (format & platform::DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  if (format & platform::DT_SINGLELINE) {
    flags |= (format & platform::DT_VCENTER) ? Qt::AlignVCenter : (format & platform::DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & platform::DT_WORDBREAK) flags |= Qt::TextWordWrap;
  if (format & platform::DT_NOCLIP) flags |= Qt::TextDontClip;
  QRect r(rect->left, rect->top, rect->Width(), rect->Height());
  QString t = QString::fromStdString(text);
  if (format & platform::DT_CALCRECT) {
    QRect bound = m_painter->fontMetrics().boundingRect(
        QRect(rect->left, rect->top, (format & platform::DT_WORDBREAK) ? rect->Width() : 100000, 100000), flags, t);
    rect->right = rect->left + bound.width();
    rect->bottom = rect->top + bound.height();
    return bound.height();
  }
  QRect bound;
  m_painter->save();
  if (m_bkMode == platform::OPAQUE) {
    m_painter->setBackgroundMode(Qt::OpaqueMode);
    m_painter->setBackground(ToQColor(m_bkColor));
  }
  m_painter->setPen(ToQColor(m_textColor));
  m_painter->drawText(r, flags, t, &bound);
  m_painter->restore();
  return bound.height();
}

void CPainterDC::FillSolidRect(const CRect& rect, platform::COLORREF color) {
  m_painter->fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(color));
}

bool CPainterDC::Polygon(const CPoint* points, int count) {
  if (count < 2) return false;
  QPolygon poly;
  for (int i = 0; i < count; ++i) poly << QPoint(points[i].x, points[i].y);
  ApplyPen();
  m_painter->save();
  m_painter->setBrush(ToQColor(m_pen->GetColor()));
  m_painter->drawPolygon(poly);
  m_painter->restore();
  return true;
}

bool CPainterDC::Rectangle(int l, int t, int r, int b) {
  ApplyPen();
  m_painter->save();
  m_painter->setBrush(Qt::white);
  // The outline lies inside the rectangle, right and bottom edges excluded.
  m_painter->drawRect(l, t, r - l - 1, b - t - 1);
  m_painter->restore();
  return true;
}

void CPainterDC::IntersectClipRect(int l, int t, int r, int b) {
  m_painter->setClipRect(QRect(l, t, r - l, b - t), Qt::IntersectClip);
}

void CPainterDC::TextOut(int x, int y, const std::string& text) {
  ApplyFont();
  m_painter->save();
  m_painter->setPen(ToQColor(m_textColor));
  QFontMetrics fm = m_painter->fontMetrics();
  m_painter->drawText(x, y + fm.ascent(), QString::fromStdString(text));
  m_painter->restore();
}

CSize CPainterDC::GetTextExtent(const std::string& text) {
  ApplyFont();
  QFontMetrics fm = m_painter->fontMetrics();
  return CSize(fm.horizontalAdvance(QString::fromStdString(text)), fm.height());
}

int CPainterDC::GetTextHeight() {
  ApplyFont();
  return m_painter->fontMetrics().height();
}

void CPainterDC::SaveDC() { m_painter->save(); }
void CPainterDC::RestoreDC() { m_painter->restore(); }

}  // namespace platform
