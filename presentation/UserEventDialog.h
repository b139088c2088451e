#pragma once
// A user event on a stored measurement: one comment per measurement, the one
// under the cursors of the current window. A text replaces the comment there,
// an empty text deletes it.
#include <string>

#include "ui/Dialog.h"

class COCursorStatus;
class DataContext;

namespace presentation {

class CEventDialog : public platform::CDialog {
  Q_OBJECT

 public:
  enum { IDD = 177 };
  enum : int { kText = 1125 };

  CEventDialog(DataContext& context, COCursorStatus& cursors, QWidget* parent = nullptr);
  const std::string& Text() const { return m_text; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  DataContext& m_context;
  COCursorStatus& m_cursors;
  std::string m_text;
};

// Runs the dialog, then has the windows read their intervals again whatever
// the answer; returns the answer.
int RunEventDialog(CEventDialog& dialog, DataContext& context);

}  // namespace presentation
