#include "Edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>

#include "Dialog.h"

namespace platform {

namespace {

// The character a key press types, 0 when it only moves, scrolls or belongs
// to the dialog.
unsigned CharOf(QKeyEvent* e) {
  static const struct {
    QKeySequence::StandardKey key;
    unsigned ch;
  } kEditing[] = {{QKeySequence::Copy, 3},  {QKeySequence::Paste, 0x16}, {QKeySequence::Cut, 0x18},
                  {QKeySequence::Undo, 0x1A}, {QKeySequence::Redo, 0x19}, {QKeySequence::SelectAll, 1}};
  switch (e->key()) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return 0;
    default:
      break;
  }
  for (const auto& k : kEditing)
    if (e->matches(k.key)) return k.ch;
  const QString text = e->text();
  if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) return 0;
  return text.at(0).unicode();
}

}  // namespace

CEdit::CEdit(QWidget* parent) : QLineEdit(parent) {}

bool CEdit::SubclassDlgItem(int id, CDialog* parent) {
  if (!parent) return false;
  if (auto* old = qobject_cast<QLineEdit*>(parent->GetDlgItem(id)); old && old != this) {
    setText(old->text());
    setReadOnly(old->isReadOnly());
    setMaxLength(old->maxLength());
    setAlignment(old->alignment());
  }
  if (!parent->ReplaceDlgItem(id, this)) return false;
  m_id = id;
  return true;
}

void CEdit::SetWindowText(const std::string& text) { setText(QString::fromStdString(text)); }

std::string CEdit::GetWindowText() const { return text().toStdString(); }

void CEdit::SetSel(int start, int end) {
  if (AcceptsSetSel()) Select(start, end);
}

void CEdit::Select(int start, int end) {
  const int length = static_cast<int>(text().size());
  if (start < 0) {
    deselect();
    return;
  }
  if (end < 0) end = length;
  start = std::min(start, length);
  end = std::min(end, length);
  if (start == end)
    setCursorPosition(start);
  else
    setSelection(start, end - start);  // a negative length selects backwards
}

void CEdit::GetSel(int& start, int& end) const {
  if (hasSelectedText()) {
    start = selectionStart();
    end = selectionEnd();
  } else {
    start = end = cursorPosition();
  }
}

void CEdit::ScrollCaret() {
  // The line edit keeps its caret in view by itself; a repaint shows where it
  // went.
  update();
}

void CEdit::OnChar(unsigned ch) {
  if (m_keyEvent) {
    QLineEdit::keyPressEvent(m_keyEvent);
  } else if (ch == 8) {
    backspace();
  } else if (ch >= 0x20 && ch != 0x7F) {
    insert(QString(QChar(static_cast<char16_t>(ch))));
  }
}

void CEdit::keyPressEvent(QKeyEvent* event) {
  if (OnKeyDown(event->key())) return;
  const unsigned ch = CharOf(event);
  if (!ch) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  QKeyEvent* outer = m_keyEvent;
  m_keyEvent = event;
  OnChar(ch);
  m_keyEvent = outer;
}

void CEdit::keyReleaseEvent(QKeyEvent* event) {
  if (OnKeyUp(event->key())) return;
  QLineEdit::keyReleaseEvent(event);
}

void CEdit::focusInEvent(QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason) {
    QLineEdit::focusInEvent(event);
    return;
  }
  // The line edit would select everything itself; the request goes through
  // SetSel instead, so that an edit that refuses requests keeps its caret.
  const int caret = cursorPosition();
  int start = 0, end = 0;
  GetSel(start, end);
  QLineEdit::focusInEvent(event);
  if (start != end)
    Select(caret == start ? end : start, caret);
  else
    Select(caret, caret);
  SetSel(0, -1);
}

}  // namespace platform
