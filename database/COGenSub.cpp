#include "COGenSub.h"

void COGenSub::Pass(const CGenEvent& event) {
  m_notifying = true;
  try {
    Deliver(event);
  } catch (...) {
    m_notifying = false;
    throw;
  }
  m_notifying = false;
  DeliverQueue();
}

void COGenSub::Notify(EUpdType kind) {
  if (m_notifying) {
    m_queue.push_back(Pending{kind, false, COMeas()});
    return;
  }
  Pass(CGenEvent{kind});
}

void COGenSub::NotifyMeas(EUpdType kind, const COMeas& meas) {
  if (m_notifying) {
    m_queue.push_back(Pending{kind, true, meas});
    return;
  }
  Pass(CGenEvent{kind, &meas});
}

void COGenSub::DeliverQueue() {
  if (m_queue.empty()) return;
  const Pending next = std::move(m_queue.front());
  m_queue.pop_front();
  Pass(CGenEvent{next.kind, next.withMeas ? &next.meas : nullptr});
}
