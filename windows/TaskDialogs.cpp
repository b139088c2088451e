#include "TaskDialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "FilterData.h"
#include "ListBox.h"
#include "StringIds.h"
#include "core/MessageSink.h"

namespace {

// The task list filled into a sorted list widget: each row keeps its task's
// name, and the caller's serials stay in the rows' order.
class TaskList : public IListBox {
 public:
  explicit TaskList(QListWidget* list) : m_list(list) {}
  void ResetContent() override { m_list->clear(); }
  int AddString(const std::string& text) override {
    auto* item = new QListWidgetItem(QString::fromStdString(text));
    // Sorted as it is added, so that the returned row is the entry's.
    int row = 0;
    while (row < m_list->count() && m_list->item(row)->text() < item->text()) ++row;
    m_list->insertItem(row, item);
    return row;
  }
  void SetItemData(int index, long data) override { m_list->item(index)->setData(Qt::UserRole + 1, qlonglong(data)); }
  void SetItemString(int index, const std::string& data) override {
    m_list->item(index)->setData(Qt::UserRole, QString::fromStdString(data));
  }

 private:
  QListWidget* m_list;
};

QLabel* SerialLabel(platform::CDialog& dlg, QGridLayout* grid, int row) {
  grid->addWidget(new QLabel("Gas Monitor Serial:", &dlg), row, 0);
  auto* serial = new QLabel(&dlg);
  serial->setMinimumWidth(120);
  grid->addWidget(serial, row, 1);
  return serial;
}

}  // namespace

void FillTaskList(DataContext& context, QListWidget* list, std::vector<std::string>& serials) {
  TaskList rows(list);
  context.Setup().FillDatabaseList(rows, serials);
}

std::string TaskNameOf(const QListWidgetItem* item) {
  return item == nullptr ? std::string() : item->data(Qt::UserRole).toString().toStdString();
}

// --- new task ---

CNewDatabase::CNewDatabase(DataContext& context, QWidget* parent) : platform::CDialog(IDD, parent), m_context(context) {
  setWindowTitle(context.Profile().calibrationTasks ? "New Calibration Task" : "New Measurement Task");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  grid->addWidget(new QLabel("Enter description:", this), 0, 0);
  auto* description = new QLineEdit(this);
  description->setMinimumWidth(320);
  AddItem(kDescription, description);
  grid->addWidget(description, 0, 1);
  AddItem(kSerial, SerialLabel(*this, grid, 1));
  layout->addLayout(grid);
  AddOkCancel(layout);
}

bool CNewDatabase::OnInitDialog() {
  SetDlgItemText(kSerial, m_context.GetMonitorSetup().m_serial.ToString());
  return platform::CDialog::OnInitDialog();
}

void CNewDatabase::OnOK() {
  m_description = GetDlgItemText(kDescription);
  if (m_description.empty()) {
    ShowMessage(IDS_ENTER_STRING);
    return;
  }
  if (m_description.size() > kMaxDescription) {
    ShowMessage(IDS_STRING_TOO_LONG);
    return;
  }
  try {
    if (m_context.Setup().IsDescriptionInList(m_description)) {
      ShowMessage(IDS_TASK_EXISTS);
      return;
    }
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    return;
  }
  EndDialog(platform::IDOK);
}

// --- open task ---

COpenDatabase::COpenDatabase(DataContext& context, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_list(new QListWidget(this)) {
  setWindowTitle(context.Profile().calibrationTasks ? "Open Calibration Task" : "Open Measurement Task");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("&Select task:", this);
  // The mnemonic takes the user to the list (and is not shown as an '&').
  label->setBuddy(m_list);
  layout->addWidget(label);
  m_list->setMinimumSize(360, 200);
  AddItem(kList, m_list);
  layout->addWidget(m_list);
  auto* grid = new QGridLayout();
  AddItem(kSerial, SerialLabel(*this, grid, 0));
  layout->addLayout(grid);
  AddOkCancel(layout);
  connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(m_serials.size())) SetDlgItemText(kSerial, m_serials[static_cast<size_t>(row)]);
  });
  connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

bool COpenDatabase::OnInitDialog() {
  if (!m_context.Profile().storedOnly)
    SetDlgItemText(kSerial, m_context.GetMonitorSetup().m_serial.ToString());
  try {
    FillTaskList(m_context, m_list, m_serials);
  } catch (const platform::CException& e) {
    // The dialog opens on what was read; Cancel leaves everything as it was.
    ShowExceptionMessage(e);
  }
  return platform::CDialog::OnInitDialog();
}

void COpenDatabase::OnOK() {
  const int row = m_list->currentRow();
  if (row < 0 || m_list->currentItem() == nullptr || !m_list->currentItem()->isSelected()) {
    ShowMessage(IDS_SELECT_ITEM);
    return;
  }
  m_selectedDescription = m_list->item(row)->text().toStdString();
  m_selectedName = TaskNameOf(m_list->item(row));
  m_selectedSerial = row < static_cast<int>(m_serials.size()) ? m_serials[static_cast<size_t>(row)] : std::string();
  EndDialog(platform::IDOK);
}
