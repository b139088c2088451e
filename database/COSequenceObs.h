#pragma once
// The program's active sequence, following the running task through the
// general subject: start and stop time and number, the gases frozen at the
// first measurement, the alarm outputs switched off at the stop.
#include "COSequence.h"
#include "Subject.h"

class COSequenceObs : public CObserver, public COSequence {
 public:
  COSequenceObs() = default;
  void Update(CSubject* subject) override;
  bool IsFirstMeasPending() const { return m_firstMeasPending != 0; }

 private:
  unsigned char m_firstMeasPending = 0;
};
