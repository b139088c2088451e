#pragma once
// A single-line edit control addressed by the suite's ids. It takes the place
// of a dialog's control by id, answers selection requests the way the suite's
// edits expect (a control may refuse them), and hands typed characters and
// key presses to virtual handlers, so that masked edits can filter them.
#include <QLineEdit>
#include <string>

class QFocusEvent;
class QKeyEvent;

namespace platform {

class CDialog;

class CEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CEdit(QWidget* parent = nullptr);

  // Takes the place of the dialog's control with this id (see
  // CDialog::ReplaceDlgItem) and keeps the text, read-only state and length
  // limit of a line edit found there. False when the dialog has no such
  // control.
  bool SubclassDlgItem(int id, CDialog* parent);
  // 0 until the edit has taken a control's place.
  int GetDlgCtrlID() const { return m_id; }

  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;

  // A selection request, from a caller or from the dialog. start -1 removes
  // the selection and leaves the caret; end -1 means the end of the text; the
  // caret ends at end. Ignored while AcceptsSetSel() is false.
  void SetSel(int start, int end);
  // The selection's bounds, lower first; both the caret when nothing is
  // selected.
  void GetSel(int& start, int& end) const;
  void ScrollCaret();

 protected:
  virtual bool AcceptsSetSel() const { return true; }
  // A character typed into the edit: 8 is backspace, control characters stand
  // for copy (3), paste (0x16), cut (0x18), undo (0x1A), redo (0x19) and
  // select all (1). The default types it.
  virtual void OnChar(unsigned ch);
  // A key before it becomes a character (Qt::Key values); true swallows it.
  // The delete key, Tab, Enter and Escape never become characters.
  virtual bool OnKeyDown(int key) { return false; }
  virtual bool OnKeyUp(int key) { return false; }

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // Tabbing into the edit asks for the whole text to be selected, through
  // SetSel, as a dialog does.
  void focusInEvent(QFocusEvent* event) override;

 private:
  // Sets the selection whether or not requests are accepted.
  void Select(int start, int end);

  int m_id = 0;
  QKeyEvent* m_keyEvent = nullptr;  // the key being turned into a character
};

}  // namespace platform
