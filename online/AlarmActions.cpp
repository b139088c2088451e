#include "AlarmActions.h"

#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"

void COMonBeep::Execute(bool on) { m_obs.SetMonitorAlarm(on); }

void CORelayBeep::Execute(bool on) {
  if (m_relay == 1)
    m_obs.SetRelay1(on);
  else
    m_obs.SetRelay2(on);
}

void COAlarmStatus::Update(const CGenEvent& event) {
  if (event.kind != eMeasStored) return;
  for (const COAlarm& alarm : m_context.ActiveSequence().GetAlarms()) {
    if (alarm.IsExceeded()) {
      if (m_exceeded) m_exceeded();
      return;
    }
  }
}
