#include "Bitmaps.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kovo {
namespace {

struct SplashArt {
  int id;
  const char* program;
  QColor tint;
};

const SplashArt kSplashes[] = {
    {IDB_SPLASH_CALIBRATION, "Calibration", QColor(150, 60, 20)},
    {IDB_SPLASH_ONLINE, "Online", QColor(20, 90, 150)},
    {IDB_SPLASH_OFFLINE, "Offline", QColor(40, 120, 60)},
    {IDB_SPLASH_PRESENTATION, "Presentation", QColor(100, 50, 130)},
    {IDB_SPLASH_OSTREL, "Database Administration", QColor(90, 90, 100)},
};

// A gas cell with its light path: the same motif on every splash.
void DrawCell(QPainter& p, QRectF area, QColor tint) {
  p.setPen(QPen(Qt::white, 3));
  p.setBrush(tint.lighter(160));
  p.drawRoundedRect(area, 12, 12);
  QPainterPath beam;
  beam.moveTo(area.left() + 10, area.center().y());
  for (int i = 1; i <= 8; ++i)
    beam.lineTo(area.left() + 10 + i * (area.width() - 20) / 8,
                area.center().y() + ((i % 2) ? -1 : 1) * area.height() / 4);
  p.setPen(QPen(QColor(255, 230, 80), 4));
  p.setBrush(Qt::NoBrush);
  p.drawPath(beam);
}

QPixmap DrawSplash(const SplashArt& art) {
  QPixmap pix(643, 482);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, pix.height());
  bg.setColorAt(0, art.tint.lighter(130));
  bg.setColorAt(1, art.tint.darker(200));
  p.fillRect(pix.rect(), bg);
  DrawCell(p, QRectF(60, 250, 523, 120), art.tint);
  p.setPen(Qt::white);
  QFont title;
  title.setPixelSize(54);
  title.setBold(true);
  const QString name = QStringLiteral("Nolt %1").arg(art.program);
  // A long program name gets a smaller title, so that it stays whole.
  while (title.pixelSize() > 20 && QFontMetrics(title).horizontalAdvance(name) > pix.width() - 40)
    title.setPixelSize(title.pixelSize() - 2);
  p.setFont(title);
  p.drawText(QRect(0, 60, pix.width(), 80), Qt::AlignCenter, name);
  QFont sub;
  sub.setPixelSize(24);
  p.setFont(sub);
  p.drawText(QRect(0, 150, pix.width(), 40), Qt::AlignCenter, QStringLiteral("Kovo gas monitor software"));
  p.drawText(QRect(0, 420, pix.width(), 40), Qt::AlignCenter, QStringLiteral("v.1.38"));
  return pix;
}

QPixmap DrawCellIcon(QColor tint) {
  QPixmap pix(32, 32);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  DrawCell(p, QRectF(2, 8, 28, 16), tint);
  return pix;
}

// A sheet of paper with lines of text on it.
void DrawSheet(QPainter& p, QRectF sheet) {
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(sheet);
  p.setPen(QPen(QColor(120, 120, 120), 1.5));
  for (qreal y = sheet.top() + 5; y < sheet.bottom() - 3; y += 4)
    p.drawLine(QPointF(sheet.left() + 4, y), QPointF(sheet.right() - 4, y));
}

QPixmap DrawToolIcon(int id) {
  QPixmap pix(32, 32);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  switch (id) {
    case IDI_COPY:
      DrawSheet(p, QRectF(3.5, 3.5, 17, 21));
      DrawSheet(p, QRectF(11.5, 8.5, 17, 21));
      break;
    case IDI_PRINT:
      DrawSheet(p, QRectF(9.5, 2.5, 13, 12));
      p.setPen(QPen(QColor(50, 50, 50), 1.5));
      p.setBrush(QColor(170, 170, 175));
      p.drawRoundedRect(QRectF(2.5, 13.5, 27, 11), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(8.5, 20.5, 15, 9));
      p.setBrush(QColor(60, 170, 60));
      p.drawEllipse(QPointF(25, 17), 1.5, 1.5);
      break;
    case IDI_CURSOR_VALUES: {
      // A curve between two cursors.
      p.setPen(QPen(QColor(60, 60, 60), 1.5));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(2.5, 3.5, 27, 25));
      QPainterPath curve;
      curve.moveTo(4, 22);
      curve.cubicTo(10, 4, 18, 30, 28, 10);
      p.setPen(QPen(QColor(20, 90, 150), 2));
      p.setBrush(Qt::NoBrush);
      p.drawPath(curve);
      p.setPen(QPen(QColor(200, 40, 40), 2));
      p.drawLine(QPointF(10, 4), QPointF(10, 28));
      p.drawLine(QPointF(22, 4), QPointF(22, 28));
      break;
    }
    default:
      return QPixmap();
  }
  return pix;
}

}  // namespace

QPixmap LoadBitmapResource(int id) {
  for (const SplashArt& art : kSplashes)
    if (art.id == id) return DrawSplash(art);
  return QPixmap();
}

QPixmap LoadIconResource(int id) {
  return id == IDI_ABOUT ? DrawCellIcon(QColor(20, 90, 150)) : DrawToolIcon(id);
}

QPixmap LoadProgramIcon(const QString& program) {
  for (const SplashArt& art : kSplashes)
    if (program == art.program) return DrawCellIcon(art.tint);
  return DrawCellIcon(QColor(20, 90, 150));
}

}  // namespace kovo
