#include "DefaultDialog.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "TaskRecords.h"
#include "core/MessageSink.h"
#include "db/Database.h"
#include "ui/DataExchange.h"

CDefault::CDefault(DataContext& context, COSequence* settings, std::function<bool()> validate, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_settings(settings), m_validate(std::move(validate)) {
  setWindowTitle("Default");
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Default Values", this);
  auto* gl = new QVBoxLayout(group);
  for (QRadioButton* radio :
       AddRadioGroup(group, {{kUseCurrent, "Use current settings as default"}, {kLoadDefaults, "Load default values"}}))
    gl->addWidget(radio);
  layout->addWidget(group);
  AddOkCancel(layout);
}

void CDefault::DoDataExchange(platform::CDataExchange* dx) { platform::DDX_Radio(dx, kUseCurrent, m_choice); }

void CDefault::OnOK() {
  if (!UpdateData(true)) return;
  // Only checked settings may reach the prototype.
  if (m_choice == kStoreAsDefault && m_validate && !m_validate()) return;
  try {
    ExchangeDefaults(m_choice);
  } catch (const platform::CException& e) {
    // The settings and the prototype stay as they were.
    ShowExceptionMessage(e);
    return;
  }
  EndDialog(platform::IDOK);
}

void CDefault::ExchangeDefaults(int choice) {
  m_context.Setup().ConfigDataSource(dbfiles::kMeasPrototype);
  COSequence defaults(m_context);
  CORecSequence record(m_context);
  record.SetTarget(&defaults, 1);
  ExchangeRow(
      record, choice, "The prototype holds no sequence settings", [&] { defaults.CopySampling(*m_settings); },
      [&] { m_settings->CopySampling(defaults); });
}

void CDefault::ExchangeRow(CORecBase& record, int choice, const char* noRow, const std::function<void()>& intoRow,
                           const std::function<void()>& fromRow) {
  record.Open();
  if (record.IsEOF()) throw platform::CDBException(-1, noRow);
  if (choice == kStoreAsDefault) {
    record.Edit();
    intoRow();
    record.Update();
  }
  record.CloseWithDatabase();
  if (choice == kLoadDefault) fromRow();
}
