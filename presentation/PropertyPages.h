#pragma once
// The Presentation program's pages of the graph and numeric windows'
// property sheets: the interval page (a range from one time or measurement
// number to another, optionally one stored sequence, with the rolling
// average) and the events page (which kinds of events the window shows).
// Each edits the sheet's copy of the window's interval.
#include <vector>

#include "IntervalEdit.h"
#include "IntervalRangePage.h"
#include "MeasInterval.h"
#include "NumEdit.h"
#include "ui/Dialog.h"
#include "ui/PropertySheet.h"

class DataContext;
class QLabel;

namespace presentation {

class COEventPage : public platform::CPropertyPage {
  Q_OBJECT

 public:
  enum { IDD = 141 };
  enum : int { kUser = 1018, kAirPressure = 1071, kAlarms = 1019, kCommErrors = 1072, kMonitor = 1020 };

  COEventPage(COMeasInterval& interval, QWidget* parent = nullptr);

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  COMeasInterval& m_interval;
};

// The interval page with the rolling average below the range.
class COXAxisPage : public COIntervalRangePage {
  Q_OBJECT

 public:
  enum : int {
    kAverage = 1024,
    kAverageTime = 1075, kAverageTimeSpin = 1085,
    kAverageCount = 1071, kAverageCountSpin = 1084,
    kAverageUnit = 1087,
  };

  COXAxisPage(DataContext& context, COMeasInterval& interval, QWidget* parent = nullptr);

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  // The task's rows by their [NumCount].
  void ReadSequences(std::vector<StoredSequence>& rows) override;

 private:
  // The averaging field of the mode chosen on the page.
  void ShowModeFields(int mode);

  DataContext& m_context;
  COMeasInterval& m_interval;
  COIntervalEdit m_averageTime{true};
  CONumEdit m_averageCount{156};
};

}  // namespace presentation
