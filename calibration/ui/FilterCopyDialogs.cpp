#include "FilterCopyDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COCaliSequence.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "FilterCopies.h"
#include "ListBox.h"
#include "ListControls.h"
#include "StringIds.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace {

constexpr int kWater = 5;

// The stored copies in the order the system database gives them, each with
// its set's ID.
class CopyList : public IListBox {
 public:
  explicit CopyList(QListWidget* list) : m_list(list) {}
  void ResetContent() override { m_list->clear(); }
  int AddString(const std::string& text) override {
    m_list->addItem(QString::fromStdString(text));
    return m_list->count() - 1;
  }
  void SetItemData(int index, long data) override { m_list->item(index)->setData(Qt::UserRole, qlonglong(data)); }
  void SetItemString(int, const std::string&) override {}

 private:
  QListWidget* m_list;
};

}  // namespace

// --- upload ---

CONewFilterCopy::CONewFilterCopy(COFilterCopies& copies, const COCaliSequence& sequence, QWidget* parent)
    : platform::CDialog(IDD, parent),
      m_copies(copies),
      m_sequence(sequence),
      m_filter(new COComboEx(this)),
      m_bank(new COComboEx(this)) {
  setWindowTitle("Upload Banks from Gas Monitor");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  const auto banks = AddRadioGroup(this, {{kAllBanks, "All Banks"}, {kSingleBank, "Single Bank:"}});
  grid->addWidget(banks[0], 0, 0);
  grid->addWidget(banks[1], 1, 0);
  auto* filterLabel = new QLabel("Filter:", this);
  auto* bankLabel = new QLabel("Bank:", this);
  AddItem(kFilterLabel, filterLabel);
  AddItem(kBankLabel, bankLabel);
  m_filter->setMinimumContentsLength(12);
  m_bank->setMinimumContentsLength(14);
  AddItem(kFilter, m_filter);
  AddItem(kBank, m_bank);
  grid->addWidget(filterLabel, 1, 1);
  grid->addWidget(m_filter, 1, 2);
  grid->addWidget(bankLabel, 1, 3);
  grid->addWidget(m_bank, 1, 4);
  layout->addLayout(grid);
  auto* row = new QHBoxLayout();
  row->addWidget(new QLabel("Description:", this));
  auto* description = new QLineEdit(this);
  description->setMinimumWidth(360);
  AddItem(kDescription, description);
  row->addWidget(description, 1);
  layout->addLayout(row);
  AddOkCancel(layout);

  connect(banks[0]->group(), &QButtonGroup::buttonClicked, this, [this] { UpdateDescription(); });
  connect(m_filter, &QComboBox::activated, this, [this] {
    FillBanks();
    UpdateDescription();
  });
  connect(m_bank, &QComboBox::activated, this, [this] { UpdateDescription(); });
}

void CONewFilterCopy::DoDataExchange(platform::CDataExchange* dx) {
  platform::DDX_Radio(dx, kAllBanks, m_single);
  platform::DDX_Text(dx, kDescription, m_description);
}

int CONewFilterCopy::Filter() const { return m_filter->GetSelItemData(); }

int CONewFilterCopy::Bank() const { return m_bank->GetSelItemData(); }

bool CONewFilterCopy::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  m_filter->ResetContent();
  for (int f = 0; f < 5; ++f) {
    if (!m_sequence.IsGasDefined(f)) continue;
    m_filter->AddItem(platform::Format("%c: %s", 'A' + f, m_sequence.GetFilterText(f).c_str()), f);
  }
  m_filter->AddItem("W: " + m_sequence.GetFilterText(kWater), kWater);
  // Filter A when it is there; else the water vapour stays chosen.
  m_filter->SelectItemData(0);
  FillBanks();
  UpdateDescription();
  return true;
}

void CONewFilterCopy::FillBanks() {
  const int filter = Filter();
  m_bank->ResetContent();
  if (filter == kWater) {
    m_bank->AddItem("1: (Water Vapour)", 0);
    m_bank->SelectItemData(0);
    return;
  }
  for (int b = 0; b < 5; ++b)
    m_bank->AddItem(platform::Format("%d: %s", b + 1, m_sequence.GetBankGasName(filter, b).c_str()), b);
  m_bank->SelectItemData(m_sequence.GetActiveBank(filter));
}

void CONewFilterCopy::UpdateDescription() {
  UpdateData(true);
  const bool single = m_single == 1;
  for (int id : {static_cast<int>(kFilter), static_cast<int>(kBank), static_cast<int>(kFilterLabel),
                 static_cast<int>(kBankLabel)})
    GetDlgItem(id)->setEnabled(single);
  m_description = m_copies.DefaultDescription(!single, Filter(), Bank());
  SetDlgItemText(kDescription, m_description);
}

void CONewFilterCopy::OnOK() {
  if (!UpdateData(true)) return;
  const bool stored = m_copies.Upload(m_single == 0, Filter(), Bank(), m_description);
  EndDialog(stored ? platform::IDOK : platform::IDCANCEL);
}

// --- download ---

COOpenFilterCopy::COOpenFilterCopy(COFilterCopies& copies, QWidget* parent)
    : platform::CDialog(IDD, parent), m_copies(copies), m_list(new QListWidget(this)) {
  setWindowTitle("Download Banks to Gas Monitor");
  auto* layout = new QVBoxLayout(this);
  auto* select = new QLabel("S&elect:", this);
  select->setBuddy(m_list);
  layout->addWidget(select);
  m_list->setMinimumSize(380, 160);
  AddItem(kList, m_list);
  layout->addWidget(m_list);
  auto* radios = new QHBoxLayout();
  const auto banks = AddRadioGroup(this, {{kAllBanks, "&All Banks"}, {kSingleBank, "&Single Bank"}});
  radios->addWidget(banks[0]);
  radios->addWidget(banks[1]);
  radios->addStretch();
  layout->addLayout(radios);
  auto* checks = new QHBoxLayout();
  const std::pair<int, const char*> boxes[] = {{kZeroPoint, "&Zero Point"}, {kHumidity, "H&umidity"},
                                               {kGasSpan, "&Gas Span"}};
  for (const auto& b : boxes) {
    auto* box = new QCheckBox(b.second, this);
    AddItem(b.first, box);
    checks->addWidget(box);
  }
  checks->addStretch();
  layout->addLayout(checks);
  AddOkCancel(layout);

  connect(banks[0]->group(), &QButtonGroup::buttonClicked, this, [this] { UpdateList(); });
  connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

void COOpenFilterCopy::DoDataExchange(platform::CDataExchange* dx) {
  platform::DDX_Radio(dx, kAllBanks, m_single);
  platform::DDX_Check(dx, kZeroPoint, m_zeroPoint);
  platform::DDX_Check(dx, kHumidity, m_humidity);
  platform::DDX_Check(dx, kGasSpan, m_gasSpan);
}

bool COOpenFilterCopy::OnInitDialog() {
  m_zeroPoint = m_humidity = m_gasSpan = 1;
  platform::CDialog::OnInitDialog();
  UpdateList();
  return true;
}

void COOpenFilterCopy::UpdateList() {
  UpdateData(true);
  CopyList list(m_list);
  m_copies.ListCopies(list, m_single == 0);
  for (int id : {static_cast<int>(kZeroPoint), static_cast<int>(kHumidity), static_cast<int>(kGasSpan)})
    GetDlgItem(id)->setEnabled(m_single == 1);
}

void COOpenFilterCopy::OnOK() {
  if (!UpdateData(true)) return;
  const QListWidgetItem* item = m_list->currentItem();
  if (item == nullptr || !item->isSelected()) {
    ShowMessage(IDS_SELECT_ITEM);
    return;
  }
  const int setId = item->data(Qt::UserRole).toInt();
  // What was refused or failed has been told; the user may choose again.
  if (!m_copies.Download(setId, m_single == 0, m_zeroPoint != 0, m_humidity != 0, m_gasSpan != 0)) return;
  EndDialog(platform::IDOK);
}

// --- the commands ---

int UploadBanksFromMonitor(COFilterCopies& copies, const COCaliSequence& sequence, QWidget* parent) {
  CONewFilterCopy dlg(copies, sequence, parent);
  return dlg.DoModal();
}

int DownloadBanksToMonitor(COFilterCopies& copies, CDocument* document, QWidget* parent) {
  COOpenFilterCopy dlg(copies, parent);
  const int result = dlg.DoModal();
  if (result == platform::IDOK && document != nullptr) document->UpdateAllViews(nullptr, kHintReloadInterval);
  return result;
}
