#pragma once
// The program's own splash window: its bitmap, borderless, gone at its timer
// or at the first key or mouse press.
#include <QWidget>

class QEvent;

namespace ostrel {

class CSplashWnd : public QWidget {
 public:
  static constexpr int kCloseTimerMs = 750;
  // Shows the splash centred over parent (which may be hidden); null when the
  // bitmap is missing.
  static CSplashWnd* Show(QWidget* parent);
  // Closes the splash that is shown at a key or mouse press, and takes it.
  static bool PreTranslateAppMessage(QEvent* event);

 protected:
  CSplashWnd();
  ~CSplashWnd() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_bitmap;
};

}  // namespace ostrel
