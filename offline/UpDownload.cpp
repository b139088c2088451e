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
#include "DBFiles.h"
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
#include "db/Database.h"

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

// Writes straight on the link; a link that fails is a communication error.
bool WriteStraight(COMeasObs& obs, const char* text) {
  try {
    WriteDirect(obs, text);
  } catch (const std::exception&) {
    ShowCommunicationError();
    return false;
  }
  return true;
}

}  // namespace

// The upload as one transaction: while it runs, every record set of this
// program that opens the task shares one connection, whose transaction
// takes in all the upload writes ([Sequence], [Global], [Alarm], [Meas],
// [Event]). A refusal, a failure or a crash before its commit leaves the
// task as it was, and the monitor's memory can be uploaded into it again.
class COUpDownload::UploadTransaction {
 public:
  // Throws CDBException.
  explicit UploadTransaction(ProgramContext& context) : m_context(context) {
    // The task's sets let go of their own connections and open again on
    // this one.
    CDBDoc::ReleaseTask(context);
    m_db.Open(dbfiles::ConnectString(context.Setup().GetDatabaseName()), dbfiles::TaskChecks());
    m_db.Share();
    m_db.BeginTrans();
  }
  ~UploadTransaction() {
    CDBDoc::ReleaseTask(m_context);
    // Closing rolls back what was not committed.
    m_db.Close();
  }

  // Throws CDBException; the task is as it was then.
  void Commit() {
    CDBDoc::ReleaseTask(m_context);
    m_db.CommitTrans();
  }

 private:
  ProgramContext& m_context;
  platform::CDatabase m_db;
};

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

bool COUpDownload::DownloadSettings(const COSequence& sequence, bool storeHistory) {
  if (!ConnectMonitor()) return false;
  LinkGuard link(m_measObs);
  DeviceKovo& device = m_context.MeasObs()->GetDevice();
  MonitorSetup record = device.GetSetup();
  GetOfflineMonitorSetup(sequence, record);
  device.SetSetup(record);
  CODownloadSetupClient download(&device, false);
  if (!download.Run()) {
    // Part of the set-up may have reached the monitor: it must not measure
    // on it as if the download had been whole.
    platform::MessageBox(kDownloadIncomplete, platform::MB_OK | platform::MB_ICONWARNING, kOfflineCaption);
    return false;
  }
  if (m_context.Instrument().isTebb() &&
      !WriteStraight(*m_context.MeasObs(), storeHistory ? "SE MEM,Y\n" : "SE MEM,N\n"))
    return false;
  platform::MessageBox(platform::LoadString(IDS_SETTINGS_DOWNLOADED), platform::MB_OK | platform::MB_ICONINFORMATION,
                       kOfflineCaption);
  return true;
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

COUpDownload::UploadEnd COUpDownload::UploadToNewTask(const DescriptionAsker& askDescription) {
  if (!ConnectMonitor()) return UploadEnd::notStarted;
  LinkGuard link(m_measObs);
  if (!CountRecords()) return UploadEnd::notStarted;
  m_measObs.SetUploadToNewTask(true);
  const std::string description = askDescription ? askDescription() : std::string();
  if (description.empty() || !OpenNewTask(description)) return UploadEnd::notStarted;
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
    const platform::CTime taskStart = seq.GetStartTime();
    const platform::CTime monitorStart = monitor.m_startTime.GetTime();
    const platform::CTime help = monitorStart + platform::CTimeSpan(kStartTolerance);
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
  std::unique_ptr<UploadTransaction> transaction;
  try {
    transaction = std::make_unique<UploadTransaction>(m_context);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return UploadEnd::notStarted;
  }
  // The task's sequence again, on the upload's connection; a failure has
  // shown why.
  if (!seq.Load()) return UploadEnd::notStarted;
  SetFromMonitorSetup(seq, monitor);
  seq.Save();

  const OfflineUploadResult result =
      m_measObs.UploadMeasurements(monitor.m_startTime.GetTime(), monitor.m_stopTime.GetTime());
  if (!result.Complete()) {
    // A task is never left short: nothing of the upload is committed, and
    // the monitor keeps everything for the next try. A refusal of the task
    // or of the user has said why already.
    transaction.reset();
    if (result.finished && !result.aborted)
      platform::MessageBox(kUploadIncomplete, platform::MB_OK | platform::MB_ICONWARNING, kOfflineCaption);
    return result.finished ? UploadEnd::incomplete : UploadEnd::notStarted;
  }
  try {
    transaction->Commit();
  } catch (const platform::CException& e) {
    transaction.reset();
    ReportException(IDS_DB_ERROR, e);
    platform::MessageBox(kUploadIncomplete, platform::MB_OK | platform::MB_ICONWARNING, kOfflineCaption);
    return UploadEnd::incomplete;
  }
  transaction.reset();
  if (!WriteStraight(*m_context.MeasObs(), "RESET_SY PART\n")) return UploadEnd::incomplete;
  return UploadEnd::complete;
}
