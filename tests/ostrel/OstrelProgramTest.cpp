#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <sstream>

#include <sqlite3.h>

#include <chrono>
#include <random>
#include <thread>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBFiles.h"
#include "DataContext.h"
#include "DataSources.h"
#include "Dialogs.h"
#include "ListBox.h"
#include "OdbcTestSupport.h"
#include "OstrelTestSupport.h"
#include "OstrelsDlg.h"
#include "Splash.h"
#include "Spawned.h"
#include "Schema.h"
#include "SpaceControl.h"
#include "TaskRestore.h"
#include "TaskRecords.h"
#include "core/App.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/FileClaim.h"
#include "db/Statement.h"
#include "ui/WinApp.h"

using kovo::test::FileState;
using kovo::test::ForeignFile;
using kovo::test::MakeForeignFile;
using kovo::test::OdbcScope;
using kovo::test::ProgramFolderScope;
using kovo::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Answers the program's modal dialogs in order, as a user would: each step
// waits until the dialog of its template is the modal one.
class DialogScript {
 public:
  DialogScript() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    m_timer.start(2);
  }
  void Then(int templateId, std::function<void(platform::CDialog*)> step) { m_steps.push_back({templateId, std::move(step)}); }
  bool Done() const { return m_steps.empty(); }

 private:
  void Tick() {
    auto* dlg = dynamic_cast<platform::CDialog*>(QApplication::activeModalWidget());
    if (!dlg || m_steps.empty() || dlg->GetTemplateId() != m_steps.front().first || !dlg->isVisible()) return;
    auto step = std::move(m_steps.front().second);
    m_steps.pop_front();
    step(dlg);
  }
  QTimer m_timer;
  std::deque<std::pair<int, std::function<void(platform::CDialog*)>>> m_steps;
};

void Click(platform::CDialog* dlg, int id) { static_cast<QPushButton*>(dlg->GetDlgItem(id))->click(); }

std::vector<std::string> Rows(platform::CDialog* dlg) {
  auto* list = static_cast<QListWidget*>(dlg->GetDlgItem(ostrel::TaskListDialog::kList));
  std::vector<std::string> rows;
  for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
  return rows;
}

// Selects the row of the description (and fails the test without one).
void Select(platform::CDialog* dlg, const std::string& description) {
  auto* list = static_cast<QListWidget*>(dlg->GetDlgItem(ostrel::TaskListDialog::kList));
  auto found = list->findItems(QString::fromStdString(description), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << description;
  list->setCurrentItem(found.front());
}

std::function<void(platform::CDialog*)> ChooseTask(const std::string& description, int radio = 0) {
  return [description, radio](platform::CDialog* dlg) {
    if (radio) static_cast<QRadioButton*>(dlg->GetDlgItem(radio))->click();
    Select(dlg, description);
    Click(dlg, platform::IDOK);
  };
}

std::function<void(platform::CDialog*)> TypeName(const std::string& description) {
  return [description](platform::CDialog* dlg) {
    static_cast<QLineEdit*>(dlg->GetDlgItem(ostrel::NewNameDialog::kEdit))->setText(QString::fromStdString(description));
    Click(dlg, platform::IDOK);
  };
}

class ListRecorder : public IListBox {
 public:
  void ResetContent() override { rows.clear(); }
  int AddString(const std::string& text) override {
    rows.push_back({text, ""});
    return static_cast<int>(rows.size()) - 1;
  }
  void SetItemData(int, long) override {}
  void SetItemString(int index, const std::string& data) override { rows[static_cast<size_t>(index)].second = data; }
  std::vector<std::pair<std::string, std::string>> rows;
};

// The data sources of the program, with an installer that may refuse to
// remove one.
class TestSources : public ostrel::DataSources {
 public:
  bool refuseRemoval = false;

 protected:
  bool Unregister(const std::string& dataSource) override {
    return !refuseRemoval && ostrel::DataSources::Unregister(dataSource);
  }
};

// An installation in a folder of its own: the system database and the two
// prototypes as a first start makes them.
struct Installation {
  Installation() {
    fs::create_directories(folder.File("data"));
    fs::create_directories(folder.File("prototyp"));
    platform::db::CreateDatabase("TARNIC:SYSTEM", "system", folder.File("data/SYSTEM.db"), schema::System());
    platform::db::CreateDatabase("TARNIC:MEAS", "meas", folder.File("prototyp/MEAS.db"), schema::Measurement());
    platform::db::CreateDatabase("TARNIC:MEASCALI", "cali", folder.File("prototyp/MEASCALI.db"), schema::Calibration());
  }
  OdbcScope odbc;
  TempDir folder;
  ProgramFolderScope programFolder{folder.Path()};
};

}  // namespace

class OstrelProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SpaceControl::Global().SetFreeSpace(&m_free);
    ASSERT_TRUE(m_sources.OpenSystem());
  }
  void TearDown() override { SpaceControl::Global().SetFreeSpace(nullptr); }

  // A measurement task with measurements, events and a named sequence.
  std::string MakeTask(const std::string& description, int measurements, int kind = ostrel::kMeasTask) {
    const std::string name = m_sources.CreateTask(description, "4711", kind);
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(name));
    db.ExecuteSQL("UPDATE [Sequence] SET [Name] = '" + description + " run'");
    db.ExecuteSQL(
        "INSERT INTO [Meas] WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
        std::to_string(measurements) +
        ") SELECT datetime(1717228800 + i * 10, 'unixepoch'), i, i / 7.0, i * 1.5e-3, NULL, 3.4e38, -i, i % 13, "
        "293.15 + i / 100.0, 101.3 FROM r");
    db.ExecuteSQL("INSERT INTO [Event] VALUES ('2024-06-01 08:00:10', 0, 'valve; opened \\ twice', 0.0)");
    db.ExecuteSQL("INSERT INTO [Event] VALUES ('2024-06-01 08:00:20', 2, 'CO (Limit 1)', 12.5)");
    return name;
  }

  std::vector<std::string> Names(const std::string& description, int kind = ostrel::kMeasTask) {
    return m_sources.TaskNames(description, kind);
  }

  struct Gui {
    Gui() { platform::EnsureGuiApplication(); }
  } m_gui;
  platform::AppCore m_app{"Database Administration", {"ostrel"}};
  Installation m_install;
  platform::ScriptedMessageSink m_messages;
  ScriptedDirChooser m_chooser;
  FixedFreeSpace m_free{1u << 30};
  TestSources m_sources;
  ostrel::COstrelsDlg m_main{m_sources};
};

TEST_F(OstrelProgramTest, ATaskBackedUpOverSmallVolumesDeletedAndRestoredUnderANewNameIsTheSame) {
  const std::string description = "Leak test 3/4: hall";
  const std::string name = MakeTask(description, 200);
  TempDir disk;
  m_chooser.AnswerAlways(disk.Path());
  m_free.Set(3000);

  DialogScript script;
  script.Then(ostrel::BackupDialog::IDD, ChooseTask(description));
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  EXPECT_TRUE(script.Done());
  // Slash and colon give way in the file's name; the volumes hold whole lines.
  const std::string file = disk.File("Leak test 3_4_ hall.MEA");
  ASSERT_TRUE(fs::exists(file));
  int volumes = 1;
  while (fs::exists(disk.File("Leak test 3_4_ hall." + platform::Format("%03d", volumes + 1)))) ++volumes;
  EXPECT_GE(volumes, 4);
  // The person is told where the backup is.
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The backup of " + description + " has finished:\n" + file +
                                                         " and " + std::to_string(volumes - 1) + " further volumes"});
  m_messages.Clear();
  for (const auto& entry : fs::directory_iterator(disk.Path())) {
    const std::string bytes = ReadAll(entry.path().string());
    EXPECT_LE(bytes.size(), 3000u) << entry.path();
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << entry.path();
  }
  fs::copy_file(m_install.folder.File("data/" + name + ".db"), disk.File("original.db"));

  m_messages.Answer(platform::IDYES);  // "Are you sure ..."
  script.Then(ostrel::DeleteDialog::IDD, ChooseTask(description));
  script.Then(ostrel::DeleteDialog::IDD, [&](platform::CDialog* dlg) {
    EXPECT_TRUE(Rows(dlg).empty());  // the list is read again, the dialog stays
    Click(dlg, ostrel::DeleteDialog::kClose);
  });
  Click(&m_main, ostrel::COstrelsDlg::kDelete);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Are you sure you whish to delete " + description});
  EXPECT_FALSE(fs::exists(m_install.folder.File("data/" + name + ".db")));
  EXPECT_EQ(platform::db::DataSourceFile("TARNIC:" + name), "");
  EXPECT_TRUE(Names(description).empty());

  m_messages.Clear();
  m_main.SetFileChooser([&] { return file; });
  script.Then(ostrel::NewNameDialog::IDD, [&](platform::CDialog* dlg) {
    EXPECT_EQ(dlg->GetDlgItemText(ostrel::NewNameDialog::kEdit), description);  // the file's description
    TypeName("Hall, again")(dlg);
  });
  Click(&m_main, ostrel::COstrelsDlg::kRestore);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The restore of Leak test 3_4_ hall.MEA has finished: it is the "
                                                         "task Hall, again."});
  const std::vector<std::string> restored = Names("Hall, again");
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0], "HALLAAAG");

  platform::CDatabase db;
  db.Open(dbfiles::ConnectString(restored[0]));
  db.ExecuteSQL("ATTACH DATABASE '" + disk.File("original.db") + "' AS original");
  const std::string tables = Query(db, "SELECT group_concat(name, '|') FROM original.sqlite_master WHERE type = 'table'");
  EXPECT_EQ(tables, "Sequence|Alarm|Global|Meas|Event|OpenWindows|OpenColumns");
  for (const char* table : {"Sequence", "Alarm", "Global", "Meas", "Event", "OpenWindows", "OpenColumns"}) {
    const std::string a = std::string("main.[") + table + "]", b = std::string("original.[") + table + "]";
    EXPECT_EQ(Query(db, "SELECT count(*) FROM (SELECT * FROM " + a + " EXCEPT SELECT * FROM " + b + ")") + "/" +
                  Query(db, "SELECT count(*) FROM (SELECT * FROM " + b + " EXCEPT SELECT * FROM " + a + ")") + "/" +
                  Query(db, "SELECT count(*) FROM " + a),
              "0/0/" + Query(db, "SELECT count(*) FROM " + b))
        << table;
  }
  db.Close();

  // The restored task is one the Presentation program lists and opens.
  DataContext presentation(ProgramIdentity("Presentation"));
  ASSERT_TRUE(presentation.Setup().OpenSystemDatabase());
  ListRecorder list;
  std::vector<std::string> serials;
  presentation.Setup().FillDatabaseList(list, serials);
  EXPECT_EQ(list.rows, (std::vector<std::pair<std::string, std::string>>{{"Hall, again", "HALLAAAG"}}));
  EXPECT_EQ(serials, std::vector<std::string>{"4711"});
  presentation.Setup().SetDatabaseName("HALLAAAG");
  COSequence& sequence = presentation.ActiveSequence();
  sequence.Load();
  EXPECT_EQ(sequence.GetName(), description + " run");
  sequence.Close();
}

namespace {

// Whether the file is a whole backup: it ends with its end line.
bool IsWhole(const std::string& path) {
  const std::string bytes = ReadAll(path);
  return bytes.size() >= 7 && bytes.compare(bytes.size() - 7, 7, "#EOB:\r\n") == 0;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The files of the data folder but the claims' lock files, which stay
// beside a task's database.
std::vector<std::string> DataFiles(const std::string& dir) {
  std::vector<std::string> names = FilesIn(dir);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return fs::path(n).extension() == ".lock"; }),
              names.end());
  return names;
}

}  // namespace

TEST_F(OstrelProgramTest, AFullBackupWritesTheSystemThenEveryTaskAndCancelLeavesOnlyWholeFiles) {
  {
    TempDir disk;
    ScriptedDirChooser chooser;
    chooser.Answer(disk.Path());
    Click(&m_main, ostrel::COstrelsDlg::kFullBackup);
    EXPECT_EQ(FilesIn(disk.Path()), std::vector<std::string>{"SYSTEM.SYB"});
    EXPECT_TRUE(IsWhole(disk.File("SYSTEM.SYB")));
    EXPECT_EQ(chooser.Prompts().size(), 1u);  // the first disk only
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The full backup has finished: the filter info and 0 of 0 "
                                                           "tasks are in " + disk.Path()});
    m_messages.Clear();
  }

  MakeTask("Zero run", 5, ostrel::kCaliTask);
  MakeTask("Hall", 5);
  MakeTask("Cellar", 5);
  struct Case {
    int cancelAt;  // the bar's value at which Cancel is pressed; 0 never
    std::vector<std::string> files;
    std::string said;
  };
  const Case cases[] = {
      {0, {"Cellar.MEA", "Hall.MEA", "SYSTEM.SYB", "Zero run.CAL"}, "has finished: the filter info and 3 of 3"},
      {2, {"SYSTEM.SYB", "Zero run.CAL"}, "was cancelled: the filter info and 1 of 3"},  // calibration tasks go first
      {1, {"SYSTEM.SYB"}, "was cancelled: the filter info and 0 of 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cancelAt);
    TempDir disk;
    ScriptedDirChooser chooser;
    chooser.Answer(disk.Path());
    int range = -1;
    QTimer::singleShot(0, [&] {
      auto* progress = m_main.findChild<ostrel::FullBackupDialog*>();
      ASSERT_NE(progress, nullptr);
      auto* bar = static_cast<QProgressBar*>(progress->GetDlgItem(ostrel::FullBackupDialog::kBar));
      range = bar->maximum();
      if (c.cancelAt == 0) return;
      auto press = [progress, bar, &c] {
        if (bar->value() == c.cancelAt) Click(progress, platform::IDCANCEL);
      };
      press();
      QObject::connect(bar, &QProgressBar::valueChanged, progress, press);
    });
    Click(&m_main, ostrel::COstrelsDlg::kFullBackup);
    EXPECT_EQ(range, 4);
    EXPECT_EQ(FilesIn(disk.Path()), c.files);
    for (const std::string& f : c.files) EXPECT_TRUE(IsWhole(disk.File(f))) << f;
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The full backup " + c.said + " tasks are in " + disk.Path()});
    m_messages.Clear();
    EXPECT_EQ(m_main.findChild<ostrel::FullBackupDialog*>(), nullptr);
  }

  // A task without its database is reported and the others still go.
  fs::remove(m_install.folder.File("data/" + Names("Hall")[0] + ".db"));
  TempDir disk;
  ScriptedDirChooser chooser;
  chooser.Answer(disk.Path());
  Click(&m_main, ostrel::COstrelsDlg::kFullBackup);
  EXPECT_EQ(FilesIn(disk.Path()), (std::vector<std::string>{"Cellar.MEA", "SYSTEM.SYB", "Zero run.CAL"}));
  EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"The selected task does not refer to a valid database",
                                                          "The full backup has finished: the filter info and 2 of 3 "
                                                          "tasks are in " + disk.Path()}));
}

// Measurement and calibration tasks alike.
class OstrelRestoreTest : public OstrelProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(OstrelRestoreTest, RestoringOverAnExistingTaskReplacesItOnlyWhenTheRestoreSucceeds) {
  const int kind = GetParam();
  const std::string ext = kind == ostrel::kCaliTask ? ".CAL" : ".MEA";
  TempDir disk;
  m_chooser.Answer(disk.Path());  // for the backup; reading asks for no further volume
  MakeTask("Hall", 30, kind);
  DialogScript script;
  script.Then(ostrel::BackupDialog::IDD, ChooseTask("Hall", kind == ostrel::kCaliTask ? ostrel::BackupDialog::kCaliRadio : 0));
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  ASSERT_TRUE(IsWhole(disk.File("Hall" + ext)));
  const std::string good = ReadAll(disk.File("Hall" + ext));
  // A backup whose last rows went missing: its restore stops at the end.
  WriteFile(disk.File("Cut" + ext), good.substr(0, good.rfind("\r\n", good.size() - 10) + 2));

  const std::string existing = MakeTask("Cellar", 7, kind);
  auto cellarRows = [&](const std::string& name) {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(name));
    return Query(db, "SELECT count(*) FROM [Meas]");
  };
  struct Case {
    std::string file;
    std::vector<int> answers;  // to "... does allready exist!"
    bool replaced;
  };
  const Case cases[] = {
      {"Cut" + ext, {platform::IDYES}, false},
      {"Hall" + ext, {platform::IDNO}, false},  // and Cancel in the name dialog shown again
      {"Hall" + ext, {platform::IDYES}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    m_messages.Clear();
    for (int a : c.answers) m_messages.Answer(a);
    m_main.SetFileChooser([&] { return disk.File(c.file); });
    script.Then(ostrel::NewNameDialog::IDD, TypeName("Cellar"));
    if (c.answers[0] == platform::IDNO) script.Then(ostrel::NewNameDialog::IDD, [](platform::CDialog* dlg) {
      EXPECT_EQ(dlg->GetDlgItemText(ostrel::NewNameDialog::kEdit), "Cellar");
      Click(dlg, platform::IDCANCEL);
    });
    Click(&m_main, ostrel::COstrelsDlg::kRestore);
    EXPECT_TRUE(script.Done());
    const auto texts = m_messages.Texts();
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Cellar does allready exist!\n Do you wish to overwrite?");
    const std::vector<std::string> names = Names("Cellar", kind);
    ASSERT_EQ(names.size(), 1u);
    // Only the task's own database stays, under its own data source.
    std::vector<std::string> files = DataFiles(m_install.folder.File("data"));
    EXPECT_EQ(files, (std::vector<std::string>{c.replaced ? "DELLARAA.db" : "CELLARAA.db", "HALLAAAA.db", "SYSTEM.db"}));
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:DELLARAA").empty(), !c.replaced);
    if (c.replaced) {
      EXPECT_EQ(names[0], "DELLARAA");
      EXPECT_EQ(cellarRows(names[0]), "30");
      EXPECT_EQ(texts, (std::vector<std::string>{texts[0], "The restore of Hall" + ext +
                                                               " has finished: it is the task Cellar."}));
    } else {
      EXPECT_EQ(names[0], existing);
      EXPECT_EQ(cellarRows(existing), "7");
    }
    if (c.file == "Cut" + ext) {
      ASSERT_EQ(texts.size(), 2u);
      EXPECT_EQ(texts[1].rfind("Error while restoring!\n", 0), 0u) << texts[1];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OstrelRestoreTest, ::testing::Values(ostrel::kMeasTask, ostrel::kCaliTask),
                         [](const auto& info) { return info.param == ostrel::kCaliTask ? "Calibration" : "Measurement"; });

TEST_F(OstrelProgramTest, ATaskWhoseDataSourceCanNotBeRemovedStaysListed) {
  const std::string name = MakeTask("Hall", 3);
  m_sources.refuseRemoval = true;
  kovo::test::WaitCursorLog log;  // answers Yes to "Are you sure ..."
  DialogScript script;
  script.Then(ostrel::DeleteDialog::IDD, ChooseTask("Hall"));
  script.Then(ostrel::DeleteDialog::IDD, [](platform::CDialog* dlg) {
    EXPECT_EQ(Rows(dlg), std::vector<std::string>{"Hall"});
    Click(dlg, ostrel::DeleteDialog::kClose);
  });
  Click(&m_main, ostrel::COstrelsDlg::kDelete);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(log.events, (std::vector<std::string>{"message: Are you sure you whish to delete Hall", "wait",
                                                  "message: Error while trying to delete the datasource\n" + name,
                                                  "done"}));
  EXPECT_EQ(Names("Hall"), std::vector<std::string>{name});
  EXPECT_TRUE(fs::exists(m_install.folder.File("data/" + name + ".db")));
}

TEST(OstrelFileNames, DescriptionsBecomeFileNamesWithoutSeparatorsOrALeadingDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"Hall 3/4: west", "Hall 3_4_ west"},
      {"a\"b*c?d<e>f|g\\h", "a_b_c_d_e_f_g_h"},
      {".hidden", "_hidden"},
      {"..", "_."},
      {"v1.2 test.", "v1.2 test."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ostrel::SafeFileName(c.first), c.second) << c.first;
}

namespace {

std::vector<std::string> HeaderOf(const std::string& path) {
  std::vector<std::string> lines;
  const std::string bytes = ReadAll(path);
  size_t start = 0;
  for (int i = 0; i < 5; ++i) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace

TEST_F(OstrelProgramTest, TheBackupDialogBacksUpTheChosenTaskOrTheFilterInfo) {
  TempDir disk;
  m_chooser.AnswerAlways(disk.Path());
  const std::string hall = MakeTask("Hall", 3);
  MakeTask("Zero run", 3, ostrel::kCaliTask);
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString("SYSTEM"));
    db.ExecuteSQL("INSERT INTO [BankSet] ([ID], [SetType], [Desc]) VALUES (7, 1, 'current')");
  }

  DialogScript script;
  script.Then(ostrel::BackupDialog::IDD, [](platform::CDialog* dlg) {
    EXPECT_EQ(Rows(dlg), std::vector<std::string>{"Hall"});
    Click(dlg, platform::IDOK);  // nothing chosen: the dialog stays
  });
  script.Then(ostrel::BackupDialog::IDD, [](platform::CDialog* dlg) {
    static_cast<QRadioButton*>(dlg->GetDlgItem(ostrel::BackupDialog::kCaliRadio))->click();
    EXPECT_EQ(Rows(dlg), std::vector<std::string>{"Zero run"});
    static_cast<QRadioButton*>(dlg->GetDlgItem(ostrel::BackupDialog::kFilterRadio))->click();
    EXPECT_FALSE(dlg->GetDlgItem(ostrel::BackupDialog::kList)->isEnabled());
    Click(dlg, platform::IDOK);
  });
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(HeaderOf(disk.File("SYSTEM.SYB")),
            (std::vector<std::string>{"#DBNAME:SYSTEM", "#DBTYPE:SYSTEM", "#VERSION:1.1", "#REMARK:SYSTEM",
                                      "#SERIALNR:1"}));

  script.Then(ostrel::BackupDialog::IDD, ChooseTask("Zero run", ostrel::BackupDialog::kCaliRadio));
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  EXPECT_EQ(HeaderOf(disk.File("Zero run.CAL")),
            (std::vector<std::string>{"#DBNAME:ZEROARUN", "#DBTYPE:MEASCALI", "#VERSION:1.1", "#REMARK:Zero run",
                                      "#SERIALNR:4711"}));
  EXPECT_EQ(m_messages.Texts(),
            (std::vector<std::string>{"The backup of the filter info has finished:\n" + disk.File("SYSTEM.SYB"),
                                      "The backup of Zero run has finished:\n" + disk.File("Zero run.CAL")}));
  m_messages.Clear();

  // A listed task without its database is refused before any file is made.
  fs::remove(m_install.folder.File("data/" + hall + ".db"));
  script.Then(ostrel::BackupDialog::IDD, ChooseTask("Hall"));
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The selected task does not refer to a valid database"});
  EXPECT_FALSE(fs::exists(disk.File("Hall.MEA")));

  // The filter info comes back over what changed since.
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString("SYSTEM"));
    db.ExecuteSQL("UPDATE [BankSet] SET [Desc] = 'changed'");
    db.ExecuteSQL("INSERT INTO [DBList] VALUES ('KEPTKEPT', 'kept', '1')");
  }
  m_messages.Clear();
  m_main.SetFileChooser([&] { return disk.File("SYSTEM.SYB"); });
  Click(&m_main, ostrel::COstrelsDlg::kRestore);
  EXPECT_EQ(m_messages.Texts(),
            std::vector<std::string>{"The restore of SYSTEM.SYB has finished: the filter info is restored."});
  platform::CDatabase db;
  db.Open(dbfiles::ConnectString("SYSTEM"));
  EXPECT_EQ(Query(db, "SELECT group_concat([ID] || [Desc]) FROM [BankSet]"), "7current");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [DBList] WHERE [DBName] = 'KEPTKEPT'"), "1");  // not a filter table
}

TEST_F(OstrelProgramTest, ABackupOfATaskWhoseFileIsNoTaskDatabaseSaysSoAndLeavesTheFileAsItLies) {
  TempDir disk;
  m_chooser.AnswerAlways(disk.Path());
  const std::string file = m_install.folder.File("data/FOREIGNA.db");
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string wrong;
  };
  const Case cases[] = {
      {"another program's database", [&] { MakeForeignFile(file, ForeignFile::kDatabase); },
       "not a task database: it has no table [Sequence]"},
      {"one with rows in its log", [&] { MakeForeignFile(file, ForeignFile::kLoggedDatabase); },
       "not a task database: it has no table [Sequence]"},
      {"no database", [&] { MakeForeignFile(file, ForeignFile::kText); },
       "no database that can be read: [SQLite]file is not a database (26)"},
  };
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString("SYSTEM"));
    db.ExecuteSQL("INSERT INTO [DBList] VALUES ('FOREIGNA', 'Address book', '1')");
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const std::string before = FileState(file);
    m_messages.Clear();
    DialogScript script;
    script.Then(ostrel::BackupDialog::IDD, ChooseTask("Address book"));
    Click(&m_main, ostrel::COstrelsDlg::kBackup);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(m_messages.Texts(),
              std::vector<std::string>{"The task Address book is not backed up: its file " + file + " is " + c.wrong + "."});
    EXPECT_TRUE(FileState(file) == before) << "the file changed";
    EXPECT_TRUE(FilesIn(disk.Path()).empty());
  }
}

TEST_F(OstrelProgramTest, TheDirectoryAndNameDialogsKeepWhatCanNotBeUsedFromClosingThem) {
  TempDir target;
  const std::string before = fs::current_path().string();
  DialogScript script;
  script.Then(ostrel::DirSelect::IDD, [&](platform::CDialog* dlg) {
    auto* drives = static_cast<QComboBox*>(dlg->GetDlgItem(ostrel::DirSelect::kDrives));
    EXPECT_EQ(drives->itemText(0).toStdString(), "/nowhere/at/all");  // the preset comes first
    EXPECT_EQ(drives->currentIndex(), 0);
    EXPECT_EQ(dlg->GetDlgItemText(ostrel::DirSelect::kPrompt), "Please insert disk 2\n in the selected drive");
    Click(dlg, platform::IDOK);
  });
  script.Then(ostrel::DirSelect::IDD, [&](platform::CDialog* dlg) {
    static_cast<QComboBox*>(dlg->GetDlgItem(ostrel::DirSelect::kDrives))->setEditText(QString::fromStdString(target.Path()));
    Click(dlg, platform::IDOK);
  });
  ostrel::DirSelectChooser chooser(&m_main);
  std::string dir;
  ASSERT_TRUE(chooser.Choose("Please insert disk 2\n in the selected drive", "/nowhere/at/all", &dir));
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(dir, target.Path() + "/");
  EXPECT_EQ(fs::current_path().string(), before);
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The directory /nowhere/at/all/ is not valid\nor the path is "
                                                         "not ready\nPlease try again"});

  script.Then(ostrel::DirSelect::IDD, [](platform::CDialog* dlg) { Click(dlg, platform::IDCANCEL); });
  EXPECT_FALSE(chooser.Choose("Please insert a disk\nin the selected drive", "", &dir));

  m_messages.Clear();
  script.Then(ostrel::NewNameDialog::IDD, TypeName(""));
  script.Then(ostrel::NewNameDialog::IDD, [](platform::CDialog* dlg) { TypeName("Hall")(dlg); });
  ostrel::NewNameDialog name(&m_main);
  EXPECT_EQ(name.DoModal(), platform::IDOK);
  EXPECT_EQ(name.m_description, "Hall");
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Please type a string"});
}

TEST_F(OstrelProgramTest, ADatabaseErrorInACommandIsShownWithItsMessageAndTheProgramGoesOn) {
  TempDir disk;
  m_chooser.AnswerAlways(disk.Path());
  MakeTask("Hall", 3);
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString("SYSTEM"));
    db.ExecuteSQL("ALTER TABLE [DBListCali] RENAME TO [Elsewhere]");
  }
  Click(&m_main, ostrel::COstrelsDlg::kFullBackup);
  auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("The database reported an error:\n", 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find("DBListCali"), std::string::npos) << texts[0];
  EXPECT_TRUE(FilesIn(disk.Path()).empty());

  m_messages.Clear();
  DialogScript script;
  script.Then(ostrel::BackupDialog::IDD, [](platform::CDialog* dlg) {
    static_cast<QRadioButton*>(dlg->GetDlgItem(ostrel::BackupDialog::kCaliRadio))->click();
    EXPECT_TRUE(Rows(dlg).empty());
    ChooseTask("Hall", ostrel::BackupDialog::kMeasRadio)(dlg);
  });
  Click(&m_main, ostrel::COstrelsDlg::kBackup);
  EXPECT_TRUE(script.Done());
  texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("The database reported an error:\n", 0), 0u) << texts[0];
  EXPECT_EQ(texts[1], "The backup of Hall has finished:\n" + disk.File("Hall.MEA"));
  EXPECT_TRUE(IsWhole(disk.File("Hall.MEA")));
}

TEST(OstrelSplash, OnceTheSplashIsGoneEveryKeyAndClickGoesWhereItWasAimed) {
  platform::EnsureGuiApplication();
  platform::AppCore app{"Database Administration", {"ostrel"}};
  QWidget main;
  QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");

  // A press while it shows closes it and goes no further.
  ASSERT_NE(ostrel::CSplashWnd::Show(&main), nullptr);
  EXPECT_TRUE(ostrel::CSplashWnd::PreTranslateAppMessage(&click));
  EXPECT_EQ(ostrel::CSplashWnd::Shown(), nullptr);
  EXPECT_FALSE(ostrel::CSplashWnd::PreTranslateAppMessage(&key));

  // Closed by the start before any event loop ran to delete it.
  QPointer<ostrel::CSplashWnd> splash = ostrel::CSplashWnd::Show(&main);
  ASSERT_NE(splash, nullptr);
  splash->close();
  EXPECT_FALSE(ostrel::CSplashWnd::PreTranslateAppMessage(&click));
  EXPECT_FALSE(ostrel::CSplashWnd::PreTranslateAppMessage(&key));

  // The program's start: shown, held, gone.
  ostrel::CSplashWnd::ShowForStart(&main, std::chrono::milliseconds(0));
  EXPECT_EQ(ostrel::CSplashWnd::Shown(), nullptr);
  EXPECT_FALSE(ostrel::CSplashWnd::PreTranslateAppMessage(&click));
  EXPECT_FALSE(ostrel::CSplashWnd::PreTranslateAppMessage(&key));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(OstrelProgramTest, TheMainWindowIsWideEnoughForItsWholeTitle) {
  // A window manager's title font is bold and often larger; beside it sit
  // the window's icon and three buttons.
  QFont font = m_main.font();
  font.setBold(true);
  const int title = QFontMetrics(font).horizontalAdvance("Database Administration");
  m_main.show();
  EXPECT_GE(m_main.width(), title + 100);
  m_main.grab().save(QString::fromStdString(::testing::TempDir() + "ostrel_main.png"));
  m_main.hide();
}

namespace {

// The helper process (OstrelHelper.cpp).
class Helper : public kovo::test::Spawned {
 public:
  explicit Helper(std::vector<std::string> args) : Spawned(WithProgram(std::move(args))) {}

 private:
  static std::vector<std::string> WithProgram(std::vector<std::string> args) {
    args.insert(args.begin(), KOVO_OSTREL_HELPER);
    return args;
  }
};

// The first column of each row of a query on a database file, read as
// another program would, with SQLite itself.
std::vector<std::string> Look(const std::string& file, const std::string& sql, const std::string& param = "") {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      if (!param.empty()) sqlite3_bind_text(st, 1, param.c_str(), -1, SQLITE_TRANSIENT);
      while (sqlite3_step(st) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        rows.push_back(text ? text : "(null)");
      }
    } else {
      rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return rows;
}

}  // namespace

TEST_F(OstrelProgramTest, ATaskAnotherProcessHasOpenIsNeitherDeletedNorRestoredOverUntilThatProcessEnds) {
  TempDir disk;
  m_chooser.AnswerAlways(disk.Path());
  const std::string name = MakeTask("Victim", 5);
  SpaceControl::Global().Reset();  // as the backup command does
  ASSERT_TRUE(m_main.TaskBackup("Victim", name, ostrel::kMeasTask, "4711"));
  ASSERT_TRUE(m_main.SystemBackup("SYSTEM", "SYSTEM"));
  const std::string data = m_install.folder.File("data");
  Helper holder({"hold", m_sources.DataFile(name)});
  ASSERT_TRUE(holder.WaitFor("held")) << holder.Said();
  const std::string inUse = "The task Victim is in use by a program and can not ";

  m_messages.Clear();
  m_messages.Answer(platform::IDYES);  // "Are you sure ..."
  DialogScript script;
  script.Then(ostrel::DeleteDialog::IDD, ChooseTask("Victim"));
  script.Then(ostrel::DeleteDialog::IDD, [](platform::CDialog* dlg) {
    EXPECT_EQ(Rows(dlg), std::vector<std::string>{"Victim"});
    Click(dlg, ostrel::DeleteDialog::kClose);
  });
  Click(&m_main, ostrel::COstrelsDlg::kDelete);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Are you sure you whish to delete Victim",
                                                          inUse + "be deleted now.\nClose it there and try again."}));

  // Restoring over it is refused, and the description asked for again.
  m_messages.Clear();
  m_messages.Answer(platform::IDYES);  // "... does allready exist!"
  m_main.SetFileChooser([&] { return disk.File("Victim.MEA"); });
  script.Then(ostrel::NewNameDialog::IDD, TypeName("Victim"));
  script.Then(ostrel::NewNameDialog::IDD, [](platform::CDialog* dlg) { Click(dlg, platform::IDCANCEL); });
  Click(&m_main, ostrel::COstrelsDlg::kRestore);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(m_messages.Texts(),
            (std::vector<std::string>{"Victim does allready exist!\n Do you wish to overwrite?",
                                      inUse + "be restored over now.\nClose it there, or give the restored task "
                                              "another description."}));
  EXPECT_EQ(Names("Victim"), std::vector<std::string>{name});
  EXPECT_EQ(DataFiles(data), (std::vector<std::string>{"SYSTEM.db", name + ".db"}));
  EXPECT_EQ(Look(m_sources.DataFile(name), "SELECT count(*) FROM [Meas]"), std::vector<std::string>{"5"});

  // The filter info while a program has the system database open, and once
  // that program is killed.
  const std::vector<std::string> restored{"The restore of SYSTEM.SYB has finished: the filter info is restored."};
  m_main.SetFileChooser([&] { return disk.File("SYSTEM.SYB"); });
  {
    Helper program({"hold", m_sources.DataFile("SYSTEM")});
    ASSERT_TRUE(program.WaitFor("held")) << program.Said();
    m_messages.Clear();
    Click(&m_main, ostrel::COstrelsDlg::kRestore);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The filter info can not be restored now: another program "
                                                           "has the system database open.\nClose the other programs "
                                                           "and try again."});
    program.Kill();
    m_messages.Clear();
    Click(&m_main, ostrel::COstrelsDlg::kRestore);
    EXPECT_EQ(m_messages.Texts(), restored);
  }

  // Killed, the holder keeps the task no longer.
  holder.Kill();
  m_messages.Clear();
  m_messages.Answer(platform::IDYES);
  script.Then(ostrel::DeleteDialog::IDD, ChooseTask("Victim"));
  script.Then(ostrel::DeleteDialog::IDD, [](platform::CDialog* dlg) {
    EXPECT_TRUE(Rows(dlg).empty());
    Click(dlg, ostrel::DeleteDialog::kClose);
  });
  Click(&m_main, ostrel::COstrelsDlg::kDelete);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Are you sure you whish to delete Victim"});
  EXPECT_TRUE(Names("Victim").empty());
  EXPECT_FALSE(fs::exists(m_sources.DataFile(name)));
  EXPECT_FALSE(fs::exists(platform::db::FileClaim::LockFile(m_sources.DataFile(name))));
}

// A restore over "Victim" (or of a new "Victim") in a process of its own,
// killed on its way.
class OstrelKilledRestoreTest : public OstrelProgramTest {
 protected:
  static constexpr int kOldRows = 7;
  static constexpr int kNewRows = 20000;

  void SetUp() override {
    OstrelProgramTest::SetUp();
    m_chooser.AnswerAlways(m_disk.Path());
    // Three volumes or more, so that a kill can land between two of them.
    m_free.Set(700000);
    const std::string source = MakeTask("Source", kNewRows);
    SpaceControl::Global().Reset();  // as the backup command does
    ASSERT_TRUE(m_main.TaskBackup("Source", source, ostrel::kMeasTask, "4711")) << m_messages.Texts().front();
    ASSERT_TRUE(fs::exists(m_disk.File("Source.002")) && fs::exists(m_disk.File("Source.003")));
    m_messages.Answer(platform::IDYES);
    ASSERT_TRUE(m_sources.DeleteTask("Source", ostrel::kMeasTask));
    m_messages.Clear();
  }

  // A fresh start: "Victim" with a few rows, or none.
  void Start(bool withVictim) {
    ASSERT_TRUE(m_sources.DeleteTask("Victim", ostrel::kMeasTask));
    if (withVictim) MakeTask("Victim", kOldRows);
  }

  std::unique_ptr<Helper> Restore(const std::string& stop = std::string()) {
    std::vector<std::string> args{"restore", m_disk.File("Source.MEA"), "Victim"};
    if (!stop.empty()) args.push_back(stop);
    return std::make_unique<Helper>(args);
  }

  // What a program sees, read with SQLite: the tasks the list calls
  // "Victim", with the rows of the one there is ("none" without one).
  std::string Victims() {
    const std::vector<std::string> names =
        Look(m_sources.DataFile("SYSTEM"), "SELECT [DBName] FROM [DBList] WHERE [DBDesc] = ?", "Victim");
    if (names.empty()) return "none";
    if (names.size() > 1) return std::to_string(names.size()) + " tasks";
    const std::string file = m_sources.DataFile(names[0]);
    const std::vector<std::string> check = Look(file, "PRAGMA integrity_check");
    if (check != std::vector<std::string>{"ok"}) return names[0] + " unsound: " + check.front();
    const std::vector<std::string> rows = Look(file, "SELECT count(*) FROM [Meas]");
    return rows.size() == 1 ? rows[0] + " rows" : names[0] + " " + rows.front();
  }

  // Beside the listed tasks and the system database, no file and no data
  // source is left.
  void ExpectNothingElse() {
    std::vector<std::string> keep{"SYSTEM"};
    for (const ostrel::TaskEntry& t : m_sources.ReadTaskList(ostrel::kMeasTask)) keep.push_back(t.name);
    for (const std::string& f : FilesIn(m_install.folder.File("data"))) {
      const std::string base = f.substr(0, f.find('.'));
      const std::string rest = f.substr(base.size());
      EXPECT_TRUE(std::find(keep.begin(), keep.end(), base) != keep.end() &&
                  (rest == ".db" || rest == ".db-wal" || rest == ".db-shm" || rest == ".db.lock"))
          << f;
    }
    std::vector<std::string> sources{"MEAS", "MEASCALI"};
    sources.insert(sources.end(), keep.begin(), keep.end());
    std::sort(sources.begin(), sources.end());
    std::vector<std::string> registered;
    std::istringstream ini(ReadAll(m_install.odbc.IniFile()));
    for (std::string line; std::getline(ini, line);)
      if (line.rfind("[TARNIC:", 0) == 0) registered.push_back(line.substr(8, line.find(']') - 8));
    std::sort(registered.begin(), registered.end());
    EXPECT_EQ(registered, sources);
  }

  // The next start of the program.
  void NextStart() {
    TestSources sources;
    ASSERT_TRUE(sources.OpenSystem());
    ostrel::TaskRestore::SettleInterrupted(sources);
  }

  TempDir m_disk;
};

TEST_F(OstrelKilledRestoreTest, KilledAtAnyStepItLeavesTheOldTaskOrTheNewOneAndTheNextStartClearsTheRest) {
  const std::string oldTask = std::to_string(kOldRows) + " rows", newTask = std::to_string(kNewRows) + " rows";
  struct Case {
    const char* stop;
    bool replacing;
    bool switched;  // the new task is the one listed
  };
  const Case cases[] = {
      {"journal", true, false},  {"made", true, false},     {"volume 2", true, false},
      {"volume 3", true, false}, {"restored", true, false}, {"switched", true, true},
      {"settled", true, true},   {"made", false, false},    {"volume 2", false, false},
      {"switched", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stop) + (c.replacing ? ", replacing" : ", new"));
    Start(c.replacing);
    auto restore = Restore(c.stop);
    ASSERT_TRUE(restore->WaitFor(c.stop)) << restore->Said();
    restore->Kill();
    const std::string expected = c.switched ? newTask : c.replacing ? oldTask : "none";
    EXPECT_EQ(Victims(), expected) << restore->Said();
    NextStart();
    EXPECT_EQ(Victims(), expected);
    ExpectNothingElse();
  }

  // And killed at moments the clock chooses, over a whole restore's time.
  Start(true);
  const auto begin = std::chrono::steady_clock::now();
  auto whole = Restore();
  ASSERT_EQ(whole->Wait(), 0) << whole->Said();
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin);
  ASSERT_EQ(Victims(), newTask);
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int64_t> moment(0, took.count());
  for (int i = 0; i < 8; ++i) {
    Start(true);
    const auto at = std::chrono::microseconds(moment(random));
    SCOPED_TRACE("killed after " + std::to_string(at.count()) + " us");
    auto restore = Restore();
    std::this_thread::sleep_for(at);
    restore->Kill();
    const std::string seen = Victims();
    EXPECT_TRUE(seen == oldTask || seen == newTask) << seen;
    NextStart();
    EXPECT_EQ(Victims(), seen);
    ExpectNothingElse();
  }
}
