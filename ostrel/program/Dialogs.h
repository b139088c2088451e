#pragma once
// The dialogs of the Database administration program.
#include <string>
#include <vector>

#include "DBFiles.h"
#include "SpaceControl.h"
#include "ui/Dialog.h"

#include <functional>

class QBoxLayout;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace ostrel {

class DataSources;

// What the program's dialogs share: buttons reachable by their ids.
class OstrelDialog : public platform::CDialog {
 public:
  using platform::CDialog::CDialog;

 protected:
  QPushButton* AddButton(QBoxLayout* layout, int id, const char* text, std::function<void()> action);
  // OK (the default button) and Cancel.
  void AddOkCancel(QBoxLayout* layout);
};

// A list of the tasks of one kind: descriptions as text, database names as
// the rows' data, serials parallel to the rows.
class TaskListDialog : public OstrelDialog {
 public:
  enum { kMeasRadio = 1020, kCaliRadio = 1021, kList = 1019 };
  TaskListDialog(int templateId, DataSources& sources, QWidget* parent);

  int Kind() const { return m_kind; }
  // Lists the tasks of the kind (even when it is the kind shown).
  void FillList(int kind);
  int SelectedRow() const;

 protected:
  QListWidget* m_list;
  DataSources& m_sources;
  int m_kind = 0;
  std::vector<std::string> m_serials;
};

class BackupDialog : public TaskListDialog {
 public:
  enum { IDD = 103, kFilterRadio = 1022 };
  BackupDialog(DataSources& sources, QWidget* parent = nullptr);

  std::string m_description;
  std::string m_name;
  std::string m_serial;
  int m_type = dbfiles::kMeasTask;  // a task's kind, or kSystem for the filter info
  bool m_system = false;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void OnType(int type);
};

class DeleteDialog : public TaskListDialog {
 public:
  enum { IDD = 132, kClose = 1003 };
  DeleteDialog(DataSources& sources, QWidget* parent = nullptr);

 protected:
  bool OnInitDialog() override;
  // Deletes the selected task after asking; the dialog stays open.
  void OnOK() override;
};

class NewNameDialog : public OstrelDialog {
 public:
  enum { IDD = 136, kEdit = 1010 };
  explicit NewNameDialog(QWidget* parent = nullptr);
  std::string m_description;

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;
};

class DirSelect : public OstrelDialog {
 public:
  enum { IDD = 133, kDrives = 1000, kPrompt = 1002, kManual = 1013 };
  explicit DirSelect(QWidget* parent = nullptr);
  std::string m_directory;  // preset, and the choice on OK
  std::string m_prompt;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
};

// The disk prompts of the backup volumes, through DirSelect.
class DirSelectChooser : public IDirChooser {
 public:
  explicit DirSelectChooser(QWidget* parent = nullptr) : m_parent(parent) {}
  bool Choose(const std::string& prompt, const std::string& preset, std::string* dir) override;

 private:
  QWidget* m_parent;
};

// The modeless progress of a full backup.
class FullBackupDialog : public OstrelDialog {
 public:
  enum { IDD = 159, kBar = 1124, kText = 1125 };
  explicit FullBackupDialog(QWidget* parent = nullptr);
  void SetRange(int low, int high);
  void StepIt();
  bool IsCancelled() const { return m_cancelled; }

 protected:
  void OnCancel() override { m_cancelled = true; }

 private:
  QProgressBar* m_bar;
  bool m_cancelled = false;
};

}  // namespace ostrel
