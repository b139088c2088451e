#pragma once
// Every message box and question of the suite goes through one sink: message
// boxes in the programs, scripted answers in tests.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Button sets and icons of a message.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_BUTTONMASK = 0xF;
constexpr unsigned MB_ICONMASK = 0xF0;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows the text and returns the button the user chose.
  virtual int Show(const std::string& text, const std::string& caption, unsigned type) = 0;
};

// The sink in use; a sink that writes to stderr and answers with the default
// button until a program or test installs its own.
MessageSink& Messages();
// Installs a sink (null restores the default) and returns the previous one.
MessageSink* SetMessageSink(MessageSink* sink);

// The caption of messages that give none: the running program's name, which
// the program sets at its start. Returns the previous one.
std::string SetMessageCaption(std::string caption);
// The caption is the program's when none is given.
int MessageBox(const std::string& text, unsigned type = MB_OK, const std::string& caption = std::string());

// The button a message box of this type answers when nobody can click.
int DefaultAnswer(unsigned type);

// For tests: records every message and answers from a script, then with the
// default button. Safe to use from any thread.
class ScriptedMessageSink : public MessageSink {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    unsigned type;
  };
  ScriptedMessageSink();  // installs itself
  ~ScriptedMessageSink() override;  // restores the previous sink
  void Answer(int answer);
  int Show(const std::string& text, const std::string& caption, unsigned type) override;
  std::vector<Shown> Messages() const;
  std::vector<std::string> Texts() const;
  void Clear();

 private:
  mutable std::mutex m_mutex;
  std::deque<int> m_answers;
  std::vector<Shown> m_shown;
  MessageSink* m_previous;
};

}  // namespace platform
