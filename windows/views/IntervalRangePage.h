#pragma once
// "Interval" of the windows' property sheets in the programs that show a
// stored task: the window's range from one time or measurement number to
// another, optionally that of one stored sequence of the task ("(All)": from
// the first to the last that has measured). The radio buttons choose which
// pair is the range; both pairs are kept. A program's page reads the task's
// sequences and may add groups of its own below.
#include <QComboBox>
#include <string>
#include <vector>

#include "DateTimeEdit.h"
#include "MeasInterval.h"
#include "NumEdit.h"
#include "ui/PropertySheet.h"

class QVBoxLayout;

class COIntervalRangePage : public platform::CPropertyPage {
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
  };

  // Asks for "(All)" to be applied when the page is first shown.
  void SetApplyAll(bool apply) { m_applyAll = apply; }
  // Takes the range of the combo box's entry into the From and To fields; an
  // end whose sequence is not there stays as it was.
  void ApplySequence();
  QComboBox& Sequences() { return m_sequences; }

 protected:
  // One [Sequence] row of the task, found by its number from 1.
  struct StoredSequence {
    int number = 0;
    std::string name;
    platform::CTime startTime, stopTime;
    int startNum = 0, stopNum = 0;
  };

  // legalIntervalId: the program's message for a range that runs backwards.
  explicit COIntervalRangePage(unsigned legalIntervalId, QWidget* parent = nullptr);

  // Appends the task's rows in order; a database failure throws, the rows
  // read by then kept.
  virtual void ReadSequences(std::vector<StoredSequence>& rows) = 0;

  // Loads the controls, fills the combo box (the last row, still to run, is
  // not offered) and applies "(All)" when asked to.
  bool OnInitDialog() override;
  // The page's layout, for a program's groups below the page's own.
  QVBoxLayout& PageLayout() { return *m_layout; }
  int ChosenMode() const;
  // Saving: the chosen pair must read and must not run backwards, else the
  // message and the exchange fails. The mode and the chosen pair go into the
  // interval, and the other pair where it reads.
  void SaveRange(platform::CDataExchange* dx, COMeasInterval& interval);
  void LoadRange(platform::CDataExchange* dx, const COMeasInterval& interval);

 private:
  void FillSequences();
  const StoredSequence* Find(int number) const;

  unsigned m_legalIntervalId;
  QVBoxLayout* m_layout;
  CODateTimeEdit m_from;
  CODateTimeEdit m_to;
  CONumEdit m_fromNumber{156};
  CONumEdit m_toNumber{156};
  QComboBox m_sequences;
  std::vector<StoredSequence> m_stored;
  bool m_applyAll = false;
};
