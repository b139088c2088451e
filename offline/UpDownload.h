#pragma once
// The Up/Download page's work without its window: the set-up download for a
// stand-alone measurement, and the upload of the recorded set-up and records
// into a new or an existing task, each with the link opened at its start and
// closed (the keyboard unlocked) at its end, however it ends. The monitor's
// memory is reset only when every record it counted is in the task; an
// upload that does not bring them all leaves the task as it was before.
#include <functional>
#include <memory>
#include <string>

#include "COOfflineMeasObs.h"

class COSequence;
class ProgramContext;

class COUpDownload {
 public:
  enum class UploadEnd {
    notStarted,  // nothing was uploaded: no link, no records, a refusal
    incomplete,  // the upload began but did not bring everything; the memory is kept
    complete,    // every record is in the task and the memory reset
  };

  COUpDownload(ProgramContext& context, COOfflineMeasObs& measObs);

  // The page's opening: connects, loads the monitor's filter configuration
  // and, when it has one, closes the link again.
  bool Initialise();
  // The sequence into the monitor, then (leak detector only) whether the
  // monitor keeps its history; after a download that did not complete the
  // user is told so and the monitor gets nothing more.
  bool DownloadSettings(const COSequence& sequence, bool storeHistory);
  // The new task's description, asked once the monitor is known to hold
  // records; empty when the user gave none.
  using DescriptionAsker = std::function<std::string()>;
  UploadEnd UploadToNewTask(const DescriptionAsker& askDescription);
  UploadEnd UploadToNewTask(const std::string& description) {
    return UploadToNewTask([description] { return description; });
  }
  // The task chosen from the list; an empty name is no choice.
  UploadEnd UploadToExistingTask(const std::string& name, const std::string& description);

  // The number of records in the monitor's memory, asked straight on the
  // port: 0 for a reply that holds no number, -1 for one that cannot be a
  // count (or no reply).
  int ReadMemoryCount();
  // How long a straight reply may take to end.
  void SetReplyDeadline(int ms) { m_replyDeadlineMs = ms; }

 private:
  bool ConnectMonitor();
  bool CountRecords();
  bool OpenNewTask(const std::string& description);
  bool OpenExistingTask(const std::string& name, const std::string& description);
  UploadEnd UploadIntoTask(bool newTask);

  class UploadTransaction;

  ProgramContext& m_context;
  COOfflineMeasObs& m_measObs;
  int m_replyDeadlineMs = 2000;
};
