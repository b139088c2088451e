#include "IntervalEdit.h"

#include <algorithm>
#include <climits>

#include "DBUtil.h"
#include "EditFields.h"
#include "StringIds.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/Dialog.h"

namespace {

constexpr long long kMaxDays = 99;
constexpr long long kMaxSeconds = ((kMaxDays * 24 + 23) * 60 + 59) * 60;

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The length of the run of digits that holds position at.
int DigitRun(const QString& text, int at) {
  int start = at, end = at;
  while (start > 0 && IsDigit(text.at(start - 1))) --start;
  while (end < text.size() && IsDigit(text.at(end))) ++end;
  return end - start;
}

long long Seconds(long long days, long long hours, long long minutes) {
  return ((days * 24 + hours) * 60 + minutes) * 60;
}

}  // namespace

COIntervalEdit::COIntervalEdit(bool dayForm) : m_dayForm(dayForm) {}

bool COIntervalEdit::Attach(platform::CDialog* parent, int editId, int spinId) {
  return SubclassDlgItems(editId, spinId, parent);
}

bool COIntervalEdit::Read(long long* days, long long* hours, long long* minutes) const {
  int n[3] = {0, 0, 0};
  char separators[2];
  const std::string text = GetWindowText();
  if (m_dayForm) {
    if (ScanIntFields(text, 3, n, separators) != 5) return false;
    *days = n[0];
    *hours = n[1];
    *minutes = n[2];
  } else {
    if (ScanIntFields(text, 2, n, separators) != 3) return false;
    *days = 0;
    *hours = n[0];
    *minutes = n[1];
  }
  return true;
}

int COIntervalEdit::GetSeconds() const {
  long long d = 0, h = 0, m = 0;
  if (!Read(&d, &h, &m)) return 0;
  // A text set from outside may hold fields of any size.
  return static_cast<int>(std::clamp<long long>(Seconds(d, h, m), INT_MIN, INT_MAX));
}

void COIntervalEdit::SetSeconds(int seconds) {
  long long s = std::max(seconds, 0);
  if (m_dayForm) s = std::min(s, kMaxSeconds);
  const long long days = s / 86400;
  const long long hours = s / 3600 - days * 24;
  const long long minutes = s / 60 - (s / 3600) * 60;
  if (m_dayForm)
    SetWindowText(platform::Format("%02lld:%02lld:%02lld", days, hours, minutes));
  else
    SetWindowText(platform::Format("%02lld:%02lld", hours, minutes));
}

void COIntervalEdit::DDXValidate(platform::CDataExchange* dx, int minimum, int maximum) {
  if (!dx->m_bSaveAndValidate) return;
  dx->PrepareEditCtrl(GetDlgCtrlID());
  long long d = 0, h = 0, m = 0;
  if (!Read(&d, &h, &m)) {
    ShowMessage(m_dayForm ? IDS_INTERVAL_INVALID_DAYS : IDS_INTERVAL_INVALID_HOURS);
    dx->Fail();
  }
  long long v = 0;
  if (m_dayForm) {
    const long long s = std::max(Seconds(d, h, m), 0LL);
    v = s / 86400 * 3600 + s / 3600 % 24 * 60 + s / 60 % 60;
  } else {
    v = h * 60 + m;
  }
  if (v >= minimum && v <= maximum) return;
  if (m_dayForm)
    ShowMessageText(platform::Format(platform::LoadString(IDS_INTERVAL_RANGE_DAYS).c_str(), minimum / 3600,
                                     minimum / 60 % 60, minimum % 60, maximum / 3600, maximum / 60 % 60,
                                     maximum % 60));
  else
    ShowMessageText(platform::Format(platform::LoadString(IDS_INTERVAL_RANGE_HOURS).c_str(), minimum / 60 % 60,
                                     minimum % 60, maximum / 60 % 60, maximum % 60));
  dx->Fail();
}

void COIntervalEdit::SpinUp() { Spin(1); }
void COIntervalEdit::SpinDown() { Spin(-1); }

void COIntervalEdit::Spin(int step) {
  long long d = 0, h = 0, m = 0;
  if (!Read(&d, &h, &m)) return;
  int p = GetCaret();
  if (!m_dayForm) p += 3;
  long long& field = p <= 2 ? d : p <= 5 ? h : m;
  const int at = m_dayForm ? p : p - 3;
  const int selected = at <= 2 ? 0 : at <= 5 ? 1 : 2;
  if (step > 0) {
    ++field;
    // Days beyond two digits are not written; the span stays.
    if (m_dayForm && Seconds(d, h, m) > kMaxSeconds) {
      SelectField(selected * 3, selected * 3 + 2);
      return;
    }
  } else if (&field == &m) {
    if (m > 0 || h > 0) --m;
  } else if (field > 0) {
    --field;
  }
  SetSeconds(static_cast<int>(std::clamp<long long>(Seconds(d, h, m), 0, INT_MAX)));
  WriteAndSelectField(GetWindowText(), selected);
}

void COIntervalEdit::OnChar(unsigned ch) {
  if (ch >= '0' && ch <= '9') {
    int start = 0, end = 0;
    GetSel(start, end);
    const QString now = text();
    QString next = now;
    next.replace(start, end - start, QChar(ch));
    // A selection with separators is for the masked edit to clear first.
    bool separators = false;
    for (int i = start; i < end; ++i) separators = separators || !IsDigit(now.at(i));
    if (!separators && DigitRun(next, start) > 2) {
      // A full field's digit typed before its separator goes on into the
      // next field, so "1201" types as "12:01".
      if (start == end && start < now.size() && !IsDigit(now.at(start))) {
        SelectField(start + 1, start + 1);
        OnChar(ch);
      }
      return;
    }
  }
  COMaskedEdit::OnChar(ch);
}
