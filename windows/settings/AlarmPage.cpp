#include "AlarmPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "ObjAssign.h"
#include "StringIds.h"
#include "core/StringTable.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace {

constexpr int kWaterVapour = 5;
constexpr float kMaxPpm = 1000000.0f;
constexpr float kRangeTemperature = 20.0f;  // °C
constexpr float kRangePressure = 101.33f;   // kPa
constexpr int kEditWidth = 90;

}  // namespace

COAlarmPage::COAlarmPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags)
    : COSequencePage(IDD, "Alarms", context, sequence, viewOnly, flags),
      m_alarm(context),
      m_alarmList(context),
      m_averageEdit(IDS_ENTER_NUMBER_BETWEEN) {
  // The alarm first composed has the shortest rolling average the page
  // takes, so that Add New works as it stands.
  m_alarm.SetRollingAvg(10);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  layout->addLayout(top);

  auto* limitGroup = new QGroupBox("Limit", this);
  AddItem(kLimitGroup, limitGroup);
  auto* lg = new QGridLayout(limitGroup);
  lg->addWidget(AddLabel(kGasLabel, "Select gas:", limitGroup), 0, 0);
  m_gasCombo.setParent(limitGroup);
  AddItem(kGas, &m_gasCombo);
  lg->addWidget(&m_gasCombo, 0, 1, 1, 3);
  lg->addWidget(AddLabel(kLimitLabel, "Select limit:", limitGroup), 1, 0);
  lg->addWidget(AddEdit(kLimit, limitGroup, kEditWidth), 1, 1);
  lg->addWidget(AddSpin(kLimitSpin, limitGroup), 1, 2);
  lg->addWidget(AddLabel(kUnit, "ppm", limitGroup), 1, 3);
  const auto limits = AddRadioGroup(limitGroup, {{kLimit2, "Alarm Limit 2"}, {kLimit1, "Alarm Limit 1"}});
  lg->addWidget(limits[1], 2, 0, 1, 2);
  lg->addWidget(limits[0], 2, 2, 1, 2);
  const auto kinds = AddRadioGroup(limitGroup, {{kInstantaneous, "Instantaneous"}, {kRollingAvg, "Rolling Avg:"}});
  lg->addWidget(kinds[0], 3, 0, 1, 2);
  lg->addWidget(kinds[1], 4, 0);
  lg->addWidget(AddEdit(kAverage, limitGroup, kEditWidth), 4, 1);
  lg->addWidget(AddSpin(kAverageSpin, limitGroup), 4, 2);
  lg->addWidget(AddLabel(kAverageUnit, "min", limitGroup), 4, 3);
  top->addWidget(limitGroup);

  auto* actionGroup = new QGroupBox("Action", this);
  AddItem(kActionGroup, actionGroup);
  auto* ag = new QVBoxLayout(actionGroup);
  const std::pair<int, const char*> actions[] = {{kActionPC, "PC (Default Sound)"},
                                                 {kActionMonitor, "Gas Monitor Beep"},
                                                 {kActionRelay1, "Gas Monitor Relay 1"},
                                                 {kActionRelay2, "Gas Monitor Relay 2"}};
  for (const auto& [id, text] : actions) {
    auto* box = new QCheckBox(text, actionGroup);
    AddItem(id, box);
    ag->addWidget(box);
    QObject::connect(box, &QCheckBox::clicked, this, [this] { UpdateDataQuiet(true); });
  }
  ag->addStretch();
  top->addWidget(actionGroup);

  auto* buttons = new QHBoxLayout();
  const std::pair<int, const char*> commands[] = {{kAddNew, "Add New"}, {kInsertBefore, "Insert Before"}, {kRemove, "Remove"}};
  for (const auto& [id, text] : commands) {
    auto* button = new QPushButton(text, this);
    AddItem(id, button);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addWidget(AddLabel(kListLabel, "Alarms:", this));
  m_alarmList.setParent(this);
  AddItem(kList, &m_alarmList);
  layout->addWidget(&m_alarmList, 1);

  QObject::connect(qobject_cast<QPushButton*>(GetDlgItem(kAddNew)), &QPushButton::clicked, this, [this] { OnAddNew(); });
  QObject::connect(qobject_cast<QPushButton*>(GetDlgItem(kInsertBefore)), &QPushButton::clicked, this,
                   [this] { OnInsertBefore(); });
  QObject::connect(qobject_cast<QPushButton*>(GetDlgItem(kRemove)), &QPushButton::clicked, this, [this] { OnRemove(); });
  for (QRadioButton* radio : {limits[1], limits[0], kinds[0], kinds[1]})
    QObject::connect(radio, &QRadioButton::clicked, this, [this] { UpdateDataQuiet(true); });
  QObject::connect(&m_gasCombo, &QComboBox::activated, this, [this] { OnGasChange(); });
  QObject::connect(&m_alarmList, &QListWidget::itemSelectionChanged, this, [this] { OnListSelect(); });
}

int COAlarmPage::SelectedChannel() const { return m_gasCombo.GetSelItemData(); }

float COAlarmPage::ShownLimit() const {
  const int channel = m_alarm.GetFilter();
  if (channel >= kWaterVapour) return m_alarm.GetLimit();
  const COSystemSetup& setup = m_context.Setup();
  const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  return COConcUnit(COConcUnit::ppm)
      .Convert(setup.GetGasConcUnit(), m_alarm.GetStoredLimit(), m_sequence.GetMW(channel), normTemp, kRangePressure);
}

void COAlarmPage::SetShownLimit(float value) {
  const int channel = m_alarm.GetFilter();
  if (channel >= kWaterVapour) {
    m_alarm.SetLimit(value);
    return;
  }
  const COSystemSetup& setup = m_context.Setup();
  const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  m_alarm.SetStoredLimit(
      setup.GetGasConcUnit().Convert(COConcUnit(COConcUnit::ppm), value, m_sequence.GetMW(channel), normTemp, kRangePressure));
}

void COAlarmPage::SetLimitRange(int channel) {
  const COSystemSetup& setup = m_context.Setup();
  float low = 0.0f;
  float high = kMaxPpm;
  if (channel == kWaterVapour) {
    const COHumiUnit ppm(COConcUnit::ppm);
    low = ppm.Convert(setup.GetHumidityUnit(), setup.GetTempUnit(), 0.0f, kRangeTemperature, kRangePressure);
    high = ppm.Convert(setup.GetHumidityUnit(), setup.GetTempUnit(), kMaxPpm, kRangeTemperature, kRangePressure);
  } else {
    const COConcUnit ppm(COConcUnit::ppm);
    const float mw = m_sequence.GetMW(channel);
    const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
    low = ppm.Convert(setup.GetGasConcUnit(), 0.0f, mw, normTemp, kRangePressure);
    high = ppm.Convert(setup.GetGasConcUnit(), kMaxPpm, mw, normTemp, kRangePressure);
  }
  m_limitEdit.SetRange(low, high);
}

bool COAlarmPage::OnInitDialog() {
  m_limitEdit.SubclassDlgItems(kLimit, kLimitSpin, this);
  m_averageEdit.SubclassDlgItems(kAverage, kAverageSpin, this);
  platform::CPropertyPage::OnInitDialog();
  m_gasCombo.ResetContent();
  for (int channel = 0; channel <= kWaterVapour; ++channel)
    if (m_sequence.IsGasDefined(channel)) m_gasCombo.AddItem(m_sequence.GetGasName(channel), channel);
  m_gasCombo.SetCurSel(m_gasCombo.GetCount() > 0 ? 0 : -1);
  UpdateDataQuiet(false);
  UpdateUnitLabel();
  if (Locked())
    EnableItems({kGas, kGasLabel, kLimitGroup, kLimit, kLimitSpin, kAverageSpin, kLimitLabel, kLimit2, kLimit1,
                 kInstantaneous, kRollingAvg, kAverage, kAverageUnit, kActionGroup, kActionPC, kActionMonitor,
                 kActionRelay1, kActionRelay2, kAddNew, kInsertBefore, kRemove, kListLabel, kList, kUnit},
                false);
  return true;
}

bool COAlarmPage::UpdateDataQuiet(bool save) {
  m_quiet = true;
  const bool ok = UpdateData(save);
  m_quiet = false;
  return ok;
}

void COAlarmPage::DoDataExchange(platform::CDataExchange* dx) {
  const bool saving = dx->m_bSaveAndValidate;
  if (m_flags.defaultsLoaded) {
    SetDlgItemText(kLimit, "0");
    SetDlgItemText(kAverage, "10");
    int first = 0;
    platform::CDataExchange reset(this, false);
    platform::DDX_Radio(&reset, kInstantaneous, first);
    int limit1 = 1;
    platform::DDX_Radio(&reset, kLimit2, limit1);
  }
  if (!m_quiet) {
    if (saving) {
      std::vector<COAlarm>& table = m_sequence.GetAlarms();
      table.clear();
      for (int row = 0; row < m_alarmList.GetCount(); ++row) table.push_back(m_alarmList.GetAlarm(row));
    } else {
      m_alarmList.ResetContent();
      for (const COAlarm& alarm : m_sequence.GetAlarms()) m_alarmList.AddAlarm(alarm);
    }
    return;
  }

  m_averageEdit.SetRange(10, 720);
  if (!saving) {
    m_gasCombo.SelectItemData(m_alarm.GetFilter());
  }
  SetLimitRange(SelectedChannel());
  if (m_flags.ddxValidate) {
    m_limitEdit.DDXValidate(dx);
    m_averageEdit.DDXValidate(dx);
  }
  ObjAssign<long, COAlarm>(&m_alarm, &COAlarm::GetRollingAvg, &COAlarm::SetRollingAvg).Exchange(dx, kAverage, platform::DDX_Text);
  int limitIndex = m_alarm.IsLimit2() ? 0 : 1;  // the group starts with "Alarm Limit 2"
  int kind = m_alarm.GetUseRollingAvg() ? 1 : 0;
  int pc = m_alarm.GetActionPC() ? 1 : 0;
  int monitor = m_alarm.GetActionMonitor() ? 1 : 0;
  int relay1 = m_alarm.GetActionRelay1() ? 1 : 0;
  int relay2 = m_alarm.GetActionRelay2() ? 1 : 0;
  if (!saving) m_limitEdit.SetValue(ShownLimit());
  platform::DDX_Radio(dx, kLimit2, limitIndex);
  platform::DDX_Radio(dx, kInstantaneous, kind);
  platform::DDX_Check(dx, kActionPC, pc);
  platform::DDX_Check(dx, kActionMonitor, monitor);
  platform::DDX_Check(dx, kActionRelay1, relay1);
  platform::DDX_Check(dx, kActionRelay2, relay2);
  if (!saving) return;
  m_alarm.SetFilter(static_cast<unsigned char>(SelectedChannel()));
  m_alarm.SetLimit2(limitIndex != 1);
  m_alarm.SetUseRollingAvg(kind == 1);
  m_alarm.SetRollingAvg(m_averageEdit.GetValue());
  m_alarm.SetActionPC(pc != 0);
  m_alarm.SetActionMonitor(monitor != 0);
  m_alarm.SetActionRelay1(relay1 != 0);
  m_alarm.SetActionRelay2(relay2 != 0);
  SetShownLimit(m_limitEdit.GetValue());
}

void COAlarmPage::OnAddNew() {
  if (UpdateDataQuiet(true)) m_alarmList.AddAlarm(m_alarm);
}

void COAlarmPage::OnInsertBefore() {
  if (UpdateDataQuiet(true)) m_alarmList.InsertBefore(m_alarm);
}

void COAlarmPage::OnRemove() { m_alarmList.RemoveSelected(); }

void COAlarmPage::OnGasChange() {
  UpdateDataQuiet(true);
  UpdateUnitLabel();
}

void COAlarmPage::OnListSelect() {
  const int row = m_alarmList.GetCurSel();
  if (row >= 0) {
    m_alarm = m_alarmList.GetAlarm(row);
    UpdateDataQuiet(false);
  }
  UpdateUnitLabel();
}

bool COAlarmPage::OnSetActive() {
  const bool active = platform::CPropertyPage::OnSetActive();
  if (m_alarmList.GetCount() > 0) m_alarmList.SetCurSel(0);
  OnListSelect();
  return active;
}

void COAlarmPage::UpdateUnitLabel() {
  const COSystemSetup& setup = m_context.Setup();
  SetDlgItemText(kUnit, SelectedChannel() == kWaterVapour ? setup.GetHumidityUnitText() : setup.GetGasConcUnitText());
}
