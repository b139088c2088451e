#pragma once
// The Up/Download page's work without its window: the set-up download for a
// stand-alone measurement, and the upload of the recorded set-up and records
// into a new or an existing task, each with the link opened at its start and
// closed (the keyboard unlocked) at its end, however it ends. The monitor's
// memory is reset only when every record it counted is in the task.
#include <string>

#include "COOfflineMeasObs.h"

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
  // The active sequence into the monitor, then (leak detector only) whether
  // the monitor keeps its history.
  bool DownloadSettings(bool storeHistory);
  UploadEnd UploadToNewTask(const std::string& description);
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

  ProgramContext& m_context;
  COOfflineMeasObs& m_measObs;
  int m_replyDeadlineMs = 2000;
};
