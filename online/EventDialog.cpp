#include "EventDialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "ProgramContext.h"
#include "TaskRecords.h"
#include "ViewBase.h"
#include "WindowLayer.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"

CEventDialog::CEventDialog(ProgramContext& context, COCursorStatus& cursors, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_cursors(cursors) {
  setWindowTitle("User Event");
  auto* layout = new QVBoxLayout(this);
  auto* group = new QButtonGroup(this);
  const std::pair<int, const char*> radios[] = {
      {kAtCursor, "At Cursor Position"}, {kPrevious, "Previous Measurement"}, {kNext, "Next Measurement"}};
  int index = 0;
  for (const auto& [id, text] : radios) {
    auto* radio = new QRadioButton(text, this);
    group->addButton(radio, index++);
    AddItem(id, radio);
    layout->addWidget(radio);
  }
  layout->addWidget(new QLabel("Text:", this));
  auto* text = new QLineEdit(this);
  text->setMinimumWidth(320);
  AddItem(kText, text);
  layout->addWidget(text);
  // The text follows the chosen measurement.
  connect(group, &QButtonGroup::idClicked, this, [this](int position) {
    m_position = position;
    const COMeas* meas = position == kPositionCursor     ? &m_cursors.GetLeftCursor()
                         : position == kPositionPrevious ? m_context.DBObs().GetLastMeas()
                                                         : nullptr;
    SetDlgItemText(kText, meas == nullptr ? std::string() : StoredComment(*meas));
  });

  AddOkCancel(layout);

  if (CursorUsable())
    m_position = kPositionCursor;
  else if (HasPrevious())
    m_position = kPositionPrevious;
  else
    m_position = kPositionNext;
}

CEventDialog::~CEventDialog() { m_context.GenSub().Detach(this); }

int CEventDialog::DoModal() {
  const int result = platform::CDialog::DoModal();
  if (CDocument* doc = m_context.Document()) doc->UpdateAllViews(nullptr, kHintReloadInterval);
  return result;
}

bool CEventDialog::CursorUsable() const {
  return m_cursors.IsCursorOn() && m_cursors.GetWindowData() != nullptr && m_cursors.GetLeftCursor().GetMeasNo() != 0 &&
         m_cursors.CursorsCoincide();
}

bool CEventDialog::HasPrevious() const {
  const COMeasObs* obs = m_context.MeasObs();
  return obs != nullptr && obs->HasLastMeas();
}

bool CEventDialog::ByNumber() const {
  const COMeasView* view = m_cursors.GetWindowData();
  return view != nullptr && view->GetInterval().GetMeasMode() == COMeasInterval::kByNumber;
}

std::string CEventDialog::Caption(const char* label, const COMeas& meas) const {
  if (ByNumber()) return std::string(label) + " (" + std::to_string(meas.GetMeasNo()) + ")";
  return std::string(label) + " (" + meas.GetMeasTime().Format("%y-%m-%d %X") + ")";
}

void CEventDialog::UpdateCaptions() {
  QWidget* previous = GetDlgItem(kPrevious);
  QWidget* cursor = GetDlgItem(kAtCursor);
  if (previous == nullptr || cursor == nullptr) return;
  previous->setEnabled(HasPrevious());
  if (HasPrevious()) SetDlgItemText(kPrevious, Caption("Previous Measurement", *m_context.DBObs().GetLastMeas()));
  cursor->setEnabled(CursorUsable());
  if (CursorUsable()) SetDlgItemText(kAtCursor, Caption("At Cursor Position", m_cursors.GetLeftCursor()));
}

void CEventDialog::Update(const CGenEvent&) { UpdateCaptions(); }

// The comment stored at the measurement's time, read afresh: the measurement
// in memory no longer carries the events that were written with it.
std::string CEventDialog::StoredComment(const COMeas& meas) const {
  try {
    CORecEvent events(m_context);
    events.m_strFilter = "[EventTime] = " + FormatOdbcTimestamp(meas.GetMeasTime()) + " AND [EventType] = 0";
    events.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    const std::string text = events.IsEOF() ? std::string() : events.m_EventText;
    events.Close();
    return text;
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    return std::string();
  }
}

bool CEventDialog::OnInitDialog() {
  if (m_position == kPositionCursor)
    m_text = StoredComment(m_cursors.GetLeftCursor());
  else if (m_position == kPositionPrevious)
    m_text = StoredComment(*m_context.DBObs().GetLastMeas());
  platform::CDialog::OnInitDialog();
  UpdateCaptions();
  m_context.GenSub().Attach(this);
  return true;
}

void CEventDialog::DoDataExchange(platform::CDataExchange* dx) {
  platform::DDX_Radio(dx, kAtCursor, m_position);
  platform::DDX_Text(dx, kText, m_text);
}

void CEventDialog::OnOK() {
  if (!UpdateData(true)) return;
  const COEvent comment(COEvent::typeComment, m_text, 0.0f);
  try {
    if (m_position == kPositionNext) {
      if (m_text.empty())
        m_context.DBObs().DropQueuedComments();
      else
        m_context.DBObs().QueueComment(comment);
    } else {
      // The chosen position may have gone meanwhile: a stopped cursor window.
      if (m_position == kPositionCursor ? !CursorUsable() : !HasPrevious()) return;
      COMeas meas = m_position == kPositionCursor ? m_cursors.GetLeftCursor() : *m_context.DBObs().GetLastMeas();
      CORecEvent events(m_context);
      if (m_text.empty())
        events.DeleteComment(meas);
      else
        events.SaveEvent(meas, comment);
      events.Close();
    }
  } catch (const platform::CException& e) {
    // The task is as it was; the dialog stays for another try or Cancel.
    ShowExceptionMessage(e);
    return;
  }
  EndDialog(platform::IDOK);
}
