#include "OfflineAlarmPage.h"

#include <vector>

#include "COSequence.h"
#include "OfflineSetupModel.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"

namespace {

constexpr int kGasFilters = 5;
constexpr int kWithWaterVapour = 6;

}  // namespace

COOfflineAlarmPage::COOfflineAlarmPage(ProgramContext& context, COSequence& sequence, bool viewOnly,
                                       SequenceSheetFlags& flags, std::function<bool()> busy)
    : COAlarmPage(context, sequence, viewOnly, flags), m_program(context), m_busy(std::move(busy)) {}

bool COOfflineAlarmPage::OnInitDialog() {
  COAlarmPage::OnInitDialog();
  // The monitor raises its alarms itself; the PC has no part in them.
  ShowItems({kActionGroup, kActionPC, kActionMonitor, kActionRelay1, kActionRelay2}, false);
  COComboEx& gases = GasCombo();
  gases.ResetContent();
  const int offered = m_program.Instrument().isTebb() ? kWithWaterVapour : kGasFilters;
  for (int filter = 0; filter < offered; ++filter)
    if (m_sequence.IsGasDefined(filter)) gases.AddItem(m_sequence.GetGasName(filter), filter);
  gases.SetCurSel(gases.GetCount() > 0 ? 0 : -1);
  UpdateDataQuiet(false);
  UpdateUnitLabel();
  if (m_viewOnly || (m_busy && m_busy()))
    EnableItems({kGas, kGasLabel, kLimitGroup, kLimit, kLimitSpin, kAverageSpin, kLimitLabel, kLimit2, kLimit1,
                 kInstantaneous, kRollingAvg, kAverage, kAverageUnit, kActionGroup, kActionPC, kActionMonitor,
                 kActionRelay1, kActionRelay2, kAddNew, kInsertBefore, kRemove, kListLabel, kList, kUnit},
                false);
  SetDlgItemText(kLimit, "0");
  return true;
}

bool COOfflineAlarmPage::OnKillActive() {
  std::vector<COAlarm> alarms;
  for (int row = 0; row < List().GetCount(); ++row) alarms.push_back(List().GetAlarm(row));
  int filter = -1;
  const AlarmRuleBreak rule = CheckAlarmsForMonitor(alarms, m_program.Instrument().isTebb(), &filter);
  if (rule != AlarmRuleBreak::none) {
    platform::MessageBox(AlarmRuleMessage(rule, m_sequence.GetGasName(filter)));
    return false;
  }
  return COAlarmPage::OnKillActive();
}
