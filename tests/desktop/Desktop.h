#pragma once
// A virtual desktop of a test's own (Xvfb with the openbox window manager)
// and what a person does on it, through the X server as a person's mouse and
// keyboard would: find a window by its title, type, click, copy the text of
// a message box, look at a window. Every wait has a deadline and looks
// again until then; nothing waits a fixed time for something to happen.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovo::test {

using Env = std::map<std::string, std::string>;

// A process of the test, ended (TERM, then KILL) when the object goes unless
// it has ended by then.
class Child {
 public:
  // The environment is the test's with env on top; output goes to the file;
  // it runs in the folder when one is given.
  Child(const std::vector<std::string>& argv, const Env& env, const std::string& output = "/dev/null",
        int keepFd = -1, const std::string& folder = std::string());
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return m_pid; }
  // The exit code once the process has ended within the wait; none else.
  std::optional<int> Wait(std::chrono::milliseconds wait);

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
};

// Runs a command to its end, at most for the wait, and returns its standard
// output; status is its exit code (-1 when it was ended at the deadline).
std::string Capture(const std::vector<std::string>& argv, const Env& env, std::chrono::milliseconds wait,
                    int* status = nullptr);

// Looks until done holds, at most for the patience, running act (when given)
// each time it looks in vain, but not more often than every; true when done.
bool Eventually(const std::function<bool()>& done, const std::function<void()>& act, std::chrono::seconds patience,
                std::chrono::milliseconds every = std::chrono::seconds(2));

// A title matched exactly, as xdotool's regular expression.
std::string Exactly(const std::string& title);

// Whether the file holds the text (false when there is no such file).
bool FileHolds(const std::string& path, const std::string& text);

// A rectangle in a window, in pixels.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  int CenterX() const { return x + width / 2; }
  int CenterY() const { return y + height / 2; }
};

class VirtualDesktop {
 public:
  // How long anything on the desktop may take, also on a loaded machine.
  static constexpr std::chrono::seconds kPatience{60};

  VirtualDesktop();
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  // False, with why, when the desktop did not start.
  bool Started(std::string* why = nullptr) const;
  // What a program on this desktop needs in its environment.
  Env Environment() const;

  // The visible windows whose title matches the regular expression, but for
  // the one left out.
  std::vector<std::string> Windows(const std::string& title, const std::string& leftOut = std::string()) const;
  // Waits for such a window; its id, empty at the deadline. Each time it
  // looks in vain, act runs (a key that may have been lost, say) when given.
  std::string WaitForWindow(const std::string& title, const std::function<void()>& act = {},
                            std::chrono::seconds patience = kPatience, const std::string& leftOut = std::string()) const;
  bool WaitUntilGone(const std::string& title, const std::function<void()>& act = {}) const;

  // Makes the window the active one, then types the keys (xdotool's names,
  // "ctrl+n", "Return").
  void Keys(const std::string& window, const std::string& keys) const;
  // Moves the pointer into the window and clicks the left button there.
  void Click(const std::string& window, int x, int y) const;
  // Clicks the close button on the title bar the window manager gives the
  // window.
  void ClickCloseButton(const std::string& window) const;
  // The text on the clipboard, empty when there is none.
  std::string Clipboard() const;
  // The buttons of a window stacked one above the other, top first, found in
  // a picture of it by their frames; none while it is not painted yet.
  std::vector<Box> StackedButtons(const std::string& window) const;
  // Saves a picture of the whole screen.
  void Picture(const std::string& path) const;

 private:
  std::vector<std::string> Tool(const std::vector<std::string>& argv, int* status = nullptr) const;
  struct Image {
    int width = 0, height = 0;
    std::string rgb;  // three bytes a pixel, row by row
    const unsigned char* At(int x, int y) const {
      return reinterpret_cast<const unsigned char*>(rgb.data()) + (static_cast<size_t>(y) * width + x) * 3;
    }
  };
  Image Look(const std::string& window, bool pointerAway = true) const;
  // Where the window's inside is on the screen, and its width.
  void Place(const std::string& window, int* left, int* top, int* width) const;

  std::string m_display;
  std::string m_why;
  std::unique_ptr<Child> m_server;
  std::unique_ptr<Child> m_windowManager;
};

// The simulated monitor behind every port of a program (KOVO_COM1 to
// KOVO_COM4 in env), its terminal linked in the folder; null when it did not
// start.
std::unique_ptr<Child> StartMonitor(const std::string& folder, Env& env,
                                    const std::vector<std::string>& options = {});

// The windows made on the desktop from its construction on, as the X server
// announces them.
class WindowLog {
 public:
  // Listening once constructed; the announcements go to the file.
  WindowLog(const VirtualDesktop& desktop, const std::string& file);
  bool Listening() const { return m_listening; }
  // A window of this size was made.
  bool Made(int width, int height) const;

 private:
  std::string m_file;
  std::unique_ptr<Child> m_listener;
  bool m_listening = false;
};

// The text and title of a message box as its Copy gives them.
struct MessageText {
  std::string caption;
  std::string text;
};
std::optional<MessageText> ParseMessageCopy(const std::string& copied);

}  // namespace kovo::test
