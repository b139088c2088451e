#include "Desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

extern char** environ;

namespace kovo::test {
namespace {

using Clock = std::chrono::steady_clock;
// How often a wait looks again.
constexpr std::chrono::milliseconds kLookAgain{50};

std::vector<std::string> Merged(const Env& env) {
  std::map<std::string, std::string> all;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [key, value] : env) all[key] = value;
  std::vector<std::string> merged;
  for (const auto& [key, value] : all) merged.push_back(key + "=" + value);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

pid_t Spawn(const std::vector<std::string>& argv, const Env& env, posix_spawn_file_actions_t* actions) {
  std::vector<std::string> args = argv;
  std::vector<std::string> vars = Merged(env);
  std::vector<char*> argp = Pointers(args);
  std::vector<char*> envp = Pointers(vars);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argp[0], actions, nullptr, argp.data(), envp.data()) != 0) return -1;
  return pid;
}

// The exit code, or none while the process runs.
std::optional<int> Reap(pid_t pid, bool block) {
  int status = 0;
  const pid_t got = waitpid(pid, &status, block ? 0 : WNOHANG);
  if (got != pid) return std::nullopt;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> ReapWithin(pid_t pid, std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    if (std::optional<int> code = Reap(pid, false)) return code;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

// --- processes ---

Child::Child(const std::vector<std::string>& argv, const Env& env, const std::string& output, int keepFd,
             const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  (void)keepFd;  // kept by not being close-on-exec
  m_pid = Spawn(argv, env, &actions);
  posix_spawn_file_actions_destroy(&actions);
}

Child::~Child() {
  if (m_pid <= 0 || m_status) return;
  kill(m_pid, SIGTERM);
  if (ReapWithin(m_pid, std::chrono::seconds(5))) return;
  kill(m_pid, SIGKILL);
  Reap(m_pid, true);
}

std::optional<int> Child::Wait(std::chrono::milliseconds wait) {
  if (m_pid <= 0) return -1;
  if (!m_status) m_status = ReapWithin(m_pid, wait);
  return m_status;
}

std::string Capture(const std::vector<std::string>& argv, const Env& env, std::chrono::milliseconds wait,
                    int* status) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const pid_t pid = Spawn(argv, env, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string out;
  const auto deadline = Clock::now() + wait;
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[65536];
    const ssize_t got = read(fds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    out.append(buffer, static_cast<size_t>(got));
  }
  close(fds[0]);
  int code = -1;
  if (pid > 0) {
    if (timedOut) kill(pid, SIGKILL);
    code = Reap(pid, true).value_or(-1);
    if (timedOut) code = -1;
  }
  if (status != nullptr) *status = code;
  return out;
}

bool Eventually(const std::function<bool()>& done, const std::function<void()>& act, std::chrono::seconds patience,
                std::chrono::milliseconds every) {
  const auto deadline = Clock::now() + patience;
  auto nextAct = Clock::now();
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    if (act && Clock::now() >= nextAct) {
      act();
      nextAct = Clock::now() + every;
    }
    std::this_thread::sleep_for(kLookAgain);
  }
}

std::string Exactly(const std::string& title) {
  return "^" + std::regex_replace(title, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") + "$";
}

bool FileHolds(const std::string& path, const std::string& text) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return in.is_open() && all.str().find(text) != std::string::npos;
}

std::unique_ptr<Child> StartMonitor(const std::string& folder, Env& env, const std::vector<std::string>& options) {
  const std::string link = folder + "/monitor";
  std::vector<std::string> argv{KOVO_BIN_DIR "/kovo-simulator", "--link", link};
  argv.insert(argv.end(), options.begin(), options.end());
  auto monitor = std::make_unique<Child>(argv, Env{}, folder + "/simulator.txt");
  if (!Eventually([&] { return std::filesystem::exists(link); }, {}, VirtualDesktop::kPatience)) return nullptr;
  for (const char* com : {"KOVO_COM1", "KOVO_COM2", "KOVO_COM3", "KOVO_COM4"}) env[com] = link;
  return monitor;
}

// --- the desktop ---

VirtualDesktop::VirtualDesktop() {
  // The server chooses a free display itself and names it when it is ready.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    m_why = "no pipe";
    return;
  }
  fcntl(fds[1], F_SETFD, 0);
  m_server = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen",
                                                              "0", "1600x1000x24", "-nolisten", "tcp", "-noreset"},
                                     Env{}, "/dev/null", fds[1]);
  close(fds[1]);
  std::string number;
  const auto deadline = Clock::now() + kPatience;
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c[16];
    const ssize_t got = read(fds[0], c, sizeof c);
    if (got <= 0) break;
    number.append(c, static_cast<size_t>(got));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    m_why = "Xvfb did not start (is the xvfb package installed?)";
    return;
  }
  m_display = ":" + number.substr(0, number.find('\n'));
  m_windowManager = std::make_unique<Child>(std::vector<std::string>{"openbox"}, Environment());
  // The window manager has started when it names itself on the root window.
  while (Clock::now() < deadline) {
    int status = 0;
    const std::string check =
        Capture({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, Environment(), std::chrono::seconds(10), &status);
    if (status == 0 && check.find("window id") != std::string::npos) return;
    std::this_thread::sleep_for(kLookAgain);
  }
  m_why = "openbox did not start (are the openbox and x11-utils packages installed?)";
  m_display.clear();
}

VirtualDesktop::~VirtualDesktop() {
  // The window manager goes before its server.
  m_windowManager.reset();
  m_server.reset();
}

bool VirtualDesktop::Started(std::string* why) const {
  if (why != nullptr) *why = m_why;
  return !m_display.empty();
}

Env VirtualDesktop::Environment() const {
  return {{"DISPLAY", m_display}, {"QT_QPA_PLATFORM", "xcb"}, {"XAUTHORITY", "/dev/null"}};
}

std::vector<std::string> VirtualDesktop::Tool(const std::vector<std::string>& argv, int* status) const {
  return Lines(Capture(argv, Environment(), std::chrono::seconds(20), status));
}

std::vector<std::string> VirtualDesktop::Windows(const std::string& title, const std::string& leftOut) const {
  std::vector<std::string> found = Tool({"xdotool", "search", "--onlyvisible", "--name", title});
  found.erase(std::remove(found.begin(), found.end(), leftOut), found.end());
  return found;
}

std::string VirtualDesktop::WaitForWindow(const std::string& title, const std::function<void()>& act,
                                          std::chrono::seconds patience, const std::string& leftOut) const {
  std::vector<std::string> found;
  // A key typed while the program was busy may have gone to its splash.
  Eventually([&] { return !(found = Windows(title, leftOut)).empty(); }, act, patience);
  return found.empty() ? std::string() : found.front();
}

bool VirtualDesktop::WaitUntilGone(const std::string& title, const std::function<void()>& act) const {
  // The first look comes before the first act: the key may be on its way.
  bool looked = false;
  return Eventually([&] { return Windows(title).empty(); },
                    [&] {
                      if (looked && act) act();
                      looked = true;
                    },
                    kPatience);
}

void VirtualDesktop::Keys(const std::string& window, const std::string& keys) const {
  Capture({"xdotool", "windowactivate", "--sync", window}, Environment(), std::chrono::seconds(5));
  std::vector<std::string> argv{"xdotool", "key", "--clearmodifiers"};
  std::istringstream in(keys);
  std::string key;
  while (in >> key) argv.push_back(key);
  Tool(argv);
}

void VirtualDesktop::Click(const std::string& window, int x, int y) const {
  int left = 0, top = 0, width = 0;
  Place(window, &left, &top, &width);
  // The pointer arrives, and the window shows it has seen it arrive (what is
  // under it lights up), before the button goes down and up; a press that
  // comes with the pointer's arrival may find the window not ready for it.
  const std::string before = Look(window, false).rgb;
  Tool({"xdotool", "mousemove", std::to_string(left + x), std::to_string(top + y)});
  Eventually([&] { return Look(window, false).rgb != before; }, {}, std::chrono::seconds(10));
  Tool({"xdotool", "click", "1"});
}

void VirtualDesktop::Place(const std::string& window, int* left, int* top, int* width) const {
  // The window's inside (the window manager's frame around it does not
  // count), as its pictures show it.
  for (const std::string& line : Tool({"xwininfo", "-id", window})) {
    std::sscanf(line.c_str(), " Absolute upper-left X: %d", left);
    std::sscanf(line.c_str(), " Absolute upper-left Y: %d", top);
    std::sscanf(line.c_str(), " Width: %d", width);
  }
}

void VirtualDesktop::ClickCloseButton(const std::string& window) const {
  int left = 0, top = 0, width = 0;
  Place(window, &left, &top, &width);
  // The frame's sizes on each side; the title bar's buttons are square, the
  // close button the rightmost.
  int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;
  for (const std::string& line : Tool({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}))
    std::sscanf(line.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &frameLeft, &frameRight, &frameTop,
                &frameBottom);
  Tool({"xdotool", "mousemove", std::to_string(left + width + frameRight - frameTop / 2),
        std::to_string(top - frameTop / 2)});
  Tool({"xdotool", "click", "1"});
}

std::string VirtualDesktop::Clipboard() const {
  return Capture({"xclip", "-o", "-selection", "clipboard"}, Environment(), std::chrono::seconds(5));
}

VirtualDesktop::Image VirtualDesktop::Look(const std::string& window, bool pointerAway) const {
  // The pointer out of the way: what it hovers over looks otherwise.
  if (pointerAway) Tool({"xdotool", "mousemove", "0", "0"});
  const std::string ppm =
      Capture({"import", "-window", window, "-depth", "8", "ppm:-"}, Environment(), std::chrono::seconds(20));
  // "P6 <width> <height> 255" and the pixels, three bytes each.
  std::istringstream header(ppm);
  std::string magic;
  Image image;
  int depth = 0;
  header >> magic >> image.width >> image.height >> depth;
  if (magic != "P6" || depth != 255 || image.width <= 0 || image.height <= 0) return Image();
  const size_t start = static_cast<size_t>(header.tellg()) + 1;
  const size_t size = static_cast<size_t>(image.width) * image.height * 3;
  if (ppm.size() < start + size) return Image();
  image.rgb = ppm.substr(start, size);
  return image;
}

std::vector<Box> VirtualDesktop::StackedButtons(const std::string& window) const {
  const Image image = Look(window);
  const auto dark = [&](int x, int y) {
    const unsigned char* p = image.At(x, y);
    return 30 * p[0] + 59 * p[1] + 11 * p[2] < 200 * 100;
  };
  // A button's frame is a dark line across most of the window at its top and
  // at its bottom; a line of text is not.
  std::vector<std::pair<int, std::pair<int, int>>> lines;  // row, its dark span
  for (int y = 0; y < image.height; ++y) {
    int count = 0, first = image.width, last = -1;
    for (int x = 0; x < image.width; ++x)
      if (dark(x, y)) {
        ++count;
        first = std::min(first, x);
        last = std::max(last, x);
      }
    if (count * 10 >= image.width * 6 && (lines.empty() || lines.back().first != y - 1))
      lines.push_back({y, {first, last}});
  }
  std::vector<Box> buttons;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const auto& top = lines[i];
    const auto& bottom = lines[i + 1];
    buttons.push_back(
        {top.second.first, top.first, top.second.second - top.second.first + 1, bottom.first - top.first + 1});
  }
  return buttons;
}

void VirtualDesktop::Picture(const std::string& path) const {
  Capture({"import", "-window", "root", path}, Environment(), std::chrono::seconds(20));
}

WindowLog::WindowLog(const VirtualDesktop& desktop, const std::string& file) : m_file(file) {
  m_listener = std::make_unique<Child>(
      std::vector<std::string>{"xev", "-root", "-event", "substructure", "-event", "property"},
      desktop.Environment(), file);
  // It listens once it has heard a change made on the root window after it
  // started.
  m_listening = Eventually([&] { return FileHolds(m_file, "_KOVO_LISTENING"); },
                           [&] {
                             Capture({"xprop", "-root", "-f", "_KOVO_LISTENING", "8s", "-set", "_KOVO_LISTENING", "1"},
                                     desktop.Environment(), std::chrono::seconds(10));
                           },
                           VirtualDesktop::kPatience, std::chrono::milliseconds(200));
}

bool WindowLog::Made(int width, int height) const {
  // "CreateNotify event, ..., window 0x..., (x,y), width W, height H, ..."
  return FileHolds(m_file, "width " + std::to_string(width) + ", height " + std::to_string(height) + ",");
}

std::optional<MessageText> ParseMessageCopy(const std::string& copied) {
  // The rule lines of the box's Copy part title, text and buttons.
  const std::string rule = "---------------------------";
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = copied.find(rule, from);
    if (at == std::string::npos) break;
    parts.push_back(copied.substr(from, at - from));
    from = at + rule.size();
  }
  if (parts.size() < 3) return std::nullopt;
  const auto trim = [](std::string s) {
    while (!s.empty() && (s.front() == '\n' || s.front() == ' ')) s.erase(s.begin());
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
  };
  return MessageText{trim(parts[1]), trim(parts[2])};
}

}  // namespace kovo::test
