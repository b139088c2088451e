#include "MeasReader.h"

#include <algorithm>

#include "DBUtil.h"
#include "CODBObs.h"
#include "DataContext.h"

// --- reader ---

COMeasReader::COMeasReader(DataContext& context) : m_context(context), m_recMeas(context, &m_db), m_recEvent(context) {
  m_recMeas.SetTarget(&m_current);
}

COMeasReader::~COMeasReader() = default;

void COMeasReader::OpenOrRequeryBoth() {
  for (platform::CRecordset* rs : {static_cast<platform::CRecordset*>(&m_recMeas), static_cast<platform::CRecordset*>(&m_recEvent)}) {
    if (rs == &m_recEvent && !rs->IsOpen()) rs->m_pDatabase = m_db.ReadsSideBySide() ? &m_db : nullptr;
    try {
      if (rs->IsOpen())
        rs->Requery();
      else
        rs->Open(platform::CRecordset::useDefaultType, std::string(), platform::CRecordset::readOnly);
    } catch (const platform::CException& e) {
      ReportTaskReadError(m_context, e);
    }
  }
}

void COMeasReader::SetInterval(const COMeasInterval* interval) {
  m_interval = interval;
  m_pendingLive = false;
  if (interval == nullptr) return;
  const int back = interval->GetMeasAvg() ? interval->GetInterval() : 0;
  platform::CTime t1;
  platform::CTime t2;
  if (interval->GetMeasMode() == COMeasInterval::kByNumber) {
    // Rows are taken by position: row k holds measurement k.
    m_recMeas.m_strFilter.clear();
    m_recEvent.m_strFilter.clear();
    OpenOrRequeryBoth();
    if (!m_recMeas.IsOpen() || m_recMeas.IsEOF()) return;
    // A start before the first row stays on the first row; the end is found
    // from where the start landed.
    const long at = std::max(0, interval->GetFirst() - back - 1);
    try {
      m_recMeas.Move(at);
    } catch (const platform::CException& e) {
      ShowExceptionMessage(e);
    }
    t1 = m_current.GetMeasTime();
    if (!m_recMeas.IsEOF()) {
      try {
        m_recMeas.Move(interval->GetLast() - 1 - at);
        if (m_recMeas.IsEOF() && !m_recMeas.IsBOF()) m_recMeas.MovePrev();
      } catch (const platform::CException& e) {
        ShowExceptionMessage(e);
      }
    }
    t2 = m_current.GetMeasTime();
  } else {
    t2 = interval->GetEndTime();
    t1 = interval->GetStartTime() - platform::CTimeSpan(static_cast<int64_t>(back) * 60);
  }
  m_recMeas.m_strFilter = "[MeasTime] >= " + FormatOdbcTimestamp(t1) + " AND [MeasTime] <= " + FormatOdbcTimestamp(t2);
  m_recEvent.m_strFilter =
      "[EventTime] >= " + FormatOdbcTimestamp(t1) + " AND [EventTime] <= " + FormatOdbcTimestamp(t2);
  OpenOrRequeryBoth();
}

// The live measurement belongs to the pass when it lies inside the interval
// and is not among the rows already read: a row that the database observer
// wrote is visible to the next read at once, so the live copy is needed only
// for a measurement newer than those rows.
bool COMeasReader::LiveInInterval(const COMeas& live) const {
  return m_interval != nullptr && m_interval->Holds(live);
}

void COMeasReader::TakeLive() {
  m_pendingLive = false;
  const COMeas* live = m_context.DBObs().GetLastMeas();
  IMeasurementLink* subject = m_context.Measurement();
  if (subject == nullptr || !subject->HasLastMeas() || !LiveInInterval(*live)) return;
  m_current = *live;
  m_pendingLive = true;
}

void COMeasReader::MoveFirst() {
  try {
    if (m_recMeas.IsOpen() && !(m_recMeas.IsBOF() && m_recMeas.IsEOF())) m_recMeas.MoveFirst();
    if (m_recEvent.IsOpen() && !(m_recEvent.IsBOF() && m_recEvent.IsEOF())) m_recEvent.MoveFirst();
  } catch (const platform::CException& e) {
    ReportTaskReadError(m_context, e);
  }
  const bool atEnd = !m_recMeas.IsOpen() || m_recMeas.IsEOF();
  if (!atEnd) m_recEvent.LoadEvents(m_current);
  m_pendingLive = false;
  if (atEnd) TakeLive();
}

void COMeasReader::MoveNext() {
  const bool wasPending = m_pendingLive;
  const int lastNumber = m_current.GetMeasNo();
  if (m_recMeas.IsOpen() && !m_recMeas.IsEOF()) {
    m_pendingLive = false;
    try {
      m_recMeas.MoveNext();
    } catch (const platform::CException& e) {
      ReportTaskReadError(m_context, e);
    }
  }
  const bool atEnd = !m_recMeas.IsOpen() || m_recMeas.IsEOF();
  if (!wasPending && atEnd && m_interval != nullptr) {
    TakeLive();
    if (m_pendingLive && m_current.GetMeasNo() <= lastNumber) {
      // Already delivered from the database.
      m_pendingLive = false;
    }
  } else {
    m_pendingLive = false;
  }
  m_recEvent.LoadEvents(m_current);
  // The pass is over: the events behind it are not read on.
  if (atEnd && m_recEvent.IsOpen()) m_recEvent.EndRead();
}

bool COMeasReader::IsEOF() const { return !m_pendingLive && (!m_recMeas.IsOpen() || m_recMeas.IsEOF()); }

void COMeasReader::Close() {
  m_recMeas.CloseWithDatabase();
  m_recEvent.CloseWithDatabase();
}

// --- loader ---

void COMeasLoader::SetInterval(const COMeasInterval* interval) {
  m_reader.SetInterval(interval);
  if (interval == nullptr) return;
  m_mode = interval->GetMeasMode();
  m_start = m_mode == COMeasInterval::kByNumber ? interval->GetFirst()
                                                : static_cast<long>(interval->GetStartTime().GetTime());
  if (!interval->GetMeasAvg())
    m_step = 1;
  else
    m_step = m_mode == COMeasInterval::kByNumber ? interval->GetInterval() : interval->GetInterval() * 60;
}

bool COMeasLoader::BeforeStart(const COMeas& m) const {
  return m_mode == COMeasInterval::kByNumber ? m.GetMeasNo() < m_start
                                             : static_cast<long>(m.GetMeasTime().GetTime()) < m_start;
}

void COMeasLoader::Push(const COMeas& m) {
  m_window.push_back(m);
  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    if (!m.GetValue(ch).IsValid()) continue;
    m_sums[ch] += m.GetValue(ch).GetValue();
    ++m_counts[ch];
  }
}

void COMeasLoader::PopOldest() {
  const COMeas& m = m_window.front();
  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    if (!m.GetValue(ch).IsValid()) continue;
    m_sums[ch] -= m.GetValue(ch).GetValue();
    // An empty window starts again from zero, free of rounding left over.
    if (--m_counts[ch] == 0) m_sums[ch] = 0.0;
  }
  m_window.pop_front();
}

void COMeasLoader::ClearWindow() {
  m_window.clear();
  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    m_sums[ch] = 0.0;
    m_counts[ch] = 0;
  }
}

void COMeasLoader::MoveFirst() {
  m_reader.MoveFirst();
  ClearWindow();
  if (m_step == 1 || m_reader.IsEOF()) return;
  m_averaged = m_reader.GetCurrent();
  Push(m_averaged);
  while (BeforeStart(m_averaged) && !m_reader.IsEOF()) MoveNext();
}

void COMeasLoader::MoveNext() {
  m_reader.MoveNext();
  if (m_step == 1 || m_reader.IsEOF()) return;
  // An average never spans a stop of the task.
  if (!m_window.empty() && m_window.back().HasEvent(COEvent::typeTaskStopped)) ClearWindow();
  m_averaged = m_reader.GetCurrent();
  Push(m_averaged);
  // The window is in reading order, so the measurements that fell out of it
  // are at its front.
  if (m_mode == COMeasInterval::kByNumber) {
    const int oldest = m_averaged.GetMeasNo() - m_step;
    while (!m_window.empty() && m_window.front().GetMeasNo() <= oldest) PopOldest();
  } else {
    const platform::CTime oldest = m_averaged.GetMeasTime() - platform::CTimeSpan(m_step);
    while (!m_window.empty() && m_window.front().GetMeasTime() < oldest) PopOldest();
  }
  Average();
}

void COMeasLoader::Average() {
  for (int ch = 0; ch <= COMeas::chWater; ++ch)
    if (m_counts[ch] != 0) m_averaged.SetValue(ch, static_cast<float>(m_sums[ch] / m_counts[ch]));
}

// --- buffer ---

void COMeasBuffer::Read(const COMeasInterval& interval, COMeasColumns& out) {
  const COMeasReadRequest request(m_context, interval);
  std::string error;
  if (request.direct) {
    if (!ReadMeasColumns(request, out, &error)) {
      out.Clear();
      ReportTaskReadError(m_context, platform::CDBException(-1, error, "HY000"));
    }
    return;
  }
  out.Clear();
  m_loader.Close();
  m_loader.SetInterval(&interval);
  for (m_loader.MoveFirst(); !m_loader.IsEOF(); m_loader.MoveNext()) out.Append(m_loader.GetCurrent());
}

void COMeasBuffer::SetInterval(const COMeasInterval* interval) {
  ForgetConverted();
  m_rows.Clear();
  m_passIndex = 0;
  m_currentIndex = -1;
  m_interval = interval;
  m_loaded.reset();
  if (interval == nullptr) return;
  Read(*interval, m_rows);
  m_loaded.emplace(*interval);
}

void COMeasBuffer::Take(const COMeasInterval* interval, const COMeasInterval& readFor, COMeasColumns&& rows,
                        std::vector<std::vector<float>>&& converted, const std::vector<COValueConverter>& by) {
  ForgetConverted();
  m_rows = std::move(rows);
  if (!by.empty() && converted.size() == by.size()) {
    m_converted = std::move(converted);
    m_convertedBy = by;
  }
  m_passIndex = 0;
  m_currentIndex = -1;
  m_interval = interval;
  m_loaded.emplace(readFor);
}

bool COMeasBuffer::CanFollow(const COMeasInterval* interval) const {
  const bool byTime = interval != nullptr && interval->GetMeasMode() == COMeasInterval::kByTime &&
                      !interval->GetMeasAvg();
  return byTime && interval == m_interval && !m_rows.Empty() && m_loaded &&
         m_loaded->GetMeasMode() == COMeasInterval::kByTime && !m_loaded->GetMeasAvg() &&
         !(interval->GetStartTime() < m_loaded->GetStartTime()) && !(interval->GetEndTime() < m_loaded->GetEndTime()) &&
         !(interval->GetStartTime() > m_loaded->GetEndTime());
}

void COMeasBuffer::Follow(const COMeasInterval* interval) {
  if (!CanFollow(interval)) {
    SetInterval(interval);
    return;
  }
  const time_t start = interval->GetStartTime().GetTime();
  size_t drop = 0;
  while (drop < m_rows.Size() && m_rows.Time(drop) < start) ++drop;
  m_rows.DropFront(drop);
  if (m_rows.Empty()) {
    SetInterval(interval);
    return;
  }
  const time_t from = m_rows.Time(m_rows.Size() - 1);
  size_t back = 0;
  while (back < m_rows.Size() && m_rows.Time(m_rows.Size() - 1 - back) >= from) ++back;
  m_rows.DropBack(back);
  for (std::vector<float>& c : m_converted) {
    c.erase(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(std::min(drop, c.size())));
    c.resize(m_rows.Size());
  }
  const int lastKept = m_rows.Empty() ? 0 : m_rows.Number(m_rows.Size() - 1);

  COMeasInterval tail(*interval);
  tail.SetStartTime(platform::CTime(from));
  COMeasColumns added;
  Read(tail, added);
  for (size_t i = 0; i < added.Size(); ++i)
    if (added.Number(i) > lastKept) m_rows.Append(added.Row(i));
  m_loaded.emplace(*interval);
  m_passIndex = 0;
  m_currentIndex = -1;
}

void COMeasBuffer::MoveToIndex(int index) { m_passIndex = std::max(0, index); }

void COMeasBuffer::MoveFirst() { m_passIndex = 0; }

void COMeasBuffer::MoveNext() { ++m_passIndex; }

bool COMeasBuffer::IsAtEnd() const { return m_passIndex >= static_cast<int>(m_rows.Size()); }

const std::vector<std::vector<float>>& COMeasBuffer::Converted(const std::vector<COValueConverter>& by) {
  if (!(by == m_convertedBy) || m_converted.size() != by.size()) {
    m_convertedBy.clear();
    m_converted = ConvertColumns(m_rows, by);
    m_convertedBy = by;
    return m_converted;
  }
  // The rows added since.
  const size_t from = m_converted.empty() ? m_rows.Size() : m_converted[0].size();
  for (size_t c = 0; c < by.size(); ++c) by[c].ConvertInto(m_rows, from, m_converted[c]);
  return m_converted;
}

COMeas& COMeasBuffer::GetCurrent() {
  if (m_passIndex >= 0 && m_passIndex < static_cast<int>(m_rows.Size()) && m_passIndex != m_currentIndex) {
    m_rows.RowInto(static_cast<size_t>(m_passIndex), m_current);
    m_currentIndex = m_passIndex;
  }
  return m_current;
}
