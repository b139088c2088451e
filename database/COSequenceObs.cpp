#include "COSequenceObs.h"

#include "COGenSub.h"
#include "DBDoc.h"
#include "DBUtil.h"

void COSequenceObs::Update(CSubject* subject) {
  COGenSub* sub = dynamic_cast<COGenSub*>(subject);
  if (sub == nullptr) return;
  switch (sub->GetUpdType()) {
    case eTaskStarted:
      m_firstMeasPending = true;
      break;
    case eNewMeas: {
      const COMeas& m = *sub->GetMeas();
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
      // Inside the running pass: delivered after it.
      sub->Notify(eSeqUpdated);
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
