#include "COEvent.h"

#include "core/Text.h"

std::string COEvent::GetText() const {
  m_text = platform::Trim(m_text);
  return m_text;
}

platform::COLORREF COEvent::GetColor() const {
  switch (m_type) {
    case typeComment:
      return platform::RGB(0, 0, 192);
    case 1:  // a kind nothing here writes
      return platform::RGB(0, 192, 0);
    case typeAlarm:
      return platform::RGB(255, 0, 0);
    case typeReadTimeout:
    case typeRestart:
    case typeStatus:
      return platform::RGB(255, 0, 192);
    case typeTaskStarted:
    case typeTaskStopped:
      return platform::RGB(128, 128, 128);
    default:
      return platform::RGB(0, 0, 0);
  }
}
