#pragma once
// The program-wide subject through which the measurement side tells every
// observer what happened, with the update kind and, for a new measurement,
// the measurement.
#include <deque>

#include "COMeas.h"
#include "Subject.h"

enum EUpdType : int {
  eDBChanged = 0,    // a task database was opened or closed
  eSeqUpdated = 3,   // the sequence was updated after a measurement
  eTaskStarted = 4,
  eNewMeas = 5,      // carries the measurement
  eTaskStopped = 6,
  eUserEvent = 9,    // a user event was entered
  eNoUpdate = 18,    // between notifications
};

class COGenSub : public CSubject {
 public:
  COGenSub();

  EUpdType GetUpdType() const { return m_updType; }
  COMeas* GetMeas() { return &m_meas; }

  // Outside a pass: notifies every observer in attach order, then delivers
  // the kinds raised meanwhile, first in first out. Inside a pass the kind
  // waits for the pass to end.
  void Notify(EUpdType kind);
  // Announces a measurement. Inside a running pass (reached, say, from a
  // message box's loop) it waits like Notify, so the running pass keeps its
  // kind and measurement and the passes keep their order.
  void NotifyMeas(EUpdType kind, const COMeas& meas);

 private:
  struct Pending {
    EUpdType kind;
    bool withMeas;
    COMeas meas;
  };
  void Pass(EUpdType kind, const COMeas* meas);
  void DeliverQueue();

  bool m_notifying = false;
  COMeas m_meas;
  EUpdType m_updType = eNoUpdate;
  std::deque<Pending> m_queue;
};
