#include "CaliIntervalPage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <climits>

#include "COCaliSequence.h"
#include "CalibrationStrings.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "StringIds.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace calibration {

COXAxisPage::COXAxisPage(DataContext& context, COMeasInterval* interval, QWidget* parent)
    : CPropertyPage(IDD, "Interval", parent), m_context(context), m_interval(interval) {
  auto* layout = new QVBoxLayout(this);
  auto* range = new QGroupBox("Interval", this);
  auto* grid = new QGridLayout(range);
  auto* radios = new QButtonGroup(this);
  auto* time = new QRadioButton("Time", range);
  auto* number = new QRadioButton("Measurement Number", range);
  radios->addButton(time, COMeasInterval::kByTime);
  radios->addButton(number, COMeasInterval::kByNumber);
  AddItem(kTime, time);
  AddItem(kNumber, number);
  grid->addWidget(time, 0, 1, 1, 2);
  grid->addWidget(number, 0, 3);
  // One row each for From and To: date and time, then the number.
  const int ids[2][6] = {{kFromDate, kFromDateSpin, kFromTime, kFromTimeSpin, kFromNumber, kFromNumberSpin},
                         {kToDate, kToDateSpin, kToTime, kToTimeSpin, kToNumber, kToNumberSpin}};
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(new QLabel(row == 0 ? "From:" : "To:", range), row + 1, 0);
    for (int k = 0; k < 3; ++k) {
      auto* pair = new QHBoxLayout;
      pair->setSpacing(0);
      auto* edit = new QLineEdit(range);
      edit->setFixedWidth(k == 2 ? 80 : 76);
      AddItem(ids[row][2 * k], edit);
      auto* spin = new CSpinButtonCtrl(range);
      AddItem(ids[row][2 * k + 1], spin);
      pair->addWidget(edit);
      pair->addWidget(spin);
      grid->addLayout(pair, row + 1, 1 + k);
    }
  }
  grid->setColumnStretch(4, 1);
  layout->addWidget(range);

  auto* sequenceGroup = new QGroupBox("Measurement Sequence", this);
  auto* sl = new QHBoxLayout(sequenceGroup);
  sl->addWidget(&m_sequences, 1);
  AddItem(kSequence, &m_sequences);
  layout->addWidget(sequenceGroup);
  layout->addStretch();

  m_from.SubclassDlgItems(this, kFromDate, kFromDateSpin, kFromTime, kFromTimeSpin);
  m_to.SubclassDlgItems(this, kToDate, kToDateSpin, kToTime, kToTimeSpin);
  m_fromNumber.SubclassDlgItems(kFromNumber, kFromNumberSpin, this);
  m_toNumber.SubclassDlgItems(kToNumber, kToNumberSpin, this);
  m_fromNumber.SetRange(0, INT_MAX);
  m_toNumber.SetRange(0, INT_MAX);
  QObject::connect(&m_sequences, &QComboBox::activated, this, [this] { ApplySequence(); });
}

int COXAxisPage::ChosenMode() const {
  auto* number = qobject_cast<QRadioButton*>(GetDlgItem(kNumber));
  return number != nullptr && number->isChecked() ? COMeasInterval::kByNumber : COMeasInterval::kByTime;
}

void COXAxisPage::FillSequences() {
  m_stored.clear();
  m_sequences.clear();
  m_sequences.addItem("(All)");
  try {
    COCaliSequence row(m_context, [] { return false; });
    CORecCaliSequence rs(m_context);
    rs.SetTarget(&row);
    rs.Open(CRecordset::snapshot, std::string(), CRecordset::readOnly);
    for (; !rs.IsEOF(); rs.MoveNext()) {
      m_stored.push_back({row.Name, row.StartTime, row.StopTime, row.StartNum, row.StopNum});
      m_sequences.addItem(QString::fromStdString(row.Name));
    }
    rs.CloseWithDatabase();
  } catch (const CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  // The last row is the sequence still to come: it has measured nothing.
  if (m_sequences.count() > 1) m_sequences.removeItem(m_sequences.count() - 1);
  m_sequences.setCurrentIndex(m_sequences.count() - 1);
}

void COXAxisPage::ApplySequence() {
  const int k = m_sequences.currentIndex();
  if (k < 0) return;
  // Row n of the task, from 1; a row that is not there changes nothing.
  auto row = [this](int n) { return n >= 1 && n <= static_cast<int>(m_stored.size()) ? &m_stored[n - 1] : nullptr; };
  const StoredSequence* first = row(k == 0 ? 1 : k);
  const StoredSequence* last = k == 0 ? row(m_sequences.count() - 1) : first;
  if (first != nullptr) {
    m_from.SetTime(first->startTime);
    m_fromNumber.SetValue(first->startNum);
  }
  if (last != nullptr) {
    m_to.SetTime(last->stopTime);
    m_toNumber.SetValue(last->stopNum);
  }
}

bool COXAxisPage::OnInitDialog() {
  m_loaded = true;
  FillSequences();
  CPropertyPage::OnInitDialog();
  if (m_applyAll) {
    m_sequences.setCurrentIndex(0);
    ApplySequence();
    m_applyAll = false;
  }
  return true;
}

void COXAxisPage::EnsureInitialised() {
  if (!m_loaded) OnInitDialog();
}

void COXAxisPage::showEvent(QShowEvent* event) {
  // A property sheet loads its pages itself.
  if (GetSheet() == nullptr) {
    EnsureInitialised();
    QDialog::showEvent(event);
    return;
  }
  CPropertyPage::showEvent(event);
}

bool COXAxisPage::Save() {
  EnsureInitialised();
  return UpdateData(true);
}

void COXAxisPage::DoDataExchange(CDataExchange* dx) {
  if (m_interval == nullptr) return;
  COMeasInterval& in = *m_interval;
  if (dx->m_bSaveAndValidate) {
    const int mode = ChosenMode();
    m_from.DDXValidate(dx);
    m_to.DDXValidate(dx);
    m_fromNumber.DDXValidate(dx);
    m_toNumber.DDXValidate(dx);
    const int from = m_fromNumber.GetValue();
    const int to = m_toNumber.GetValue();
    const bool backwards = mode == COMeasInterval::kByNumber ? from > to : m_from.GetTime() > m_to.GetTime();
    if (backwards) {
      dx->PrepareEditCtrl(mode == COMeasInterval::kByNumber ? kFromNumber : kFromDate);
      ShowMessage(IDS_CALI_LEGAL_INTERVAL);
      dx->Fail();
    }
    // Both pairs are kept; the mode says which one is the range.
    in.SetMeasMode(static_cast<unsigned char>(mode));
    in.MoveTo(m_to.GetTime(), to);
    in.SetLength(to - from + 1);
    in.SetStartTime(m_from.GetTime());
    in.SetEndTime(m_to.GetTime());
    return;
  }
  int mode = in.GetMeasMode() == COMeasInterval::kByNumber ? 1 : 0;
  DDX_Radio(dx, kTime, mode);
  m_fromNumber.SetValue(in.GetFirst());
  m_toNumber.SetValue(in.GetLast());
  m_from.SetTime(in.GetStartTime());
  m_to.SetTime(in.GetEndTime());
}

}  // namespace calibration
