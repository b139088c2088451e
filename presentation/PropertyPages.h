#pragma once
// The Presentation program's pages of the graph and numeric windows'
// property sheets: the interval page (a range from one time or measurement
// number to another, optionally one stored sequence, with the rolling
// average) and the events page (which kinds of events the window shows).
// Each edits the sheet's copy of the window's interval.
#include <QComboBox>
#include <string>
#include <vector>

#include "DateTimeEdit.h"
#include "IntervalEdit.h"
#include "MeasInterval.h"
#include "NumEdit.h"
#include "ui/Dialog.h"
#include "ui/PropertySheet.h"

class DataContext;
class QLabel;

namespace presentation {

class COEventPage : public CPropertyPage {
  Q_OBJECT

 public:
  enum { IDD = 141 };
  enum : int { kUser = 1018, kAirPressure = 1071, kAlarms = 1019, kCommErrors = 1072, kMonitor = 1020 };

  COEventPage(COMeasInterval& interval, QWidget* parent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  COMeasInterval& m_interval;
};

class COXAxisPage : public CPropertyPage {
  Q_OBJECT

 public:
  enum { IDD = 130 };
  enum : int {
    kTime = 1074,
    kNumber = 1089,
    kFromDate = 1064, kFromDateSpin = 1065, kFromTime = 1011, kFromTimeSpin = 1009,
    kToDate = 1069, kToDateSpin = 1067, kToTime = 1068, kToTimeSpin = 1066,
    kFromNumber = 1072, kFromNumberSpin = 1082, kToNumber = 1073, kToNumberSpin = 1083,
    kSequence = 1070,
    kAverage = 1024,
    kAverageTime = 1075, kAverageTimeSpin = 1085,
    kAverageCount = 1071, kAverageCountSpin = 1084,
    kAverageUnit = 1087,
  };

  COXAxisPage(DataContext& context, COMeasInterval& interval, QWidget* parent = nullptr);

  // Asks for "(All)" to be applied when the page is first shown.
  void SetApplyAll(bool apply) { m_applyAll = apply; }
  // Takes the range of the combo box's entry into the From and To fields.
  void ApplySequence();
  QComboBox& Sequences() { return m_sequences; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

 private:
  struct StoredSequence {
    int number = 0;
    std::string name;
    CTime startTime, stopTime;
    int startNum = 0, stopNum = 0;
  };
  void FillSequences();
  const StoredSequence* Find(int number) const;
  // The averaging field of the mode chosen on the page.
  void ShowModeFields(int mode);
  int ChosenMode() const;

  DataContext& m_context;
  COMeasInterval& m_interval;
  CODateTimeEdit m_from;
  CODateTimeEdit m_to;
  CONumEdit m_fromNumber{156};
  CONumEdit m_toNumber{156};
  COIntervalEdit m_averageTime{true};
  CONumEdit m_averageCount{156};
  QComboBox m_sequences;
  std::vector<StoredSequence> m_stored;
  bool m_applyAll = false;
};

}  // namespace presentation
