#pragma once
// "Gas": which of the monitor's filters measure, which bank (gas) each gas
// filter uses, and the sample integration times; "Reload Filter Info" reads
// the monitor's filters again.
#include <QComboBox>

#include "ListControls.h"
#include "SequencePage.h"

class COFilterPage : public COSequencePage {
 public:
  enum { IDD = 143 };
  enum Control {
    kCheckA = 1000,
    kCheckB = 1001,
    kCheckC = 1090,
    kCheckD = 1091,
    kCheckE = 1004,
    kCheckW = 1005,
    kBankA = 1089,
    kBankB = 1028,
    kBankC = 1029,
    kBankD = 1030,
    kBankE = 1031,
    kGasName1 = 1055,
    kWaterName = 1060,
    kSitMode = 1006,
    kSitA = 1007,
    kSitB = 1013,
    kSitC = 1014,
    kSitD = 1015,
    kSitE = 1016,
    kSitW = 1017,
    kSitLabel = 1054,
    kReload = 1199,
    kGasGroup = 1120,
    kSelectGasLabel = 1121,
    kSitGroup = 1122,
  };
  static constexpr int kCheckIds[6] = {kCheckA, kCheckB, kCheckC, kCheckD, kCheckE, kCheckW};
  static constexpr int kBankIds[5] = {kBankA, kBankB, kBankC, kBankD, kBankE};
  static constexpr int kSitIds[6] = {kSitA, kSitB, kSitC, kSitD, kSitE, kSitW};

  COFilterPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags);

  COComboEx* BankBox(int filter);
  QComboBox* SitBox(int filter) const;
  QComboBox* ModeBox() const;

  // Empties and refills the bank boxes from the monitor's set-up, keeping
  // each box's selected index, and shows the controls of the defined filters.
  void FillGasBoxes();
  // Shows the per-filter times only in the "Advanced" mode.
  void UpdateSitControls();
  void OnReloadFilterInfo();

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  // E to A, as the filters are laid out on the monitor.
  COComboEx m_bankE, m_bankD, m_bankC, m_bankB, m_bankA;
  int m_filterActive[6] = {};
  // The letters beside the per-filter times, shown with them.
  QWidget* m_sitLetters[6] = {};
};
