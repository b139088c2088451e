#pragma once
// "Up/Download": the Offline program's only way to the monitor. "Download
// Settings" writes the sheet's sequence into the monitor for a stand-alone
// measurement; "Upload Sequence" reads the set-up and the records it kept
// back into a new task or into one chosen from the monitor's tasks.
#include <string>
#include <vector>

#include "ui/PropertySheet.h"

class COUpDownload;
class ProgramContext;
class QListWidget;

class CUpDownloadPage : public platform::CPropertyPage {
  Q_OBJECT

 public:
  enum { IDD = 138 };
  enum Control {
    kDownload = 1000,
    kUploadGroup = 1002,
    kNewTask = 1005,
    kExistingTask = 1004,
    kTaskList = 1050,
    kUpload = 1003,
  };
  // The upload target of the radio group.
  enum Target { toNewTask = 0, toExistingTask = 1 };

  CUpDownloadPage(ProgramContext& context, COUpDownload& transfer);

  void OnDownloadSettings();
  void OnUploadMeasurements();
  QListWidget* TaskList() const { return m_list; }

  int m_target = toExistingTask;

 protected:
  // Connects, loads the monitor's filter configuration and lists its tasks.
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  void FillList();
  // The new task's description from the "New Measurement Task" dialog; empty
  // when it was cancelled.
  std::string AskDescription();

  ProgramContext& m_context;
  COUpDownload& m_transfer;
  QListWidget* m_list;
  std::vector<std::string> m_serials;
};
