#pragma once
// The observer of the general subject that makes every measurement
// persistent: it numbers each new measurement, writes its [Meas] row and its
// events into the task database that is open, lets the active sequence check
// its alarms and records the alarm, start and stop events.
#include <string>
#include <vector>

#include "COEvent.h"
#include "COMeas.h"
#include "Subject.h"
#include "TaskRecords.h"

class COGenSub;

class CODBObs : public CObserver {
 public:
  // Registers the last written measurement with the data layer.
  CODBObs();
  ~CODBObs() override;
  CODBObs(const CODBObs&) = delete;
  CODBObs& operator=(const CODBObs&) = delete;

  void Update(CSubject* subject) override;

  // The measurement written last, for the program's whole run.
  static COMeas* GetLastMeas();
  // Closes both record sets and their connections (at shut-down, and when
  // another task opens).
  void CloseRecordsets();

 private:
  void WriteMeasurement(COGenSub* sub);
  // The [Meas] set open on the task that is open now.
  void OpenMeasSet();
  // The text of an alarm the monitor reported for a filter: its gas, limit 1
  // and, when the value passed it, limit 2.
  std::string MonitorAlarmText(const COMeas& meas, int filter) const;

  int m_firstMeasPending = 0;
  COMeas m_meas;
  // One connection for both sets: a connection another one has written
  // through since its last read throws its page cache away, which made every
  // stored measurement read its pages again.
  CDatabase m_db;
  CORecMeas m_recMeas{&m_db};
  CORecEvent m_recEvent{&m_db};
  std::vector<COEvent> m_pendingEvents;
  // A task was started (kind 4) and has not been stopped: only its stop is
  // recorded.
  bool m_taskRunning = false;
  // The task database the record sets were opened on.
  std::string m_openedFor;
};
