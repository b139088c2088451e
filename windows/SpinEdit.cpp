#include "SpinEdit.h"

void CONiceChildSpin::OnDeltaPos(int delta) {
  if (!m_parent) return;
  if (delta < 0)
    m_parent->SpinUp();
  else
    m_parent->SpinDown();
}

COSpinEdit::COSpinEdit() { m_spin.SetBuddyEdit(this); }

bool COSpinEdit::SubclassDlgItems(int editId, int spinId, platform::CDialog* parent) {
  m_spin.SetBuddyEdit(this);
  const bool edit = SubclassDlgItem(editId, parent);
  const bool spin = m_spin.SubclassDlgItem(spinId, parent);
  return edit && spin;
}
