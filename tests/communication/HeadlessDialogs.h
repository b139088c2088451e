#pragma once
// The device clients' windows without a display: a modal loop that plays the
// user-interface thread by running the device's dispatch, and a port dialog
// that answers as the test says. Tests lend it to the device they drive.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DeviceClients.h"
#include "core/MessageSink.h"

class HeadlessDialogs : public IDeviceDialogs {
 public:
  // Dispatches until done holds; false when the deadline passed first.
  using Pump = std::function<bool(const std::function<bool()>& done, int timeoutMs)>;

  explicit HeadlessDialogs(Pump pump) : m_pump(std::move(pump)) {}

  class Window : public IClientWindow {
   public:
    Window(HeadlessDialogs* owner, COProgress* progress) : m_owner(owner), m_progress(progress) {}
    int DoModal() override {
      m_open = true;
      const bool ended = m_ended || m_owner->m_pump([this] { return m_ended; }, 20000);
      m_open = false;
      return ended ? m_result : -2;
    }
    void ShowModeless() override { m_open = true; }
    void EndDialog(int result) override {
      m_result = result;
      m_ended = true;
      m_open = false;
    }
    bool IsWindow() const override { return m_open; }
    void SetProgress(int percent) override {
      m_owner->progress.push_back(percent);
      if (m_owner->onProgress) m_owner->onProgress(m_progress);
    }

   private:
    HeadlessDialogs* m_owner;
    COProgress* m_progress;
    bool m_open = false;
    bool m_ended = false;
    int m_result = 0;
  };

  std::unique_ptr<IClientWindow> CreateMessageWindow(COMessageDlg* dialog) override {
    shown.push_back(dialog->m_text);
    return std::make_unique<Window>(this, nullptr);
  }
  std::unique_ptr<IClientWindow> CreateProgressWindow(COProgress* dialog) override {
    shown.push_back(dialog->m_caption + " | " + dialog->m_text);
    return std::make_unique<Window>(this, dialog);
  }
  int RunComDialog() override {
    ++comDialogs;
    return onComDialog ? onComDialog() : platform::IDCANCEL;
  }

  std::vector<std::string> shown;  // the text of every window, in order
  std::vector<int> progress;       // every position of a progress bar
  std::function<void(COProgress*)> onProgress;
  std::function<int()> onComDialog;
  int comDialogs = 0;

 private:
  Pump m_pump;
};
