#pragma once
// "Gas" of the calibration settings: for each gas filter the bank the
// calibration uses, the gas name and molecular weight of that bank, and the
// sample integration times; "Reload Filter Info" reads the monitor's filters
// and banks again. Gas names and molecular weights belong to the
// calibrator's working banks: the page keeps its own copies of them, which
// the sheet hands back on OK.
#include <QComboBox>

#include "CaliContext.h"
#include "FilterData.h"
#include "FloatEdit.h"
#include "ListControls.h"
#include "ui/PropertySheet.h"

namespace calibration {

class COFilterPage : public platform::CPropertyPage {
 public:
  enum { IDD = 143 };
  enum Control {
    kGroup = 1120,
    kGasHeading = 1121,
    kMwHeading = 1152,
    kSitHeading = 1054,
    kLetterW = 1060,
    kInstalledW = 1153,
    kBankNumberW = 1227,
    kSitW = 1017,
    kSitGroup = 1122,
    kSitMode = 1006,
    kReload = 1199,
  };
  static constexpr int kLetterIds[5] = {1070, 1071, 1072, 1073, 1074};
  static constexpr int kInstalledIds[5] = {1142, 1148, 1149, 1150, 1151};
  static constexpr int kBankNumberIds[5] = {1222, 1223, 1224, 1225, 1226};
  static constexpr int kGasIds[5] = {1089, 1028, 1029, 1030, 1031};
  static constexpr int kMwIds[5] = {1143, 1144, 1145, 1146, 1147};
  static constexpr int kSitIds[6] = {1007, 1013, 1014, 1015, 1016, kSitW};
  static constexpr int kAdvanced = 3;

  // sequence: the copy the sheet edits; editsActive: it is the copy of the
  // program's active sequence, whose banks the working banks are.
  COFilterPage(CaliContext& context, COCaliSequence& sequence, bool readOnly, bool editsActive);

  COComboEx& GasBox(int filter) { return m_gas[filter]; }
  COFloatEdit& MwEdit(int filter) { return m_mw[filter]; }
  QComboBox* SitBox(int channel) const;
  QComboBox* ModeBox() const;
  // The page's working banks, handed back on OK.
  const BankInfo& WorkingBank(int filter) const { return m_working[filter]; }
  // The working bank of the filter is another bank's record now.
  bool BankReplaced(int filter) const { return m_replaced[filter]; }

  void FillGasCombos();
  void UpdateSitControls();
  void UpdateBankNumbers();
  void OnSelchangeGas(int filter);
  void OnReloadFilterInfo();
  // A comma typed into a molecular weight is no decimal point here.
  void OnUpdateMolWgt(int filter);

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  // A calibration runs or the page only shows the sequence.
  bool Locked() const;
  // A filter is installed in the monitor connected to.
  bool IsInstalled(int filter) const;
  // The sequence whose active banks the working banks are.
  const COCaliSequence& Active() const;
  // The selected bank of the filter's box, -1 for none.
  int SelectedBank(int filter) const;
  // What the page shows of a bank: the working bank for the active
  // sequence's bank, the monitor's record for any other.
  const BankInfo& ShownBank(int filter, int bank) const;
  std::string BankName(int filter, int bank) const;
  void ShowMw(int filter, int bank);

  CaliContext& m_context;
  COCaliSequence& m_sequence;
  bool m_readOnly;
  bool m_editsActive;
  COFloatEdit m_mw[5];
  int m_selectedBank[5] = {-1, -1, -1, -1, -1};
  int m_initialBank[5] = {};
  COComboEx m_gas[5];
  // Which channels the sequence measured when the page loaded: the filters
  // it locks on saving.
  int m_measured[6] = {};
  BankInfo m_working[5];
  int m_commas[5] = {};
  bool m_replaced[5] = {};
};

}  // namespace calibration
