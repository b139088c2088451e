#include "COGenSub.h"

COGenSub::COGenSub() { m_subjectType = eSubjectGeneral; }

void COGenSub::Pass(EUpdType kind, const COMeas* meas) {
  m_notifying = true;
  m_updType = kind;
  if (meas != nullptr) m_meas = *meas;
  try {
    CSubject::Notify();
  } catch (...) {
    m_updType = eNoUpdate;
    m_notifying = false;
    throw;
  }
  m_updType = eNoUpdate;
  m_notifying = false;
  DeliverQueue();
}

void COGenSub::Notify(EUpdType kind) {
  if (m_notifying) {
    m_queue.push_back(Pending{kind, false, COMeas()});
    return;
  }
  Pass(kind, nullptr);
}

void COGenSub::NotifyMeas(EUpdType kind, const COMeas& meas) {
  if (m_notifying) {
    m_queue.push_back(Pending{kind, true, meas});
    return;
  }
  Pass(kind, &meas);
}

void COGenSub::DeliverQueue() {
  if (m_queue.empty()) return;
  Pending next = std::move(m_queue.front());
  m_queue.pop_front();
  if (next.withMeas)
    Pass(next.kind, &next.meas);
  else
    Pass(next.kind, nullptr);
}
