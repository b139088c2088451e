#include "Subject.h"

#include <algorithm>

void CSubject::Attach(CObserver* observer) { m_observers.push_back(observer); }

void CSubject::Detach(CObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void CSubject::Notify() {
  // The count is read afresh and no copy is taken, on purpose: see the header.
  for (size_t i = 0; i < m_observers.size(); ++i) m_observers[i]->Update(this);
}
