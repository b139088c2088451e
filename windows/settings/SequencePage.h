#pragma once
// What the pages of the sequence settings sheet share: the copy of the
// sequence they edit, the view-only mode, and the two switches through which
// the sheet steers their data exchange.
#include <QStringList>
#include <initializer_list>

#include "ui/PropertySheet.h"

class COSequence;
class DataContext;
class QLabel;
class QLineEdit;
namespace platform {
class CSpinButtonCtrl;
}

struct SequenceSheetFlags {
  // While false the range checks of the flushing and alarm fields are
  // skipped: the sheet only gathers what the controls hold.
  bool ddxValidate = true;
  // Set while a page reloads after defaults were loaded.
  bool defaultsLoaded = false;
};

// Enables or disables, shows or hides each control of the list that the
// dialog has.
void EnableDlgItems(const platform::CDialog& dialog, std::initializer_list<int> ids, bool enable);
void ShowDlgItems(const platform::CDialog& dialog, std::initializer_list<int> ids, bool show);

// The entries of the S.I.T. combo boxes: the modes, in the order of
// MeasTimeMode, and a filter's own times, in the order of their codes.
QStringList SitModeEntries();
QStringList SitTimeEntries();

class COSequencePage : public platform::CPropertyPage {
 public:
  COSequencePage(int templateId, const std::string& caption, DataContext& context, COSequence& sequence,
                 bool viewOnly, SequenceSheetFlags& flags);

 protected:
  void EnableItems(std::initializer_list<int> ids, bool enable) { EnableDlgItems(*this, ids, enable); }
  void ShowItems(std::initializer_list<int> ids, bool show) { ShowDlgItems(*this, ids, show); }
  // A measurement runs or the sheet only shows the sequence.
  bool Locked() const;
  // Controls made in parent and known to the page by their ids; a label of
  // id 0 is not looked up.
  QLabel* AddLabel(int id, const char* text, QWidget* parent);
  QLineEdit* AddEdit(int id, QWidget* parent, int maxWidth);
  platform::CSpinButtonCtrl* AddSpin(int id, QWidget* parent);

  DataContext& m_context;
  COSequence& m_sequence;
  bool m_viewOnly;
  SequenceSheetFlags& m_flags;
};
