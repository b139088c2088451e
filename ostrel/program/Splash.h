#pragma once
// The program's own splash window: its bitmap, borderless, gone at its timer
// or at the first key or mouse press.
#include <QWidget>

#include <chrono>

class QEvent;

namespace ostrel {

class CSplashWnd : public QWidget {
 public:
  static constexpr int kCloseTimerMs = 750;
  // Shows the splash centred over parent (which may be hidden); null when the
  // bitmap is missing.
  static CSplashWnd* Show(QWidget* parent);
  // Closes the splash that is shown at a key or mouse press, and takes it.
  // Once the splash is gone every press goes where it was aimed.
  static bool PreTranslateAppMessage(QEvent* event);
  // The start: the splash over parent, painted, held for the hold time, then
  // gone. Nothing when the bitmap is missing.
  static void ShowForStart(QWidget* parent, std::chrono::milliseconds hold);
  // The splash shown now; null when none is.
  static CSplashWnd* Shown();

 protected:
  CSplashWnd();
  ~CSplashWnd() override;
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QPixmap m_bitmap;
};

}  // namespace ostrel
