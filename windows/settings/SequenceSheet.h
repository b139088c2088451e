#pragma once
// "Sequence Settings (<name>)": the modal sheet in which the user edits the
// measurement sequence of the open task on three pages (Sampling, Gas,
// Alarms). The pages edit a copy; OK hands it back to the sequence and
// writes the task's rows, Cancel leaves the sequence as it was.
#include <functional>
#include <memory>
#include <string>

#include "SequencePage.h"
#include "COGenSub.h"

class COAlarmPage;
class COFilterPage;
class COSamplingPage;
class COSequence;
class DataContext;

// Remembers the last active page of each of the program's three property
// sheets until another task is opened.
class COPageStatus : public CGenObserver {
 public:
  void Update(const CGenEvent& event) override;

  int m_sequencePage = -1;
  int m_graphPage = -1;
  int m_numericPage = -1;
};

// What each program's sequence sheet does alike: "Default..." on the active
// page (hidden while a measurement runs or when the sheet only shows), the
// switches the pages share, and the last active page remembered.
class COSettingsSheet : public platform::CPropertySheet {
 public:
  enum { ID_DEFAULT = platform::ID_APPLY_NOW };

  void OnDefault();

 protected:
  // pageStatus: where the last active page is remembered (none in a program
  // without one).
  COSettingsSheet(const std::string& caption, DataContext& context, bool viewOnly, COPageStatus* pageStatus,
                  QWidget* parent, int selectPage = 0);
  // The program's Default dialog on the copy the pages edit, given the
  // active page's checked exchange to validate a store with; its result.
  virtual int RunDefaultDialog(std::function<bool()> validate) = 0;
  DataContext& SheetContext() const { return m_sheetContext; }

  bool OnInitDialog() override;
  void OnCancel() override;
  void OnApplyNow() override { OnDefault(); }
  // Remembers the active page and ends the sheet.
  void Finish(int result);

  bool m_viewOnly;
  SequenceSheetFlags m_flags;

 private:
  DataContext& m_sheetContext;
  COPageStatus* m_pageStatus;
};

class COSequenceSheet : public COSettingsSheet {
 public:

  // A program's own alarm page on the copy the pages edit.
  using AlarmPageFactory =
      std::function<std::unique_ptr<COAlarmPage>(COSequence& edited, bool viewOnly, SequenceSheetFlags& flags)>;

  // sequence: the sequence edited (the program's active one, or one loaded
  // for viewing); pageStatus: where the last active page is remembered (none
  // in a program without one); alarmPage: the program's alarm page in place
  // of the shared one.
  COSequenceSheet(DataContext& context, COSequence& sequence, bool viewOnly, QWidget* parent = nullptr,
                  int selectPage = 0, COPageStatus* pageStatus = nullptr, const AlarmPageFactory& alarmPage = {});
  ~COSequenceSheet() override;

  COSamplingPage& SamplingPage() { return *m_samplingPage; }
  COFilterPage& FilterPage() { return *m_filterPage; }
  // Null when left out (a stand-alone recording viewed).
  COAlarmPage* AlarmPage() { return m_alarmPage.get(); }
  // The copy the pages edit.
  COSequence& EditedSequence() { return *m_edited; }

 protected:
  int RunDefaultDialog(std::function<bool()> validate) override;
  void OnOK() override;

 private:
  // The edits back into the sequence: while a measurement runs only what the
  // pages leave editable then.
  void HandBack(COSequence& target) const;

  COSequence& m_sequence;
  std::unique_ptr<COSequence> m_edited;
  std::unique_ptr<COSamplingPage> m_samplingPage;
  std::unique_ptr<COFilterPage> m_filterPage;
  std::unique_ptr<COAlarmPage> m_alarmPage;
};

// The leak detector's memory switch as the program reaches it on the
// monitor: read before the sheet opens, written after OK. Either may throw
// the link's exceptions.
struct MonitorMemoryAccess {
  std::function<bool()> read;
  std::function<void(bool on)> write;
};

// The "Sequence Settings" command: the sheet on the program's active
// sequence, for editing, modal. For a leak detector the monitor's memory
// setting is read first and handed to the Sampling page, and written back
// after OK with the wait cursor shown, unless the read failed; a
// communication failure is shown.
// Returns the sheet's result.
int RunSequenceSettings(DataContext& context, COPageStatus* pageStatus, QWidget* parent,
                        const MonitorMemoryAccess& memory);

// A stored sequence shown in the sheet, read-only (the cursor-value
// window's "View Settings...").
void ShowSequenceSettings(DataContext& context, COSequence& sequence, QWidget* parent);
