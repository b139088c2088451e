#pragma once
// The program's active sequence, following the running task through the
// general subject: start and stop time and number of the stored
// measurements, the gases frozen at the first one, the alarm outputs
// switched off at the stop.
#include "COGenSub.h"
#include "COSequence.h"

class COSequenceObs : public CGenObserver, public COSequence {
 public:
  explicit COSequenceObs(DataContext& context) : COSequence(context) {}
  void Update(const CGenEvent& event) override;
  bool IsFirstMeasPending() const { return m_firstMeasPending; }

 private:
  bool m_firstMeasPending = false;
};
