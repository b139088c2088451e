#pragma once
// The measurements of one interval, delivered to a pass: the reader reads the
// stored [Meas] rows with their [Event] rows (and, while a task runs, the
// live measurement after them), the loader averages them when the interval
// asks for a rolling average, and the buffer keeps the first pass in memory
// so that later passes over the same interval do not read the database.
#include <deque>
#include <optional>
#include <vector>

#include "COMeas.h"
#include "MeasColumns.h"
#include "MeasInterval.h"
#include "TaskRecords.h"

class DataContext;

// Each reads the task open in the program's context; the live measurement is
// the one its database observer wrote last.
class COMeasReader {
 public:
  explicit COMeasReader(DataContext& context);
  ~COMeasReader();
  COMeasReader(const COMeasReader&) = delete;
  COMeasReader& operator=(const COMeasReader&) = delete;

  void SetInterval(const COMeasInterval* interval);
  void MoveFirst();
  void MoveNext();
  bool IsEOF() const;
  COMeas& GetCurrent() { return m_current; }
  void Close();

 private:
  bool LiveInInterval(const COMeas& live) const;
  void TakeLive();
  void OpenOrRequeryBoth();

  DataContext& m_context;
  const COMeasInterval* m_interval = nullptr;
  bool m_pendingLive = false;
  COMeas m_current;
  // The events are read on the measurements' connection where the two reads
  // can go side by side: a second connection would read its pages afresh.
  platform::CDatabase m_db;
  CORecMeas m_recMeas;
  CORecEvent m_recEvent;
};

class COMeasLoader {
 public:
  explicit COMeasLoader(DataContext& context) : m_reader(context) {}
  void SetInterval(const COMeasInterval* interval);
  void MoveFirst();
  void MoveNext();
  bool IsEOF() const { return m_reader.IsEOF(); }
  COMeas& GetCurrent() { return m_step == 1 ? m_reader.GetCurrent() : m_averaged; }
  void Close() { m_reader.Close(); }

 private:
  bool BeforeStart(const COMeas& m) const;
  void Average();

  int m_step = 1;  // 1: no averaging; else measurements (by number) or seconds
  int m_mode = COMeasInterval::kByTime;
  long m_start = 0;
  std::deque<COMeas> m_window;  // oldest first
  // Running sums of the window's valid values per channel, so that each step
  // adds one measurement and drops the oldest instead of summing again.
  double m_sums[COMeas::chWater + 1] = {};
  int m_counts[COMeas::chWater + 1] = {};
  void Push(const COMeas& m);
  void PopOldest();
  void ClearWindow();
  COMeas m_averaged;
  COMeasReader m_reader;
};

class COMeasBuffer {
 public:
  explicit COMeasBuffer(DataContext& context) : m_context(context), m_loader(context) {}
  // Reads the interval's rows into memory; passes then go over them.
  void SetInterval(const COMeasInterval* interval);
  // As SetInterval, for an interval that a running task moved on in time:
  // the measurements that stay inside are kept and only the newer ones are
  // read, so that following a task costs what it added, not the interval.
  // The measurements of the last second read are read again, as the live
  // one among them was taken before its events were stored. Anything else
  // (another mode, a rolling average, a move back) reads the whole interval.
  void Follow(const COMeasInterval* interval);
  // Whether a follow to the interval keeps the rows in memory.
  bool CanFollow(const COMeasInterval* interval) const;
  // Takes rows read elsewhere (off the user-interface thread) for the
  // interval as it stood then (readFor), and their values converted there
  // by each of by (ConvertColumns), when it made them.
  void Take(const COMeasInterval* interval, const COMeasInterval& readFor, COMeasColumns&& rows,
            std::vector<std::vector<float>>&& converted = {}, const std::vector<COValueConverter>& by = {});
  void MoveFirst();
  void MoveNext();
  bool IsAtEnd() const;
  // The measurement the pass stands on, made from the columns.
  COMeas& GetCurrent();
  void Close() { m_loader.Close(); }
  bool IsLoaded() const { return m_loaded.has_value() || m_interval == nullptr; }
  // How many measurements the interval held, and a pass that starts at the
  // index-th of them.
  int GetCount() const { return static_cast<int>(m_rows.Size()); }
  void MoveToIndex(int index);
  int GetIndex() const { return m_passIndex; }
  const COMeasColumns& Rows() const { return m_rows; }
  // The rows' values converted by each of by, kept while the same
  // converters ask: a follow converts only the rows it added.
  const std::vector<std::vector<float>>& Converted(const std::vector<COValueConverter>& by);

 private:
  // The rows of an interval: straight from the task's file where it can be
  // read so, else through the loader.
  void Read(const COMeasInterval& interval, COMeasColumns& out);

  DataContext& m_context;
  COMeasColumns m_rows;
  int m_passIndex = 0;
  COMeas m_current;
  int m_currentIndex = -1;
  COMeasLoader m_loader;
  // What the rows in memory were read for, to know whether a follow can keep
  // them.
  const COMeasInterval* m_interval = nullptr;
  std::optional<COMeasInterval> m_loaded;
  std::vector<COValueConverter> m_convertedBy;  // empty: nothing converted
  std::vector<std::vector<float>> m_converted;
  void ForgetConverted() { m_convertedBy.clear(); }
};
