#include "UserEventDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "TaskRecords.h"
#include "WindowLayer.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"

namespace presentation {

CEventDialog::CEventDialog(DataContext& context, COCursorStatus& cursors, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_cursors(cursors) {
  setWindowTitle("Insert User Event");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Event Text", this));
  auto* text = new QLineEdit(this);
  text->setMinimumWidth(320);
  AddItem(kText, text);
  layout->addWidget(text);
  AddOkCancel(layout);
}

bool CEventDialog::OnInitDialog() {
  m_text.clear();
  for (const COEvent& e : m_cursors.GetLeftCursor().GetEvents()) {
    if (e.GetType() == COEvent::typeComment) {
      m_text = e.GetText();
      break;
    }
  }
  return platform::CDialog::OnInitDialog();
}

void CEventDialog::DoDataExchange(platform::CDataExchange* dx) { platform::DDX_Text(dx, kText, m_text); }

void CEventDialog::OnOK() {
  if (!UpdateData(true)) return;
  COMeas& meas = m_cursors.GetLeftCursor();
  try {
    CORecEvent events(m_context);
    if (m_text.empty())
      events.DeleteComment(meas);
    else
      events.SaveEvent(meas, COEvent(COEvent::typeComment, m_text, 0.0f));
    events.CloseWithDatabase();
  } catch (const platform::CException& e) {
    // The task is as it was; the dialog stays for another try or Cancel.
    ReportException(IDS_DB_ERROR, e);
    return;
  }
  if (m_context.Setup().IsMeasDatabaseOpen() && m_context.Document() != nullptr)
    m_context.Document()->UpdateAllViews(nullptr, kHintReloadInterval);
  EndDialog(platform::IDOK);
}

int RunEventDialog(CEventDialog& dialog, DataContext& context) {
  const int result = dialog.DoModal();
  if (context.Setup().IsMeasDatabaseOpen() && context.Document() != nullptr)
    context.Document()->UpdateAllViews(nullptr, kHintReloadInterval);
  return result;
}

}  // namespace presentation
