#pragma once
// The owner-drawn list of alarms: the alarm page edits a sequence's table in
// it, and the alarm window shows and acknowledges the triggered alarms of the
// running sequence in it. Each row keeps its own copy of an alarm and a tag:
// the alarm's position in the active sequence's table, which is also the key
// of its acknowledgement mark.
#include <QListWidget>
#include <QTimer>
#include <vector>

#include "COAlarm.h"

class CDC;
class DataContext;
struct CRect;

class COAlarmList : public QListWidget {
 public:
  static constexpr int kItemHeight = 17;
  // A row that stands for no alarm of the sequence's table yet.
  static constexpr int kNoTag = -1;

  explicit COAlarmList(DataContext& context, QWidget* parent = nullptr);

  int GetCount() const { return static_cast<int>(m_rows.size()); }
  // -1 when no row is selected.
  int GetCurSel() const;
  void SetCurSel(int row);
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

  // Draws one row into rect (the row's whole width).
  void DrawItem(CDC& dc, int row, const CRect& rect, bool selected, bool focused);

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
