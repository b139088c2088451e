#include "Subject.h"

void CSubject::Notify() {
  m_observers.ForEach([this](CObserver& observer) { observer.Update(this); });
}
