#pragma once
// The alarm window: the triggered alarms of the running sequence, each until
// the user confirms it. It follows every new measurement and the task's
// sequence changes; confirming the last one switches the alarm outputs off.
#include <QPushButton>

#include "AlarmList.h"
#include "ViewBase.h"

class COAlarmStatus;

class CAlarmsView : public CMeasViewBase {
 public:
  enum : int { kList = 1138, kConfirm = 1141, kConfirmAll = 1142 };

  // status: its open flag is set while the window lives.
  CAlarmsView(CWindowLayer& layer, CDocument* document, COAlarmStatus& status, QWidget* parent = nullptr);
  ~CAlarmsView() override;

  std::string GetWindowTitle() const override { return "Alarm Status"; }
  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  void OnGeneralUpdate(const CGenEvent& event) override;

  COAlarmList& List() { return m_list; }
  void ConfirmSelected();
  void ConfirmAll();
  // The list again from the active sequence's triggered alarms.
  void ShowAlarms();

 private:
  COAlarmStatus& m_status;
  COAlarmList m_list;
  QPushButton m_confirm;
  QPushButton m_confirmAll;
};
