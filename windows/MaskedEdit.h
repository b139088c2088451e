#pragma once
// The base of the date, time and interval edits: digit fields between fixed
// separators. Only digits can be typed, deleted or replaced, so a separator
// never goes: typed over a selection that holds separators, the selected
// digits go and the separators stay, and a separator typed where it stands
// steps over it. Only the control itself and the person (select all) place
// its selection, so that the spin steps the field the user last put the
// caret in.
#include "SpinEdit.h"

class COMaskedEdit : public COSpinEdit {
 public:
  COMaskedEdit();

 protected:
  // The caret: the start of the selection.
  int GetCaret() const;
  // Selects characters start to end (end excluded) and shows the caret.
  void SelectField(int start, int end);
  // Of three two-digit fields ("05-12-15", "12:30:00", "01:02:03"), the one
  // the caret stands in: 0 up to position 2, 2 from position 6, else 1.
  int GetCaretField() const;
  // Writes the text and selects the digits of field 0, 1 or 2.
  void WriteAndSelectField(const std::string& text, int field);

  bool AcceptsSetSel() const override { return m_allowSetSel; }
  void OnChar(unsigned ch) override;
  // The delete key acts as character 127; its release is swallowed.
  bool OnKeyDown(int key) override;
  bool OnKeyUp(int key) override;

  // Set only while the control places its own caret.
  bool m_allowSetSel = false;
};
