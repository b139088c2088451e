#include "MeasStartDialog.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COMeasObs.h"
#include "COSequence.h"
#include "DBUtil.h"
#include "OnlineStrings.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace {

// A radio group with a date and time edit beside its second button.
QGroupBox* TimeGroup(platform::CDialog& dlg, const char* title, int firstId, const char* first, int secondId,
                     const char* second, int ids[4], std::function<void(int, QWidget*)> add) {
  auto* box = new QGroupBox(title, &dlg);
  auto* grid = new QGridLayout(box);
  auto* group = new QButtonGroup(box);
  auto* a = new QRadioButton(first, box);
  auto* b = new QRadioButton(second, box);
  group->addButton(a, 0);
  group->addButton(b, 1);
  add(firstId, a);
  add(secondId, b);
  grid->addWidget(a, 0, 0);
  grid->addWidget(b, 1, 0);
  auto* date = new QLineEdit(box);
  auto* dateSpin = new platform::CSpinButtonCtrl(box);
  auto* time = new QLineEdit(box);
  auto* timeSpin = new platform::CSpinButtonCtrl(box);
  grid->addWidget(date, 1, 1);
  grid->addWidget(dateSpin, 1, 2);
  grid->addWidget(time, 1, 3);
  grid->addWidget(timeSpin, 1, 4);
  add(ids[0], date);
  add(ids[1], dateSpin);
  add(ids[2], time);
  add(ids[3], timeSpin);
  return box;
}

}  // namespace

CMeasStart::CMeasStart(ProgramContext& context, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_now([] { return platform::CTime::GetCurrentTime(); }) {
  setWindowTitle("Start Measurement Sequence");
  auto* layout = new QVBoxLayout(this);
  auto add = [this](int id, QWidget* w) { AddItem(id, w); };
  int startIds[4] = {kStartDate, kStartDateSpin, kStartTime, kStartTimeSpin};
  int stopIds[4] = {kStopDate, kStopDateSpin, kStopTime, kStopTimeSpin};
  layout->addWidget(TimeGroup(*this, "Start", kStartNow, "Now", kStartAt, "Start at:", startIds, add));
  layout->addWidget(TimeGroup(*this, "Stop", kStopNone, "None", kStopAt, "Stop at:", stopIds, add));
  layout->addWidget(new QLabel("Enter sequence description:", this));
  auto* description = new QLineEdit(this);
  AddItem(kDescription, description);
  layout->addWidget(description);

  AddOkCancel(layout);

  m_start.SubclassDlgItems(this, kStartDate, kStartDateSpin, kStartTime, kStartTimeSpin);
  m_stop.SubclassDlgItems(this, kStopDate, kStopDateSpin, kStopTime, kStopTimeSpin);
  for (QWidget* edit : {static_cast<QWidget*>(&m_start.GetDateEdit()), static_cast<QWidget*>(&m_start.GetTimeEdit()),
                        static_cast<QWidget*>(&m_stop.GetDateEdit()), static_cast<QWidget*>(&m_stop.GetTimeEdit())})
    edit->installEventFilter(this);
}

bool CMeasStart::OnInitDialog() {
  m_description = m_context.ActiveSequence().GetName();
  const platform::CTime now = m_now();
  m_start.SetTime(now);
  m_stop.SetTime(now + platform::CTimeSpan(3600));
  return platform::CDialog::OnInitDialog();
}

bool CMeasStart::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    const bool start = watched == &m_start.GetDateEdit() || watched == &m_start.GetTimeEdit();
    const bool stop = watched == &m_stop.GetDateEdit() || watched == &m_stop.GetTimeEdit();
    // Entering a time chooses it.
    if (start) static_cast<QRadioButton*>(GetDlgItem(kStartAt))->setChecked(true);
    if (stop) static_cast<QRadioButton*>(GetDlgItem(kStopAt))->setChecked(true);
  }
  return platform::CDialog::eventFilter(watched, event);
}

void CMeasStart::DoDataExchange(platform::CDataExchange* dx) {
  platform::DDX_Radio(dx, kStartNow, m_startMode);
  platform::DDX_Radio(dx, kStopNone, m_stopMode);
  if (m_startMode == 1) m_start.DDXValidate(dx);
  if (m_stopMode == 1) m_stop.DDXValidate(dx);
  platform::DDX_Text(dx, kDescription, m_description);
}

void CMeasStart::OnOK() {
  if (!UpdateData(true)) return;
  const platform::CTime now = m_now();
  const platform::CTime stop = m_stop.GetTime();
  platform::CTime start = m_start.GetTime();
  if (m_stopMode == 1) {
    const long ahead = static_cast<long>(stop.GetTime() - now.GetTime());
    if (ahead < kStopLead || ahead > kLatest) {
      ShowMessage(IDS_ONLINE_STOP_INVALID);
      return;
    }
  }
  if (m_startMode == 1) {
    const long ahead = static_cast<long>(start.GetTime() - now.GetTime());
    if (ahead < kStartLead || ahead > kLatest || (m_stopMode == 1 && !(start < stop))) {
      ShowMessage(IDS_ONLINE_START_INVALID);
      return;
    }
  } else {
    start = now;
  }
  m_context.ActiveSequence().SetName(m_description);
  EndDialog(platform::IDOK);
  m_context.MeasObs()->StartMeasurement(start, 1, m_stopMode == 1 ? stop : platform::CTime(), m_stopMode == 1);
}
