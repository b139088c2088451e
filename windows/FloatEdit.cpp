#include "FloatEdit.h"

#include <cmath>
#include <limits>

#include "DBUtil.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/Dialog.h"

namespace {

constexpr const char* kShown = "%.2f";

bool ReadFloat(const std::string& text, float* value) { return platform::Scan(text, "%f", value) == 1; }

// A limit as the message and the spin write it.
float AsShown(float limit) {
  float shown = limit;
  ReadFloat(platform::Format(kShown, limit), &shown);
  return shown;
}

}  // namespace

void COFloatEdit::SetRange(float min, float max) {
  m_min = min;
  m_max = max;
}

float COFloatEdit::GetValue() const {
  float value = 0.0f;
  return ReadFloat(GetWindowText(), &value) ? value : std::numeric_limits<float>::quiet_NaN();
}

void COFloatEdit::SetValue(float value) { SetWindowText(platform::Format(kShown, value)); }

void COFloatEdit::SetValueRounded(float value) { SetWindowText(platform::Format("%.0f", value)); }

void COFloatEdit::DDXValidate(platform::CDataExchange* dx) {
  if (!dx->m_bSaveAndValidate) return;
  dx->PrepareEditCtrl(GetDlgCtrlID());
  float value = 0.0f;
  // "nan" reads as a float but no range holds it.
  if (!ReadFloat(GetWindowText(), &value) || std::isnan(value)) {
    ShowMessage(IDS_ENTER_FLOAT);
    dx->Fail();
  }
  // A limit in a converted unit rarely has two decimals; the user can only
  // type what the message shows.
  if (value < AsShown(m_min) || value > AsShown(m_max)) {
    ShowMessageText(platform::Format(platform::LoadString(IDS_ENTER_FLOAT_BETWEEN).c_str(), static_cast<double>(m_min),
                                     static_cast<double>(m_max)));
    dx->Fail();
  }
}

void COFloatEdit::SpinUp() {
  if (GetWindowText().empty()) return;
  const float value = GetValue();
  if (std::isnan(value)) return;
  SetValue(value + 1.0f >= m_max ? m_max : value + 1.0f);
}

void COFloatEdit::SpinDown() {
  const float value = GetValue();
  if (std::isnan(value)) return;
  SetValue(value - 1.0f <= m_min ? m_min : value - 1.0f);
}
