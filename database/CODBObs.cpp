#include "CODBObs.h"

#include <algorithm>
#include <filesystem>

#include "COGenSub.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "FilterData.h"
#include "StringEx.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {
constexpr uint64_t kDiskReserve = 1 << 20;
}  // namespace

CODBObs::CODBObs(DataContext& context)
    : m_context(context), m_recMeas(context, &m_db), m_recEvent(context, &m_db) {
  m_recMeas.SetTarget(&m_meas);
  m_recMeas.m_strSort = "[MeasNo]";
}

CODBObs::~CODBObs() = default;

void CODBObs::CloseRecordsets() {
  m_recMeas.CloseWithDatabase();
  m_recEvent.CloseWithDatabase();
  m_openedFor.clear();
}

void CODBObs::QueueComment(const COEvent& comment) {
  DropQueuedComments();
  m_pendingEvents.push_back(comment);
}

void CODBObs::DropQueuedComments() {
  m_pendingEvents.erase(std::remove_if(m_pendingEvents.begin(), m_pendingEvents.end(),
                                       [](const COEvent& e) { return e.GetType() == COEvent::typeComment; }),
                        m_pendingEvents.end());
}

void CODBObs::Update(const CGenEvent& event) {
  switch (event.kind) {
    case eDBChanged:
      m_reserve.Release();
      m_pendingEvents.clear();
      // The sets follow the task: the next write opens them on the new one.
      CloseRecordsets();
      break;
    case eTaskStarted:
      m_firstMeasPending = true;
      m_taskRunning = true;
      m_aborted = false;
      m_writeFailed = false;
      m_storingStopped = false;
      m_storedInRun = false;
      // Not held: the margin stops storing at the first sample.
      if (const std::string folder = TaskFolder(); !folder.empty()) m_reserve.Hold(folder, kDiskReserve);
      break;
    case eNewMeas: {
      // Inside the running pass: delivered after it. A sample numbered 0 was
      // not stored.
      if (const COMeas* stored = WriteMeasurement(*event.meas)) {
        m_context.GenSub().NotifyMeas(eMeasStored, *stored);
      } else {
        COMeas unstored = *event.meas;
        unstored.SetMeasNo(0);
        m_context.GenSub().NotifyMeas(eMeasStored, unstored);
      }
      break;
    }
    case eTaskStopped:
      m_reserve.Release();
      if (!m_firstMeasPending && m_taskRunning) {
        try {
          m_recEvent.AddEventById(m_lastMeas, IDS_TASK_STOPPED, COEvent::typeTaskStopped, 0.0f);
        } catch (const platform::CException& e) {
          // The full disk has been told; the stop is tried all the same.
          if (!(m_storingStopped && IsDiskFull(e))) ReportException(IDS_DB_ERROR, e);
        }
      }
      m_taskRunning = false;
      break;
    default:
      break;
  }
}

bool CODBObs::StartKeepsTimeOrder(const platform::CTime& clockSetAt, CalibTime* notBefore, CalibTime* lastStored) {
  *notBefore = CalibTime();
  if (lastStored != nullptr) *lastStored = CalibTime();
  platform::CTime last;
  try {
    COMeas stored;
    CORecMeas meas(m_context);
    meas.SetTarget(&stored);
    meas.m_strSort = "[MeasTime]";
    meas.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    const bool any = !meas.IsEOF();
    if (any) meas.MoveLast();
    meas.CloseWithDatabase();
    if (!any) return true;
    last = stored.GetMeasTime();
    if (lastStored != nullptr) *lastStored = CalibTime(last);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return false;
  }
  // The clock goes out as the minute after the set-up's moment, so a start
  // from the last measurement's minute on dates every sample after it.
  const platform::CTime from = last - platform::CTimeSpan(last.GetSecond());
  if (clockSetAt >= from) return true;
  constexpr int64_t kLongestWait = 120;
  if ((from - clockSetAt).GetTotalSeconds() <= kLongestWait) {
    *notBefore = CalibTime(from);
    return true;
  }
  ShowMessageText(platform::Format(platform::LoadString(IDS_START_BEFORE_LAST_MEAS).c_str(),
                                   last.Format("%y-%m-%d %X").c_str(), from.Format("%y-%m-%d %X").c_str()));
  return false;
}

void CODBObs::OpenMeasSet() {
  const std::string task = m_context.Setup().GetDatabaseName();
  if (m_recMeas.IsOpen() && task == m_openedFor) return;
  CloseRecordsets();
  m_recMeas.Open();
  m_openedFor = task;
  if (!m_recMeas.IsEOF()) m_recMeas.MoveLast();
}

std::string CODBObs::MonitorAlarmText(const COMeas& meas, int f) const {
  const MonitorSetup& monitor = m_context.GetMonitorSetup();
  const MeasValue limit1 = f < 5 ? monitor.GetFilter(f).m_alarmLimit1 : monitor.m_waterAlarmLimit1;
  const MeasValue limit2 = f < 5 ? monitor.GetFilter(f).m_alarmLimit2 : monitor.m_waterAlarmLimit2;
  const COSystemSetup& setup = m_context.Setup();
  const std::string gas = m_context.ActiveSequence().GetGasName(f);
  const std::string unit = f < 5 ? setup.GetGasConcUnitText() : setup.GetHumidityUnitText();
  auto line = [&](const MeasValue& limit, const char* which) {
    CStringEx number;
    number.NumFormat(limit);
    return gas + ": " + number.GetString() + " " + unit + which;
  };
  std::string text = line(limit1, " (Limit 1)");
  if (limit2.IsValid() && meas.GetValue(f) > limit2) text += "\r\n" + line(limit2, " (Limit 2)");
  return text;
}

std::string CODBObs::TaskFolder() const {
  std::error_code ec;
  const std::filesystem::path file =
      std::filesystem::canonical(m_context.Setup().DataFile(m_context.Setup().GetDatabaseName()), ec);
  return ec ? std::string() : file.parent_path().string();
}

bool CODBObs::DiskNearlyFull() const {
  if (m_diskMargin == 0) return false;
  const std::string folder = TaskFolder();
  if (folder.empty()) return false;
  std::error_code ec;
  const std::filesystem::space_info space = std::filesystem::space(folder, ec);
  return !ec && space.available < m_diskMargin;
}

void CODBObs::StopStoring() {
  // The room held for the stop's own writes.
  m_reserve.Release();
  m_storingStopped = true;
  m_writeFailed = true;
  if (m_storedInRun)
    ShowMessageText(platform::Format(platform::LoadString(IDS_DISK_FULL_STOPPED).c_str(),
                                     m_lastMeas.GetMeasTime().Format("%y-%m-%d %X").c_str()));
  else
    ShowMessage(IDS_DISK_FULL_NOTHING_STORED);
  if (IMeasurementLink* link = m_context.Measurement()) link->StopMeasurement();
}

const COMeas* CODBObs::WriteMeasurement(const COMeas& sample) {
  // Samples that come after a full disk are not stored, and not reported
  // one by one.
  if (m_storingStopped) return nullptr;
  if (DiskNearlyFull()) {
    StopStoring();
    return nullptr;
  }
  const COMeas lastStored = m_lastMeas;
  bool rowStored = false;
  try {
    OpenMeasSet();
    COMeas& last = m_lastMeas;
    last = sample;
    if (m_firstMeasPending && m_firstMeasCheck) m_aborted = !m_firstMeasCheck(last);
    if (m_aborted) return nullptr;

    for (COEvent& event : last.GetEvents()) {
      if (event.GetType() == COEvent::typeAlarm) {
        // The filter index comes from the monitor: one that names no filter
        // keeps the text it came with.
        const float f = event.GetValue();
        if (f >= 0.0f && f <= 5.0f) event.SetText(MonitorAlarmText(last, static_cast<int>(f)));
      }
      m_pendingEvents.push_back(event);
    }
    last.GetEvents().clear();

    int number = 1;
    if (!(m_recMeas.IsBOF() && m_recMeas.IsEOF())) {
      m_recMeas.MoveLast();
      number = m_meas.GetMeasNo() + 1;
    }
    last.SetMeasNo(number);

    m_recMeas.AddNew();
    m_meas = last;
    m_recMeas.Update();
    rowStored = true;
    m_storedInRun = true;
    m_recMeas.Requery();

    if (m_firstMeasPending) {
      m_firstMeasPending = false;
      m_recEvent.AddEventById(last, IDS_TASK_STARTED, COEvent::typeTaskStarted, 0.0f);
    }
    while (!m_pendingEvents.empty()) {
      m_recEvent.ReplaceEvent(last, m_pendingEvents.front());
      m_pendingEvents.erase(m_pendingEvents.begin());
    }

    COSequence& seq = m_context.ActiveSequence();
    seq.CheckAlarms(last);
    for (const COAlarm& alarm : seq.GetAlarms()) {
      if (alarm.IsExceeded())
        m_recEvent.AddEvent(last, alarm.GetDescription(), COEvent::typeAlarm, static_cast<float>(alarm.GetFilter()));
    }
  } catch (const platform::CException& e) {
    m_writeFailed = true;
    if (!rowStored) {
      // What failed was not stored: the last stored one is the one before.
      m_lastMeas = lastStored;
    }
    if (IsDiskFull(e))
      StopStoring();
    else
      ReportException(IDS_DB_ERROR, e);
  }
  return rowStored ? &m_lastMeas : nullptr;
}
