#include "PCBeep.h"

#include <QApplication>

COPCBeep::COPCBeep(std::function<void()> cue, int periodMs) : m_cue(std::move(cue)) {
  m_timer.setTimerType(Qt::PreciseTimer);
  m_timer.setInterval(periodMs);
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    QApplication::beep();
    if (m_cue) m_cue();
  });
}

void COPCBeep::Execute(bool on) {
  if (on)
    m_timer.start();
  else
    m_timer.stop();
}
