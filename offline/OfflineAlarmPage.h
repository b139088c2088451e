#pragma once
// The Offline program's "Alarms": the alarms are downloaded into the monitor,
// which raises them by itself while it measures alone. So the PC's actions
// are hidden, the gases offered are the model's (the leak detector also has
// water vapour), and the page is left only with as many alarms per filter as
// the model raises: one on the gas monitor, two on the leak detector.
#include <functional>

#include "AlarmPage.h"

class ProgramContext;

class COOfflineAlarmPage : public COAlarmPage {
 public:
  // busy: the measurement observer is at work; the page then only shows.
  COOfflineAlarmPage(ProgramContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags,
                     std::function<bool()> busy);

  // Refuses, with the model's rule, a list the monitor cannot take; the
  // sequence then keeps its alarms.
  bool OnKillActive() override;

 protected:
  bool OnInitDialog() override;

 private:
  ProgramContext& m_program;
  std::function<bool()> m_busy;
};
