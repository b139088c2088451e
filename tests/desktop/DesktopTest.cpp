// Each program as a person uses it: its binary started on a virtual desktop
// of its own, a message provoked with the keyboard or the mouse, the message
// box found on the screen, its text read through its Copy, and answered.
//
// A program comes in by a line in kPrograms: its binary, its main window's
// title, whether it talks to the simulated monitor, what the person does
// there (one of the scenarios below, or one of its own), and what the person
// meets before its main window shows, if anything.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ProgramProfiles.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "Desktop.h"
#include "OdbcTestSupport.h"

namespace kovo::test {
namespace {

class Person;

struct Program {
  const char* binary;  // in the build's program folder
  const char* title;   // its main window's
  bool monitor;        // it talks to the monitor: the simulated one stands behind every port
  std::function<void(Person&)> does;
  std::vector<const char*> tasks = {};  // measurement tasks made before it starts
  const char* what = "";                // tells two lines of one program apart
  std::function<void(Person&)> meetsFirst = {};
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.binary; }

// What a person does on the desktop with one program, and what the test
// expects to see meanwhile.
class Person {
 public:
  Person(VirtualDesktop& desktop, const Program& program, std::string pictures)
      : m_desktop(desktop), m_program(program), m_pictures(std::move(pictures)) {}

  VirtualDesktop& Desktop() { return m_desktop; }
  const Program& Using() const { return m_program; }
  const std::string& Main() const { return m_main; }
  void SetMain(std::string id) { m_main = std::move(id); }

  // The window with this title; typing keys into the main window (again and
  // again while the window does not come) when given.
  std::string Sees(const std::string& title, const std::string& keysToMain = std::string()) {
    std::function<void()> act;
    if (!keysToMain.empty()) act = [this, keysToMain] { m_desktop.Keys(m_main, keysToMain); };
    const std::string id = m_desktop.WaitForWindow(Exactly(title), act);
    EXPECT_FALSE(id.empty()) << "no window \"" << title << "\"";
    return id;
  }

  // Types the keys into the window until a message box with the caption
  // comes; reads its text, keeps a picture of it and answers it with the key.
  void GetsMessage(const std::string& window, const std::string& keys, const std::string& caption,
                   const std::string& text, const std::string& answer) {
    // A message box takes the program's name as its caption, which may be its
    // main window's title too.
    const std::string box =
        m_desktop.WaitForWindow(Exactly(caption), [&] { m_desktop.Keys(window, keys); }, VirtualDesktop::kPatience, m_main);
    ASSERT_FALSE(box.empty()) << "no message box \"" << caption << "\"";
    ReadsMessage(box, caption, text);
    Answers(box, caption, answer);
  }

  // The message box's title and text as its Copy (Ctrl+C) gives them.
  void ReadsMessage(const std::string& box, const std::string& caption, const std::string& text) {
    std::optional<MessageText> read;
    Eventually([&] { return read && read->text == text; },
               [&] {
                 m_desktop.Keys(box, "ctrl+c");
                 read = ParseMessageCopy(m_desktop.Clipboard());
               },
               std::chrono::seconds(20), std::chrono::milliseconds(500));
    m_desktop.Picture(m_pictures + "_message.png");
    ASSERT_TRUE(read.has_value()) << "the message box gave no text";
    EXPECT_EQ(read->caption, caption);
    EXPECT_EQ(read->text, text);
  }

  void Answers(const std::string& box, const std::string& caption, const std::string& answer) {
    m_desktop.Keys(box, answer);
    EXPECT_TRUE(Eventually([&] { return m_desktop.Windows(Exactly(caption), m_main).empty(); },
                           [&] { m_desktop.Keys(box, answer); }, VirtualDesktop::kPatience))
        << "the message box stays";
  }

  // Closes the window with its key, again while it stays.
  void Closes(const std::string& window, const std::string& title, const std::string& key) {
    m_desktop.Keys(window, key);
    EXPECT_TRUE(m_desktop.WaitUntilGone(Exactly(title), [&] { m_desktop.Keys(window, key); }))
        << "\"" << title << "\" stays";
  }

 private:
  VirtualDesktop& m_desktop;
  const Program& m_program;
  std::string m_main;
  std::string m_pictures;
};

// --- what a person does ---

// A dialog opened with the keys, and OK in it before it has what it needs
// (a new task's description, the task to open): refused with the message,
// the dialog stays.
std::function<void(Person&)> RefusedInDialog(std::string keys, std::string dialog, std::string caption,
                                             std::string text) {
  return [=](Person& p) {
    const std::string id = p.Sees(dialog, keys);
    ASSERT_FALSE(id.empty());
    p.GetsMessage(id, "Return", caption, text, "Return");
    EXPECT_FALSE(p.Desktop().Windows(Exactly(dialog)).empty()) << "the refused dialog went";
    p.Closes(id, dialog, "Escape");
  };
}

// A mouse click on the main dialog's Delete button (the third from the top),
// then the question before the task goes, answered No: the task stays.
void ClickDelete(Person& p) {
  std::vector<Box> buttons;
  Eventually([&] { return buttons.size() >= 5; }, [&] { buttons = p.Desktop().StackedButtons(p.Main()); },
             std::chrono::seconds(20), std::chrono::milliseconds(200));
  ASSERT_GE(buttons.size(), 5u) << "the buttons are not on the screen";
  // Once only: a click that does not arrive is what this looks for.
  p.Desktop().Click(p.Main(), buttons[2].CenterX(), buttons[2].CenterY());
  const std::string id = p.Desktop().WaitForWindow("^Delete$");
  ASSERT_FALSE(id.empty()) << "the click on Delete did not arrive";
  // The task list has the keys, on its first task: chosen, OK.
  p.GetsMessage(id, "space alt+o", "Database Administration", "Are you sure you whish to delete Harbour survey", "Escape");
  p.Closes(id, "Delete", "Escape");
}

// A message that stands alone on the screen before the main window comes,
// answered with Return.
std::function<void(Person&)> MessageBeforeMainWindow(std::string caption, std::string text) {
  return [=](Person& p) {
    const std::string box = p.Desktop().WaitForWindow(Exactly(caption));
    ASSERT_FALSE(box.empty()) << "no message box \"" << caption << "\"";
    p.ReadsMessage(box, caption, text);
    p.Answers(box, caption, "Return");
  };
}

void NothingMore(Person&) {}

// Closed with the close button of its main window while it still shows its
// splash: it ends once it has started, without being asked again.
void CloseWhileStarting(Person& p) {
  p.Desktop().ClickCloseButton(p.Main());
  EXPECT_TRUE(Eventually([&] { return p.Desktop().Windows(Exactly(p.Using().title)).empty(); }, {},
                         VirtualDesktop::kPatience))
      << "the program did not end";
}

const Program kPrograms[] = {
    {"kovo-online", "Nolt Online", true,
     RefusedInDialog("ctrl+n", "New Measurement Task", "Online", "Please enter a string")},
    {"kovo-presentation", "Nolt Presentation", false,
     RefusedInDialog("ctrl+o", "Open Measurement Task", "Presentation", "Please select an item")},
    {"kovo-ostrel", "Database Administration", false, ClickDelete, {"Harbour survey"}},
    {"kovo-online", "Nolt Online", true, CloseWhileStarting, {}, "closed_while_starting"},
    {"kovo-calibration", "Nolt Calibration", true,
     RefusedInDialog("ctrl+n", "New Calibration Task", "Calibration", "Please enter a string")},
    // A first start: the monitor's filters were never uploaded to this
    // system database, so the sheet opens without a filter configuration.
    {"kovo-offline", "Offline - Sequence Settings", true, NothingMore, {}, "",
     MessageBeforeMainWindow("Offline", "Unable to load configuration from the last filter info upload")},
};

class ProgramOnDesktop : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramOnDesktop, AMessageReachesTheScreenAndIsAnswered) {
  const Program& program = GetParam();
  OdbcScope odbc;  // the program's own data sources
  const std::string folder = odbc.Dir().Path();
  // The program folder: its databases and the tasks the person finds there.
  setenv("KOVO_PROGRAM_FOLDER", folder.c_str(), 1);
  for (const char* task : program.tasks) {
    DataContext data(kovo::test::ProfileOf("Online"));
    ASSERT_TRUE(data.Setup().OpenSystemDatabase());
    data.Setup().CreateMeasDatabase(task);
  }
  unsetenv("KOVO_PROGRAM_FOLDER");

  VirtualDesktop desktop;
  std::string why;
  ASSERT_TRUE(desktop.Started(&why)) << why;
  Env env = desktop.Environment();
  env["KOVO_PROGRAM_FOLDER"] = folder;
  env["XDG_CONFIG_HOME"] = folder + "/config";
  std::unique_ptr<Child> monitor;
  if (program.monitor) {
    monitor = StartMonitor(folder, env);
    ASSERT_NE(monitor, nullptr) << "the simulated monitor did not start";
  }

  Child running({std::string(KOVO_BIN_DIR) + "/" + program.binary}, env, folder + "/program.txt");
  const std::string name = std::string(program.binary).substr(5);
  Person person(desktop, program, ::testing::TempDir() + "desktop_" + name);
  if (program.meetsFirst) {
    program.meetsFirst(person);
    if (HasFatalFailure()) return;
  }
  person.SetMain(person.Sees(program.title));
  ASSERT_FALSE(person.Main().empty()) << "the program did not show its window";
  program.does(person);
  if (HasFatalFailure()) return;

  // The program ends as a person ends it, and ends well.
  person.Closes(person.Main(), program.title, "alt+F4");
  EXPECT_EQ(running.Wait(VirtualDesktop::kPatience), std::optional<int>(0));
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramOnDesktop, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) {
                           const std::string what = info.param.what;
                           return std::string(info.param.binary).substr(5) + (what.empty() ? "" : "_" + what);
                         });

}  // namespace
}  // namespace kovo::test
