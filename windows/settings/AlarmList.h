#pragma once
// The owner-drawn list of alarms: the alarm page edits a sequence's table in
// it, and the alarm window shows and acknowledges the triggered alarms of the
// running sequence in it. Each row keeps its own copy of an alarm and a tag:
// the alarm's position in the active sequence's table, which is also the key
// of its acknowledgement mark.
#include <QTimer>
#include <vector>

#include "COAlarm.h"
#include "ListControls.h"

class DataContext;

class COAlarmList : public CListBox, public COwnerDraw {
 public:
  static constexpr int kItemHeight = 17;
  // A row that stands for no alarm of the sequence's table yet.
  static constexpr int kNoTag = -1;

  explicit COAlarmList(DataContext& context, QWidget* parent = nullptr);

  const COAlarm& GetAlarm(int row) const { return m_rows[static_cast<size_t>(row)].alarm; }
  int GetTag(int row) const { return m_rows[static_cast<size_t>(row)].tag; }

  // Appends with the row count as tag.
  void AddAlarm(const COAlarm& alarm);
  // Appends with the tag given and selects the new row.
  void InsertAlarm(const COAlarm& alarm, int tag);
  // Before the selected row (the top when none is selected); the selection
  // stays on that row, which now shows the new alarm.
  void InsertBefore(const COAlarm& alarm);
  // Removes the selected row and selects the one above (none after row 0).
  void RemoveSelected();
  void ResetContent();
  int GetCount() const { return static_cast<int>(m_rows.size()); }

  // Acknowledges the selected row: the sequence's alarm of its tag is no
  // longer triggered, the row's copy neither triggered nor exceeded, and the
  // row is marked acknowledged. A one-row list then switches every alarm
  // output off.
  void ConfirmSelected();
  // Acknowledges every row, then switches every alarm output off.
  void ConfirmAll();

  bool IsAcknowledged(int row) const;
  bool IsBlinkOn() const { return m_blinkOn; }
  // One tick of the blink timer.
  void ToggleBlink();

  void DrawItem(platform::CDC& dc, const DrawItemInfo& item) override;
  int MeasureItem() const override { return kItemHeight; }

 private:
  struct Row {
    COAlarm alarm;
    int tag;
  };
  void Confirm(int row);
  void SwitchOutputsOff();
  void SyncItems(int select);

  DataContext& m_context;
  std::vector<Row> m_rows;
  bool m_startTimer = true;
  bool m_blinkOn = true;
  QTimer m_blinkTimer;
};
