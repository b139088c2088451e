#pragma once
// "Interval" of the calibration windows' property sheets: the window's range
// from one time or measurement number to another, optionally that of one
// stored sequence of the calibration task ("(All)": from the first to the
// last that has measured).
#include "IntervalRangePage.h"

class DataContext;

namespace calibration {

class COXAxisPage : public COIntervalRangePage {
 public:
  explicit COXAxisPage(DataContext& context, COMeasInterval* interval = nullptr, QWidget* parent = nullptr);

  // The interval the page edits; set before the sheet runs.
  void SetIntervalTarget(COMeasInterval* interval) { m_interval = interval; }

  // Outside a property sheet (inside the numeric window's tabs): the page
  // loads itself when first shown or saved; Save takes its entries into the
  // interval, false (the message shown) when one is refused.
  void EnsureInitialised();
  bool Save();

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void showEvent(QShowEvent* event) override;
  // The calibration task's rows, numbered by their place.
  void ReadSequences(std::vector<StoredSequence>& rows) override;

 private:
  DataContext& m_context;
  COMeasInterval* m_interval;
  bool m_loaded = false;
};

}  // namespace calibration
