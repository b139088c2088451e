#pragma once
// The main dialog of the Database administration program and its commands:
// backup, restore, delete, full backup.
#include <functional>
#include <string>

#include "BackupFile.h"
#include "ui/Dialog.h"

class QAction;

namespace ostrel {

class DataSources;

class COstrelsDlg : public platform::CDialog {
 public:
  enum { IDD = 102, kBackup = 1015, kRestore = 1016, kClose = 1018, kDelete = 1019, kFullBackup = 1020 };
  // Room a title bar takes besides its title: icon, buttons, margins.
  static constexpr int kTitleBarExtras = 130;
  explicit COstrelsDlg(DataSources& sources, QWidget* parent = nullptr);

  // Asks for the backup file to restore; empty when the user cancelled. The
  // file dialog by default.
  using FileChooser = std::function<std::string()>;
  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

  void OnBackup();
  void OnRestore();
  void OnDelete();
  void OnFullBackup();
  void OnAbout();

  // The file's name comes from the description; false when it was not
  // written whole.
  bool SystemBackup(const std::string& description, const std::string& name);
  bool TaskBackup(const std::string& description, const std::string& name, int kind, const std::string& serial);
  // Where the last backup written whole begins (directory and name of its
  // first volume), and how many volumes it has.
  const std::string& LastBackupPath() const { return m_lastPath; }
  int LastBackupVolumes() const { return m_lastVolumes; }

 private:
  // Runs a command; a database error that escapes it is shown and the
  // program goes on.
  void Run(void (COstrelsDlg::*command)());
  void Restore();
  void Backup();
  void FullBackup();

  // Writes the header and the tables into the file the name gives.
  bool WriteBackup(const std::string& file, const CBackupHeader& header, const std::function<bool(CBackupFile&)>& tables);
  // Tells the person where the last backup is.
  void SayBackupDone(const std::string& description) const;

  DataSources& m_sources;
  FileChooser m_chooseFile;
  std::string m_lastPath;
  int m_lastVolumes = 0;
};

}  // namespace ostrel
