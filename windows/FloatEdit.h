#pragma once
// An edit for a float with a spin button and a range. Enter and Escape in it
// still reach the dialog.
#include "SpinEdit.h"

namespace platform {
class CDataExchange;
}  // namespace platform

class COFloatEdit : public COSpinEdit {
 public:
  COFloatEdit() = default;

  void SetRange(float min, float max);

  // The text read as "%f", unchecked. NaN when the text holds no number, so
  // that a caller who rewrites the text from it leaves the next check
  // something to refuse.
  float GetValue() const;
  // "%.2f".
  void SetValue(float value);
  // "%.0f".
  void SetValueRounded(float value);

  // When saving: the text must be a number within the range as the range is
  // shown (two decimals, both limits allowed), else message 157 or 158 and the
  // exchange fails with the focus here.
  void DDXValidate(platform::CDataExchange* dx);

  // One unit up or down, stopping at the limits; nothing when the text holds
  // no number.
  void SpinUp() override;
  void SpinDown() override;

 private:
  float m_min = 0.0f;
  float m_max = 1000000.0f;
};
