#pragma once
// One alarm of a sequence: a channel watched against a limit, on the value or
// on its rolling average, and the outputs to switch on while it is exceeded.
#include <memory>
#include <string>

#include "COMeas.h"
#include "MeasInterval.h"

class COMeasLoader;
class DataContext;

class COAlarm {
 public:
  // The program's context gives the units, the molecular weights of the
  // active sequence and the alarm outputs.
  explicit COAlarm(DataContext& context);
  ~COAlarm();
  // Copies the filter, the limit, the averaging time and the flags; each
  // alarm reads its rolling average through a loader of its own, and a copy
  // belongs to the same program.
  COAlarm(const COAlarm& other);
  COAlarm& operator=(const COAlarm& other);

  void SetFilter(unsigned char filter) { m_filter = filter; }
  unsigned char GetFilter() const { return m_filter; }
  void SetRollingAvg(int minutes) { m_rollingAvg = minutes; }
  int GetRollingAvg() const { return m_rollingAvg; }
  void SetLimit2(bool on) { m_isLimit2 = on; }
  bool IsLimit2() const { return m_isLimit2; }
  void SetUseRollingAvg(bool on) { m_useRollingAvg = on; }
  bool GetUseRollingAvg() const { return m_useRollingAvg; }
  void SetActionPC(bool on) { m_actionPC = on; }
  bool GetActionPC() const { return m_actionPC; }
  void SetActionMonitor(bool on) { m_actionMonitor = on; }
  bool GetActionMonitor() const { return m_actionMonitor; }
  void SetActionRelay1(bool on) { m_actionRelay1 = on; }
  bool GetActionRelay1() const { return m_actionRelay1; }
  void SetActionRelay2(bool on) { m_actionRelay2 = on; }
  bool GetActionRelay2() const { return m_actionRelay2; }
  void SetTriggered(bool on) { m_triggered = on; }
  bool IsTriggered() const { return m_triggered; }
  bool IsExceeded() const { return m_exceeded; }
  void ClearExceeded() { m_exceeded = false; }

  // In the display unit of the system set-up; kept in ppm.
  void SetLimit(float value);
  float GetLimit() const;
  // The limit as kept and stored: ppm.
  void SetStoredLimit(float ppm) { m_limit = ppm; }
  float GetStoredLimit() const { return m_limit; }
  // The limit in mg/m³, as a monitor that raises its own alarms takes it.
  float GetMonitorLimit() const;

  // "<gas>: <limit> <unit> (Limit 1, Rol. Avg 10 min, PC, Rel. 2)"
  std::string GetDescription() const;

  // Compares the channel's value, or its rolling average over twice the
  // averaging time, with the limit; sets the requests of its outputs while
  // exceeded. The measurement is the alarm's own copy.
  void Check(COMeas& meas);

 private:
  float Convert(float value, bool toPpm) const;
  float ConvertUnit(float value, bool toPpm, int kind) const;

  DataContext* m_context;
  unsigned char m_filter = 0;
  float m_limit = 0.0f;
  int m_rollingAvg = 0;
  bool m_isLimit2 = false;
  bool m_useRollingAvg = false;
  bool m_actionPC = false;
  bool m_actionMonitor = false;
  bool m_actionRelay1 = false;
  bool m_actionRelay2 = false;
  bool m_triggered = false;
  bool m_exceeded = false;
  // The interval of the rolling average and its loader, made on first use.
  std::unique_ptr<COMeasInterval> m_interval;
  std::unique_ptr<COMeasLoader> m_loader;
};
