#include "DateTimeEdit.h"

#include <climits>
#include <cstdint>
#include <ctime>

#include "DBUtil.h"
#include "EditFields.h"
#include "ui/Dialog.h"

namespace {

constexpr const char* kDateFormat = "%y-%m-%d";
constexpr const char* kTimeFormat = "%X";
constexpr long long kSecondsPerDay = 86400;

// Local time from calendar fields (year from 1900, month from 0), carried
// over as mktime does; false unless the result lies in the calendar time of
// 32 bits that the suite's dates have always been held in.
bool CalendarTime(long long year, long long month, long long day, long long hour, long long minute,
                  long long second, time_t* out) {
  for (long long v : {year, month, day, hour, minute, second})
    if (v < INT_MIN || v > INT_MAX) return false;
  struct tm t = {};
  t.tm_year = static_cast<int>(year);
  t.tm_mon = static_cast<int>(month);
  t.tm_mday = static_cast<int>(day);
  t.tm_hour = static_cast<int>(hour);
  t.tm_min = static_cast<int>(minute);
  t.tm_sec = static_cast<int>(second);
  t.tm_isdst = -1;
  const time_t result = mktime(&t);
  if (result < 0 || static_cast<long long>(result) > INT32_MAX) return false;
  *out = result;
  return true;
}

// Three numbers with a separator between each two, as "%d%c%d%c%d" reads.
bool ReadThree(const std::string& text, int* numbers) {
  char separators[2];
  return ScanIntFields(text, 3, numbers, separators) == 5;
}

}  // namespace

// --- date ---

int CODateEdit::GetDate(int& year, int& month, int& day) const {
  int n[3];
  if (!ReadThree(GetWindowText(), n)) return 0;
  const int y = n[0] < 44 ? n[0] + 100 : n[0];
  time_t t;
  if (!CalendarTime(y, static_cast<long long>(n[1]) - 1, n[2], 0, 0, 0, &t)) return 0;
  year = y;
  month = n[1];
  day = n[2];
  return 1;
}

void CODateEdit::SpinUp() { Spin(1); }
void CODateEdit::SpinDown() { Spin(-1); }

void CODateEdit::Spin(int step) {
  int y = 0, m = 0, d = 0;
  if (!GetDate(y, m, d)) return;
  // Far enough from both ends of the calendar time that one step stays in it.
  if (step > 0 ? (y < 74 || y > 134) : (y < 75 || y > 135)) return;
  const int field = GetCaretField();
  time_t t = 0;
  bool ok = false;
  if (field == 0) {
    ok = CalendarTime(y + step, m - 1, d, 0, 0, 0, &t);
  } else if (field == 1) {
    ok = CalendarTime(y, m - 1 + step, d, 0, 0, 0, &t);
  } else {
    // From one o'clock, a day of seconds lands on the next day also across a
    // change of daylight saving time.
    ok = CalendarTime(y, m - 1, d, 1, 0, 0, &t);
    t += static_cast<time_t>(step * kSecondsPerDay);
  }
  if (ok) WriteAndSelectField(platform::CTime(t).Format(kDateFormat), field);
}

// --- time ---

int COTimeEdit::GetTime(int& hour, int& minute, int& second) const {
  int n[3];
  time_t t;
  // Any time of day that 1 January 1980 can carry.
  if (!ReadThree(GetWindowText(), n) || !CalendarTime(80, 0, 1, n[0], n[1], n[2], &t)) return 0;
  hour = n[0];
  minute = n[1];
  second = n[2];
  return 1;
}

void COTimeEdit::SpinUp() { Spin(1); }
void COTimeEdit::SpinDown() { Spin(-1); }

void COTimeEdit::Spin(int step) {
  int n[3];
  if (!GetTime(n[0], n[1], n[2])) return;
  const int field = GetCaretField();
  n[field] += step;
  time_t t;
  if (CalendarTime(80, 0, 1, n[0], n[1], n[2], &t)) WriteAndSelectField(platform::CTime(t).Format(kTimeFormat), field);
}

// --- date and time ---

bool CODateTimeEdit::SubclassDlgItems(platform::CDialog* parent, int dateId, int dateSpinId, int timeId, int timeSpinId) {
  const bool date = m_dateEdit.SubclassDlgItems(dateId, dateSpinId, parent);
  const bool time = m_timeEdit.SubclassDlgItems(timeId, timeSpinId, parent);
  return date && time;
}

void CODateTimeEdit::DDXValidate(platform::CDataExchange* dx) {
  if (!dx->m_bSaveAndValidate) return;
  int y, mo, d, h, mi, s;
  const bool date = m_dateEdit.GetDate(y, mo, d) != 0;
  const bool time = m_timeEdit.GetTime(h, mi, s) != 0;
  if (date && time) return;
  dx->PrepareEditCtrl(date ? m_timeEdit.GetDlgCtrlID() : m_dateEdit.GetDlgCtrlID());
  ShowMessage(IDS_ENTER_TIME);
  dx->Fail();
}

void CODateTimeEdit::SetTime(const platform::CTime& time) {
  m_timeEdit.SetWindowText(time.Format(kTimeFormat));
  m_dateEdit.SetWindowText(time.Format(kDateFormat));
}

platform::CTime CODateTimeEdit::GetTime() const {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  m_dateEdit.GetDate(y, mo, d);
  m_timeEdit.GetTime(h, mi, s);
  return platform::CTime(y + 1900, mo, d, h, mi, s);
}
