#pragma once
// The observer of the general subject that makes every measurement
// persistent: it numbers each new measurement, writes its [Meas] row and its
// events into the task database that is open, lets the active sequence check
// its alarms and records the alarm, start and stop events. Then it announces
// the measurement (eMeasStored) with its row number; one it could not store,
// numbered 0.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "COEvent.h"
#include "COMeas.h"
#include "DiskReserve.h"
#include "FilterData.h"
#include "COGenSub.h"
#include "TaskRecords.h"

class DataContext;

class CODBObs : public CGenObserver {
 public:
  // Writes into the task that is open in the program's context.
  explicit CODBObs(DataContext& context);
  ~CODBObs() override;
  CODBObs(const CODBObs&) = delete;
  CODBObs& operator=(const CODBObs&) = delete;

  void Update(const CGenEvent& event) override;

  // The measurement written last, for the program's whole run.
  COMeas* GetLastMeas() { return &m_lastMeas; }
  const COMeas* GetLastMeas() const { return &m_lastMeas; }
  // Closes both record sets and their connections (at shut-down, and when
  // another task opens).
  void CloseRecordsets();

  // A check of the first measurement after each task start (the Offline
  // program refuses records older than its task): false refuses it and
  // every later one until the next start.
  void SetFirstMeasCheck(std::function<bool(const COMeas&)> check) { m_firstMeasCheck = std::move(check); }
  bool IsUploadAborted() const { return m_aborted; }
  // The user's comment for the next measurement to be written; it takes the
  // place of a comment still waiting.
  void QueueComment(const COEvent& comment);
  // Drops a comment still waiting for its measurement.
  void DropQueuedComments();
  // A measurement could not be written since the task started.
  bool HasWriteFailed() const { return m_writeFailed; }
  // The disk of the task filled: the person was told once, the measurement
  // stopped, and no sample is stored until the next start. A write that
  // fails for the same reason meanwhile is not reported again. A sample that
  // is not stored reaches the observers after this one numbered 0.
  bool IsStoringStopped() const { return m_storingStopped; }
  // Storing stops while less than this is free on the task's disk, so that
  // the stop itself (its event, the next sequence) still fits: 1 MiB. For a
  // disk that says it has room and then refuses a write, as much again is
  // held on it while a measurement runs and given back when it stops. 0
  // leaves the free space unasked.
  void SetDiskMargin(uint64_t bytes) { m_diskMargin = bytes; }
  // Times never go backwards in a task (the windows find measurements by
  // time). A start's set-up sets the monitor's clock to the minute after its
  // moment, clockSetAt: when that would date samples before the task's last
  // stored measurement, *notBefore is the moment from which it does not, and
  // the start waits for it; none (invalid) when it need not wait. A wait of
  // more than two minutes (a clock that went back) is refused: the person is
  // told from when on a start can, and false. *last, when given, is the
  // last stored measurement's time (invalid: none).
  bool StartKeepsTimeOrder(const platform::CTime& clockSetAt, CalibTime* notBefore, CalibTime* last = nullptr);

 private:
  // The numbered row it wrote; null when it stored none.
  const COMeas* WriteMeasurement(const COMeas& sample);
  // The folder the task's file lies in (after links); empty when unknown.
  std::string TaskFolder() const;
  // Less than the margin is free where the task's file lies.
  bool DiskNearlyFull() const;
  // Tells the person once and stops the measurement.
  void StopStoring();
  // The [Meas] set open on the task that is open now.
  void OpenMeasSet();
  // The text of an alarm the monitor reported for a filter: its gas, limit 1
  // and, when the value passed it, limit 2.
  std::string MonitorAlarmText(const COMeas& meas, int filter) const;

  DataContext& m_context;
  bool m_firstMeasPending = false;
  COMeas m_lastMeas;
  COMeas m_meas;
  // One connection for both sets: a connection another one has written
  // through since its last read throws its page cache away, which made every
  // stored measurement read its pages again.
  platform::CDatabase m_db;
  CORecMeas m_recMeas;
  CORecEvent m_recEvent;
  std::vector<COEvent> m_pendingEvents;
  // A task was started (kind 4) and has not been stopped: only its stop is
  // recorded.
  bool m_taskRunning = false;
  // The task database the record sets were opened on.
  std::string m_openedFor;
  std::function<bool(const COMeas&)> m_firstMeasCheck;
  bool m_aborted = false;
  bool m_writeFailed = false;
  bool m_storingStopped = false;
  // A sample of the run that started last was stored.
  bool m_storedInRun = false;
  uint64_t m_diskMargin = 1 << 20;
  DiskReserve m_reserve;
};
