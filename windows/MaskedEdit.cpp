#include "MaskedEdit.h"

namespace {

constexpr unsigned kSelectAll = 1;
constexpr unsigned kCopy = 3;
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
  if (ch == kSelectAll) {
    SelectField(0, static_cast<int>(t.size()));
    return;
  }
  if (ch == kCopy) {
    COSpinEdit::OnChar(ch);
    return;
  }
  const bool digit = IsDigit(ch);
  if (!digit && ch != kBackspace && ch != kDelete) {
    // A separator typed where it stands steps over it; any other character
    // goes nowhere.
    if (start == end && start < t.size() && t.at(start).unicode() == ch) SelectField(start + 1, start + 1);
    return;
  }
  bool separators = false;
  for (int i = start; i < end; ++i) separators = separators || !IsDigit(t.at(i).unicode());
  if (separators) {
    // Over a selection with separators (all of the text, say) the selected
    // digits go and the separators stay; a digit typed takes the first place.
    QString kept = t.left(start);
    for (int i = start; i < end; ++i)
      if (!IsDigit(t.at(i).unicode())) kept += t.at(i);
    kept += t.mid(end);
    setText(kept);
    SelectField(start, start);
    if (digit) OnChar(ch);
    return;
  }
  if (digit) {
    COSpinEdit::OnChar(ch);
    return;
  }
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
