#include "Splash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

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

CSplashWnd* CSplashWnd::Shown() { return g_shown; }

void CSplashWnd::hideEvent(QHideEvent* event) {
  // Hidden is gone: its deletion waits for an event loop, and until then the
  // program-wide filter would take every press for it.
  if (g_shown == this) g_shown = nullptr;
  QWidget::hideEvent(event);
}

void CSplashWnd::ShowForStart(QWidget* parent, std::chrono::milliseconds hold) {
  QPointer<CSplashWnd> splash = Show(parent);
  if (!splash) return;
  // Painted before the hold: the window is drawn only once the window
  // system has shown it, and the hold lets nothing through.
  QElapsedTimer waited;
  waited.start();
  while (splash && splash->windowHandle() && !splash->windowHandle()->isExposed() && waited.elapsed() < 1000)
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  if (splash) {
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  QThread::msleep(static_cast<unsigned long>(hold.count()));
  if (splash) splash->close();
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
