#include "ScreenText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QProcess>
#include <algorithm>
#include <vector>

namespace kovo::test {

namespace {

bool Dark(QRgb p) { return qGray(p) < 128; }

}  // namespace

namespace {

// Whether the text drawn at the fraction of a pixel right of a whole one
// stands in the picture's dark pixels.
bool ShowsTextAt(const std::vector<char>& dark, int shotWidth, int shotHeight, const QString& text, const QFont& font,
                 qreal fraction) {
  const QFontMetrics metrics(font);
  QImage drawn(metrics.horizontalAdvance(text) + 4, metrics.height() + 4, QImage::Format_RGB32);
  drawn.fill(Qt::white);
  {
    QPainter painter(&drawn);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(2 + fraction, 2 + metrics.ascent()), text);
  }
  // The text's box: the rows and columns its dark pixels reach.
  int left = drawn.width(), right = -1, top = drawn.height(), bottom = -1;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      if (Dark(drawn.pixel(x, y))) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return false;
  const int w = right - left + 1, h = bottom - top + 1;
  std::vector<char> mask(static_cast<size_t>(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) mask[static_cast<size_t>(y * w + x)] = Dark(drawn.pixel(left + x, top + y));
  // Edges of glyphs on another background may turn either way.
  const int allowed = std::max(2, w * h / 25);
  for (int oy = 0; oy + h <= shotHeight; ++oy)
    for (int ox = 0; ox + w <= shotWidth; ++ox) {
      int wrong = 0;
      for (int y = 0; y < h && wrong <= allowed; ++y)
        for (int x = 0; x < w && wrong <= allowed; ++x)
          wrong += dark[static_cast<size_t>((oy + y) * shotWidth + ox + x)] != mask[static_cast<size_t>(y * w + x)];
      if (wrong <= allowed) return true;
    }
  return false;
}

}  // namespace

bool ShowsText(const QImage& picture, const QString& text, const QFont& font) {
  const QImage shot = picture.convertToFormat(QImage::Format_RGB32);
  std::vector<char> dark(static_cast<size_t>(shot.width() * shot.height()));
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) dark[static_cast<size_t>(y * shot.width() + x)] = Dark(shot.pixel(x, y));
  // A text aligned right or centred may stand between two pixels.
  for (qreal fraction : {0.0, 0.25, 0.5, 0.75})
    if (ShowsTextAt(dark, shot.width(), shot.height(), text, font, fraction)) return true;
  return false;
}

QRect ColourBox(const QImage& picture, const QRect& area, const QColor& colour) {
  const QRect r = area.intersected(picture.rect());
  QRect box;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (picture.pixelColor(x, y) == colour) box |= QRect(x, y, 1, 1);
  return box;
}

std::vector<QImage> PdfPages(const QString& pdf, int dpi) {
  const QString prefix = pdf + "-page";
  QProcess rasterise;
  rasterise.start("pdftoppm", {"-r", QString::number(dpi), "-png", pdf, prefix});
  std::vector<QImage> pages;
  if (!rasterise.waitForFinished(60000) || rasterise.exitCode() != 0) return pages;
  // pdftoppm numbers the pages with as many digits as the last one needs.
  const QFileInfo info(prefix);
  QStringList files = info.dir().entryList({info.fileName() + "-*.png"}, QDir::Files, QDir::Name);
  for (const QString& f : files) {
    pages.push_back(QImage(info.dir().filePath(f)));
    QFile::remove(info.dir().filePath(f));
  }
  return pages;
}

}  // namespace kovo::test
