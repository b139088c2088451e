#include "WindowLayer.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>

#include "COSystemSetup.h"
#include "DataContext.h"
#include "ViewBase.h"
#include "WindowStore.h"
#include "core/MessageSink.h"

bool COCursorStatus::CursorsCoincide() const {
  if (m_window == nullptr) return true;
  COMeasInterval& i = m_window->GetInterval();
  return i.GetLeftCursorMeas()->GetMeasNo() == i.GetRightCursorMeas()->GetMeasNo();
}

COMeas& COCursorStatus::GetLeftCursor() const { return *m_window->GetInterval().GetLeftCursorMeas(); }

COMeas& COCursorStatus::GetRightCursor() const { return *m_window->GetInterval().GetRightCursorMeas(); }

int COWindowOrder::Take() {
  if (static_cast<int>(m_numbers.size()) >= kSize) return 0;
  int n = 1;
  while (std::find(m_numbers.begin(), m_numbers.end(), n) != m_numbers.end()) ++n;
  m_numbers.push_back(n);
  return n;
}

void COWindowOrder::Release(int number) {
  auto it = std::find(m_numbers.begin(), m_numbers.end(), number);
  if (it != m_numbers.end()) m_numbers.erase(it);
}

void COWindowOrder::MoveToFront(int number) {
  auto it = std::find(m_numbers.begin(), m_numbers.end(), number);
  if (it != m_numbers.end()) std::rotate(m_numbers.begin(), it, it + 1);
}

int COWindowOrder::IndexOf(int number) const {
  auto it = std::find(m_numbers.begin(), m_numbers.end(), number);
  return it == m_numbers.end() ? kSize : static_cast<int>(it - m_numbers.begin());
}

bool CWindowRegistry::Open(int type) const {
  auto it = m_creators.find(type);
  if (it == m_creators.end() || !it->second) return false;
  try {
    it->second();
  } catch (const TooManyWindows& e) {
    platform::MessageBox(e.what(), platform::MB_OK | platform::MB_ICONWARNING);
    return false;
  }
  return true;
}

CWindowLayer::CWindowLayer(DataContext& data, COMeasObs* measObs)
    : m_data(data), m_measObs(measObs), m_store(std::make_unique<COOpenWindows>(*this)) {
  // The task's document restores its windows through the context.
  data.SetWindowStore(m_store.get());
}

CWindowLayer::~CWindowLayer() {
  if (m_data.WindowStore() == m_store.get()) m_data.SetWindowStore(nullptr);
}

ProgramFonts CWindowLayer::Fonts() const {
  COSystemSetup& setup = m_data.Setup();
  ProgramFonts fonts;
  fonts.current = m_font != nullptr && m_font->IsCreated() ? m_font->GetLogFont() : setup.GetFont();
  fonts.small = m_smallFont != nullptr && m_smallFont->IsCreated() ? m_smallFont->GetLogFont() : setup.GetSmallFont();
  // A font without a size of its own has the desktop's, the small one two
  // thirds of it.
  if (fonts.current.lfHeight == 0) fonts.current.lfHeight = -QFontInfo(QFont()).pixelSize();
  if (fonts.small.lfHeight == 0) fonts.small.lfHeight = fonts.current.lfHeight * 2 / 3;
  return fonts;
}
