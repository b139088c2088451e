#pragma once
// The windows of the device clients on Qt: the message dialog and the
// progress dialog, each shown modally while a service runs on the worker
// thread, and the communication dialog of the start-up connection. A program
// keeps one CODeviceDialogs for its run and lends it to its context.
#include "DeviceClients.h"
#include "ui/Dialog.h"

class DataContext;

class QProgressBar;

// What both windows share: open until the client ends them, modal unless
// made otherwise.
class COClientWnd : public platform::CDialog, public IClientWindow {
 public:
  COClientWnd(int templateId, QWidget* parent);
  // Not modal: the window blocks no other window while its loop runs.
  void SetBlocking(bool blocking) { m_blocking = blocking; }

  int DoModal() override;
  void ShowModeless() override;
  void EndDialog(int result) override;
  bool IsWindow() const override;
  void SetProgress(int percent) override {}

 protected:
  // Only the end of the service closes the window.
  void OnCancel() override {}

 private:
  bool m_ended = false;
  int m_result = 0;
  bool m_blocking = true;
};

// A line of text (static 1125), no caption.
class COMessageWnd : public COClientWnd {
 public:
  enum { IDD = 164, kText = 1125 };
  COMessageWnd(COMessageDlg* dialog, QWidget* parent);

 protected:
  bool OnInitDialog() override;

 private:
  COMessageDlg* m_dialog;
};

// A progress bar (1124), a text (1125) and Cancel (2).
class COProgressWnd : public COClientWnd {
 public:
  enum { IDD = 159, kBar = 1124, kText = 1125 };
  COProgressWnd(COProgress* dialog, QWidget* parent);
  void SetProgress(int percent) override;

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool OnInitDialog() override;
  // Asks the service to cancel; the window stays until it reports back.
  void OnCancel() override;

 private:
  COProgress* m_dialog;
  QProgressBar* m_progress;
};

class CODeviceDialogs : public IDeviceDialogs {
 public:
  // The port dialog edits the program's system set-up; the windows open over
  // the parent (the main window, once there is one).
  explicit CODeviceDialogs(DataContext& context, QWidget* parent = nullptr)
      : m_context(context), m_parent(parent) {}
  CODeviceDialogs(const CODeviceDialogs&) = delete;
  CODeviceDialogs& operator=(const CODeviceDialogs&) = delete;
  void SetParent(QWidget* parent) { m_parent = parent; }
  // False while the program starts: the windows then block no other window,
  // so the main window, which runs no command meanwhile, still hears a
  // request to close (the desktop's close of a window under a modal one is
  // lost).
  void SetBlocking(bool blocking) { m_blocking = blocking; }

  std::unique_ptr<IClientWindow> CreateMessageWindow(COMessageDlg* dialog) override;
  std::unique_ptr<IClientWindow> CreateProgressWindow(COProgress* dialog) override;
  int RunComDialog() override;

 private:
  DataContext& m_context;
  QWidget* m_parent;
  bool m_blocking = true;
};
