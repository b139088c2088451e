#pragma once
// The device clients of the programs: one-shot clients that switch the
// monitor's beeper or a relay and delete themselves, and dialog clients that
// keep a message or progress window open while their service runs.
//
// The communication library draws no window: the program lends the device
// the real windows (DeviceDialogs), tests lend windows that need no display.
// Every client runs on the user-interface thread; its service's callback
// reaches it through the device's dispatch, also inside a modal window's loop.
#include <memory>
#include <string>

#include "DeviceKovo.h"
#include "Service.h"

class COMessageDlg;
class COProgress;

// One window of a dialog client.
class IClientWindow {
 public:
  virtual ~IClientWindow() = default;
  // Shows the window and runs its modal loop until EndDialog; returns the
  // result given to it (at once when EndDialog came first). The loop must
  // still run the device's dispatch.
  virtual int DoModal() = 0;
  // Shows the window without a loop of its own.
  virtual void ShowModeless() = 0;
  virtual void EndDialog(int result) = 0;
  // The window is on screen.
  virtual bool IsWindow() const = 0;
  virtual void SetProgress(int percent) = 0;
};

// Makes the dialog clients' windows and runs the communication-port dialog.
class IDeviceDialogs {
 public:
  virtual ~IDeviceDialogs() = default;
  // The window shows the dialog's texts when it opens; a progress window's
  // Cancel calls COProgress::OnCancel and leaves the window open.
  virtual std::unique_ptr<IClientWindow> CreateMessageWindow(COMessageDlg* dialog) = 0;
  virtual std::unique_ptr<IClientWindow> CreateProgressWindow(COProgress* dialog) = 0;
  // The modal port dialog; IDOK once the chosen port is stored, else IDCANCEL.
  virtual int RunComDialog() = 0;
};

// "Communication error", the failure every client reports.
void ShowCommunicationError();

// The base of every client: the device, the quiet flag and the one service
// it holds.
class COLeanClient : public DeviceKovoClient {
 public:
  COLeanClient(DeviceKovo* device, bool quiet);
  // Deletes the service still held.
  ~COLeanClient() override;
  COLeanClient(const COLeanClient&) = delete;
  COLeanClient& operator=(const COLeanClient&) = delete;

  // False while the service has not finished; true once it has, after
  // "Communication error" for a failed one unless the client is quiet.
  bool CheckResult(Service* service);
  static void ResetRunFlags();

 protected:
  // Holds the service (deleting the one held before) and starts it.
  void StartService(ServiceHandle<Service> service);
  // The held service finished without failing.
  bool Succeeded() const;
  // False, after "Communication error" unless quiet, while the device is closed.
  bool CanRunServices();
  IDeviceDialogs* Dialogs() const { return m_device->GetDialogs(); }

  ServiceHandle<Service> m_service;
  DeviceKovo* m_device;
  bool m_quiet;
};

// One-shot clients: the alarm outputs create them with new and forget them;
// they delete themselves once their service has finished.
class COOneShotClient : public COLeanClient {
 public:
  using COLeanClient::COLeanClient;
  void ServiceDone(Service* service) override;
};

class COAlarmClient : public COOneShotClient {
 public:
  using COOneShotClient::COOneShotClient;
  // The monitor's beeper on or off.
  void SetAlarm(bool on);
};

class CORelayClient : public COOneShotClient {
 public:
  using COOneShotClient::COOneShotClient;
  // Relay 1 or 2; on only for a flag of exactly 1.
  void SetRelay(int relay, int on);
};

// A line of text in a window while the service runs.
class COMessageDlg : public COLeanClient {
 public:
  COMessageDlg(DeviceKovo* device, bool quiet);
  ~COMessageDlg() override;

  // -1 when no window can be shown.
  int DoModal();
  void EndDialog(int result);
  bool IsWindow() const;
  // Ends the window once the service has finished.
  void ServiceDone(Service* service) override;

  std::string m_text;

 protected:
  // Unless the flag is set: shows the text, runs the service with the window
  // open, and sets the flag when the service succeeded. The flag's value.
  bool RunOnce(bool& flag, unsigned textId, ServiceHandle<Service> service);

 private:
  std::unique_ptr<IClientWindow> m_window;
};

// A progress bar and a Cancel button while a long service runs.
class COProgress : public COLeanClient {
 public:
  COProgress(DeviceKovo* device, bool quiet);
  ~COProgress() override;

  // Shows the window modeless.
  void Create();
  // Keeps the service and runs the window modally; -1 when no window can be
  // shown.
  int DoModalFor(Service* service);
  void EndDialog(int result);
  bool IsWindow() const;
  // Asks the watched service to cancel; the window stays until the service
  // reports back.
  void OnCancel();
  // Cancel was asked while the watched service still ran: its failure is
  // the cancel's.
  bool WasCancelled() const { return m_cancelled; }
  // The progress callback: moves the bar while the window exists; true once
  // the service has finished.
  bool OnServiceProgress(Service* service);
  int GetProgressPos() const { return m_progress; }
  // Moves the bar to a position of the client's own.
  void SetProgress(int percent);

  std::string m_caption;
  std::string m_text;

 private:
  std::unique_ptr<IClientWindow> m_window;
  int m_progress = 0;
  Service* m_watched = nullptr;
  bool m_cancelled = false;
};

// Reads the monitor's identity once per run.
class COGetIDClient : public COMessageDlg {
 public:
  using COMessageDlg::COMessageDlg;
  bool GetID();
};

// Reads the monitor's configuration once per run.
class COCheckConfigurationClient : public COMessageDlg {
 public:
  using COMessageDlg::COMessageDlg;
  bool CheckConfiguration();
};

// Uploads every filter and bank of the monitor once per run, with progress.
class COUploadAllClient : public COProgress {
 public:
  using COProgress::COProgress;
  bool UploadAll();
  void ServiceDone(Service* service) override;
};
