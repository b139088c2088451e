#pragma once
// "Interval" of the calibration windows' property sheets: the window's range
// from one time or measurement number to another, optionally that of one
// stored sequence of the calibration task ("(All)": from the first to the
// last that has measured).
#include <QComboBox>
#include <string>
#include <vector>

#include "DateTimeEdit.h"
#include "MeasInterval.h"
#include "NumEdit.h"
#include "ui/PropertySheet.h"

class DataContext;

namespace calibration {

class COXAxisPage : public CPropertyPage {
 public:
  enum { IDD = 130 };
  enum : int {
    kTime = 1074,
    kNumber = 1089,
    kFromDate = 1064, kFromDateSpin = 1065, kFromTime = 1011, kFromTimeSpin = 1009,
    kToDate = 1069, kToDateSpin = 1067, kToTime = 1068, kToTimeSpin = 1066,
    kFromNumber = 1072, kFromNumberSpin = 1082, kToNumber = 1073, kToNumberSpin = 1083,
    kSequence = 1070,
  };

  explicit COXAxisPage(DataContext& context, COMeasInterval* interval = nullptr, QWidget* parent = nullptr);

  // The interval the page edits; set before the sheet runs.
  void SetIntervalTarget(COMeasInterval* interval) { m_interval = interval; }
  // Asks for "(All)" to be applied when the page is first shown.
  void SetApplyAll(bool apply) { m_applyAll = apply; }
  // Takes the range of the combo box's entry into the From and To fields.
  void ApplySequence();
  QComboBox& Sequences() { return m_sequences; }

  // Outside a property sheet (inside the numeric window's tabs): the page
  // loads itself when first shown or saved; Save takes its entries into the
  // interval, false (the message shown) when one is refused.
  void EnsureInitialised();
  bool Save();

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct StoredSequence {
    std::string name;
    CTime startTime, stopTime;
    int startNum = 0, stopNum = 0;
  };
  void FillSequences();
  int ChosenMode() const;

  DataContext& m_context;
  COMeasInterval* m_interval;
  CODateTimeEdit m_from;
  CODateTimeEdit m_to;
  CONumEdit m_fromNumber{156};
  CONumEdit m_toNumber{156};
  QComboBox m_sequences;
  // The task's rows in order: the combo box's entry k is row k.
  std::vector<StoredSequence> m_stored;
  bool m_applyAll = false;
  bool m_loaded = false;
};

}  // namespace calibration
