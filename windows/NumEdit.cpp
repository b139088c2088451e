#include "NumEdit.h"

#include <algorithm>
#include <climits>

#include "DBUtil.h"
#include "EditFields.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/Dialog.h"

CONumEdit::CONumEdit(unsigned messageId) : m_messageId(messageId) {}

void CONumEdit::SetRange(int min, int max) {
  m_min = min;
  m_max = max;
}

void CONumEdit::SetExcludedRange(int low, int high) {
  m_excludedLow = low;
  m_excludedHigh = high;
}

int CONumEdit::GetValue() const {
  int value = 0;
  return ReadIntField(GetWindowText(), &value) ? value : 0;
}

void CONumEdit::SetValue(int value) { SetWindowText(platform::Format("%d", value)); }

void CONumEdit::DDXValidate(platform::CDataExchange* dx) {
  if (!dx->m_bSaveAndValidate) return;
  dx->PrepareEditCtrl(GetDlgCtrlID());
  int value = 0;
  if (!ReadIntField(GetWindowText(), &value)) {
    ShowMessage(IDS_ENTER_NUMBER);
    dx->Fail();
  }
  if (value < m_min || value > m_max || IsExcluded(value)) {
    ShowMessageText(platform::Format(platform::LoadString(m_messageId).c_str(), m_min, m_max));
    dx->Fail();
  }
}

void CONumEdit::SpinUp() {
  if (GetWindowText().empty()) return;
  long long value = GetValue();
  if (value < m_max) {
    ++value;
    if (IsExcluded(value)) value = static_cast<long long>(m_excludedHigh) + 1;
  }
  SetValue(static_cast<int>(std::min<long long>(value, INT_MAX)));
}

void CONumEdit::SpinDown() {
  if (GetWindowText().empty()) return;
  long long value = GetValue();
  if (value <= m_min) return;
  --value;
  if (IsExcluded(value)) value = static_cast<long long>(m_excludedLow) - 1;
  if (value >= 0) SetValue(static_cast<int>(value));
}
