#pragma once
// An edit for a whole number with a spin button, a range and an optional
// excluded stretch inside the range.
#include "SpinEdit.h"

namespace platform {
class CDataExchange;
}  // namespace platform

class CONumEdit : public COSpinEdit {
 public:
  // messageId: the range message, filled with the minimum and maximum (156
  // "Please enter a number between %d and %d", or 202 for the tube flushing
  // time).
  explicit CONumEdit(unsigned messageId);

  void SetRange(int min, int max);
  // Values from low to high are refused and skipped by the spin; empty until
  // set.
  void SetExcludedRange(int low, int high);

  // The text read as "%d", unchecked; 0 when it holds no number.
  int GetValue() const;
  void SetValue(int value);

  // When saving: the text must be a number inside the range and outside the
  // excluded stretch, else the message is shown and the exchange fails with
  // the focus here.
  void DDXValidate(platform::CDataExchange* dx);

  void SpinUp() override;
  void SpinDown() override;

 private:
  bool IsExcluded(long long value) const { return value >= m_excludedLow && value <= m_excludedHigh; }

  int m_min = 0;
  int m_max = 10000;
  unsigned m_messageId;
  int m_excludedHigh = -1;
  int m_excludedLow = 0;
};
