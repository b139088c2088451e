#include "UpDownload.h"

#include <chrono>
#include <cstring>
#include <mutex>

#include "COException.h"
#include "CODBObs.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DeviceClients.h"
#include "InstrumentInfo.h"
#include "OfflineScans.h"
#include "OfflineSetupModel.h"
#include "OfflineStrings.h"
#include "ProgramContext.h"
#include "Rs232Trace.h"
#include "StartupConnection.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

// The most a reply to "O_M? MEM" may hold.
constexpr unsigned kCountReplyLimit = 100;
// A task refuses a recorded sequence that started this much before its own
// or earlier.
constexpr int kStartTolerance = 59;


// The count in a reply: blanks, digits, then nothing but the line's end.
int ParseCount(const std::string& reply) {
  size_t i = reply.find_first_not_of(' ');
  if (i == std::string::npos || reply[i] < '0' || reply[i] > '9') return 0;
  long long n = 0;
  for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
    n = n * 10 + (reply[i] - '0');
    if (n > kMaxStoredRecords) return -1;
  }
  return reply.find_first_not_of(" \r\n", i) == std::string::npos ? static_cast<int>(n) : -1;
}

// Closes the link on every way out of an action.
class LinkGuard {
 public:
  explicit LinkGuard(COOfflineMeasObs& obs) : m_obs(obs) {}
  ~LinkGuard() { m_obs.Disconnect(); }

 private:
  COOfflineMeasObs& m_obs;
};

}  // namespace

COUpDownload::COUpDownload(ProgramContext& context, COOfflineMeasObs& measObs)
    : m_context(context), m_measObs(measObs) {}

bool COUpDownload::ConnectMonitor() {
  ConnectToMonitor(m_context);
  return m_context.MeasObs()->IsConnected();
}

bool COUpDownload::Initialise() {
  if (!ConnectMonitor()) return false;
  // Without a configuration the link stays open, as the page leaves it.
  if (!m_measObs.LoadFilterConfiguration()) return false;
  m_measObs.Disconnect();
  return true;
}

int COUpDownload::ReadMemoryCount() {
  COMeasObs& obs = *m_context.MeasObs();
  std::lock_guard<std::mutex> exchange(obs.GetDevice().GetScheduler().ExchangeLock());
  DataLinkRS232& link = obs.GetLink();
  static const char kRequest[] = "O_M? MEM\n";
  std::string reply;
  try {
    link.Write(ChBufWrapper(kRequest, sizeof kRequest - 1));
    // To the reply's end, however it comes in pieces, within the deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_replyDeadlineMs);
    char buffer[kCountReplyLimit];
    while (reply.find("\r\n\n") == std::string::npos && reply.size() < kCountReplyLimit &&
           std::chrono::steady_clock::now() < deadline) {
      const unsigned got = link.ReadDirect(buffer, static_cast<unsigned>(kCountReplyLimit - reply.size()));
      if (got == 0) break;
      reply.append(buffer, got);
    }
  } catch (...) {
    return -1;
  }
  const size_t end = reply.find("\r\n\n");
  if (end == std::string::npos) {
    // A reply that did not end leaves the rest for nobody.
    link.DiscardInput();
    return -1;
  }
  return ParseCount(reply.substr(0, end));
}

bool COUpDownload::DownloadSettings(bool storeHistory) {
  if (!ConnectMonitor()) return false;
  LinkGuard link(m_measObs);
  DeviceKovo& device = m_context.MeasObs()->GetDevice();
  MonitorSetup record = device.GetSetup();
  GetOfflineMonitorSetup(m_context.ActiveSequence(), record);
  device.SetSetup(record);
  CODownloadSetupClient download(&device, false);
  const bool ok = download.Run();
  // Whatever the download did.
  if (m_context.Instrument().isTebb()) WriteDirect(*m_context.MeasObs(), storeHistory ? "SE MEM,Y\n" : "SE MEM,N\n");
  return ok;
}

bool COUpDownload::CountRecords() {
  const int count = ReadMemoryCount();
  if (count < 0) {
    ShowCommunicationError();
    return false;
  }
  if (count == 0) {
    platform::MessageBox(kNoMeasurementWarning, platform::MB_OK | platform::MB_ICONWARNING, kOfflineCaption);
    return false;
  }
  return true;
}

bool COUpDownload::OpenNewTask(const std::string& description) {
  return CDBDoc::CreateTask(m_context, description, m_context.MeasObs()->GetDevice().GetSetup().m_serial.ToString(),
                            IDS_CREATE_DOCUMENT_FAILED);
}

bool COUpDownload::OpenExistingTask(const std::string& name, const std::string& description) {
  if (name.empty()) {
    ShowMessage(IDS_SELECT_ITEM);
    return false;
  }
  return CDBDoc::OpenTask(m_context, name, description);
}

COUpDownload::UploadEnd COUpDownload::UploadToNewTask(const std::string& description) {
  if (!ConnectMonitor()) return UploadEnd::notStarted;
  LinkGuard link(m_measObs);
  if (!CountRecords()) return UploadEnd::notStarted;
  m_measObs.SetUploadToNewTask(true);
  if (!OpenNewTask(description)) return UploadEnd::notStarted;
  return UploadIntoTask(true);
}

COUpDownload::UploadEnd COUpDownload::UploadToExistingTask(const std::string& name, const std::string& description) {
  if (!ConnectMonitor()) return UploadEnd::notStarted;
  LinkGuard link(m_measObs);
  if (!CountRecords()) return UploadEnd::notStarted;
  m_measObs.SetUploadToNewTask(false);
  if (!OpenExistingTask(name, description)) return UploadEnd::notStarted;
  return UploadIntoTask(false);
}

COUpDownload::UploadEnd COUpDownload::UploadIntoTask(bool newTask) {
  DeviceKovo& device = m_context.MeasObs()->GetDevice();
  {
    COUploadSetupClient upload(&device, m_context.Instrument(), false);
    if (!upload.Run()) return UploadEnd::notStarted;
  }
  const MonitorSetup monitor = device.GetSetup();
  COSequence& seq = m_context.ActiveSequence();
  if (!newTask) {
    const CTime taskStart = seq.GetStartTime();
    const CTime monitorStart = monitor.m_startTime.GetTime();
    const CTime help = monitorStart + CTimeSpan(kStartTolerance);
    TraceTime(m_context.SerialTrace(), "CUpDownloadPage::OnUploadmeasurements(), activeStartTime", taskStart);
    TraceTime(m_context.SerialTrace(), "CUpDownloadPage::OnUploadmeasurements(), startTime", monitorStart);
    TraceTime(m_context.SerialTrace(), "CUpDownloadPage::OnUploadmeasurements(), helpTime", help);
    if (!(help > taskStart)) {
      ShowMessage(IDS_SEQUENCE_OLDER);
      return UploadEnd::notStarted;
    }
  }
  if (FindActiveBankMismatch(seq, monitor) >= 0) {
    ShowMessage(IDS_ACTIVE_BANK_DIFFERS);
    return UploadEnd::notStarted;
  }
  SetFromMonitorSetup(seq, monitor);
  seq.Save();

  const OfflineUploadResult result =
      m_measObs.UploadMeasurements(monitor.m_startTime.GetTime(), monitor.m_stopTime.GetTime());
  CDBDoc::ReleaseTask(m_context);
  if (!result.Complete()) return UploadEnd::incomplete;
  WriteDirect(*m_context.MeasObs(), "RESET_SY PART\n");
  return UploadEnd::complete;
}
