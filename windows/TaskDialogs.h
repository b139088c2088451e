#pragma once
// Naming a new measurement task and choosing a stored one. Both show the
// connected monitor's serial number; the choice lists the task list of the
// system database (only the connected monitor's tasks unless the program
// works offline).
#include <string>
#include <vector>

#include "ui/Dialog.h"

class DataContext;
class QListWidget;
class QListWidgetItem;

// Fills the list with the tasks of the system database's task list (the
// connected monitor's only, unless the program works offline), sorted by
// description, each row with its task's name; the serials in the rows'
// order. Database errors pass to the caller.
void FillTaskList(DataContext& context, QListWidget* list, std::vector<std::string>& serials);
// The task name a row of such a list stands for.
std::string TaskNameOf(const QListWidgetItem* item);

class CNewDatabase : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 152 };
  enum : int { kDescription = 1061, kSerial = 1147 };
  static constexpr size_t kMaxDescription = 254;

  explicit CNewDatabase(DataContext& context, QWidget* parent = nullptr);
  std::string m_description;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  DataContext& m_context;
};

class COpenDatabase : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 137 };
  enum : int { kList = 1050, kSerial = 1147 };

  explicit COpenDatabase(DataContext& context, QWidget* parent = nullptr);
  std::string m_selectedName;
  std::string m_selectedDescription;
  std::string m_selectedSerial;
  QListWidget* List() const { return m_list; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  DataContext& m_context;
  QListWidget* m_list;
  std::vector<std::string> m_serials;  // parallel to the list's rows
};
