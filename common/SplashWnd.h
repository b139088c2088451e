#pragma once
// The splash screen: the program's bitmap over the main window, closed by its
// timer or by the first key or mouse press.
#include <QPixmap>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

class QEvent;

class CSplashWnd : public QWidget {
 public:
  static constexpr int kCloseTimerMs = 750;

  // Set once at start.
  static void EnableSplashScreen(bool enable);
  static bool IsEnabled();
  // The command line's verdict: no splash when the program runs embedded or
  // automated ("/Embedding", "/Automation", or with '-').
  static bool ShowSplashFromCommandLine(const std::vector<std::string>& args);
  // Shows the program's splash picture (a bitmap id, 0 for none), closed by
  // its timer after shownFor, centred on parent, or on the screen while
  // parent is hidden; unless disabled or already shown.
  static void ShowSplashScreen(QWidget* parent, int bitmapId,
                               std::chrono::milliseconds shownFor = std::chrono::milliseconds(kCloseTimerMs));
  // Closes a shown splash at a key or mouse press and consumes that event.
  static bool PreTranslateAppMessage(QEvent* event);
  // The splash that is shown, or null.
  static CSplashWnd* Shown();
  // Stops routing key and mouse presses to the splash; it still closes at its timer.
  static void ForgetShown();
  // Holds the start-up for the hold time; the windows are painted and the
  // window system is heard meanwhile.
  static void HoldUserInterface();
  static void SetHoldTime(std::chrono::milliseconds t);
  static std::chrono::milliseconds HoldTime();

 protected:
  CSplashWnd();
  ~CSplashWnd() override;
  bool Create(QWidget* parent, int bitmapId, std::chrono::milliseconds shownFor);
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void HideSplashScreen();
  QPixmap m_bitmap;
};
