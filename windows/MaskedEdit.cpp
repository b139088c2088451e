#include "MaskedEdit.h"

namespace {

constexpr unsigned kBackspace = 8;
constexpr unsigned kDelete = 127;

bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }

}  // namespace

COMaskedEdit::COMaskedEdit() {
  // Text from an input method or a drop would pass by the key handling.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setAcceptDrops(false);
}

int COMaskedEdit::GetCaret() const {
  int start = 0, end = 0;
  GetSel(start, end);
  return start;
}

void COMaskedEdit::SelectField(int start, int end) {
  m_allowSetSel = true;
  SetSel(start, end);
  ScrollCaret();
  m_allowSetSel = false;
}

int COMaskedEdit::GetCaretField() const {
  const int caret = GetCaret();
  return caret <= 2 ? 0 : caret >= 6 ? 2 : 1;
}

void COMaskedEdit::WriteAndSelectField(const std::string& text, int field) {
  SetWindowText(text);
  SelectField(field * 3, field * 3 + 2);
}

void COMaskedEdit::OnChar(unsigned ch) {
  QString t = text();
  int start = 0, end = 0;
  GetSel(start, end);
  for (int i = start; i < end; ++i)
    if (!IsDigit(t.at(i).unicode())) return;
  if (IsDigit(ch)) {
    COSpinEdit::OnChar(ch);
    return;
  }
  if (ch != kBackspace && ch != kDelete) return;
  if (start == end) {
    if (ch == kDelete) {
      if (end >= t.size() || !IsDigit(t.at(end).unicode())) return;
      ++end;
    } else {
      if (start == 0 || !IsDigit(t.at(start - 1).unicode())) return;
      --start;
    }
  }
  t.remove(start, end - start);
  setText(t);
  SelectField(start, start);
}

bool COMaskedEdit::OnKeyDown(int key) {
  if (key != Qt::Key_Delete) return false;
  OnChar(kDelete);
  return true;
}

bool COMaskedEdit::OnKeyUp(int key) { return key == Qt::Key_Delete; }
