#pragma once
// A comment (a user event) on a measurement while the Online program runs:
// on the measurement under the cursors, on the last one received, or on the
// next one still to come.
#include "COGenSub.h"
#include "ui/Dialog.h"

class COCursorStatus;
class COMeas;
class ProgramContext;

class CEventDialog : public platform::CDialog, public CGenObserver {
  Q_OBJECT

 public:
  enum { IDD = 177 };
  enum : int { kAtCursor = 1022, kPrevious = 1139, kNext = 1140, kText = 1125 };
  enum Position { kPositionCursor = 0, kPositionPrevious = 1, kPositionNext = 2 };

  CEventDialog(ProgramContext& context, COCursorStatus& cursors, QWidget* parent = nullptr);
  ~CEventDialog() override;

  int DoModal() override;
  int GetPosition() const { return m_position; }

  // Every announcement of the general subject brings the captions up to date.
  void Update(const CGenEvent& event) override;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  bool CursorUsable() const;
  bool HasPrevious() const;
  bool ByNumber() const;
  std::string Caption(const char* label, const COMeas& meas) const;
  void UpdateCaptions();
  std::string StoredComment(const COMeas& meas) const;

  ProgramContext& m_context;
  COCursorStatus& m_cursors;
  int m_position = kPositionNext;
  std::string m_text;
};
