#include "COSequenceObs.h"

#include "DBDoc.h"
#include "DBUtil.h"

void COSequenceObs::Update(const CGenEvent& event) {
  switch (event.kind) {
    case eTaskStarted:
      m_firstMeasPending = true;
      break;
    case eMeasStored: {
      const COMeas& m = *event.meas;
      // A sample numbered 0 was not stored: the run ends at the last one that was.
      if (m.GetMeasNo() <= 0) break;
      SetStop(m.GetMeasTime(), m.GetMeasNo());
      if (m_firstMeasPending) {
        m_firstMeasPending = false;
        SetStart(m.GetMeasTime(), m.GetMeasNo());
        for (int f = 0; f < 5; ++f)
          if (IsFilterActive(f)) SetFilterLocked(f, true);
        Save();
      }
      break;
    }
    case eTaskStopped:
      ResetAlarmOutputs();
      UpdateAllViewsOfDoc(m_context, kHintTaskChanged);
      break;
    default:
      break;
  }
}
