#include "UpDownloadPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DBUtil.h"
#include "ProgramContext.h"
#include "SamplingPage.h"
#include "SequenceSheet.h"
#include "TaskDialogs.h"
#include "UpDownload.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"

CUpDownloadPage::CUpDownloadPage(ProgramContext& context, COUpDownload& transfer)
    : platform::CPropertyPage(IDD, "Up/Download"), m_context(context), m_transfer(transfer), m_list(new QListWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  auto* download = new QPushButton("Download Settings", this);
  AddItem(kDownload, download);
  auto* downloadRow = new QHBoxLayout();
  downloadRow->addWidget(download);
  downloadRow->addStretch();
  layout->addLayout(downloadRow);

  auto* group = new QGroupBox("Upload Sequence from Gas Monitor", this);
  AddItem(kUploadGroup, group);
  auto* g = new QVBoxLayout(group);
  for (QRadioButton* radio :
       AddRadioGroup(group, {{kNewTask, "Upload to new task"}, {kExistingTask, "Upload to existing task:"}}))
    g->addWidget(radio);
  m_list->setParent(group);
  m_list->setMinimumSize(320, 140);
  AddItem(kTaskList, m_list);
  g->addWidget(m_list, 1);
  auto* upload = new QPushButton("Upload Sequence", group);
  AddItem(kUpload, upload);
  auto* uploadRow = new QHBoxLayout();
  uploadRow->addStretch();
  uploadRow->addWidget(upload);
  g->addLayout(uploadRow);
  layout->addWidget(group, 1);

  // The dialogs run from the button's own click, so the page's buttons must
  // not also take Enter as the sheet's.
  for (QPushButton* b : {download, upload}) b->setAutoDefault(false);
  connect(download, &QPushButton::clicked, this, [this] { RunReportingDatabaseErrors([this] { OnDownloadSettings(); }); });
  connect(upload, &QPushButton::clicked, this, [this] { RunReportingDatabaseErrors([this] { OnUploadMeasurements(); }); });
}

bool CUpDownloadPage::OnInitDialog() {
  platform::CPropertyPage::OnInitDialog();
  if (m_transfer.Initialise()) RunReportingDatabaseErrors([this] { FillList(); });
  return true;
}

void CUpDownloadPage::DoDataExchange(platform::CDataExchange* dx) { platform::DDX_Radio(dx, kNewTask, m_target); }

void CUpDownloadPage::FillList() {
  m_list->clear();
  m_serials.clear();
  FillTaskList(m_context, m_list, m_serials);
}

std::string CUpDownloadPage::AskDescription() {
  CNewDatabase dlg(m_context, this);
  return dlg.DoModal() == platform::IDOK ? dlg.m_description : std::string();
}

void CUpDownloadPage::OnDownloadSettings() {
  // The other pages gave their values when they were left.
  auto* sheet = dynamic_cast<COSequenceSheet*>(GetSheet());
  if (sheet == nullptr) return;
  m_transfer.DownloadSettings(sheet->EditedSequence(), sheet->SamplingPage().GetMonitorMemory());
}

void CUpDownloadPage::OnUploadMeasurements() {
  if (!UpdateData(true)) return;
  if (m_target == toNewTask) {
    m_transfer.UploadToNewTask([this] { return AskDescription(); });
    FillList();
    return;
  }
  const QListWidgetItem* chosen = m_list->currentItem();
  const bool selected = chosen != nullptr && chosen->isSelected();
  m_transfer.UploadToExistingTask(selected ? TaskNameOf(chosen) : std::string(),
                                  selected ? chosen->text().toStdString() : std::string());
}
