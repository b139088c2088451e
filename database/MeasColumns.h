#pragma once
// The measurements of an interval as a window keeps them: a column per
// channel, the numbers and the times, and the events with the row each
// belongs to. A million rows are eleven arrays, not a million objects, and a
// pass over one channel reads one array.
//
// The column read takes the stored rows straight from the task's file with
// SQLite's own interface. What it needs of the program is copied out on the
// user-interface thread first (COMeasReadRequest), so the read itself may run
// on any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "COMeas.h"
#include "core/LargeArray.h"
#include "MeasInterval.h"

class DataContext;

class COMeasColumns {
 public:
  size_t Size() const { return m_numbers.size() - m_begin; }
  bool Empty() const { return Size() == 0; }
  int Number(size_t i) const { return m_numbers[m_begin + i]; }
  time_t Time(size_t i) const { return m_times[m_begin + i]; }
  float Value(size_t i, int channel) const { return m_values[channel][m_begin + i]; }
  bool IsValueValid(size_t i, int channel) const {
    return channel >= 0 && channel < COMeas::channelCount && COMeas::IsStoredValueValid(channel, Value(i, channel));
  }
  // The channel's column from row 0 on.
  const float* Values(int channel) const { return m_values[channel].data() + m_begin; }
  const time_t* Times() const { return m_times.data() + m_begin; }
  const int* Numbers() const { return m_numbers.data() + m_begin; }

  // The events of row i: [*first, *first + count) of the events.
  void EventRange(size_t i, size_t* first, size_t* count) const;
  // The first event of row i or a later one.
  size_t FirstEventFrom(size_t i) const;
  size_t EventRow(size_t e) const { return m_eventRows[e] - m_begin; }
  size_t EventCount() const { return m_events.size(); }
  COEvent Event(size_t e) const { return COEvent(EventType(e), EventText(e), EventValue(e)); }
  int EventType(size_t e) const { return m_events[e].type; }
  float EventValue(size_t e) const { return m_events[e].value; }
  // As stored, untrimmed.
  const std::string& EventText(size_t e) const { return m_texts[m_events[e].text]; }
  bool HasEvents(size_t i) const {
    size_t first, count;
    EventRange(i, &first, &count);
    return count != 0;
  }

  // Row i as a measurement of its own.
  void RowInto(size_t i, COMeas& out) const;
  COMeas Row(size_t i) const {
    COMeas m;
    RowInto(i, m);
    return m;
  }

  void Reserve(size_t rows);
  // A row after the others; its events follow with AddEvent.
  void Append(int number, time_t time, const float (&values)[COMeas::channelCount]);
  void Append(const COMeas& m);
  // Every row of other after these.
  void Append(const COMeasColumns& other);
  void AddEvent(const COEvent& event);
  // The same from its parts; a text seen shortly before is kept once.
  void AddEvent(int type, std::string_view text, float value);
  void Clear();
  // Drops the first n rows (cheaply: the space is given back now and then)
  // and the last n rows.
  void DropFront(size_t n);
  void DropBack(size_t n);

 private:
  size_t m_begin = 0;
  platform::LargeVector<int> m_numbers;
  platform::LargeVector<time_t> m_times;
  platform::LargeVector<float> m_values[COMeas::channelCount];
  // In row order; the rows counted from the start of the arrays.
  std::vector<uint32_t> m_eventRows;
  // The events' texts are few and repeat (an alarm's, a marker's letter):
  // each event names its text in m_texts.
  struct StoredEvent {
    uint32_t text;
    int type;
    float value;
  };
  std::vector<StoredEvent> m_events;
  std::vector<std::string> m_texts;
  // The texts added last, to find a repeated one without a search.
  uint32_t m_recentTexts[8] = {};
  size_t m_recentNext = 0;
};

// Calls work(0) to work(count - 1), side by side on threads of their own when
// each goes over rows enough to be worth one; returns when all are done.
void ForEachColumn(size_t count, size_t rows, const std::function<void(size_t)>& work);

// What a column read needs of the program, copied on the user-interface
// thread so that the read may run elsewhere.
struct COMeasReadRequest {
  // Copies the interval, the task's file and the live measurement.
  COMeasReadRequest(DataContext& context, const COMeasInterval& interval);

  COMeasInterval interval;
  std::string file;  // the task's file, for the direct read
  bool calibration = false;
  // The measurement the database observer wrote last, while a task runs.
  std::optional<COMeas> live;
  // Whether the rows can be read directly: an interval without a rolling
  // average on a data source of the suite's own driver.
  bool direct = false;
  // From how many rows on the read goes in two halves side by side.
  long halves = 300000;
};

// Reads the interval's rows as the measurement reader delivers them, the
// live measurement after them; false on a database failure (reason in
// *error) or when cancelled midway. Any thread, when request.direct.
bool ReadMeasColumns(const COMeasReadRequest& request, COMeasColumns& out, std::string* error,
                     const std::atomic<bool>* cancel = nullptr);

// The rows that the interval's estimate holds at least, counting no further
// than limit: to tell a long read from a short one before it starts.
long CountMeasRows(const COMeasReadRequest& request, long limit);
