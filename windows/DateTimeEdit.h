#pragma once
// Date and time edits with spin buttons, and the pair of them that enters a
// start date and time. A date is written "%y-%m-%d" (a two-digit year below
// 44 is 20xx, any other 19xx), a time "%X" ("%H:%M:%S"). The spin steps the
// field that holds the caret. A date or time is valid when it lies between
// 1970 and 19 January 2038, the span the suite's times have always been held
// in; fields out of their range carry over (month 13 is January of the next
// year).
#include "MaskedEdit.h"
#include "core/Time.h"

namespace platform {
class CDataExchange;
}  // namespace platform

class CODateEdit : public COMaskedEdit {
 public:
  // 1 with the year counted from 1900, the month and the day as written;
  // 0 when the text is no valid date.
  int GetDate(int& year, int& month, int& day) const;

  // Steps the year (caret at 0 to 2), the month (3 to 5) or the day (6 on),
  // within the years 1974 to 2035, and selects that field again. A text set
  // from outside leaves the caret at its end, in the day field.
  void SpinUp() override;
  void SpinDown() override;

 private:
  void Spin(int step);
};

class COTimeEdit : public COMaskedEdit {
 public:
  // 1 with hour, minute and second as written; 0 when the text is no valid
  // time of day.
  int GetTime(int& hour, int& minute, int& second) const;

  // Steps the hour (caret before 3), the second (after 5) or the minute,
  // round the clock, and selects that field again.
  void SpinUp() override;
  void SpinDown() override;

 private:
  void Spin(int step);
};

// A start date and time entered in a date edit and a time edit.
class CODateTimeEdit {
 public:
  bool SubclassDlgItems(platform::CDialog* parent, int dateId, int dateSpinId, int timeId, int timeSpinId);

  // When saving: both the date and the time must be valid, else message 159
  // and the exchange fails with the focus on the date edit, or on the time
  // edit when only the time is wrong.
  void DDXValidate(platform::CDataExchange* dx);

  void SetTime(const platform::CTime& time);
  // The date and time as local time; meaningful once the check has passed.
  platform::CTime GetTime() const;

  CODateEdit& GetDateEdit() { return m_dateEdit; }
  COTimeEdit& GetTimeEdit() { return m_timeEdit; }

 private:
  CODateEdit m_dateEdit;
  COTimeEdit m_timeEdit;
};
