#pragma once
// An edit for a span of time with a spin button: days, hours and minutes
// ("DD:HH:MM") or hours and minutes ("HH:MM"), valued in seconds. The spin
// steps the field that holds the caret. Every field holds at most two
// digits; a digit that would make a third is refused, or, typed before a
// separator, goes on into the next field.
#include "MaskedEdit.h"

namespace platform {
class CDataExchange;
}  // namespace platform

class COIntervalEdit : public COMaskedEdit {
 public:
  // dayForm: "DD:HH:MM", else "HH:MM"; fixed for the control's life.
  explicit COIntervalEdit(bool dayForm);

  // Takes the places of the dialog's edit and spin controls.
  bool Attach(platform::CDialog* parent, int editId, int spinId);
  bool IsDayForm() const { return m_dayForm; }

  // The span the text shows, in seconds; 0 when the text does not read as
  // the form's fields. Fields are not limited to their clock range ("00:90"
  // is 90 minutes).
  int GetSeconds() const;
  // Writes the span with two digits a field: the hour form shows the hours
  // modulo 24; the day form shows at most 99:23:59. A negative span is 0.
  void SetSeconds(int seconds);

  // When saving, the text must read as the form's fields and lie between
  // the limits, else a message is shown and the exchange fails with the
  // focus here. The limits weigh a day as 3600 and an hour as 60 in the day
  // form (30:00:00 is 108000), an hour as 60 in the hour form (12:00 is
  // 720). The day form checks the span as it would be written back, so
  // that an hours field beyond 23 counts as the days it makes.
  void DDXValidate(platform::CDataExchange* dx, int minimum, int maximum);

  // The field under the caret one up or down; the field is selected again.
  // Up has no limit but the two digits of the days (the hour form drops
  // whole days); down stops at zero.
  void SpinUp() override;
  void SpinDown() override;

 protected:
  void OnChar(unsigned ch) override;

 private:
  // Days, hours and minutes of the text (days 0 in the hour form); false
  // when it does not read.
  bool Read(long long* days, long long* hours, long long* minutes) const;
  void Spin(int step);

  bool m_dayForm;
};
