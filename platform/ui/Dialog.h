#pragma once
// Dialog base on Qt: controls are addressed by the suite's ids, values pass
// between members and controls in DoDataExchange, and a failed check keeps the
// dialog open.
#include <QDialog>
#include <QPointer>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QBoxLayout;
class QRadioButton;

namespace platform {

class CDialog;

// Direction and outcome of one data exchange.
class CDataExchange {
 public:
  CDataExchange(CDialog* dlg, bool save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
  // Names the control that a failure of what follows is about; an edit also
  // gets its whole text selected then.
  void PrepareCtrl(int id);
  void PrepareEditCtrl(int id);
  // Ends the exchange as failed; when saving, the focus goes to the prepared
  // control and the dialog stays open.
  [[noreturn]] void Fail();

  CDialog* m_pDlgWnd;
  bool m_bSaveAndValidate;
  int m_idLastControl = 0;
  bool m_bEditLastControl = false;
};

class CDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CDialog(int templateId, QWidget* parent = nullptr);

  int GetTemplateId() const { return m_templateId; }
  // Runs the dialog modally; the result given to EndDialog (IDCANCEL when closed).
  virtual int DoModal();
  // Exchanges values with the controls; false when a check failed.
  bool UpdateData(bool saveAndValidate = true);

  QWidget* GetDlgItem(int id) const;
  // Puts the control in the place of the one with this id: the same parent
  // and layout slot (or geometry), tab order, enabled and hidden state, tool
  // tip and label buddy; the old control is deleted and the id names the new
  // one. False when no control has the id.
  bool ReplaceDlgItem(int id, QWidget* control);
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  void EndDialog(int result);

 protected:
  // Called once before the dialog is first shown; the base loads the values
  // into the controls.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* dx) {}
  // OK saves and closes only when the exchange succeeds.
  virtual void OnOK();
  virtual void OnCancel();
  // Makes a control reachable by its id.
  void AddItem(int id, QWidget* control);
  // Radio buttons (id, text) on parent, one exclusive group in this order
  // (the order DDX_Radio counts), each reachable by its id; the caller lays
  // them out.
  std::vector<QRadioButton*> AddRadioGroup(QWidget* parent,
                                           std::initializer_list<std::pair<int, const char*>> buttons);
  // The row of OK (the default) and Cancel at the right, as IDOK and IDCANCEL.
  void AddOkCancel(QBoxLayout* layout);

  void showEvent(QShowEvent* event) override;

 public:
  // The dialog's own buttons and keys end up here.
  void accept() override { OnOK(); }
  void reject() override { OnCancel(); }

 private:
  int m_templateId;
  bool m_initialised = false;
  // A control destroyed before the dialog (a member of a derived dialog) is
  // no longer found by its id.
  std::map<int, QPointer<QWidget>> m_items;
};

}  // namespace platform
