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
#include <climits>

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
    : CPropertyPage(IDD, "Events", parent), m_interval(interval) {
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

void COEventPage::DoDataExchange(CDataExchange* dx) {
  int shown[5] = {};
  if (!dx->m_bSaveAndValidate)
    for (int i = 0; i < 5; ++i) shown[i] = m_interval.IsChannelShown(kEventBoxes[i].second) ? 1 : 0;
  for (int i = 0; i < 5; ++i) DDX_Check(dx, kEventBoxes[i].first, shown[i]);
  if (dx->m_bSaveAndValidate)
    for (int i = 0; i < 5; ++i) m_interval.SetChannelShown(kEventBoxes[i].second, shown[i] != 0);
}

// --- interval ---

COXAxisPage::COXAxisPage(DataContext& context, COMeasInterval& interval, QWidget* parent)
    : CPropertyPage(IDD, "Interval", parent), m_context(context), m_interval(interval) {
  auto* layout = new QVBoxLayout(this);
  auto* mode = new QGroupBox("Interval", this);
  auto* grid = new QGridLayout(mode);
  auto* radios = new QButtonGroup(this);
  auto* time = new QRadioButton("Time", mode);
  auto* number = new QRadioButton("Measurement Number", mode);
  radios->addButton(time, 0);
  radios->addButton(number, 1);
  AddItem(kTime, time);
  AddItem(kNumber, number);
  grid->addWidget(time, 0, 1, 1, 2);
  grid->addWidget(number, 0, 3, 1, 2);
  auto edit = [this, mode](int id, int width) {
    auto* e = new QLineEdit(mode);
    e->setFixedWidth(width);
    AddItem(id, e);
    return e;
  };
  auto spin = [this, mode](int id) {
    auto* s = new CSpinButtonCtrl(mode);
    AddItem(id, s);
    return s;
  };
  // One row each for From and To: date, time and number with their spins.
  const int ids[2][6] = {{kFromDate, kFromDateSpin, kFromTime, kFromTimeSpin, kFromNumber, kFromNumberSpin},
                         {kToDate, kToDateSpin, kToTime, kToTimeSpin, kToNumber, kToNumberSpin}};
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(new QLabel(row == 0 ? "From:" : "To:", mode), row + 1, 0);
    for (int k = 0; k < 3; ++k) {
      auto* pair = new QHBoxLayout;
      pair->setSpacing(0);
      pair->addWidget(edit(ids[row][2 * k], k == 2 ? 80 : 76));
      pair->addWidget(spin(ids[row][2 * k + 1]));
      grid->addLayout(pair, row + 1, 1 + 2 * k, 1, 2);
    }
  }
  layout->addWidget(mode);

  auto* seqGroup = new QGroupBox("Measurement Sequence", this);
  auto* seqLayout = new QHBoxLayout(seqGroup);
  seqLayout->addWidget(&m_sequences);
  AddItem(kSequence, &m_sequences);
  layout->addWidget(seqGroup);

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
    auto* sp = new CSpinButtonCtrl(avgGroup);
    AddItem(s, sp);
    pair->addWidget(line);
    pair->addWidget(sp);
    avgLayout->addLayout(pair);
  }
  auto* unit = new QLabel(avgGroup);
  AddItem(kAverageUnit, unit);
  avgLayout->addWidget(unit);
  avgLayout->addStretch();
  layout->addWidget(avgGroup);
  layout->addStretch();

  m_from.SubclassDlgItems(this, kFromDate, kFromDateSpin, kFromTime, kFromTimeSpin);
  m_to.SubclassDlgItems(this, kToDate, kToDateSpin, kToTime, kToTimeSpin);
  m_fromNumber.SubclassDlgItems(kFromNumber, kFromNumberSpin, this);
  m_toNumber.SubclassDlgItems(kToNumber, kToNumberSpin, this);
  m_averageTime.Attach(this, kAverageTime, kAverageTimeSpin);
  m_averageCount.SubclassDlgItems(kAverageCount, kAverageCountSpin, this);
  m_fromNumber.SetRange(0, INT_MAX);
  m_toNumber.SetRange(0, INT_MAX);
  m_averageCount.SetRange(1, 5000);

  connect(radios, &QButtonGroup::idClicked, this, [this](int m) { ShowModeFields(m); });
  connect(&m_sequences, &QComboBox::activated, this, [this] { ApplySequence(); });
}

int COXAxisPage::ChosenMode() const {
  auto* number = qobject_cast<QRadioButton*>(GetDlgItem(kNumber));
  return number != nullptr && number->isChecked() ? COMeasInterval::kByNumber : COMeasInterval::kByTime;
}

void COXAxisPage::ShowModeFields(int mode) {
  const bool byNumber = mode == COMeasInterval::kByNumber;
  m_averageCount.setVisible(byNumber);
  m_averageCount.GetSpin().setVisible(byNumber);
  m_averageTime.setVisible(!byNumber);
  if (QWidget* spin = GetDlgItem(kAverageTimeSpin)) spin->setVisible(!byNumber);
  SetDlgItemText(kAverageUnit, byNumber ? "measurements" : "min");
}

void COXAxisPage::FillSequences() {
  m_stored.clear();
  m_sequences.clear();
  m_sequences.addItem("(All)");
  try {
    COSequence row(m_context);
    CORecSequence rs(m_context);
    rs.SetTarget(&row);
    rs.Open(CRecordset::snapshot, std::string(), CRecordset::readOnly);
    for (; !rs.IsEOF(); rs.MoveNext()) {
      StoredSequence s;
      s.number = row.GetNumCount();
      s.name = row.GetName();
      s.startTime = row.GetStartTime();
      s.stopTime = row.GetStopTime();
      s.startNum = row.GetStartNum();
      s.stopNum = row.GetStopNum();
      m_stored.push_back(s);
      m_sequences.addItem(QString::fromStdString(s.name));
    }
    rs.CloseWithDatabase();
  } catch (const CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  // The last row is the sequence still to come: it has measured nothing.
  if (m_sequences.count() > 1) m_sequences.removeItem(m_sequences.count() - 1);
  m_sequences.setCurrentIndex(m_sequences.count() - 1);
}

const COXAxisPage::StoredSequence* COXAxisPage::Find(int number) const {
  for (const StoredSequence& s : m_stored)
    if (s.number == number) return &s;
  return nullptr;
}

void COXAxisPage::ApplySequence() {
  const int k = m_sequences.currentIndex();
  if (k < 0) return;
  const StoredSequence* first = Find(k == 0 ? 1 : k);
  const StoredSequence* last = k == 0 ? Find(m_sequences.count() - 1) : first;
  // A sequence that is not there leaves the fields as they are.
  if (first == nullptr || last == nullptr) return;
  m_from.SetTime(first->startTime);
  m_fromNumber.SetValue(first->startNum);
  m_to.SetTime(last->stopTime);
  m_toNumber.SetValue(last->stopNum);
}

bool COXAxisPage::OnInitDialog() {
  SetDlgItemText(kAverageUnit, m_interval.GetMeasMode() == COMeasInterval::kByNumber ? "measurements" : "min");
  CPropertyPage::OnInitDialog();
  ShowModeFields(m_interval.GetMeasMode());
  FillSequences();
  if (m_applyAll) {
    m_sequences.setCurrentIndex(0);
    ApplySequence();
    m_applyAll = false;
  }
  return true;
}

void COXAxisPage::DoDataExchange(CDataExchange* dx) {
  if (dx->m_bSaveAndValidate) {
    const int mode = ChosenMode();
    if (mode == COMeasInterval::kByTime)
      m_averageTime.DDXValidate(dx, 1, 720);
    else
      m_averageCount.DDXValidate(dx);
    if (mode == COMeasInterval::kByTime) {
      m_from.DDXValidate(dx);
      m_to.DDXValidate(dx);
      if (m_to.GetTime() < m_from.GetTime()) {
        dx->PrepareEditCtrl(kFromDate);
        ShowMessage(IDS_PRESENTATION_LEGAL_INTERVAL);
        dx->Fail();
      }
    } else {
      m_fromNumber.DDXValidate(dx);
      m_toNumber.DDXValidate(dx);
      if (m_toNumber.GetValue() < m_fromNumber.GetValue()) {
        dx->PrepareEditCtrl(kFromNumber);
        ShowMessage(IDS_PRESENTATION_LEGAL_INTERVAL);
        dx->Fail();
      }
    }
    // Every entry is good: the interval takes them all at once.
    m_interval.SetMeasMode(static_cast<unsigned char>(mode));
    auto* average = qobject_cast<QCheckBox*>(GetDlgItem(kAverage));
    m_interval.SetMeasAvg(average != nullptr && average->isChecked() ? 1 : 0);
    m_interval.SetInterval(mode == COMeasInterval::kByNumber ? m_averageCount.GetValue()
                                                                     : m_averageTime.GetSeconds() / 60);
    const int from = m_fromNumber.GetValue();
    const int to = m_toNumber.GetValue();
    m_interval.MoveTo(m_to.GetTime(), to);
    m_interval.SetLength(to - from + 1);
    m_interval.SetStartTime(m_from.GetTime());
    m_interval.SetEndTime(m_to.GetTime());
    return;
  }
  int mode = m_interval.GetMeasMode() == COMeasInterval::kByNumber ? 1 : 0;
  DDX_Radio(dx, kTime, mode);
  int average = m_interval.GetMeasAvg() ? 1 : 0;
  DDX_Check(dx, kAverage, average);
  m_averageCount.SetValue(m_interval.GetInterval());
  m_averageTime.SetSeconds(m_interval.GetInterval() * 60);
  m_fromNumber.SetValue(m_interval.GetFirst());
  m_toNumber.SetValue(m_interval.GetLast());
  m_from.SetTime(m_interval.GetStartTime());
  m_to.SetTime(m_interval.GetEndTime());
}

}  // namespace presentation
