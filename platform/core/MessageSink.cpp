#include "MessageSink.h"

#include <atomic>
#include <cstdio>


namespace platform {
namespace {

class StderrSink : public MessageSink {
 public:
  int Show(const std::string& text, const std::string& caption, unsigned type) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DefaultAnswer(type);
  }
};

StderrSink g_stderrSink;
std::atomic<MessageSink*> g_sink{nullptr};
std::mutex g_captionMutex;
std::string g_caption;  // the running program's

}  // namespace

int DefaultAnswer(unsigned type) {
  switch (type & MB_BUTTONMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

MessageSink& Messages() {
  MessageSink* s = g_sink.load();
  return s ? *s : g_stderrSink;
}

MessageSink* SetMessageSink(MessageSink* sink) { return g_sink.exchange(sink); }

std::string SetMessageCaption(std::string caption) {
  std::lock_guard<std::mutex> lock(g_captionMutex);
  g_caption.swap(caption);
  return caption;
}

int MessageBox(const std::string& text, unsigned type, const std::string& caption) {
  std::string c = caption;
  if (c.empty()) {
    std::lock_guard<std::mutex> lock(g_captionMutex);
    c = g_caption;
  }
  return Messages().Show(text, c, type);
}

ScriptedMessageSink::ScriptedMessageSink() : m_previous(SetMessageSink(this)) {}

ScriptedMessageSink::~ScriptedMessageSink() { SetMessageSink(m_previous); }

void ScriptedMessageSink::Answer(int answer) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_answers.push_back(answer);
}

int ScriptedMessageSink::Show(const std::string& text, const std::string& caption, unsigned type) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_shown.push_back({text, caption, type});
  if (m_answers.empty()) return DefaultAnswer(type);
  int a = m_answers.front();
  m_answers.pop_front();
  return a;
}

std::vector<ScriptedMessageSink::Shown> ScriptedMessageSink::Messages() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_shown;
}

std::vector<std::string> ScriptedMessageSink::Texts() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> t;
  for (const Shown& s : m_shown) t.push_back(s.text);
  return t;
}

void ScriptedMessageSink::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_shown.clear();
  m_answers.clear();
}

}  // namespace platform
