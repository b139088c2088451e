#pragma once
// The program's active sequence, following the running task through the
// general subject: start and stop time and number, the gases frozen at the
// first measurement, the alarm outputs switched off at the stop.
#include "COSequence.h"
#include "Subject.h"

class COSequenceObs : public CObserver, public COSequence {
 public:
  explicit COSequenceObs(DataContext& context) : COSequence(context) {}
  void Update(CSubject* subject) override;
  bool IsFirstMeasPending() const { return m_firstMeasPending; }

 private:
  bool m_firstMeasPending = false;
};
