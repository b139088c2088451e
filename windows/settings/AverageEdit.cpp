#include "AverageEdit.h"

#include "DBUtil.h"
#include "EditFields.h"
#include "core/Text.h"
#include "ui/Dialog.h"

namespace {

constexpr const char* kBetween = "Please enter an interval between %02d:%02d and %02d:%02d";
constexpr const char* kInvalid = "Please enter a valid interval (HH:MM)";

}  // namespace

bool CAverageEdit::Read(int* hours, int* minutes) const {
  int numbers[2] = {};
  char separator = 0;
  if (ScanIntFields(GetWindowText(), 2, numbers, &separator) != 3) return false;
  *hours = numbers[0];
  *minutes = numbers[1];
  return true;
}

int CAverageEdit::GetSeconds() const {
  int h = 0;
  int m = 0;
  return Read(&h, &m) ? (h * 60 + m) * 60 : 0;
}

void CAverageEdit::SetSeconds(int seconds) {
  SetWindowText(platform::Format("%02d:%02d", (seconds / 3600) % 24, seconds / 60 - (seconds / 3600) * 60));
}

void CAverageEdit::DDXValidate(CDataExchange* dx, int minMinutes, int maxMinutes) {
  if (!dx->m_bSaveAndValidate) return;
  dx->PrepareEditCtrl(GetDlgCtrlID());
  int h = 0;
  int m = 0;
  if (!Read(&h, &m)) {
    ShowMessageText(kInvalid);
    dx->Fail();
  }
  const int v = h * 60 + m;
  if (v < minMinutes || v > maxMinutes) {
    ShowMessageText(platform::Format(kBetween, (minMinutes / 60) % 60, minMinutes % 60, (maxMinutes / 60) % 60,
                                     maxMinutes % 60));
    dx->Fail();
  }
}

void CAverageEdit::SpinUp() {
  int h = 0;
  int m = 0;
  if (Read(&h, &m)) SetSeconds((h * 60 + m + 1) * 60);
}

void CAverageEdit::SpinDown() {
  int h = 0;
  int m = 0;
  if (Read(&h, &m) && h * 60 + m > 0) SetSeconds((h * 60 + m - 1) * 60);
}
