#pragma once
// How the database observer stores a measurement, through the record
// classes: the [Meas] row numbered on from the highest stored number, then the
// measurement's events. Tests and the benchmark store rows this way.
#include <vector>

#include "COMeas.h"
#include "TaskRecords.h"

namespace kovo::test {

class ObserverSteps {
 public:
  ObserverSteps() {
    m_recMeas.SetTarget(&m_meas);
    m_recMeas.m_strSort = "[MeasNo]";
  }

  // Stores the measurement and its events; gives it its number.
  void Write(COMeas& meas, bool firstAfterStart = false) {
    if (!m_recMeas.IsOpen()) {
      m_recMeas.Open();
      if (!m_recMeas.IsEOF()) m_recMeas.MoveLast();
    }
    std::vector<COEvent> pending = meas.GetEvents();
    meas.GetEvents().clear();
    int number = 1;
    if (!(m_recMeas.IsBOF() && m_recMeas.IsEOF())) {
      m_recMeas.MoveLast();
      number = m_meas.GetMeasNo() + 1;
    }
    meas.SetMeasNo(number);
    m_recMeas.AddNew();
    m_meas = meas;
    m_recMeas.Update();
    m_recMeas.Requery();
    if (firstAfterStart) m_recEvent.AddEventById(meas, 166, COEvent::typeTaskStarted, 0.0f);
    for (const COEvent& e : pending) m_recEvent.ReplaceEvent(meas, e);
  }

  void Close() {
    m_recMeas.CloseWithDatabase();
    m_recEvent.CloseWithDatabase();
  }

  CORecEvent& Events() { return m_recEvent; }

 private:
  COMeas m_meas;
  CORecMeas m_recMeas;
  CORecEvent m_recEvent;
};

}  // namespace kovo::test
