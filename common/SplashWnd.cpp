#include "SplashWnd.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QEventLoop>

#include "Bitmaps.h"
#include "TarnicBaseApp.h"
#include "core/Text.h"

namespace {
CSplashWnd* g_shown = nullptr;
bool g_enabled = false;
std::chrono::milliseconds g_holdTime{2000};
}  // namespace

void CSplashWnd::EnableSplashScreen(bool enable) { g_enabled = enable; }
bool CSplashWnd::IsEnabled() { return g_enabled; }
CSplashWnd* CSplashWnd::Shown() { return g_shown; }
void CSplashWnd::ForgetShown() { g_shown = nullptr; }
void CSplashWnd::SetHoldTime(std::chrono::milliseconds t) { g_holdTime = t; }
std::chrono::milliseconds CSplashWnd::HoldTime() { return g_holdTime; }
void CSplashWnd::HoldUserInterface() {
  // The splash and the window under it are painted and a request to close
  // the program is heard meanwhile; a click or key ends the splash.
  QEventLoop hold;
  QTimer::singleShot(g_holdTime, &hold, &QEventLoop::quit);
  hold.exec();
}

bool CSplashWnd::ShowSplashFromCommandLine(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || (a[0] != '/' && a[0] != '-')) continue;
    std::string flag = a.substr(1);
    if (platform::EqualsNoCase(flag, "Embedding") || platform::EqualsNoCase(flag, "Automation")) return false;
  }
  return true;
}

CSplashWnd::CSplashWnd() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd() {
  if (g_shown == this) g_shown = nullptr;
}

void CSplashWnd::ShowSplashScreen(QWidget* parent, int bitmapId, std::chrono::milliseconds shownFor) {
  if (!g_enabled || g_shown) return;
  auto* splash = new CSplashWnd;
  g_shown = splash;
  if (!splash->Create(parent, bitmapId, shownFor)) {
    g_shown = nullptr;
    delete splash;
    return;
  }
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool CSplashWnd::Create(QWidget* parent, int id, std::chrono::milliseconds shownFor) {
  if (id == 0) return false;
  m_bitmap = kovo::LoadBitmapResource(id);
  if (m_bitmap.isNull()) return false;
  if (parent) setParent(parent, windowFlags());
  resize(m_bitmap.size());
  QRect area = parent && parent->isVisible() ? QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size())
               : screen()                    ? screen()->availableGeometry()
                                             : QRect(QPoint(0, 0), m_bitmap.size());
  move(area.center() - rect().center());
  show();
  QTimer::singleShot(shownFor, this, [this] { HideSplashScreen(); });
  return true;
}

void CSplashWnd::HideSplashScreen() {
  if (g_shown == this) g_shown = nullptr;
  close();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, m_bitmap);
}

void CSplashWnd::hideEvent(QHideEvent* event) {
  // Hidden is gone: its deletion waits for an event loop, and until then the
  // program-wide filter would take every press for it.
  if (g_shown == this) g_shown = nullptr;
  QWidget::hideEvent(event);
}

bool CSplashWnd::PreTranslateAppMessage(QEvent* event) {
  if (!g_shown) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
      g_shown->HideSplashScreen();
      return true;
    default:
      return false;
  }
}
