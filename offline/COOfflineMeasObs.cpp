#include "COOfflineMeasObs.h"

#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "OfflineStrings.h"
#include "ProgramContext.h"
#include "Rs232Trace.h"
#include "StringIds.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

// Gases and water vapour are recorded in mg/m³ and kept in ppm, converted at
// the normalisation temperature and this pressure (kPa).
constexpr float kNormPressure = 101.33f;
// A task takes records from this long before its sequence's start.
constexpr int kStartTolerance = 60;
// Fewer records than this left to store once the monitor is done are not
// worth a progress bar of their own.
constexpr int kCountingThreshold = 3;

}  // namespace

void TraceTime(Rs232Trace& trace, const std::string& label, const platform::CTime& time) {
  const std::tm tm = time.GetLocalTm();
  trace.Log(platform::Format("%s,Y:%d M:%d D:%d H:%d M:%d S:%d\n", label.c_str(), tm.tm_year + 1900, tm.tm_mon + 1,
                             tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec));
}

COOfflineMeasObs::COOfflineMeasObs(ProgramContext& context)
    // Quiet: a cancel, or a stop for the task's sake, is no communication error.
    : COProgress(&context.MeasObs()->GetDevice(), true), m_context(context), m_obs(*context.MeasObs()) {
  m_context.DBObs().SetFirstMeasCheck([this](const COMeas& meas) { return CheckFirstRecord(meas); });
}

COOfflineMeasObs::~COOfflineMeasObs() {
  m_context.DBObs().SetFirstMeasCheck(nullptr);
  m_upload.reset();
}

bool COOfflineMeasObs::Connect(bool ask) { return m_obs.Connect(ask); }

void COOfflineMeasObs::Disconnect() { m_obs.Disconnect(); }

bool COOfflineMeasObs::LoadFilterConfiguration() { return m_obs.LoadSetupFromDatabase(); }

OfflineUploadResult COOfflineMeasObs::UploadMeasurements(const platform::CTime& start, const platform::CTime& stop) {
  m_result = OfflineUploadResult();
  COSequence& seq = m_context.ActiveSequence();
  seq.Close();
  seq.Load();
  m_caption = platform::LoadString(IDS_UPLOADING);
  m_text = platform::LoadString(IDS_UPLOADING_MEASUREMENTS);
  if (!StartUpload(start, stop)) return m_result;
  m_context.GenSub().Notify(eTaskStarted);
  const int shown = DoModalFor(m_upload.get());
  // Without a window to wait in, or once it gave up waiting, the upload
  // ends here; the monitor gets its units back on the way.
  if (shown == -1 || !m_result.finished) m_upload->Cancel();
  return m_result;
}

bool COOfflineMeasObs::StartUpload(const platform::CTime& start, const platform::CTime& stop) {
  COSequence& seq = m_context.ActiveSequence();
  if (!m_obs.CheckMonitorAgainstSequence()) return false;
  seq.SetReservedFlag(true);
  seq.Save();

  m_state = start > platform::CTime::GetCurrentTime() ? MeasState::delayedStart : MeasState::starting;
  m_moreWaiting = false;
  m_counting = false;
  m_stopDelivery = false;
  Notify();

  DeviceKovo& device = m_obs.GetDevice();
  m_upload = CreateOfflineMeasService(device, m_context.Instrument(), this);
  MonitorSetup setup = device.GetSetup();
  setup.m_startTime = CalibTime(start);
  setup.m_stopTime = CalibTime(stop);
  device.SetSetup(setup);
  m_upload->Start();
  return true;
}

bool COOfflineMeasObs::CheckFirstRecord(const COMeas& meas) {
  const platform::CTime start = m_context.ActiveSequence().GetStartTime();
  const platform::CTime check = start - platform::CTimeSpan(kStartTolerance);
  TraceTime(m_context.SerialTrace(), "CODBObs::UpdateOnUMEAS(), GetStartTime", start);
  TraceTime(m_context.SerialTrace(), "CODBObs::UpdateOnUMEAS(), helpTime", check);
  TraceTime(m_context.SerialTrace(), "CODBObs::UpdateOnUMEAS(), LastMeas.GetMeasTime()", meas.GetMeasTime());
  if (m_newTask || !(meas.GetMeasTime() < check)) return true;
  ShowMessage(IDS_SEQUENCE_OLDER);
  // Nothing of this upload may reach the task: the rest is not even read.
  // The window closes once the service has ended (the monitor's units back).
  m_stopDelivery = true;
  if (m_upload) m_upload->Cancel();
  return false;
}

void COOfflineMeasObs::ConvertUnits(COMeas& meas) const {
  const COSystemSetup& setup = m_context.Setup();
  const COSequence& seq = m_context.ActiveSequence();
  // The monitor's normalisation temperature is in kelvin.
  const float gasTemp = COTempUnit(COTempUnit::kelvin)
                            .Convert(COTempUnit(COTempUnit::celsius), m_obs.GetDevice().Setup().m_normTemp);
  const COConcUnit mg(COConcUnit::mg_m3);
  for (int ch = 0; ch < 5; ++ch) {
    const MeasValue v = meas.GetValue(ch);
    if (v.IsValid()) meas.SetValue(ch, mg.Convert(COConcUnit(COConcUnit::ppm), v, seq.GetMW(ch), gasTemp, kNormPressure));
  }
  const MeasValue water = meas.GetValue(COMeas::chWater);
  if (water.IsValid()) {
    const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
    meas.SetValue(COMeas::chWater, COHumiUnit(COConcUnit::mg_m3)
                                       .Convert(COHumiUnit(COConcUnit::ppm), setup.GetTempUnit(), water, normTemp,
                                                kNormPressure));
  }
}

void COOfflineMeasObs::ServiceDone(Service* service) {
  if (service == nullptr || service != m_upload.get()) return;
  ServiceOfflineMeas* upload = m_upload.get();
  ShowServiceProgress(upload);
  // The delivery running further up the stack takes these records too.
  if (m_delivering) return;
  m_delivering = true;
  try {
    DeliverRecords(upload);
  } catch (...) {
    m_delivering = false;
    throw;
  }
  m_delivering = false;
  if (upload == m_upload.get() && upload->GetState() == Service::stateFinished) Finished(upload);
}

void COOfflineMeasObs::ShowServiceProgress(ServiceOfflineMeas* upload) {
  if (m_counting || !OnServiceProgress(upload)) return;
  // The monitor is done; what is left is the task's work.
  const int waiting = upload->GetCount();
  if (waiting < kCountingThreshold || m_stopDelivery) {
    if (IsWindow()) EndDialog(1);
    return;
  }
  m_counting = true;
  m_countTotal = waiting;
  m_countDone = 1;
  m_caption = platform::LoadString(IDS_UPDATING);
  m_text = platform::LoadString(IDS_UPDATING_TASK);
}

void COOfflineMeasObs::DeliverRecords(ServiceOfflineMeas* upload) {
  CODBObs& dbObs = m_context.DBObs();
  while (upload->GetCount() > 0) {
    COMeas meas = upload->TakeFirst();
    if (m_stopDelivery) continue;
    ConvertUnits(meas);
    m_meas = meas;
    m_measPresent = true;
    if (m_counting && IsWindow()) {
      ++m_countDone;
      SetProgress(m_countDone * 100 / m_countTotal);
      if (upload->GetCount() == 1) EndDialog(1);
    }
    m_context.GenSub().NotifyMeas(eNewMeas, meas);
    if (dbObs.IsUploadAborted() || dbObs.HasWriteFailed()) {
      // No record is tried again: what is stored stays, the rest is left in
      // the monitor.
      m_stopDelivery = true;
      upload->Cancel();
      continue;
    }
    ++m_result.stored;
    m_moreWaiting = upload->GetCount() > 0;
  }
}

void COOfflineMeasObs::Finished(ServiceOfflineMeas* upload) {
  const CODBObs& dbObs = m_context.DBObs();
  m_result.finished = true;
  m_result.cancelled = upload->IsCancelled();
  m_result.failed = upload->IsFailed() && !m_result.cancelled;
  m_result.counted = upload->GetStoredCount();
  m_result.unitsRestored = upload->UnitsRestored();
  m_result.aborted = dbObs.IsUploadAborted();
  m_result.writeFailed = dbObs.HasWriteFailed();
  if (IsWindow()) EndDialog(1);
  if (m_result.failed) ShowCommunicationError();

  if (m_state == MeasState::restartStopping) {
    m_state = MeasState::restartStopped;
    Notify();
    return;
  }
  if (m_state == MeasState::restartStopped) return;
  if (m_measPresent && !m_result.aborted) m_context.ActiveSequence().NewSequence();
  m_state = MeasState::idle;
  m_measPresent = false;
  m_context.GenSub().Notify(eTaskStopped);
}
