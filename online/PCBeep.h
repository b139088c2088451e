#pragma once
// The PC's own alarm: a beep every two seconds while an alarm asks for it,
// the first one two seconds after it is switched on. Many desktops have no
// bell, so each beep also gives the program a visible cue.
#include <QTimer>
#include <functional>

#include "DataContext.h"

class COPCBeep : public COAction {
 public:
  // cue runs with every beep.
  explicit COPCBeep(std::function<void()> cue = {}, int periodMs = 2000);
  void Execute(bool on) override;
  bool IsSounding() const { return m_timer.isActive(); }

 private:
  QTimer m_timer;
  std::function<void()> m_cue;
};
