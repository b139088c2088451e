#include "PropertyPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COSequence.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "PresentationStrings.h"
#include "TaskRecords.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace presentation {

// --- events ---

namespace {

// Check box and event type, in the order the boxes are exchanged.
constexpr std::pair<int, int> kEventBoxes[] = {
    {COEventPage::kCommErrors, 3}, {COEventPage::kAlarms, 2}, {COEventPage::kAirPressure, 1},
    {COEventPage::kUser, 0},       {COEventPage::kMonitor, 4}};

}  // namespace

COEventPage::COEventPage(COMeasInterval& interval, QWidget* parent)
    : platform::CPropertyPage(IDD, "Events", parent), m_interval(interval) {
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Visible Events", this);
  auto* boxes = new QVBoxLayout(group);
  const std::pair<int, const char*> labels[] = {{kUser, "User Events"},
                                                {kAirPressure, "New Air Pressure entered"},
                                                {kAlarms, "Alarms"},
                                                {kCommErrors, "Communication Errors"},
                                                {kMonitor, "Gas Monitor Warnings/Errors"}};
  for (const auto& [id, text] : labels) {
    auto* box = new QCheckBox(text, group);
    AddItem(id, box);
    boxes->addWidget(box);
  }
  layout->addWidget(group);
  layout->addStretch();
}

void COEventPage::DoDataExchange(platform::CDataExchange* dx) {
  int shown[5] = {};
  if (!dx->m_bSaveAndValidate)
    for (int i = 0; i < 5; ++i) shown[i] = m_interval.IsChannelShown(kEventBoxes[i].second) ? 1 : 0;
  for (int i = 0; i < 5; ++i) platform::DDX_Check(dx, kEventBoxes[i].first, shown[i]);
  if (dx->m_bSaveAndValidate)
    for (int i = 0; i < 5; ++i) m_interval.SetChannelShown(kEventBoxes[i].second, shown[i] != 0);
}

// --- interval ---

COXAxisPage::COXAxisPage(DataContext& context, COMeasInterval& interval, QWidget* parent)
    : COIntervalRangePage(IDS_PRESENTATION_LEGAL_INTERVAL, parent), m_context(context), m_interval(interval) {
  auto* avgGroup = new QGroupBox("Rolling Average", this);
  auto* avgLayout = new QHBoxLayout(avgGroup);
  auto* average = new QCheckBox("Rolling Average:", avgGroup);
  AddItem(kAverage, average);
  avgLayout->addWidget(average);
  for (const auto& [e, s] : {std::pair{kAverageTime, kAverageTimeSpin}, std::pair{kAverageCount, kAverageCountSpin}}) {
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    auto* line = new QLineEdit(avgGroup);
    line->setFixedWidth(60);
    AddItem(e, line);
    auto* sp = new platform::CSpinButtonCtrl(avgGroup);
    AddItem(s, sp);
    pair->addWidget(line);
    pair->addWidget(sp);
    avgLayout->addLayout(pair);
  }
  auto* unit = new QLabel(avgGroup);
  AddItem(kAverageUnit, unit);
  avgLayout->addWidget(unit);
  avgLayout->addStretch();
  PageLayout().addWidget(avgGroup);
  PageLayout().addStretch();

  m_averageTime.Attach(this, kAverageTime, kAverageTimeSpin);
  m_averageCount.SubclassDlgItems(kAverageCount, kAverageCountSpin, this);
  m_averageCount.SetRange(1, 5000);

  auto* number = qobject_cast<QRadioButton*>(GetDlgItem(kNumber));
  auto* time = qobject_cast<QRadioButton*>(GetDlgItem(kTime));
  connect(time, &QRadioButton::clicked, this, [this] { ShowModeFields(COMeasInterval::kByTime); });
  connect(number, &QRadioButton::clicked, this, [this] { ShowModeFields(COMeasInterval::kByNumber); });
}

void COXAxisPage::ShowModeFields(int mode) {
  const bool byNumber = mode == COMeasInterval::kByNumber;
  m_averageCount.setVisible(byNumber);
  m_averageCount.GetSpin().setVisible(byNumber);
  m_averageTime.setVisible(!byNumber);
  if (QWidget* spin = GetDlgItem(kAverageTimeSpin)) spin->setVisible(!byNumber);
  SetDlgItemText(kAverageUnit, byNumber ? "measurements" : "min");
}

void COXAxisPage::ReadSequences(std::vector<StoredSequence>& rows) {
  COSequence row(m_context);
  CORecSequence rs(m_context);
  rs.SetTarget(&row);
  rs.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
  for (; !rs.IsEOF(); rs.MoveNext())
    rows.push_back({row.GetNumCount(), row.GetName(), row.GetStartTime(), row.GetStopTime(), row.GetStartNum(),
                    row.GetStopNum()});
  rs.CloseWithDatabase();
}

bool COXAxisPage::OnInitDialog() {
  SetDlgItemText(kAverageUnit, m_interval.GetMeasMode() == COMeasInterval::kByNumber ? "measurements" : "min");
  COIntervalRangePage::OnInitDialog();
  ShowModeFields(m_interval.GetMeasMode());
  return true;
}

void COXAxisPage::DoDataExchange(platform::CDataExchange* dx) {
  if (dx->m_bSaveAndValidate) {
    const int mode = ChosenMode();
    if (mode == COMeasInterval::kByTime)
      m_averageTime.DDXValidate(dx, 1, 720);
    else
      m_averageCount.DDXValidate(dx);
    // Every entry is checked before the interval takes any.
    SaveRange(dx, m_interval);
    auto* average = qobject_cast<QCheckBox*>(GetDlgItem(kAverage));
    m_interval.SetMeasAvg(average != nullptr && average->isChecked() ? 1 : 0);
    m_interval.SetInterval(mode == COMeasInterval::kByNumber ? m_averageCount.GetValue()
                                                             : m_averageTime.GetSeconds() / 60);
    return;
  }
  LoadRange(dx, m_interval);
  int average = m_interval.GetMeasAvg() ? 1 : 0;
  platform::DDX_Check(dx, kAverage, average);
  m_averageCount.SetValue(m_interval.GetInterval());
  m_averageTime.SetSeconds(m_interval.GetInterval() * 60);
}

}  // namespace presentation
