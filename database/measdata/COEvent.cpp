#include "COEvent.h"

#include "core/Text.h"

std::string COEvent::GetText() const {
  m_text = platform::Trim(m_text);
  return m_text;
}

platform::COLORREF COEvent::GetColor() const {
  switch (m_type) {
    case 0:
      return platform::RGB(0, 0, 192);
    case 1:
      return platform::RGB(0, 192, 0);
    case 2:
      return platform::RGB(255, 0, 0);
    case 3:
    case 7:
    case 8:
      return platform::RGB(255, 0, 192);
    case 5:
    case 6:
      return platform::RGB(128, 128, 128);
    default:
      return platform::RGB(0, 0, 0);
  }
}
