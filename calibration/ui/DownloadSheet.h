#pragma once
// "Download": the calculated calibration values into banks of the monitor.
// One page per kind of value (zero point, humidity interference, gas span)
// on which the user ticks, for each gas filter, the banks that receive it,
// and whether the water-vapour filter does. OK downloads each ticked bank
// once with every kind ticked for it, then stores the monitor's banks as its
// current bank set.
#include <string>
#include <vector>

#include "CaliContext.h"
#include "ui/PropertySheet.h"

namespace calibration {

class CODownloadPage : public platform::CPropertyPage {
 public:
  enum Template { kZeroPointPage = 106, kHumidityPage = 189, kGasPage = 190 };
  enum Control { kWater = 1009, kWaterLabel = 1060, kSelectAll = 1210, kUnselectAll = 1212, kFrame = 1300 };
  static constexpr int kBoxes[5][5] = {{1003, 1010, 1015, 1021, 1026},
                                       {1004, 1011, 1016, 1022, 1027},
                                       {1005, 1012, 1017, 1023, 1028},
                                       {1006, 1013, 1019, 1024, 1029},
                                       {1007, 1014, 1020, 1025, 1030}};
  static constexpr int kRowLabels[5] = {1206, 1207, 1208, 1209, 1211};
  // What a box is marked with: the filter's active bank (and the water
  // vapour), or a bank that already holds a value of the page's kind.
  enum Mark { kNoMark, kActiveMark, kHoldsValueMark };

  CODownloadPage(CaliContext& context, int templateId);

  int GetTemplateKind() const { return m_template; }
  // The parameter groups the page downloads.
  unsigned Groups() const;
  Mark BoxMark(int filter, int bank) const;
  void OnSelectAll() { SelectAll(true); }
  void OnUnselectAll() { SelectAll(false); }

  int m_check[5][5] = {};
  int m_waterCheck = 1;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  void SelectAll(bool on);
  void ShowMarks();

  CaliContext& m_context;
  int m_template;
};

class CODownloadSheet : public platform::CPropertySheet {
 public:
  enum { ID_EDIT_VALUES = platform::ID_APPLY_NOW };

  explicit CODownloadSheet(CaliContext& context, QWidget* parent = nullptr);

  CODownloadPage& ZeroPointPage() { return m_zero; }
  CODownloadPage& HumidityPage() { return m_humidity; }
  CODownloadPage& GasPage() { return m_gas; }

  // "Edit Values...": the calibration values dialog, then the active page
  // takes its boxes.
  void OnEditValues();
  // After OK: each ticked bank downloaded, A1 to E5, then the water vapour,
  // with the ticked kinds that hold a value; then the current bank set
  // rewritten, and one message says what the monitor received, what it did
  // not, and which ticked kinds had no value. False when a download failed.
  bool Download();
  // The groups to download into a bank (filter 5: the water vapour).
  unsigned MaskOf(int filter, int bank) const;
  // After Download: the banks by name ("A1", "W") that reached the monitor
  // and those that did not.
  const std::vector<std::string>& Reached() const { return m_reached; }
  const std::vector<std::string>& Missed() const { return m_missed; }
  // The ticked kinds that had no value, as "Zero Point: A2".
  const std::vector<std::string>& Refused() const { return m_refused; }

 protected:
  bool OnInitDialog() override;
  void OnApplyNow() override { OnEditValues(); }
  // F1: the program's manual.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool DownloadBank(int filter, int bank, unsigned mask);
  // The ticked groups of the bank that hold a value downloaded; the others
  // noted as refused.
  void DownloadHeld(int filter, int bank, unsigned mask);

  CaliContext& m_context;
  CODownloadPage m_zero;
  CODownloadPage m_humidity;
  CODownloadPage m_gas;
  std::vector<std::string> m_reached;
  std::vector<std::string> m_missed;
  std::vector<std::string> m_refused;
};

// The "Download..." command: the sheet, and on OK the downloads. Returns the
// sheet's result.
int RunDownloadSheet(CaliContext& context, QWidget* parent);

}  // namespace calibration
