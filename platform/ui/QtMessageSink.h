#pragma once
#include "core/MessageSink.h"

namespace platform {

// Message boxes on Qt. A message from another thread is shown on the
// user-interface thread while the caller waits for the answer.
class QtMessageSink : public MessageSink {
 public:
  int Show(const std::string& text, const std::string& caption, unsigned type) override;
};

}  // namespace platform
