#pragma once
// What the pages of the sequence settings sheet share: the copy of the
// sequence they edit, the view-only mode, and the two switches through which
// the sheet steers their data exchange.
#include "ui/Dialog.h"

class COSequence;
class DataContext;

struct SequenceSheetFlags {
  // While false the range checks of the flushing and alarm fields are
  // skipped: the sheet only gathers what the controls hold.
  bool ddxValidate = true;
  // Set while a page reloads after defaults were loaded.
  bool defaultsLoaded = false;
};

class COSequencePage : public CDialog {
 public:
  COSequencePage(int templateId, DataContext& context, COSequence& sequence, bool viewOnly,
                 SequenceSheetFlags& flags);

  const std::string& Caption() const { return m_caption; }
  // The sheet shows the page: the first time its controls are set up and
  // loaded, later they are loaded again from the sequence; then OnSetActive.
  void Activate();
  bool IsInitialised() const { return m_initialisedOnce; }

 protected:
  // Each time the page becomes the active one.
  virtual void OnSetActive() {}
  // The sheet initialises its pages itself, when it first shows each.
  bool OnInitDialog() override;
  void showEvent(QShowEvent* event) override;

  // Disables each control of the list that exists.
  void EnableItems(std::initializer_list<int> ids, bool enable);
  void ShowItems(std::initializer_list<int> ids, bool show);
  bool Locked() const;

  DataContext& m_context;
  COSequence& m_sequence;
  bool m_viewOnly;
  SequenceSheetFlags& m_flags;
  std::string m_caption;

 private:
  bool m_initialisedOnce = false;
};
