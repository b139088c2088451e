#pragma once
// The record classes of a task database. They connect to the task that is
// open in the program (its system set-up's database name), read when they
// open.
#include <string>
#include <vector>

#include "CORecBase.h"
#include "COMeas.h"
#include "MeasInterval.h"

class COAlarm;
class COSequence;

// [Sequence]: one row per sequence, exchanged with the fields of a sequence.
class CORecSequence : public CORecTaskBase {
 public:
  explicit CORecSequence(DataContext& context);
  // connectMode 1 reaches the measurement prototype, which holds the default
  // settings; any other the open task.
  void SetTarget(COSequence* sequence, int connectMode = 0);
  // Writes the row and puts it back into edit mode; a failure is shown and
  // gives false.
  bool Save(COSequence* sequence);

 protected:
  std::string GetDatabaseName() override;
  std::string GetDefaultSQL() override { return "[Sequence]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COSequence* m_target = nullptr;
  int m_connectMode = 0;
};

// [Global] of a task database: the monitor's serial, the filters' UA
// numbers, and the gas names and molecular weights frozen for locked filters.
class CORecMeasGlobal : public CORecTaskBase {
 public:
  using CORecTaskBase::CORecTaskBase;
  void SetTarget(COSequence* sequence) { m_target = sequence; }

 protected:
  std::string GetDefaultSQL() override { return "[Global]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COSequence* m_target = nullptr;
};

// The columns of a task's [Global] row: the monitor's serial and, per filter,
// its UA number, gas name and molecular weight.
void ExchangeTaskGlobal(platform::CFieldExchange* pFX, std::string& serial, std::string (&ua)[5], std::string (&gas)[5],
                        float (&mw)[5]);

// [Meas]: one row per measurement. Temperature is the Calibration program's
// alone; elsewhere that column is neither read nor written.
class CORecMeas : public CORecTaskBase {
 public:
  // db: a connection shared with other sets; else the set opens its own.
  explicit CORecMeas(DataContext& context, platform::CDatabase* db = nullptr);
  void SetTarget(COMeas* meas) { m_target = meas; }
  COMeas* GetTarget() const { return m_target; }

 protected:
  std::string GetDefaultSQL() override { return "[Meas]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  COMeas* m_target = nullptr;
};

// [Event]: one row per event, at the time of its measurement.
class CORecEvent : public CORecTaskBase {
 public:
  explicit CORecEvent(DataContext& context, platform::CDatabase* db = nullptr);

  // The events at the measurement's time, from the row the set is on.
  void LoadEvents(COMeas& meas);
  // The comment of a measurement: rewrites the one at its time or adds it.
  void SaveEvent(COMeas& meas, const COEvent& event);
  // Adds an event at the measurement's time; a comment replaces the one there.
  void AddEvent(COMeas& meas, const std::string& text, int type, float value);
  void ReplaceEvent(COMeas& meas, const COEvent& event);
  void AddEventById(COMeas& meas, unsigned stringId, int type, float value);
  // Deletes the comment at the measurement's time; false when there is none.
  bool DeleteComment(const COMeas& meas);
  // The filter on the events of that type at that time.
  static std::string EventFilter(const platform::CTime& time, int type);

  platform::CTime m_EventTime;
  unsigned char m_EventType = 0;
  std::string m_EventText;
  float m_FloatValue = 0.0f;

 protected:
  std::string GetDefaultSQL() override { return "[Event]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  void SelectComment(const platform::CTime& time, int type);
};

// [Alarm]: the alarms of each sequence.
class CORecAlarm : public CORecTaskBase {
 public:
  enum OptBits { kLimit2 = 0, kRollingAvg = 1, kPC = 2, kMonitor = 3, kRelay1 = 4, kRelay2 = 5 };

  using CORecTaskBase::CORecTaskBase;

  void LoadAlarms(int sequenceNum, std::vector<COAlarm>& alarms);
  // Replaces the sequence's rows by one per alarm, in order.
  void SaveAlarms(int sequenceNum, const std::vector<COAlarm>& alarms);
  // Closes the set and its connection, releasing the task database.
  void Close() override;

  int m_SequenceNum = 0;
  unsigned char m_Filter = 0;
  float m_Limit = 0.0f;  // ppm, as the alarm keeps it
  int m_RollingAvg = 0;
  unsigned char m_OptMask = 0;

 protected:
  std::string GetDefaultSQL() override { return "[Alarm]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  void SelectSequence(int sequenceNum);
};

// [OpenColumns]: the columns of each saved window.
class CORecOpenColumns : public CORecTaskBase {
 public:
  explicit CORecOpenColumns(DataContext& context, platform::CDatabase* db = nullptr)
      : CORecTaskBase(context, db), m_column(context) {}
  void DeleteAll();

  int m_ID = 0;
  CColumn m_column;

 protected:
  std::string GetDefaultSQL() override { return "[OpenColumns]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;
};

// [OpenWindows]: one row per window open when the task was last closed,
// with the window's interval.
class CORecOpenWindows : public CORecTaskBase {
 public:
  enum WindowType { kNumeric = 0, kGraph = 1, kStatus = 2, kAlarms = 3, kCursorValues = 4 };

  explicit CORecOpenWindows(DataContext& context, platform::CDatabase* db = nullptr)
      : CORecTaskBase(context, db), m_interval(context) {}

  // Deletes every window and every column.
  void DeleteAll();
  // The columns of the current window, each attached to the program's sequence.
  void LoadColumns(std::vector<CColumn>& columns);
  // Adds a row per column for the current window and empties the array.
  void SaveColumns(std::vector<CColumn>& columns);

  int m_ID = 0;
  int m_WindowType = 0;
  int m_WindowStyle = 0;
  int m_Top = 0;
  int m_Left = 0;
  int m_Right = 0;
  int m_Bottom = 0;
  COMeasInterval m_interval;

 protected:
  std::string GetDefaultSQL() override { return "[OpenWindows]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;
};
