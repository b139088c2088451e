#include "Splash.h"

#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "Bitmaps.h"

namespace ostrel {
namespace {

constexpr int kBitmap = kovo::IDB_SPLASH_OSTREL;
CSplashWnd* g_shown = nullptr;

}  // namespace

CSplashWnd::CSplashWnd() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_DeleteOnClose);
}

CSplashWnd::~CSplashWnd() {
  if (g_shown == this) g_shown = nullptr;
}

CSplashWnd* CSplashWnd::Show(QWidget* parent) {
  QPixmap bitmap = kovo::LoadBitmapResource(kBitmap);
  if (bitmap.isNull()) return nullptr;
  auto* splash = new CSplashWnd();
  splash->m_bitmap = bitmap;
  splash->resize(bitmap.size());
  QRect area = parent && parent->isVisible() ? QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size())
               : splash->screen()                ? splash->screen()->availableGeometry()
                                                 : QRect(QPoint(0, 0), bitmap.size());
  splash->move(area.center() - splash->rect().center());
  splash->show();
  QTimer::singleShot(kCloseTimerMs, splash, [splash] { splash->close(); });
  g_shown = splash;
  return splash;
}

bool CSplashWnd::PreTranslateAppMessage(QEvent* event) {
  if (!g_shown) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
      g_shown->close();
      return true;
    default:
      return false;
  }
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, m_bitmap);
}

}  // namespace ostrel
