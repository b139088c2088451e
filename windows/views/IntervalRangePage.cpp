#include "IntervalRangePage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <climits>

#include "DBUtil.h"
#include "EditFields.h"
#include "StringIds.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

COIntervalRangePage::COIntervalRangePage(unsigned legalIntervalId, QWidget* parent)
    : platform::CPropertyPage(IDD, "Interval", parent), m_legalIntervalId(legalIntervalId), m_layout(new QVBoxLayout(this)) {
  auto* range = new QGroupBox("Interval", this);
  auto* grid = new QGridLayout(range);
  // In the order of the interval's modes.
  const auto modes = AddRadioGroup(range, {{kTime, "Time"}, {kNumber, "Measurement Number"}});
  grid->addWidget(modes[COMeasInterval::kByTime], 0, 1, 1, 2);
  grid->addWidget(modes[COMeasInterval::kByNumber], 0, 3);
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
      auto* spin = new platform::CSpinButtonCtrl(range);
      AddItem(ids[row][2 * k + 1], spin);
      pair->addWidget(edit);
      pair->addWidget(spin);
      grid->addLayout(pair, row + 1, 1 + k);
    }
  }
  grid->setColumnStretch(4, 1);
  m_layout->addWidget(range);

  auto* sequenceGroup = new QGroupBox("Measurement Sequence", this);
  auto* sl = new QHBoxLayout(sequenceGroup);
  sl->addWidget(&m_sequences, 1);
  AddItem(kSequence, &m_sequences);
  m_layout->addWidget(sequenceGroup);

  m_from.SubclassDlgItems(this, kFromDate, kFromDateSpin, kFromTime, kFromTimeSpin);
  m_to.SubclassDlgItems(this, kToDate, kToDateSpin, kToTime, kToTimeSpin);
  m_fromNumber.SubclassDlgItems(kFromNumber, kFromNumberSpin, this);
  m_toNumber.SubclassDlgItems(kToNumber, kToNumberSpin, this);
  m_fromNumber.SetRange(0, INT_MAX);
  m_toNumber.SetRange(0, INT_MAX);
  QObject::connect(&m_sequences, &QComboBox::activated, this, [this] { ApplySequence(); });
}

int COIntervalRangePage::ChosenMode() const {
  auto* number = qobject_cast<QRadioButton*>(GetDlgItem(kNumber));
  return number != nullptr && number->isChecked() ? COMeasInterval::kByNumber : COMeasInterval::kByTime;
}

void COIntervalRangePage::FillSequences() {
  m_stored.clear();
  m_sequences.clear();
  m_sequences.addItem("(All)");
  try {
    ReadSequences(m_stored);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  for (const StoredSequence& s : m_stored) m_sequences.addItem(QString::fromStdString(s.name));
  // The last row is the sequence still to come: it has measured nothing.
  if (m_sequences.count() > 1) m_sequences.removeItem(m_sequences.count() - 1);
  m_sequences.setCurrentIndex(m_sequences.count() - 1);
}

const COIntervalRangePage::StoredSequence* COIntervalRangePage::Find(int number) const {
  for (const StoredSequence& s : m_stored)
    if (s.number == number) return &s;
  return nullptr;
}

void COIntervalRangePage::ApplySequence() {
  const int k = m_sequences.currentIndex();
  if (k < 0) return;
  const StoredSequence* first = Find(k == 0 ? 1 : k);
  const StoredSequence* last = k == 0 ? Find(m_sequences.count() - 1) : first;
  if (first != nullptr) {
    m_from.SetTime(first->startTime);
    m_fromNumber.SetValue(first->startNum);
  }
  if (last != nullptr) {
    m_to.SetTime(last->stopTime);
    m_toNumber.SetValue(last->stopNum);
  }
}

bool COIntervalRangePage::OnInitDialog() {
  platform::CPropertyPage::OnInitDialog();
  FillSequences();
  if (m_applyAll) {
    m_sequences.setCurrentIndex(0);
    ApplySequence();
    m_applyAll = false;
  }
  return true;
}

namespace {

bool Reads(CODateTimeEdit& edit) {
  int y, mo, d, h, mi, s;
  return edit.GetDateEdit().GetDate(y, mo, d) != 0 && edit.GetTimeEdit().GetTime(h, mi, s) != 0;
}

bool Reads(const CONumEdit& edit) {
  int value = 0;
  return ReadIntField(edit.GetWindowText(), &value);
}

}  // namespace

void COIntervalRangePage::SaveRange(platform::CDataExchange* dx, COMeasInterval& interval) {
  if (!dx->m_bSaveAndValidate) return;
  const int mode = ChosenMode();
  const bool byNumber = mode == COMeasInterval::kByNumber;
  if (byNumber) {
    m_fromNumber.DDXValidate(dx);
    m_toNumber.DDXValidate(dx);
  } else {
    m_from.DDXValidate(dx);
    m_to.DDXValidate(dx);
  }
  if (byNumber ? m_fromNumber.GetValue() > m_toNumber.GetValue() : m_from.GetTime() > m_to.GetTime()) {
    dx->PrepareEditCtrl(byNumber ? kFromNumber : kFromDate);
    ShowMessage(m_legalIntervalId);
    dx->Fail();
  }
  // The other pair is kept as well, where it reads; else the interval's
  // stays.
  const bool numbers = byNumber || (Reads(m_fromNumber) && Reads(m_toNumber));
  const bool times = !byNumber || (Reads(m_from) && Reads(m_to));
  const int from = numbers ? m_fromNumber.GetValue() : interval.GetFirst();
  const int to = numbers ? m_toNumber.GetValue() : interval.GetLast();
  const platform::CTime start = times ? m_from.GetTime() : interval.GetStartTime();
  const platform::CTime end = times ? m_to.GetTime() : interval.GetEndTime();
  interval.SetMeasMode(static_cast<unsigned char>(mode));
  interval.MoveTo(end, to);
  interval.SetLength(to - from + 1);
  interval.SetStartTime(start);
  interval.SetEndTime(end);
}

void COIntervalRangePage::LoadRange(platform::CDataExchange* dx, const COMeasInterval& interval) {
  if (dx->m_bSaveAndValidate) return;
  int mode = interval.GetMeasMode() == COMeasInterval::kByNumber ? 1 : 0;
  platform::DDX_Radio(dx, kTime, mode);
  m_fromNumber.SetValue(interval.GetFirst());
  m_toNumber.SetValue(interval.GetLast());
  m_from.SetTime(interval.GetStartTime());
  m_to.SetTime(interval.GetEndTime());
}
