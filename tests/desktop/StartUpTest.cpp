// Each program's start as its binary goes through it on a virtual desktop of
// its own: the flags it takes from its command line, and a close asked for
// at a moment of its start-up.
//
// The serial trace ("rs232.txt", in the program's working folder) tells what
// the flags were, and in which step of its start-up the program is: its
// first line is the first request of the monitor's identification, its last
// the line of the flags at the end of the start-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Desktop.h"
#include "OdbcTestSupport.h"

namespace kovo::test {
namespace {

// The size of every program's splash picture.
constexpr int kSplashWidth = 643, kSplashHeight = 482;

// A program of the build with its own program folder, on its own desktop,
// the simulated monitor behind its ports when it talks to one.
class ProgramRun {
 public:
  ProgramRun(const std::string& binary, bool monitor, const std::vector<std::string>& monitorOptions = {})
      : m_binary(binary), m_folder(m_odbc.Dir().Path()) {
    std::string why;
    if (!m_desktop.Started(&why)) {
      m_why = why;
      return;
    }
    m_env = m_desktop.Environment();
    m_env["KOVO_PROGRAM_FOLDER"] = m_folder;
    m_env["XDG_CONFIG_HOME"] = m_folder + "/config";
    if (monitor && !(m_monitor = StartMonitor(m_folder, m_env, monitorOptions))) m_why = "the simulated monitor did not start";
  }

  bool Ready(std::string* why) const {
    *why = m_why;
    return m_why.empty();
  }
  VirtualDesktop& Desktop() { return m_desktop; }
  std::string Trace() const { return m_folder + "/rs232.txt"; }
  std::string Folder() const { return m_folder; }
  // What the program wrote on its standard output and error.
  std::string Output() const {
    std::ifstream in(m_folder + "/program.txt");
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  // Started with the arguments, in its program folder.
  Child& Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv{std::string(KOVO_BIN_DIR) + "/" + m_binary};
    argv.insert(argv.end(), args.begin(), args.end());
    m_program = std::make_unique<Child>(argv, m_env, m_folder + "/program.txt", -1, m_folder);
    return *m_program;
  }

 private:
  OdbcScope m_odbc;  // the program's own data sources
  std::string m_binary;
  std::string m_folder;
  VirtualDesktop m_desktop;
  Env m_env;
  std::string m_why;
  std::unique_ptr<Child> m_monitor;
  std::unique_ptr<Child> m_program;
};

// --- the command line ---

struct Arguments {
  const char* what;    // the test's name
  const char* binary;  // in the build's program folder
  std::vector<std::string> args;
  const char* title;           // its main window's
  bool monitor;                // it talks to the monitor
  const char* flags;           // the trace's line of the flags at the end of the start-up; "": no trace
  bool splash;                 // the program shows its splash
  const char* firstMessage = "";  // the caption of a message box before the main window, answered with Return
};

void PrintTo(const Arguments& a, std::ostream* out) { *out << a.what; }

const char* const kNoTrace = "";
const char* const kDebug = "rs232debug:1 debug:1 rs232_likeYelt_param:0\n";
const char* const kDebugAndCompatible = "rs232debug:1 debug:1 rs232_likeYelt_param:1\n";

const Arguments kArguments[] = {
    // The first argument is the debug flag, the second the compatibility
    // flag; only their first character counts.
    {"online_debug", "kovo-online", {"1"}, "Nolt Online", true, kDebug, true},
    {"online_compatible", "kovo-online", {"0", "1"}, "Nolt Online", true, kNoTrace, true},
    {"online_both", "kovo-online", {"10", "1x"}, "Nolt Online", true, kDebugAndCompatible, true},
    {"calibration_both", "kovo-calibration", {"1", "1"}, "Nolt Calibration", true, kDebugAndCompatible, true},
    // A first start: the monitor's filters were never uploaded.
    {"offline_both", "kovo-offline", {"1", "1"}, "Offline - Sequence Settings", true, kDebugAndCompatible, true,
     "Offline"},
    // Started embedded or automated, a program shows no splash.
    {"presentation", "kovo-presentation", {}, "Nolt Presentation", false, kNoTrace, true},
    {"presentation_embedded", "kovo-presentation", {"/Embedding"}, "Nolt Presentation", false, kNoTrace, false},
};

class ProgramArguments : public ::testing::TestWithParam<Arguments> {};

TEST_P(ProgramArguments, TheFlagsComeFromTheArgumentsAfterTheProgramsName) {
  const Arguments& a = GetParam();
  ProgramRun run(a.binary, a.monitor);
  std::string why;
  ASSERT_TRUE(run.Ready(&why)) << why;
  VirtualDesktop& desktop = run.Desktop();
  WindowLog windows(desktop, run.Folder() + "/windows.txt");
  ASSERT_TRUE(windows.Listening()) << "no one listens to the desktop";

  Child& program = run.Start(a.args);
  if (*a.firstMessage != '\0') {
    const std::string box = desktop.WaitForWindow(Exactly(a.firstMessage));
    ASSERT_FALSE(box.empty()) << "no message box \"" << a.firstMessage << "\"";
    EXPECT_TRUE(desktop.WaitUntilGone(Exactly(a.firstMessage), [&] { desktop.Keys(box, "Return"); }));
  }
  const std::string main = desktop.WaitForWindow(Exactly(a.title));
  ASSERT_FALSE(main.empty()) << "the program did not show its window";
  // Closed while it may still start: it ends once it has started, so all its
  // start-up has run when it has ended.
  desktop.Keys(main, "alt+F4");
  EXPECT_TRUE(desktop.WaitUntilGone(Exactly(a.title), [&] { desktop.Keys(main, "alt+F4"); }));
  ASSERT_EQ(program.Wait(VirtualDesktop::kPatience), std::optional<int>(0)) << run.Output();

  if (*a.flags == '\0')
    EXPECT_FALSE(std::filesystem::exists(run.Trace())) << "traced without the debug flag";
  else
    EXPECT_TRUE(FileHolds(run.Trace(), a.flags)) << "no \"" << a.flags << "\" in " << run.Trace();
  EXPECT_EQ(windows.Made(kSplashWidth, kSplashHeight), a.splash);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramArguments, ::testing::ValuesIn(kArguments),
                         [](const ::testing::TestParamInfo<Arguments>& info) { return std::string(info.param.what); });

// --- a close while the program starts ---

enum class Moment {
  identifying,  // the monitor is being identified: the connection's window is up
  started,      // right after the start-up
};

enum class Way { closeButton, altF4 };

struct Closing {
  const char* what;
  Moment moment;
  Way way;
};

void PrintTo(const Closing& c, std::ostream* out) { *out << c.what; }

const Closing kClosings[] = {
    {"identifying_close_button", Moment::identifying, Way::closeButton},
    {"identifying_alt_f4", Moment::identifying, Way::altF4},
    {"started_close_button", Moment::started, Way::closeButton},
};

class ClosedWhileStarting : public ::testing::TestWithParam<Closing> {};

TEST_P(ClosedWhileStarting, TheProgramEnds) {
  const Closing& c = GetParam();
  // A slow monitor: its identification takes seconds.
  ProgramRun run("kovo-online", true, {"--reply-delay-ms", "1000"});
  std::string why;
  ASSERT_TRUE(run.Ready(&why)) << why;
  VirtualDesktop& desktop = run.Desktop();
  // The debug flag: the trace shows the step of the start-up.
  Child& program = run.Start({"1"});
  const std::string main = desktop.WaitForWindow(Exactly("Nolt Online"));
  ASSERT_FALSE(main.empty()) << "the program did not show its window";
  const std::string step = c.moment == Moment::identifying ? "(write):" : "rs232_likeYelt_param:";
  ASSERT_TRUE(Eventually([&] { return FileHolds(run.Trace(), step); }, {}, VirtualDesktop::kPatience))
      << "the start-up did not come to \"" << step << "\"";

  // Once only: a close that is lost is what this looks for.
  if (c.way == Way::closeButton)
    desktop.ClickCloseButton(main);
  else
    desktop.Keys(main, "alt+F4");
  EXPECT_EQ(program.Wait(VirtualDesktop::kPatience), std::optional<int>(0)) << "the program did not end\n" << run.Output();
}

INSTANTIATE_TEST_SUITE_P(Online, ClosedWhileStarting, ::testing::ValuesIn(kClosings),
                         [](const ::testing::TestParamInfo<Closing>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace kovo::test
