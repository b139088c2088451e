#include "Dialogs.h"

#include <unistd.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <climits>

#include "DataSources.h"
#include "OstrelStrings.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace ostrel {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QPushButton* OstrelDialog::AddButton(QBoxLayout* layout, int id, const char* text, std::function<void()> action) {
  auto* button = new QPushButton(QString::fromUtf8(text), this);
  layout->addWidget(button);
  AddItem(id, button);
  connect(button, &QPushButton::clicked, this, std::move(action));
  return button;
}

void OstrelDialog::AddOkCancel(QBoxLayout* layout) {
  AddButton(layout, platform::IDOK, "OK", [this] { accept(); })->setDefault(true);
  AddButton(layout, platform::IDCANCEL, "Cancel", [this] { reject(); });
}

// --- task lists ---

TaskListDialog::TaskListDialog(int templateId, DataSources& sources, QWidget* parent)
    : OstrelDialog(templateId, parent), m_list(new QListWidget(this)), m_sources(sources) {
  AddItem(kList, m_list);
}

void TaskListDialog::FillList(int kind) {
  m_kind = kind;
  m_list->clear();
  m_serials.clear();
  try {
    for (const TaskEntry& t : m_sources.ReadTaskList(kind)) {
      auto* item = new QListWidgetItem(Q(t.description), m_list);
      item->setData(Qt::UserRole, Q(t.name));
      m_serials.push_back(t.serial);
    }
  } catch (const std::exception& e) {
    ReportDatabaseError(e);
  }
}

int TaskListDialog::SelectedRow() const {
  QListWidgetItem* item = m_list->currentItem();
  return item && item->isSelected() ? m_list->row(item) : -1;
}

// --- backup ---

BackupDialog::BackupDialog(DataSources& sources, QWidget* parent) : TaskListDialog(IDD, sources, parent) {
  setWindowTitle("Backup");
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  // A button's place in the group is the kind of what it backs up.
  const auto types = AddRadioGroup(
      this, {{kMeasRadio, "&Measurement Task"}, {kCaliRadio, "C&alibration Task"}, {kFilterRadio, "&Filter Info"}});
  for (QRadioButton* radio : types) left->addWidget(radio);
  connect(types.front()->group(), &QButtonGroup::idClicked, this, [this](int id) { OnType(id); });
  left->addWidget(m_list);
  layout->addLayout(left);
  auto* buttons = new QVBoxLayout();
  AddOkCancel(buttons);
  buttons->addStretch();
  layout->addLayout(buttons);
  connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

bool BackupDialog::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  static_cast<QRadioButton*>(GetDlgItem(kMeasRadio))->setChecked(true);
  m_type = dbfiles::kMeasTask;
  FillList(dbfiles::kMeasTask);
  return true;
}

void BackupDialog::OnType(int type) {
  const bool task = type == dbfiles::kMeasTask || type == dbfiles::kCaliTask;
  if (task && type != m_kind) FillList(type);
  m_list->setEnabled(task);
  m_type = type;
}

void BackupDialog::OnOK() {
  if (m_type == dbfiles::kSystem) {
    m_description = m_name = "SYSTEM";
    m_system = true;
    EndDialog(platform::IDOK);
    return;
  }
  const int row = SelectedRow();
  if (row < 0) return;
  m_description = m_list->item(row)->text().toStdString();
  m_name = m_list->item(row)->data(Qt::UserRole).toString().toStdString();
  m_serial = row < static_cast<int>(m_serials.size()) ? m_serials[static_cast<size_t>(row)] : std::string();
  m_system = false;
  EndDialog(platform::IDOK);
}

// --- delete ---

DeleteDialog::DeleteDialog(DataSources& sources, QWidget* parent) : TaskListDialog(IDD, sources, parent) {
  setWindowTitle("Delete");
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  // A button's place in the group is its kind.
  const auto kinds = AddRadioGroup(this, {{kMeasRadio, "&Measurement Task"}, {kCaliRadio, "C&alibration Task"}});
  for (QRadioButton* radio : kinds) left->addWidget(radio);
  connect(kinds.front()->group(), &QButtonGroup::idClicked, this, [this](int kind) {
    if (kind != m_kind) FillList(kind);
  });
  left->addWidget(m_list);
  layout->addLayout(left);
  auto* buttons = new QVBoxLayout();
  AddButton(buttons, platform::IDOK, "&OK", [this] { accept(); });
  AddButton(buttons, kClose, "&Close", [this] {
    m_list->clear();
    m_serials.clear();
    EndDialog(platform::IDCANCEL);
  });
  buttons->addStretch();
  layout->addLayout(buttons);
}

bool DeleteDialog::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  static_cast<QRadioButton*>(GetDlgItem(kMeasRadio))->setChecked(true);
  FillList(dbfiles::kMeasTask);
  return true;
}

void DeleteDialog::OnOK() {
  const int row = SelectedRow();
  if (row < 0) return;
  const std::string description = m_list->item(row)->text().toStdString();
  if (platform::MessageBox(platform::LoadString(IDS_CONFIRM_DELETE) + description,
                           platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
    return;
  platform::WaitCursor wait;
  m_sources.DeleteTask(description, m_kind);
  FillList(m_kind);
}

// --- new name ---

NewNameDialog::NewNameDialog(QWidget* parent) : OstrelDialog(IDD, parent) {
  setWindowTitle("Restore");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Enter task description ", this));
  auto* edit = new QLineEdit(this);
  edit->setMinimumWidth(260);
  AddItem(kEdit, edit);
  layout->addWidget(edit);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  AddOkCancel(buttons);
  layout->addLayout(buttons);
}

void NewNameDialog::DoDataExchange(platform::CDataExchange* dx) {
  dx->PrepareEditCtrl(kEdit);
  platform::DDX_Text(dx, kEdit, m_description);
  if (dx->m_bSaveAndValidate && m_description.empty()) {
    platform::MessageBox(platform::LoadString(IDS_TYPE_A_STRING));
    dx->Fail();
  }
}

// --- directory ---

DirSelect::DirSelect(QWidget* parent) : OstrelDialog(IDD, parent) {
  setWindowTitle("Select drive/path");
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(this);
  prompt->setWordWrap(true);
  AddItem(kPrompt, prompt);
  layout->addWidget(prompt);
  auto* drives = new QComboBox(this);
  drives->setEditable(true);
  drives->setMinimumWidth(300);
  AddItem(kDrives, drives);
  layout->addWidget(drives);
  AddButton(layout, kManual, "Select Directory Manually", [this, drives] {
    QString dir = QFileDialog::getExistingDirectory(this, "Title of dialog", drives->currentText());
    if (dir.isEmpty()) return;
    drives->insertItem(0, dir);
    drives->setCurrentIndex(0);
  });
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  AddOkCancel(buttons);
  layout->addLayout(buttons);
  SetDlgItemText(kPrompt, platform::LoadString(IDS_NEXT_DISK_PROMPT));
}

bool DirSelect::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  auto* drives = static_cast<QComboBox*>(GetDlgItem(kDrives));
  drives->clear();
  if (!m_directory.empty()) drives->addItem(Q(m_directory));
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady()) drives->addItem(volume.rootPath());
  drives->setCurrentIndex(0);
  if (!m_prompt.empty()) SetDlgItemText(kPrompt, m_prompt);
  return true;
}

void DirSelect::OnOK() {
  std::string dir = static_cast<QComboBox*>(GetDlgItem(kDrives))->currentText().toStdString();
  if (dir.empty() || dir.back() != '/') dir += '/';
  // A directory is good when it can be made the current one; the current
  // directory stays what it was.
  char previous[PATH_MAX];
  const bool hadPrevious = ::getcwd(previous, sizeof previous) != nullptr;
  const bool ok = ::chdir(dir.c_str()) == 0;
  if (ok && hadPrevious) [[maybe_unused]] int back = ::chdir(previous);
  if (!ok) {
    platform::MessageBox(platform::Format(platform::LoadString(IDS_DIRECTORY_INVALID).c_str(), dir.c_str()));
    return;
  }
  m_directory = dir;
  EndDialog(platform::IDOK);
}

bool DirSelectChooser::Choose(const std::string& prompt, const std::string& preset, std::string* dir) {
  DirSelect dlg(m_parent);
  dlg.m_prompt = prompt;
  dlg.m_directory = preset;
  if (dlg.DoModal() != platform::IDOK) return false;
  *dir = dlg.m_directory;
  return true;
}

// --- progress ---

FullBackupDialog::FullBackupDialog(QWidget* parent) : OstrelDialog(IDD, parent) {
  setWindowTitle("Progress");
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel("Full backup", this);
  AddItem(kText, text);
  layout->addWidget(text);
  m_bar = new QProgressBar(this);
  m_bar->setMinimumWidth(300);
  AddItem(kBar, m_bar);
  layout->addWidget(m_bar);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  AddButton(buttons, platform::IDCANCEL, "Cancel", [this] { reject(); });
  buttons->addStretch();
  layout->addLayout(buttons);
}

void FullBackupDialog::SetRange(int low, int high) {
  m_bar->setRange(low, high);
  m_bar->setValue(low);
}

void FullBackupDialog::StepIt() { m_bar->setValue(std::min(m_bar->value() + 1, m_bar->maximum())); }

}  // namespace ostrel
