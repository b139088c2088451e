#include "CaliFilterPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "CaliSettings.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "CommKovoCali.h"
#include "DBUtil.h"
#include "FilterCopies.h"
#include "ProgramContext.h"
#include "SequencePage.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace calibration {

namespace {

constexpr size_t kMaxGasName = 29;
constexpr float kMaxMw = 10000.0f;
const char* const kLetters[5] = {"A:", "B:", "C:", "D:", "E:"};

}  // namespace

COFilterPage::COFilterPage(CaliContext& context, COCaliSequence& sequence, bool readOnly, bool editsActive)
    : platform::CPropertyPage(IDD, "Gas"), m_context(context), m_sequence(sequence), m_readOnly(readOnly),
      m_editsActive(editsActive) {
  for (int f = 0; f < 5; ++f) m_working[f] = context.calibrator.GetBank(f);

  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Filter Setup for Calibration Values", this);
  AddItem(kGroup, group);
  auto* grid = new QGridLayout(group);
  auto label = [this, group](int id, const char* text) {
    auto* l = new QLabel(text, group);
    if (id != 0) AddItem(id, l);
    return l;
  };
  grid->addWidget(label(kGasHeading, "Gas Name:"), 0, 3);
  grid->addWidget(label(kMwHeading, "Mol Wgt:"), 0, 4);
  grid->addWidget(label(kSitHeading, "S.I.T:"), 0, 5);
  for (int f = 0; f < 6; ++f) {
    const int row = f + 1;
    const bool water = f == 5;
    grid->addWidget(label(water ? kLetterW : kLetterIds[f], water ? "W:" : kLetters[f]), row, 0);
    grid->addWidget(label(water ? kInstalledW : kInstalledIds[f], water ? "QF3318" : "n/a"), row, 1);
    grid->addWidget(label(water ? kBankNumberW : kBankNumberIds[f], "1:"), row, 2);
    if (water) {
      grid->addWidget(label(0, "Water Vapour"), row, 3);
      grid->addWidget(label(0, "18.02"), row, 4);
    } else {
      auto* gas = new QComboBox(group);
      gas->setMinimumWidth(160);
      AddItem(kGasIds[f], gas);
      grid->addWidget(gas, row, 3);
      auto* mw = new QLineEdit(group);
      mw->setFixedWidth(70);
      AddItem(kMwIds[f], mw);
      grid->addWidget(mw, row, 4);
    }
    auto* sit = new QComboBox(group);
    sit->addItems(SitTimeEntries());
    AddItem(kSitIds[f], sit);
    grid->addWidget(sit, row, 5);
  }
  grid->setColumnStretch(3, 1);
  layout->addWidget(group);

  auto* bottom = new QHBoxLayout;
  auto* sitGroup = new QGroupBox("Sample Integration Time (S.I.T)", this);
  AddItem(kSitGroup, sitGroup);
  auto* sg = new QHBoxLayout(sitGroup);
  auto* mode = new QComboBox(sitGroup);
  mode->addItems(SitModeEntries());
  AddItem(kSitMode, mode);
  sg->addWidget(mode);
  bottom->addWidget(sitGroup);
  bottom->addStretch();
  auto* reload = new QPushButton("Reload Filter Info", this);
  AddItem(kReload, reload);
  bottom->addWidget(reload, 0, Qt::AlignBottom);
  layout->addLayout(bottom);
  layout->addStretch();

  QObject::connect(mode, &QComboBox::activated, this, [this] { UpdateSitControls(); });
  QObject::connect(reload, &QPushButton::clicked, this, [this] { OnReloadFilterInfo(); });
  for (int f = 0; f < 5; ++f) m_mw[f].SetRange(0.0f, kMaxMw);
}

QComboBox* COFilterPage::SitBox(int channel) const {
  return channel >= 0 && channel < 6 ? qobject_cast<QComboBox*>(GetDlgItem(kSitIds[channel])) : nullptr;
}

QComboBox* COFilterPage::ModeBox() const { return qobject_cast<QComboBox*>(GetDlgItem(kSitMode)); }

bool COFilterPage::Locked() const {
  return SettingsLocked(m_context, m_readOnly);
}

const COCaliSequence& COFilterPage::Active() const { return m_editsActive ? m_sequence : m_context.sequence; }

bool COFilterPage::IsInstalled(int filter) const {
  if (!m_context.meas.IsConnected()) return false;
  const std::string number = m_context.meas.GetMonitorSetup().GetFilter(filter).GetNumber().ToString();
  return !number.empty() && number[0] != '_';
}

int COFilterPage::SelectedBank(int filter) const {
  const COComboEx& box = m_gas[filter];
  const int bank = box.GetCurSel() < 0 ? -1 : box.GetSelItemData();
  return bank >= 0 && bank < 5 ? bank : -1;
}

const BankInfo& COFilterPage::ShownBank(int filter, int bank) const {
  return bank == Active().GetActiveBank(filter) ? m_working[filter]
                                                : m_context.meas.GetMonitorSetup().GetFilter(filter).GetBank(bank);
}

std::string COFilterPage::BankName(int filter, int bank) const {
  return platform::TrimRight(ShownBank(filter, bank).GetGasName().ToString());
}

void COFilterPage::ShowMw(int filter, int bank) {
  if (bank < 0) return;
  m_mw[filter].SetValue(ShownBank(filter, bank).GetMW());
  m_commas[filter] = 0;
}

bool COFilterPage::OnInitDialog() {
  for (int f = 0; f < 5; ++f) m_initialBank[f] = m_sequence.GetActiveBank(f);
  if (Locked())
    EnableDlgItems(*this,
                   {kGroup, kGasHeading, kSitHeading, kSitIds[0], kSitIds[1], kSitIds[2], kSitIds[3], kSitIds[4], kSitW,
                    kSitGroup, kSitMode, kReload, kGasIds[0], kGasIds[1], kGasIds[2], kGasIds[3], kGasIds[4],
                    kMwHeading, kMwIds[0], kMwIds[1], kMwIds[2], kMwIds[3], kMwIds[4]},
                   false);
  for (int f = 0; f < 5; ++f) {
    m_gas[f].SubclassDlgItem(kGasIds[f], this);
    // The user picks a bank or types a name.
    m_gas[f].setEditable(true);
    m_gas[f].setInsertPolicy(QComboBox::NoInsert);
    m_gas[f].setMinimumWidth(160);
    m_mw[f].SubclassDlgItem(kMwIds[f], this);
    QObject::connect(&m_gas[f], &QComboBox::activated, this, [this, f] { OnSelchangeGas(f); });
    QObject::connect(&m_mw[f], &QLineEdit::textEdited, this, [this, f] { OnUpdateMolWgt(f); });
  }
  FillGasCombos();
  platform::CPropertyPage::OnInitDialog();
  UpdateSitControls();
  UpdateBankNumbers();
  return true;
}

void COFilterPage::FillGasCombos() {
  int selected[5];
  std::string texts[5];
  for (int f = 0; f < 5; ++f) {
    selected[f] = m_gas[f].GetCurSel();
    texts[f] = m_gas[f].currentText().left(99).toStdString();
    m_gas[f].ResetContent();
  }
  for (int f = 0; f < 5; ++f) EnableDlgItems(*this, {kMwIds[f], kSitIds[f], kGasIds[f]}, !Locked() && IsInstalled(f));
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) m_gas[f].AddItem(BankName(f, b), b);
  for (int f = 0; f < 5; ++f) {
    m_gas[f].SetCurSel(selected[f]);
    // A typed name stays in the box until it is saved.
    if (selected[f] < 0) m_gas[f].setEditText(QString::fromStdString(texts[f]));
  }
}

void COFilterPage::UpdateSitControls() {
  const bool advanced = ModeBox()->currentIndex() == kAdvanced;
  ShowDlgItems(*this, {kSitHeading, kSitW}, advanced);
  for (int f = 0; f < 5; ++f) ShowDlgItems(*this, {kSitIds[f]}, advanced && IsInstalled(f));
  for (int f = 0; f < 5; ++f) SetDlgItemText(kInstalledIds[f], Active().GetFilterText(f));
}

void COFilterPage::UpdateBankNumbers() {
  for (int f = 0; f < 5; ++f) {
    m_selectedBank[f] = SelectedBank(f);
    // No bank chosen shows no number.
    SetDlgItemText(kBankNumberIds[f], m_selectedBank[f] < 0 ? "" : platform::Format("%d:", m_selectedBank[f] + 1));
  }
}

void COFilterPage::OnSelchangeGas(int filter) {
  ShowMw(filter, SelectedBank(filter));
  UpdateBankNumbers();
}

void COFilterPage::OnUpdateMolWgt(int filter) {
  const std::string text = m_mw[filter].GetWindowText().substr(0, 18);
  const int commas = static_cast<int>(std::count(text.begin(), text.end(), ','));
  if (commas > m_commas[filter]) platform::MessageBox("Wrong decimal point in Mol Wgt!", platform::MB_OK);
  m_commas[filter] = commas;
}

void COFilterPage::OnReloadFilterInfo() {
  COCaliMeasObs& meas = m_context.meas;
  const std::string serial = meas.GetMonitorSetup().m_serial.ToString();
  if (meas.UploadFilterInfo()) {
    COFilterCopies copies(m_context.program, meas, m_context.sequence, m_context.calibrator);
    copies.StoreCurrentSet(serial);
  }
  // The working banks take what the monitor holds now, uploaded or not.
  meas.TakeActiveBanks();
  for (int f = 0; f < 5; ++f) {
    m_working[f] = m_context.calibrator.GetBank(f);
    m_replaced[f] = false;
  }
  FillGasCombos();
  for (int f = 0; f < 5; ++f) m_mw[f].SetValue(m_working[f].GetMW());
  UpdateSitControls();
}

void COFilterPage::DoDataExchange(platform::CDataExchange* dx) {
  COCaliSequence& s = m_sequence;
  if (!dx->m_bSaveAndValidate) {
    for (int ch = 0; ch < 6; ++ch) m_measured[ch] = s.IsFilterActive(ch) ? 1 : 0;
    for (int ch = 0; ch < 6; ++ch) {
      const int code = s.GetMeasTimeCode(ch);
      SitBox(ch)->setCurrentIndex(code < SitBox(ch)->count() ? code : -1);
    }
    ModeBox()->setCurrentIndex(std::min<int>(s.MeasTimeMode, kAdvanced));
    for (int f = 0; f < 5; ++f) {
      m_gas[f].SetCurSel(-1);
      m_gas[f].SelectItemData(s.GetActiveBank(f));
      ShowMw(f, SelectedBank(f));
    }
    UpdateSitControls();
    UpdateBankNumbers();
    return;
  }
  if (m_readOnly) return;

  std::string names[5];
  for (int f = 0; f < 5; ++f) {
    names[f] = m_gas[f].currentText().toStdString();
    dx->PrepareCtrl(kGasIds[f]);
    if (names[f].size() > kMaxGasName) {
      ShowMessage(IDS_CALI_GAS_NAME_TOO_LONG);
      dx->Fail();
    }
    // The monitor takes a name between quotes, as it stands.
    if (!IsValidGasName(names[f])) {
      ShowMessage(IDS_CALI_BAD_GAS_NAME);
      dx->Fail();
    }
  }
  // A molecular weight is the whole text read as a number, in every filter:
  // "44,01" is no 44.
  float mw[5] = {};
  for (int f = 0; f < 5; ++f) {
    platform::DDX_Text(dx, kMwIds[f], mw[f]);
    m_mw[f].DDXValidate(dx);
  }

  for (int ch = 0; ch < 6; ++ch) s.SetFilterLocked(ch, m_measured[ch] != 0);
  for (int ch = 0; ch < 6; ++ch) s.SetMeasTimeCode(ch, static_cast<unsigned char>(std::max(SitBox(ch)->currentIndex(), 0)));
  s.MeasTimeMode = static_cast<unsigned char>(std::max(ModeBox()->currentIndex(), 0));
  UpdateBankNumbers();
  for (int f = 0; f < 5; ++f) {
    const int bank = m_selectedBank[f];
    // No bank chosen stays no bank: the filter then has no gas.
    s.SetActiveBank(f, bank < 0 ? COCaliSequence::kNoBank : static_cast<unsigned char>(bank));
    if (bank < 0) continue;
    if (bank != m_initialBank[f] && IsInstalled(f)) {
      m_working[f] = m_context.meas.GetMonitorSetup().GetFilter(f).GetBank(bank);
      m_replaced[f] = true;
    }
    m_working[f].SetMW(mw[f]);
    m_working[f].SetGasName(names[f]);
  }
  FillGasCombos();
}

}  // namespace calibration
