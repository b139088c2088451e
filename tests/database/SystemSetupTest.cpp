#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ProgramProfiles.h"
#include "COException.h"
#include "DBFiles.h"
#include "DataTestSupport.h"
#include "ListBox.h"
#include "core/App.h"
#include "db/DataSource.h"
#include "db/FileClaim.h"
#include "DBDoc.h"

namespace {

using kovo::test::DataTest;
using kovo::test::EnvironmentScope;
namespace fs = std::filesystem;

// A sorting list box, as the open-task dialog has.
class SortedList : public IListBox {
 public:
  void ResetContent() override { items.clear(); }
  int AddString(const std::string& text) override {
    auto it = std::upper_bound(items.begin(), items.end(), text,
                               [](const std::string& t, const Item& i) { return t < i.text; });
    auto at = items.insert(it, Item{text, "", 0});
    return static_cast<int>(at - items.begin());
  }
  void SetItemData(int index, long data) override { items[static_cast<size_t>(index)].data = data; }
  void SetItemString(int index, const std::string& s) override { items[static_cast<size_t>(index)].name = s; }
  struct Item {
    std::string text;
    std::string name;
    long data;
  };
  std::vector<Item> items;
};

class CountingObserver : public CGenObserver {
 public:
  void Update(const CGenEvent& e) override { kinds.push_back(e.kind); }
  std::vector<int> kinds;
};

class RecordingStore : public IWindowStore {
 public:
  void Save() override { ++saves; }
  void Restore() override { ++restores; }
  int saves = 0;
  int restores = 0;
};

using SystemSetupTest = DataTest;

TEST_F(SystemSetupTest, AFirstStartMakesTheDatabasesAndReadsTheSettingsRow) {
  const std::string folder = odbc.Dir().Path() + "/";
  EXPECT_EQ(setup->GetProgramFolder(), folder);
  EXPECT_TRUE(fs::exists(folder + "data/SYSTEM.db"));
  EXPECT_TRUE(fs::exists(folder + "prototyp/MEAS.db"));
  EXPECT_TRUE(fs::exists(folder + "prototyp/MEASCALI.db"));
  EXPECT_EQ(platform::db::DataSourceFile("TARNIC:SYSTEM"), folder + "data/SYSTEM.db");
  EXPECT_EQ(setup->GetFont().lfFaceName, "DejaVu Sans");
  EXPECT_EQ(setup->GetFont().lfHeight, -13);
  EXPECT_EQ(setup->GetGasConcUnitText(), "ppm");
  EXPECT_DOUBLE_EQ(setup->GetNormTemp(), 20.0);
}

TEST_F(SystemSetupTest, SavedSettingsAreReadByTheNextStart) {
  platform::LOGFONT f = setup->GetFont();
  f.lfHeight = -20;
  f.lfItalic = true;
  f.lfFaceName = std::string(40, 'F');  // longer than a face name holds
  setup->SetFont(f);
  setup->SetComPort(2);
  EXPECT_EQ(monitor.port, 2);
  setup->SetTempUnit(COTempUnit::fahrenheit);
  setup->SetNormTemp(68.0f);
  setup->SetGasConcUnit(COConcUnit::mg_m3);
  setup->Save();
  setup->SetComPort(3);
  setup->Save();  // the row stays in edit mode: a second save works

  DataContext nextRun(kovo::test::ProfileOf("Online"));
  COSystemSetup& next = nextRun.Setup();
  ASSERT_TRUE(next.OpenSystemDatabase());
  EXPECT_EQ(next.GetComPort(), 3);
  EXPECT_EQ(next.GetFont().lfHeight, -20);
  EXPECT_TRUE(next.GetFont().lfItalic);
  EXPECT_EQ(next.GetFont().lfFaceName, std::string(31, 'F'));
  EXPECT_EQ(next.GetGasConcUnit().GetUnit(), COConcUnit::mg_m3);
  EXPECT_NEAR(next.GetNormTempIn(COTempUnit(COTempUnit::celsius)), 20.0, 1e-4);
}

// Another program's file where the system database belongs is refused as it
// lies at every start, with what is wrong with it.
TEST_F(SystemSetupTest, AFileThatIsNoSystemDatabaseIsRefusedAndLeftAsItLies) {
  using kovo::test::ForeignFile;
  const std::string file = odbc.Dir().Path() + "/data/SYSTEM.db";
  sequence.Close();
  context.reset();
  const struct {
    const char* what;
    ForeignFile kind;
    std::string wrong;
  } cases[] = {
      {"another program's database", ForeignFile::kDatabase, "): not the system database: it has no table [Global]"},
      {"one with rows in its log", ForeignFile::kLoggedDatabase,
       "): not the system database: it has no table [Global]"},
      {"no database", ForeignFile::kText, "): [SQLite]file is not a database (26)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kovo::test::MakeForeignFile(file, c.kind);
    const std::string before = kovo::test::FileState(file);
    for (int start = 0; start < 2; ++start) {
      DataContext run(kovo::test::ProfileOf("Online"));
      EXPECT_FALSE(run.Setup().OpenSystemDatabase());
    }
    try {
      dbfiles::CheckSystemFile();
      ADD_FAILURE() << "passed";
    } catch (const platform::CDBException& e) {
      EXPECT_EQ(e.m_strError.rfind("Unable to open data source TARNIC:SYSTEM (" + file + c.wrong, 0), 0u)
          << e.m_strError;
    }
    EXPECT_TRUE(kovo::test::FileState(file) == before) << "the file changed";
  }
}

TEST_F(SystemSetupTest, AFaceNameFromTheDatabaseIsBoundedToWhatTheFontHolds) {
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString("SYSTEM"));
    db.ExecuteSQL("UPDATE [Global] SET [FontFaceName] = '" + std::string(255, 'x') + "'");
  }
  DataContext nextRun(kovo::test::ProfileOf("Online"));
  COSystemSetup& next = nextRun.Setup();
  ASSERT_TRUE(next.OpenSystemDatabase());
  EXPECT_EQ(next.GetFont().lfFaceName, std::string(31, 'x'));
}

TEST_F(SystemSetupTest, FontsAndTheNormalisationTemperatureFollowTheirUnits) {
  platform::LOGFONT f;
  f.lfHeight = -13;
  f.lfWidth = 7;
  setup->SetFont(f);
  EXPECT_EQ(setup->GetSmallFont().lfHeight, -8);
  EXPECT_EQ(setup->GetSmallFont().lfWidth, 4);
  EXPECT_EQ(setup->GetLargeFont().lfHeight, -26);
  setup->SetTempUnit(COTempUnit::kelvin);
  setup->SetNormTemp(293.15f);
  EXPECT_NEAR(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)), 20.0, 1e-4);
  setup->SetTempUnit(COTempUnit::fahrenheit);
  EXPECT_NEAR(setup->GetNormTemp(), 68.0, 1e-4);
}

TEST_F(SystemSetupTest, MarkingATaskOpenNotifiesOnceAndClosingNotifiesNothing) {
  CountingObserver obs;
  genSub.Attach(&obs);
  setup->SetMeasDatabaseOpen(true);
  setup->SetMeasDatabaseOpen(false);
  EXPECT_EQ(obs.kinds, std::vector<int>({eDBChanged}));
  genSub.Detach(&obs);
}

TEST_F(SystemSetupTest, ClosingWhileMeasuringAsksFirst) {
  RecordingStore store;
  context->SetWindowStore(&store);
  setup->SetMeasDatabaseOpen(true);
  monitor.state = MeasState::active;
  messages.Answer(platform::IDCANCEL);
  EXPECT_FALSE(setup->CanCloseDatabase());
  EXPECT_TRUE(setup->IsMeasDatabaseOpen());
  EXPECT_EQ(monitor.stops, 0);
  EXPECT_EQ(store.saves, 0);
  messages.Answer(platform::IDOK);
  EXPECT_TRUE(setup->CanCloseDatabase());
  EXPECT_FALSE(setup->IsMeasDatabaseOpen());
  EXPECT_EQ(monitor.stops, 1);
  EXPECT_EQ(store.saves, 1);
  EXPECT_EQ(Shown(), std::vector<std::string>(2, "This action will stop the measurement"));
}

TEST(TaskNames, ComeFromTheDescriptionAndCountUpFirstCharacterFirst) {
  const std::pair<const char*, const char*> names[] = {
      {"Test 1", "TESTAAAA"}, {"", "AAAAAAAA"}, {"abc", "ABCAAAAA"}, {"longer than eight", "LONGERAT"},
      {"µg/m³", "AAGAMAAA"},
  };
  for (const auto& n : names) EXPECT_EQ(COSystemSetup::NameFromDescription(n.first), n.second) << n.first;
  const std::pair<const char*, const char*> next[] = {
      {"TESTAAAA", "UESTAAAA"}, {"ZZABCDEF", "AABBCDEF"}, {"ZZZZZZZZ", "AAAAAAAA"}, {"ZZZZZZZY", "AAAAAAAZ"}};
  for (const auto& n : next) EXPECT_EQ(COSystemSetup::NextName(n.first), n.second) << n.first;
}

TEST_F(SystemSetupTest, ANewTaskIsACopyOfThePrototypeUnderAFreeName) {
  const std::string data = odbc.Dir().Path() + "/data/";
  std::ofstream(data + "ABCAAAAA.db") << "taken";
  std::ofstream(data + "BBCAAAAA.db") << "taken";
  setup->CreateMeasDatabase("abc");
  EXPECT_EQ(setup->GetDatabaseName(), "CBCAAAAA");
  EXPECT_TRUE(setup->DatabaseExists("CBCAAAAA"));
  // The files that were there are untouched.
  std::ifstream taken(data + "ABCAAAAA.db");
  std::string content;
  taken >> content;
  EXPECT_EQ(content, "taken");
  // Reachable by its data source, with the prototype's tables and rows.
  int status = -1;
  std::string out = kovo::test::RunCommand("echo 'SELECT [Name] FROM [Sequence]' | isql -b -v TARNIC:CBCAAAAA 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Sequence 1"), std::string::npos) << out;
  EXPECT_TRUE(setup->IsDescriptionInList("abc"));
  EXPECT_FALSE(setup->IsDescriptionInList("ABC"));
}

TEST_F(SystemSetupTest, AFailedPrototypeCopyLeavesNoTask) {
  setup->CreateMeasDatabase("first");
  const std::string before = setup->GetDatabaseName();
  fs::remove(setup->PrototypeFile("MEAS"));
  EXPECT_THROW(setup->CreateMeasDatabase("second"), COException);
  EXPECT_EQ(Shown().back(), "Unable to copy file");
  EXPECT_EQ(setup->GetDatabaseName(), before);
  EXPECT_FALSE(setup->DatabaseExists("SECONDAA"));
  EXPECT_FALSE(setup->IsDescriptionInList("second"));
  EXPECT_FALSE(fs::exists(setup->PrototypeFile("MEAS")));  // not made empty by the attempt
}

TEST_F(SystemSetupTest, TheTaskListShowsTheMonitorsTasksOrAllOfThemOffline) {
  monitor.setup.m_serial.Assign(std::string("SN1"));
  setup->CreateMeasDatabase("zeta");
  monitor.setup.m_serial.Assign(std::string("SN2"));
  setup->CreateMeasDatabase("alpha");
  monitor.setup.m_serial.Assign(std::string("SN1 "));  // a trailing blank is another serial
  setup->CreateMeasDatabase("mid");

  monitor.setup.m_serial.Assign(std::string("SN1"));
  SortedList list;
  std::vector<std::string> serials;
  setup->FillDatabaseList(list, serials);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].text, "zeta");
  EXPECT_EQ(list.items[0].name, "ZETAAAAA");

  monitor.offline = true;
  list.items.clear();
  serials.clear();
  setup->FillDatabaseList(list, serials);
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_EQ(list.items[0].text, "alpha");
  EXPECT_EQ(list.items[1].text, "mid");
  EXPECT_EQ(list.items[2].text, "zeta");
  EXPECT_EQ(serials, std::vector<std::string>({"SN2", "SN1 ", "SN1"}));
}

TEST_F(SystemSetupTest, TheCalibrationKeepsItsTasksApart) {
  setup->CreateMeasDatabase("measuring");
  {
    DataContext calibration(kovo::test::ProfileOf("Calibration"));  // the Calibration program's start
    COSystemSetup& caliSetup = calibration.Setup();
    ASSERT_TRUE(caliSetup.OpenSystemDatabase());
    caliSetup.CreateMeasDatabase("calibrating");
    EXPECT_TRUE(caliSetup.IsDescriptionInList("calibrating"));
    EXPECT_FALSE(caliSetup.IsDescriptionInList("measuring"));
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:CALIBRAT"), caliSetup.DataFile("CALIBRAT"));
    caliSetup.ConfigDataSource(dbfiles::kCaliPrototype);
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:MEASCALI"), caliSetup.PrototypeFile("MEASCALI"));
  }
  EXPECT_TRUE(setup->IsDescriptionInList("measuring"));
  EXPECT_FALSE(setup->IsDescriptionInList("calibrating"));
  // A copy of the calibration prototype, with its own [Sequence].
  int status = -1;
  std::string out = kovo::test::RunCommand("echo 'SELECT [CaliMode] FROM [Sequence]' | isql -b TARNIC:CALIBRAT 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
}

TEST_F(SystemSetupTest, ARegistrationFailureIsShownAndRaised) {
  setup->SetDatabaseName("BAD\nNAME");
  EXPECT_THROW(setup->ConfigDataSource(dbfiles::kMeasTask), COException);
  EXPECT_EQ(Shown().back(), "Unable to create datasource\n\nInvalid data source attributes for TARNIC:BAD\nNAME");

  // A data-source file whose folder cannot be made: the person reads why.
  const std::string blocker = odbc.File("blocker");
  std::ofstream(blocker).flush();
  {
    EnvironmentScope blocked("ODBCINI", blocker + "/odbc.ini");
    setup->SetDatabaseName("GOODNAME");
    EXPECT_THROW(setup->ConfigDataSource(dbfiles::kMeasTask), COException);
  }
  const std::string shown = Shown().back();
  EXPECT_EQ(shown.rfind("Unable to create datasource\n\nUnable to make the folder of the data-source file /", 0), 0u)
      << shown;
  EXPECT_NE(shown.find("odbc.ini: Not a directory"), std::string::npos) << shown;
}

// Every program that has a task open holds its claim, so the Database
// administration program neither deletes nor restores over it; the claim
// goes when the task closes.
TEST_F(SystemSetupTest, ATaskOpenInAnyProgramIsClaimedUntilItCloses) {
  const std::string name = NewTask("claimed");
  const std::string file = setup->DataFile(name);
  sequence.Close();
  setup->SetMeasDatabaseOpen(false);
  ASSERT_FALSE(platform::db::FileClaim::InUse(file));
  for (const char* program : {"Online", "Presentation", "Offline"}) {
    SCOPED_TRACE(program);
    DataContext other{kovo::test::ProfileOf(program)};
    other.SetMeasurement(&monitor);
    ASSERT_TRUE(other.Setup().OpenSystemDatabase());
    ASSERT_TRUE(CDBDoc::OpenTask(other, name, "claimed"));
    EXPECT_TRUE(platform::db::FileClaim::InUse(file));
    EXPECT_FALSE(platform::db::FileClaim::Take(file, platform::db::FileClaim::Kind::Sole));
    ASSERT_TRUE(other.Setup().CanCloseDatabase());
    EXPECT_FALSE(platform::db::FileClaim::InUse(file));
    other.Sequence().Close();
  }
  // A task being deleted or replaced does not open.
  auto sole = platform::db::FileClaim::Take(file, platform::db::FileClaim::Kind::Sole);
  ASSERT_TRUE(sole);
  messages.Clear();
  EXPECT_FALSE(CDBDoc::OpenTask(*context, name, "claimed"));
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].rfind("Unable to open measurement task\n\n/", 0), 0u) << Shown()[0];
  EXPECT_NE(Shown()[0].find(".db is in use by a program"), std::string::npos) << Shown()[0];
  EXPECT_FALSE(setup->IsMeasDatabaseOpen());
}

// A folder that this process may write while nobody may write into it.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& folder) : m_folder(folder) {
    if (geteuid() != 0) {
      for (const auto& entry : fs::directory_iterator(folder)) ::chmod(entry.path().c_str(), 0444);
      m_ready = ::chmod(folder.c_str(), 0555) == 0;
      return;
    }
    // Root writes whatever the modes say: the folder is mounted read-only.
    m_mounted = ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
    m_ready = m_mounted && ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    if (!m_ready) m_why = std::strerror(errno);
  }
  ~ReadOnlyFolder() {
    if (m_mounted) ::umount2(m_folder.c_str(), MNT_DETACH);
    else ::chmod(m_folder.c_str(), 0755);
  }
  bool Ready() const { return m_ready; }
  const std::string& Why() const { return m_why; }

 private:
  std::string m_folder;
  bool m_mounted = false;
  bool m_ready = false;
  std::string m_why;
};

// A start whose system database cannot be opened says which file and why,
// after the message it always gave.
TEST(SystemDatabaseFailure, NamesTheFileAndTheCause) {
  struct Case {
    const char* what;
    bool startedBefore;  // the databases exist: only the registration fails
    // Makes the data-source file unusable; returns $ODBCINI and what the
    // reason must hold.
    std::function<std::pair<std::string, std::string>(const std::string& dir)> spoil;
  };
  const Case cases[] = {
      {"a folder for the data-source file that cannot be made", false,
       [](const std::string& dir) {
         std::ofstream(dir + "/blocker").flush();
         const std::string ini = dir + "/blocker/odbc.ini";
         return std::make_pair(ini, "Unable to make the folder of the data-source file " + ini + ": Not a directory");
       }},
      {"$ODBCINI naming a folder", false,
       [](const std::string& dir) {
         fs::create_directories(dir + "/odbc-folder");
         return std::make_pair(dir + "/odbc-folder", dir + "/odbc-folder: Is a directory");
       }},
      {"$ODBCINI naming a folder, at a later start", true,
       [](const std::string& dir) {
         fs::create_directories(dir + "/odbc-folder");
         return std::make_pair(dir + "/odbc-folder", dir + "/odbc-folder: Is a directory");
       }},
      {"a read-only data-source file", true,
       [](const std::string& dir) {
         fs::create_directories(dir + "/ro");
         fs::copy_file(dir + "/odbc.ini", dir + "/ro/odbc.ini");
         return std::make_pair(dir + "/ro/odbc.ini",
                               dir + "/ro/odbc.ini: " + std::strerror(geteuid() == 0 ? EROFS : EACCES));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kovo::test::OdbcScope odbc;
    kovo::test::ProgramFolderScope folder(odbc.Dir().Path());
    platform::ScriptedMessageSink messages;
    if (c.startedBefore) {
      DataContext first{kovo::test::ProfileOf("Online")};
      ASSERT_TRUE(first.Setup().OpenSystemDatabase());
    }
    const auto [ini, reason] = c.spoil(odbc.Dir().Path());
    EnvironmentScope spoilt("ODBCINI", ini);
    std::unique_ptr<ReadOnlyFolder> readOnly;
    if (ini.find("/ro/") != std::string::npos) {
      readOnly = std::make_unique<ReadOnlyFolder>(odbc.File("ro"));
      if (!readOnly->Ready()) {
        ADD_FAILURE() << "no read-only folder here: " << readOnly->Why();
        continue;
      }
    }
    DataContext context{kovo::test::ProfileOf("Online")};
    EXPECT_FALSE(context.Setup().OpenSystemDatabase());
    const std::string why = context.Setup().SystemDatabaseFailure();
    EXPECT_NE(why.find(reason), std::string::npos) << why;
    // What was shown on the way, cut to a message line, keeps the cause.
    const std::string cause = reason.substr(reason.rfind(": ") + 2);
    for (const std::string& shown : messages.Texts()) EXPECT_NE(shown.find(cause), std::string::npos) << shown;
  }
}

}  // namespace
