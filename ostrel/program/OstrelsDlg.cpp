#include "OstrelsDlg.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "AboutDlg.h"
#include "Backup.h"
#include "BackupFile.h"
#include "DataSources.h"
#include "DBFiles.h"
#include "Dialogs.h"
#include "OstrelStrings.h"
#include "SpaceControl.h"
#include "TaskRestore.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "db/DataSource.h"
#include "db/FileClaim.h"

namespace ostrel {
namespace {

const char kSystemName[] = "SYSTEM";

}  // namespace

COstrelsDlg::COstrelsDlg(DataSources& sources, QWidget* parent) : platform::CDialog(IDD, parent), m_sources(sources) {
  setWindowTitle("Database Administration");
  auto* layout = new QVBoxLayout(this);
  struct Button {
    int id;
    const char* text;
    const char* tip;
    void (COstrelsDlg::*command)();
  };
  const Button buttons[] = {
      {kBackup, "&Backup", "Backup a task or filter info", &COstrelsDlg::OnBackup},
      {kRestore, "&Restore", "Restore a task or filter info", &COstrelsDlg::OnRestore},
      {kDelete, "&Delete", "Delete an existing task", &COstrelsDlg::OnDelete},
      {kFullBackup, "&Full backup", "Backup filter info and all tasks", &COstrelsDlg::OnFullBackup},
  };
  for (const Button& b : buttons) {
    auto* button = new QPushButton(b.text, this);
    button->setToolTip(b.tip);
    button->setMinimumWidth(160);
    AddItem(b.id, button);
    layout->addWidget(button);
    auto command = b.command;
    connect(button, &QPushButton::clicked, this, [this, command] { (this->*command)(); });
  }
  layout->addSpacing(12);
  auto* close = new QPushButton("&Close", this);
  AddItem(kClose, close);
  layout->addWidget(close);
  connect(close, &QPushButton::clicked, this, [this] { EndDialog(platform::IDOK); });
  // Where the window's system menu held it.
  auto* about = new QAction(QString::fromStdString(platform::LoadString(IDS_ABOUTBOX)), this);
  connect(about, &QAction::triggered, this, [this] { OnAbout(); });
  addAction(about);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
  // Wide enough for the window manager to show the whole title beside its
  // icon and buttons: title bars use a bold, often larger font.
  QFont title = font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.2);
  setMinimumWidth(QFontMetrics(title).horizontalAdvance(windowTitle()) + kTitleBarExtras);
}

void COstrelsDlg::OnAbout() {
  CAboutDlg about(this);
  about.SetAppName("Database Administration");
  about.SetAppVersion("v. 0.8");
  about.DoModal();
}

void COstrelsDlg::Run(void (COstrelsDlg::*command)()) {
  try {
    (this->*command)();
  } catch (const std::exception& e) {
    ReportDatabaseError(e);
  }
}

void COstrelsDlg::OnBackup() { Run(&COstrelsDlg::Backup); }
void COstrelsDlg::OnRestore() { Run(&COstrelsDlg::Restore); }
void COstrelsDlg::OnFullBackup() { Run(&COstrelsDlg::FullBackup); }

void COstrelsDlg::OnDelete() {
  DeleteDialog dlg(m_sources, this);
  dlg.DoModal();
}

void COstrelsDlg::Backup() {
  SpaceControl::Global().Reset();
  BackupDialog dlg(m_sources, this);
  if (dlg.DoModal() != platform::IDOK) return;
  if (dlg.m_type == 2) {
    if (SystemBackup(kSystemName, kSystemName)) SayBackupDone(platform::LoadString(IDS_THE_FILTER_INFO));
  } else if (TaskBackup(dlg.m_description, dlg.m_name, dlg.m_type, dlg.m_serial)) {
    SayBackupDone(dlg.m_description);
  }
}

void COstrelsDlg::SayBackupDone(const std::string& description) const {
  const std::string text =
      m_lastVolumes > 1
          ? platform::Format(platform::LoadString(IDS_BACKUP_DONE_VOLUMES).c_str(), description.c_str(),
                             m_lastPath.c_str(), m_lastVolumes - 1)
          : platform::Format(platform::LoadString(IDS_BACKUP_DONE).c_str(), description.c_str(), m_lastPath.c_str());
  platform::MessageBox(text, platform::MB_OK | platform::MB_ICONINFORMATION);
}

bool COstrelsDlg::WriteBackup(const std::string& fileName, const CBackupHeader& header,
                              const std::function<bool(CBackupFile&)>& tables) {
  m_lastPath.clear();
  m_lastVolumes = 0;
  CBackupFile file;
  if (!file.OpenWrite(fileName)) return false;
  const std::string first = (std::filesystem::path(file.GetDirectory()) / fileName).string();
  const bool ok = file.WriteHeader(header) && tables(file);
  const int volumes = file.GetVolume();
  if (!file.Close() || !ok) return false;
  m_lastPath = first;
  m_lastVolumes = volumes;
  return true;
}

bool COstrelsDlg::SystemBackup(const std::string& description, const std::string& name) {
  m_sources.SetCurrentName(name);
  return WriteBackup(SafeFileName(description) + ".SYB", {name, kTypeSystem, kBackupVersion, description, "1"},
                     [](CBackupFile& file) { return CSysBackup(file, kSystemName).Backup(); });
}

bool COstrelsDlg::TaskBackup(const std::string& description, const std::string& name, int kind,
                             const std::string& serial) {
  if (!m_sources.DatabaseFileExists(name)) {
    platform::MessageBox(platform::LoadString(IDS_NO_VALID_DATABASE));
    return false;
  }
  if (kind != dbfiles::kMeasTask && kind != dbfiles::kCaliTask) {
    platform::MessageBox(platform::LoadString(IDS_UNHANDLED_TASK_TYPE));
    return false;
  }
  // Opening a file for the backup would already write into it (its journal
  // mode): a file that is no task database is looked at read-only first.
  const std::string file = m_sources.DataFile(name);
  if (const std::string wrong = platform::db::CheckDatabaseFile(file, dbfiles::TaskChecks()); !wrong.empty()) {
    platform::MessageBox(platform::Format(platform::LoadString(IDS_NOT_A_TASK_DATABASE).c_str(), description.c_str(),
                                          file.c_str(), wrong.c_str()));
    return false;
  }
  m_sources.Register(kind, name);
  return WriteBackup(SafeFileName(description) + (kind == dbfiles::kCaliTask ? ".CAL" : ".MEA"),
                     {name, kind == dbfiles::kCaliTask ? kTypeMeasCali : kTypeMeas, kBackupVersion, description, serial},
                     [&name](CBackupFile& file) { return CBackup(file, name).Backup(); });
}

void COstrelsDlg::FullBackup() {
  SpaceControl::Global().Reset();
  struct Task {
    TaskEntry entry;
    int kind;
  };
  std::vector<Task> tasks;
  for (int kind : {static_cast<int>(dbfiles::kCaliTask), static_cast<int>(dbfiles::kMeasTask)})
    for (TaskEntry& t : m_sources.ReadTaskList(kind)) tasks.push_back({std::move(t), kind});

  auto progress = std::make_unique<FullBackupDialog>(this);
  progress->SetRange(0, static_cast<int>(tasks.size()) + 1);
  progress->show();
  if (!SystemBackup(kSystemName, kSystemName)) {
    progress->close();
    return;
  }
  const std::string folder = std::filesystem::path(m_lastPath).parent_path().string();
  progress->StepIt();
  int saved = 0;
  bool cancelled = false;
  for (const Task& t : tasks) {
    QApplication::processEvents();
    if ((cancelled = progress->IsCancelled())) break;
    // A task that could not be backed up has been reported; the others still go.
    if (TaskBackup(t.entry.description, t.entry.name, t.kind, t.entry.serial)) ++saved;
    progress->StepIt();
  }
  progress->close();
  platform::MessageBox(platform::Format(platform::LoadString(cancelled ? IDS_FULL_BACKUP_CANCELLED : IDS_FULL_BACKUP_DONE)
                                            .c_str(),
                                        saved, static_cast<int>(tasks.size()), folder.c_str()),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
}

void COstrelsDlg::Restore() {
  std::string path;
  if (m_chooseFile) {
    path = m_chooseFile();
  } else {
    path = QFileDialog::getOpenFileName(this, "Select backupfile", QString(),
                                        "Backup files (*.mea *.cal *.syb *.MEA *.CAL *.SYB)")
               .toStdString();
  }
  if (path.empty()) return;
  CBackupFile file;
  if (!file.OpenRead(path)) return;
  CBackupHeader header;
  if (!file.ReadHeader(&header)) return;
  m_sources.SetCurrentName(header.dbName);
  const int kind = header.Kind();
  const std::string fileName = std::filesystem::path(path).filename().string();
  if (kind == dbfiles::kSystem) {
    // Not under a program that has the system database open: it would go
    // on with the filter banks it read, or write them back over the restored
    // ones.
    const auto claim = m_sources.ClaimTask(kSystemName, kSystemName, IDS_FILTER_INFO_IN_USE);
    if (!claim) {
      file.Close();
      return;
    }
    const bool ok = CSysBackup(file, kSystemName).Restore();
    file.Close();
    if (ok)
      platform::MessageBox(platform::Format(platform::LoadString(IDS_SYSRESTORE_DONE).c_str(), fileName.c_str()),
                           platform::MB_OK | platform::MB_ICONINFORMATION);
    return;
  }

  std::string description = header.remark;
  TaskRestore restore(m_sources, kind);
  for (;;) {
    NewNameDialog dlg(this);
    dlg.m_description = description;
    if (dlg.DoModal() != platform::IDOK) {
      file.Close();
      return;
    }
    description = dlg.m_description;
    const std::vector<std::string> replaced = m_sources.TaskNames(description, kind);
    if (!replaced.empty() &&
        platform::MessageBox(description + platform::LoadString(IDS_TASK_EXISTS),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
      continue;
    // A task in use is refused, and the person may give another description.
    if (restore.Begin(description, replaced)) break;
  }
  // The backup goes into a database of its own; the task list shows it in
  // place of the tasks it replaces only once the restore has succeeded, so a
  // failed or interrupted restore leaves them as they were.
  const bool ok = restore.Run(file, description, header.serial);
  file.Close();
  if (!ok) return;
  platform::MessageBox(platform::Format(platform::LoadString(IDS_RESTORE_DONE).c_str(), fileName.c_str(),
                                        description.c_str()),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
}

}  // namespace ostrel
