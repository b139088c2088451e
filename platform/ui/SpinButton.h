#pragma once
// A spin button (two small arrows) addressed by the suite's ids. It keeps no
// position of its own: each click on an arrow is reported to OnDeltaPos, and
// the control that owns the button decides what a step means.
#include <QWidget>

class QToolButton;

namespace platform {

class CDialog;

class CSpinButtonCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CSpinButtonCtrl(QWidget* parent = nullptr);

  // Takes the place of the dialog's control with this id (see
  // CDialog::ReplaceDlgItem). False when the dialog has no such control.
  bool SubclassDlgItem(int id, CDialog* parent);
  // 0 until the button has taken a control's place.
  int GetDlgCtrlID() const { return m_id; }

  QToolButton* UpButton() const { return m_up; }
  QToolButton* DownButton() const { return m_down; }

 protected:
  // One step: the upper arrow reports -1 and the lower +1, the direction in
  // which the suite's spin handlers have always counted. Held arrows repeat.
  virtual void OnDeltaPos(int delta) {}

 private:
  QToolButton* m_up;
  QToolButton* m_down;
  int m_id = 0;
};

}  // namespace platform
