#pragma once
// The spin mechanism of the number, float, date, time and interval edits:
// each edit drives a spin button of its own, and a click on the button's
// arrows steps the edit's value.
#include "ui/Edit.h"
#include "ui/SpinButton.h"

namespace platform {
class CDialog;
}  // namespace platform

// What a spin button steps.
class COSpinParent {
 public:
  virtual ~COSpinParent() = default;
  virtual void SpinUp() = 0;
  virtual void SpinDown() = 0;
};

class CONiceChildSpin : public platform::CSpinButtonCtrl {
 public:
  void SetBuddyEdit(COSpinParent* parent) { m_parent = parent; }

 protected:
  // The upper arrow steps up, the lower one down.
  void OnDeltaPos(int delta) override;

 private:
  COSpinParent* m_parent = nullptr;
};

// An edit with its own spin button.
class COSpinEdit : public platform::CEdit, public COSpinParent {
 public:
  COSpinEdit();
  COSpinEdit(const COSpinEdit&) = delete;
  COSpinEdit& operator=(const COSpinEdit&) = delete;

  // Points the spin at this edit, then takes the places of the dialog's
  // edit and spin controls. False when either is missing.
  bool SubclassDlgItems(int editId, int spinId, platform::CDialog* parent);
  CONiceChildSpin& GetSpin() { return m_spin; }

 protected:
  CONiceChildSpin m_spin;
};
