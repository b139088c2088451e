#include "FilterPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "COSequence.h"
#include "DataContext.h"
#include "MonitorAccess.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"

namespace {

constexpr unsigned char kNoBank = 255;
constexpr int kAdvanced = 3;
const char* const kLetters[6] = {"A:", "B:", "C:", "D:", "E:", "W:"};

}  // namespace

COFilterPage::COFilterPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags)
    : COSequencePage(IDD, "Gas", context, sequence, viewOnly, flags) {
  auto* layout = new QVBoxLayout(this);

  auto* gas = new QGroupBox("Gas Setup", this);
  AddItem(kGasGroup, gas);
  auto* gg = new QGridLayout(gas);
  auto* selectGas = new QLabel("Select gas:", gas);
  AddItem(kSelectGasLabel, selectGas);
  gg->addWidget(selectGas, 0, 1);
  for (int f = 0; f < 6; ++f) {
    auto* check = new QCheckBox(kLetters[f], gas);
    AddItem(kCheckIds[f], check);
    gg->addWidget(check, f + 1, 0);
    auto* name = new QLabel(f < 5 ? QString("Gasname %1").arg(f + 1) : QString(" Water Vapour"), gas);
    AddItem(kGasName1 + f, name);
    gg->addWidget(name, f + 1, 1);
    if (f < 5) {
      auto* bank = new QComboBox(gas);
      AddItem(kBankIds[f], bank);
      gg->addWidget(bank, f + 1, 1);
    }
  }
  auto* reload = new QPushButton("Reload Filter Info", gas);
  AddItem(kReload, reload);
  gg->addWidget(reload, 7, 1);
  gg->setColumnStretch(1, 1);
  QObject::connect(reload, &QPushButton::clicked, this, [this] { OnReloadFilterInfo(); });
  layout->addWidget(gas);

  auto* sit = new QGroupBox("Sample Integration Time (S.I.T.)", this);
  AddItem(kSitGroup, sit);
  auto* sg = new QGridLayout(sit);
  auto* mode = new QComboBox(sit);
  mode->addItems(SitModeEntries());
  AddItem(kSitMode, mode);
  sg->addWidget(mode, 0, 0, 1, 2);
  auto* sitLabel = new QLabel("Select S.I.T:", sit);
  AddItem(kSitLabel, sitLabel);
  sg->addWidget(sitLabel, 1, 0, 1, 2);
  for (int f = 0; f < 6; ++f) {
    m_sitLetters[f] = new QLabel(kLetters[f], sit);
    sg->addWidget(m_sitLetters[f], f + 2, 0);
    auto* box = new QComboBox(sit);
    box->addItems(SitTimeEntries());
    AddItem(kSitIds[f], box);
    sg->addWidget(box, f + 2, 1);
  }
  QObject::connect(mode, &QComboBox::currentIndexChanged, this, [this] { UpdateSitControls(); });
  layout->addWidget(sit);
  layout->addStretch();
}

COComboEx* COFilterPage::BankBox(int filter) {
  COComboEx* const boxes[5] = {&m_bankA, &m_bankB, &m_bankC, &m_bankD, &m_bankE};
  return filter >= 0 && filter < 5 ? boxes[filter] : nullptr;
}

QComboBox* COFilterPage::SitBox(int filter) const {
  return filter >= 0 && filter < 6 ? qobject_cast<QComboBox*>(GetDlgItem(kSitIds[filter])) : nullptr;
}

QComboBox* COFilterPage::ModeBox() const { return qobject_cast<QComboBox*>(GetDlgItem(kSitMode)); }

bool COFilterPage::OnInitDialog() {
  if (Locked())
    EnableItems({kGasGroup, kSelectGasLabel, kSitLabel, kSitA, kSitB, kSitC, kSitD, kSitE, kSitW, kSitGroup, kSitMode,
                 kReload, kBankA, kBankB, kBankC, kBankD, kBankE, kCheckA, kCheckB, kCheckC, kCheckD, kCheckE, kCheckW,
                 kGasName1 + 2, kGasName1 + 3, kGasName1 + 4, kWaterName},
                false);
  for (int f = 0; f < 5; ++f) BankBox(f)->SubclassDlgItem(kBankIds[f], this);
  FillGasBoxes();
  platform::CPropertyPage::OnInitDialog();
  UpdateSitControls();
  return true;
}

void COFilterPage::FillGasBoxes() {
  int selected[5];
  for (int f = 0; f < 5; ++f) {
    COComboEx* box = BankBox(f);
    selected[f] = box->GetCurSel();
    box->ResetContent();
  }
  // Each fill decides afresh: a reload may bring filters the last one lacked.
  for (int f = 0; f < 5; ++f) {
    const bool defined = m_sequence.IsGasDefined(f);
    const bool locked = m_sequence.IsFilterLocked(f);
    EnableItems({kSitIds[f]}, defined && !Locked());
    ShowItems({kCheckIds[f]}, defined);
    // A locked filter's label shows the frozen name; else the box chooses the gas.
    ShowItems({kGasName1 + f}, defined && locked);
    ShowItems({kBankIds[f]}, defined && !locked);
  }
  ShowItems({kCheckW, kWaterName}, m_sequence.IsGasDefined(5));
  for (int f = 0; f < 5; ++f) SetDlgItemText(kGasName1 + f, m_sequence.GetGasName(f));
  for (int f = 0; f < 5; ++f) {
    COComboEx* box = BankBox(f);
    for (int b = 0; b < 5; ++b)
      if (m_sequence.IsBankDefined(f, b)) box->AddItem(m_sequence.GetBankGasName(f, b), b);
    box->SetCurSel(selected[f]);
    // A box that had nothing to choose from shows the sequence's bank.
    if (selected[f] < 0) box->SelectItemData(m_sequence.GetActiveBank(f));
  }
}

void COFilterPage::UpdateSitControls() {
  const bool advanced = ModeBox()->currentIndex() == kAdvanced;
  ShowItems({kSitLabel, kSitW}, advanced);
  for (int f = 0; f < 5; ++f) ShowItems({kSitIds[f]}, advanced && m_sequence.IsGasDefined(f));
  for (int f = 0; f < 6; ++f) m_sitLetters[f]->setVisible(SitBox(f)->isVisibleTo(this));
}

void COFilterPage::DoDataExchange(platform::CDataExchange* dx) {
  const bool saving = dx->m_bSaveAndValidate;
  if (m_viewOnly && saving) return;
  if (!saving) {
    for (int f = 0; f < 6; ++f) m_filterActive[f] = m_sequence.IsFilterActive(f) ? 1 : 0;
    for (int f = 0; f < 6; ++f) SitBox(f)->setCurrentIndex(m_sequence.GetMeasTime(f));
    ModeBox()->setCurrentIndex(m_sequence.GetMeasTimeMode());
    for (int f = 0; f < 5; ++f) {
      if (!m_sequence.IsGasDefined(f)) continue;
      COComboEx* box = BankBox(f);
      box->SetCurSel(-1);
      box->SelectItemData(m_sequence.GetActiveBank(f));
    }
    UpdateSitControls();
  }
  for (int f = 0; f < 6; ++f) platform::DDX_Check(dx, kCheckIds[f], m_filterActive[f]);
  if (!saving) return;
  for (int f = 0; f < 6; ++f) m_sequence.SetFilterActive(f, m_filterActive[f] != 0);
  for (int f = 0; f < 6; ++f)
    m_sequence.SetMeasTime(f, static_cast<unsigned char>(std::max(SitBox(f)->currentIndex(), 0)));
  m_sequence.SetMeasTimeMode(static_cast<unsigned char>(std::max(ModeBox()->currentIndex(), 0)));
  for (int f = 0; f < 5; ++f) {
    if (!m_sequence.IsGasDefined(f)) continue;
    COComboEx* box = BankBox(f);
    // No bank chosen stays no bank: bank 0 may measure another gas.
    m_sequence.SetActiveBank(f, box->GetCurSel() < 0 ? kNoBank : static_cast<unsigned char>(box->GetSelItemData()));
  }
}

void COFilterPage::OnReloadFilterInfo() {
  ReloadFilterInfo(m_context);
  FillGasBoxes();
  UpdateSitControls();
}
