#pragma once
// Where Windows posted a command to the main window: a call that any thread
// asks for and the user-interface thread runs from its event loop, also from
// the loop of a modal dialog or message box. The device's notifier is one.
#include <functional>
#include <memory>

namespace platform {

class UiNotifier {
 public:
  // Made on the user-interface thread; call runs there.
  explicit UiNotifier(std::function<void()> call);
  // Calls asked for and not yet run are dropped.
  ~UiNotifier();
  UiNotifier(const UiNotifier&) = delete;
  UiNotifier& operator=(const UiNotifier&) = delete;

  // Any thread: asks for one run of the call and returns at once.
  void Post();
  // For DeviceKovo::SetNotifier; it may outlive this object and then posts
  // nothing.
  std::function<void(unsigned commandId)> AsNotifier();

 private:
  struct State;
  std::shared_ptr<State> m_state;
};

}  // namespace platform
