#pragma once
// The Offline program's measurement subject: on the program's serial stack
// it connects to the monitor, checks it against the task, runs the upload of
// the monitor's stored records under its progress window, converts each
// record to ppm and hands it to the general subject, whose database observer
// stores it. Its own observers hear of every change of its state.
//
// Everything here runs on the user-interface thread.
#include <string>

#include "COMeas.h"
#include "DataContext.h"
#include "DeviceClients.h"
#include "OfflineServices.h"
#include "Subject.h"
#include "core/Time.h"

class COMeasObs;
class ProgramContext;
class Rs232Trace;

// The serial trace's line of a time: the label, then
// ",Y:%d M:%d D:%d H:%d M:%d S:%d" in local time.
void TraceTime(Rs232Trace& trace, const std::string& label, const platform::CTime& time);

// How an upload ended.
struct OfflineUploadResult {
  bool finished = false;      // the service has ended
  bool failed = false;        // a command failed
  bool cancelled = false;     // the user cancelled it
  bool aborted = false;       // the task refused the recorded sequence
  bool writeFailed = false;   // a record could not be stored
  bool unitsRestored = true;  // the monitor has its own units again
  int counted = 0;            // records the monitor said it holds
  int stored = 0;             // records stored in the task

  // Everything the monitor held is in the task.
  bool Complete() const {
    return finished && !failed && !cancelled && !aborted && !writeFailed && stored == counted;
  }
};

class COOfflineMeasObs : public CSubject, public COProgress {
 public:
  // Works on the program's serial stack and stores into its data context;
  // installs its check of the first record with the database observer.
  explicit COOfflineMeasObs(ProgramContext& context);
  ~COOfflineMeasObs() override;

  bool Connect(bool ask);
  void Disconnect();
  // The filters and banks stored for the monitor's serial, once per serial.
  bool LoadFilterConfiguration();

  // Whether the upload goes to a new task: an existing task refuses a
  // recorded sequence older than its own.
  void SetUploadToNewTask(bool newTask) { m_newTask = newTask; }
  bool IsUploadToNewTask() const { return m_newTask; }

  // Uploads the stored records of the recorded sequence (start, stop) into
  // the open task, with the progress window, until the upload has ended.
  OfflineUploadResult UploadMeasurements(const platform::CTime& start, const platform::CTime& stop);
  // Checks the monitor against the task and starts the upload service.
  bool StartUpload(const platform::CTime& start, const platform::CTime& stop);

  MeasState GetState() const { return m_state; }
  bool HasMeas() const { return m_measPresent; }
  // The running upload has records still to hand over.
  bool HasMoreWaiting() const { return m_moreWaiting; }
  const COMeas& GetMeas() const { return m_meas; }
  const OfflineUploadResult& GetResult() const { return m_result; }
  ServiceOfflineMeas* GetService() const { return m_upload.get(); }

  void ServiceDone(Service* service) override;

 private:
  bool CheckFirstRecord(const COMeas& meas);
  void ConvertUnits(COMeas& meas) const;
  void DeliverRecords(ServiceOfflineMeas* service);
  void ShowServiceProgress(ServiceOfflineMeas* service);
  void Finished(ServiceOfflineMeas* service);

  ProgramContext& m_context;
  COMeasObs& m_obs;
  MeasState m_state = MeasState::idle;
  COMeas m_meas;
  bool m_measPresent = false;
  bool m_moreWaiting = false;
  ServiceHandle<ServiceOfflineMeas> m_upload;
  // Records still coming are dropped: the task refused them or could not
  // store one.
  bool m_stopDelivery = false;
  bool m_newTask = false;
  // A delivery is running further up the stack (a message box's loop).
  bool m_delivering = false;
  // The service has ended and the bar counts the records still to store.
  bool m_counting = false;
  int m_countTotal = 0;
  int m_countDone = 0;
  OfflineUploadResult m_result;
};
