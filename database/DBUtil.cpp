#include "DBUtil.h"

#include "COException.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DataContext.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "db/Database.h"

namespace {

// Exception texts go through a buffer of this size, as they always have.
constexpr unsigned kMessageBuffer = 100;

std::string MessageOf(const platform::CException& e) {
  char buf[kMessageBuffer];
  e.GetErrorMessage(buf, sizeof buf);
  return buf;
}

}  // namespace

void ShowMessage(unsigned id) { platform::MessageBox(platform::LoadString(id), platform::MB_OK); }

void ShowMessageText(std::string text) { platform::MessageBox(text, platform::MB_OK); }

void ShowMessageWithReason(unsigned id, const std::string& why) {
  platform::MessageBox(platform::LoadString(id) + (why.empty() ? std::string() : "\n\n" + why), platform::MB_OK);
}

void ShowExceptionMessage(const platform::CException& e) { platform::MessageBox(MessageOf(e), platform::MB_OK); }

void ShowCOExceptionMessage(const COException& e) { ShowExceptionMessage(e); }

void ReportException(unsigned id, const platform::CException& e) {
  platform::MessageBox(platform::LoadString(id) + "\n\n" + MessageOf(e), platform::MB_OK);
}

void ReportTaskReadError(DataContext& context, const platform::CException& e) {
  if (!context.Setup().IsTaskFileGone()) {
    ReportException(IDS_DB_ERROR, e);
    return;
  }
  const std::string gone = context.Setup().TakeTaskFileGoneNotice();
  if (!gone.empty()) ShowMessageText(gone);
}

bool IsDiskFull(const platform::CException& e) {
  const auto* db = dynamic_cast<const platform::CDBException*>(&e);
  return db != nullptr && db->IsDiskFull();
}

void RunReportingDatabaseErrors(const std::function<void()>& run) {
  try {
    run();
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
}

void SetBitFlag(unsigned char* flags, int bit, bool on) {
  unsigned b = static_cast<unsigned>(bit) % 32;
  if (flags == nullptr || b > 7) return;
  if (on)
    *flags = static_cast<unsigned char>(*flags | (1u << b));
  else
    *flags = static_cast<unsigned char>(*flags & ~(1u << b));
}

bool IsBitFlagSet(unsigned char flags, int bit) {
  unsigned b = static_cast<unsigned>(bit) % 32;
  return b < 8 && (flags & (1u << b)) != 0;
}

void SetBitFlag32(uint32_t* flags, int bit, bool on) {
  if (flags == nullptr) return;
  uint32_t mask = 1u << (static_cast<unsigned>(bit) % 32);
  if (on)
    *flags |= mask;
  else
    *flags &= ~mask;
}

bool IsBitSet(uint32_t flags, int bit) { return (flags & (1u << (static_cast<unsigned>(bit) % 32))) != 0; }

std::string FormatOdbcTimestamp(const platform::CTime& time) { return time.Format("{ts '%Y-%m-%d %H:%M:%S'}"); }

std::string GetFirstEventText(const std::vector<COEvent>& events) {
  for (const COEvent& e : events)
    if (e.GetType() == COEvent::typeComment) return e.GetText();
  return std::string();
}

void UpdateAllViewsOfDoc(DataContext& context, long hint) {
  if (!context.Setup().IsMeasDatabaseOpen()) return;
  if (CDocument* doc = context.Document()) doc->UpdateAllViews(nullptr, hint, nullptr);
}

bool OpenManual(const COSystemSetup& setup) {
  const std::string folder = setup.GetProgramFolder();
  bool opened = false;
  {
    platform::WaitCursor wait;
    opened = platform::OpenWithDesktop(folder + platform::LoadString(IDS_MANUAL_FILE), folder);
  }
  if (!opened) ShowMessage(IDS_OPEN_MANUAL_FAILED);
  return opened;
}
