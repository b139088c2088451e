#pragma once
// Starting a measurement sequence: now or at a set time, with an optional
// stop time, under a description of the sequence.
#include <functional>
#include <string>

#include "DateTimeEdit.h"
#include "ui/Dialog.h"

class ProgramContext;

class CMeasStart : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 145 };
  enum : int {
    kStartNow = 1095,
    kStartAt = 1156,
    kStopNone = 1094,
    kStopAt = 1044,
    kStartDate = 1033,
    kStartDateSpin = 1034,
    kStartTime = 1011,
    kStartTimeSpin = 1009,
    kStopDate = 1037,
    kStopDateSpin = 1038,
    kStopTime = 1035,
    kStopTimeSpin = 1036,
    kDescription = 1039,
  };
  // Bounds of a set start and stop time, in seconds from now.
  static constexpr long kStartLead = 180;
  static constexpr long kStopLead = 240;
  static constexpr long kLatest = 4000000;

  explicit CMeasStart(ProgramContext& context, QWidget* parent = nullptr);
  // The clock the times are checked against.
  void SetClock(std::function<platform::CTime()> now) { m_now = std::move(now); }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  // The times are checked, then the sequence takes the description and the
  // measurement starts; a wrong time keeps the dialog open and the sequence
  // as it was.
  void OnOK() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ProgramContext& m_context;
  std::function<platform::CTime()> m_now;
  int m_startMode = 0;  // 0 now, 1 at the start time
  int m_stopMode = 0;   // 0 none, 1 at the stop time
  std::string m_description;
  CODateTimeEdit m_start;
  CODateTimeEdit m_stop;
};
