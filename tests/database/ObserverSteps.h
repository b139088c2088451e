#pragma once
// Stores measurements as a running program does: each one announced on the
// context's general subject and written by its database observer. Tests and
// the benchmark store rows this way.
#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeas.h"
#include "DataContext.h"

namespace kovo::test {

class ObserverSteps {
 public:
  explicit ObserverSteps(DataContext& context) : m_sub(context.GenSub()), m_observer(context.DBObs()) {
    m_sub.Attach(&m_observer);
  }
  ~ObserverSteps() { m_sub.Detach(&m_observer); }
  ObserverSteps(const ObserverSteps&) = delete;
  ObserverSteps& operator=(const ObserverSteps&) = delete;

  // Stores the measurement and its events and gives it its number;
  // the first after a start also gets the start event.
  void Write(COMeas& meas, bool firstAfterStart = false) {
    if (firstAfterStart) m_sub.Notify(eTaskStarted);
    m_sub.NotifyMeas(eNewMeas, meas);
    meas.SetMeasNo(m_observer.GetLastMeas()->GetMeasNo());
  }

  void Close() { m_observer.CloseRecordsets(); }

 private:
  COGenSub& m_sub;
  CODBObs& m_observer;
};

}  // namespace kovo::test
