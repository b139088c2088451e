#include "UiNotifier.h"

#include <QObject>
#include <mutex>

namespace platform {

struct UiNotifier::State {
  std::mutex lock;
  QObject* context = nullptr;  // lives on the user-interface thread
  std::function<void()> call;

  void Post(const std::shared_ptr<State>& self) {
    std::lock_guard<std::mutex> guard(lock);
    if (context == nullptr) return;
    std::weak_ptr<State> weak = self;
    // A queued call reaches every event loop of the thread, modal ones too;
    // it is dropped with its context.
    QMetaObject::invokeMethod(
        context,
        [weak] {
          if (auto state = weak.lock()) state->call();
        },
        Qt::QueuedConnection);
  }
};

UiNotifier::UiNotifier(std::function<void()> call) : m_state(std::make_shared<State>()) {
  m_state->context = new QObject();
  m_state->call = std::move(call);
}

UiNotifier::~UiNotifier() {
  QObject* context;
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    context = m_state->context;
    m_state->context = nullptr;
  }
  delete context;
}

void UiNotifier::Post() { m_state->Post(m_state); }

std::function<void(unsigned)> UiNotifier::AsNotifier() {
  std::weak_ptr<State> weak = m_state;
  return [weak](unsigned) {
    if (auto state = weak.lock()) state->Post(state);
  };
}

}  // namespace platform
