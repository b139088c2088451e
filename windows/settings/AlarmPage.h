#pragma once
// "Alarms": the user composes one alarm in the upper controls (gas, limit 1
// or 2 and its value in the display unit, instantaneous or rolling average,
// actions) and adds it to, inserts it into or removes it from the list of the
// sequence's alarms below.
#include "AlarmList.h"
#include "COAlarm.h"
#include "FloatEdit.h"
#include "ListControls.h"
#include "NumEdit.h"
#include "SequencePage.h"

class COAlarmPage : public COSequencePage {
 public:
  enum { IDD = 132 };
  enum Control {
    kGas = 1079,
    kGasLabel = 1149,
    kLimit = 1020,
    kLimitSpin = 1021,
    kLimitLabel = 1151,
    kUnit = 1078,
    kLimit2 = 1018,
    kLimit1 = 1019,
    kInstantaneous = 1137,
    kRollingAvg = 1023,
    kAverage = 1024,
    kAverageSpin = 1025,
    kAverageUnit = 1152,
    kActionPC = 1004,
    kActionMonitor = 1001,
    kActionRelay1 = 1002,
    kActionRelay2 = 1003,
    kAddNew = 1085,
    kInsertBefore = 1087,
    kRemove = 1088,
    kList = 1138,
    kListLabel = 1154,
    kLimitGroup = 1150,
    kActionGroup = 1153,
  };

  COAlarmPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags);

  // Exchanges only the single-alarm controls with the alarm being composed.
  bool UpdateDataQuiet(bool save);
  void OnAddNew();
  void OnInsertBefore();
  void OnRemove();
  void OnGasChange();
  void OnListSelect();
  // The humidity unit for water vapour, else the gas concentration unit.
  void UpdateUnitLabel();

  COAlarmList& List() { return m_alarmList; }
  COComboEx& GasCombo() { return m_gasCombo; }
  COFloatEdit& LimitEdit() { return m_limitEdit; }
  CONumEdit& AverageEdit() { return m_averageEdit; }
  const COAlarm& ComposedAlarm() const { return m_alarm; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool OnSetActive() override;

 private:
  int SelectedChannel() const;
  void SetLimitRange(int channel);
  // The composed alarm's limit in the display unit, and back: a gas by the
  // molecular weight of the bank chosen on the Gas page, which the program's
  // sequence only gets on OK.
  float ShownLimit() const;
  void SetShownLimit(float value);

  COAlarm m_alarm;
  COAlarmList m_alarmList;
  COComboEx m_gasCombo;
  COFloatEdit m_limitEdit;
  CONumEdit m_averageEdit;
  bool m_quiet = false;
};
