#pragma once
// The program-wide subject through which the measurement side tells every
// observer what happened: the kind and, for a sample, the measurement.
#include <deque>

#include "COMeas.h"
#include "Subject.h"

enum EUpdType : int {
  eDBChanged = 0,    // a task database was opened or closed
  eTaskStarted = 4,
  eNewMeas = 5,      // a sample as the monitor gave it, for the store
  eTaskStopped = 6,
  eMeasStored = 7,   // the store's measurement with its row number
  eUserEvent = 9,    // a user event was entered
};

struct CGenEvent {
  EUpdType kind;
  // The measurement of eNewMeas and eMeasStored, else null.
  const COMeas* meas = nullptr;
};

using CGenObserver = CEventObserver<CGenEvent>;
using CGenCallback = CEventCallback<CGenEvent>;

class COGenSub : public CEventSubject<CGenEvent> {
 public:
  // Outside a pass: notifies every observer in attach order, then delivers
  // the events raised meanwhile, first in first out. Inside a pass (an
  // observer's, or a message box's loop within it) the event waits for the
  // pass to end, so that every observer hears the events in one order.
  void Notify(EUpdType kind);
  void NotifyMeas(EUpdType kind, const COMeas& meas);

 private:
  struct Pending {
    EUpdType kind;
    bool withMeas;
    COMeas meas;
  };
  void Pass(const CGenEvent& event);
  void DeliverQueue();

  bool m_notifying = false;
  std::deque<Pending> m_queue;
};
