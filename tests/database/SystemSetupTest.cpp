#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "COException.h"
#include "DBFiles.h"
#include "DataTestSupport.h"
#include "ListBox.h"
#include "core/App.h"
#include "db/DataSource.h"

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

  DataContext nextRun(ProgramIdentity("Online"));
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
      DataContext run(ProgramIdentity("Online"));
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
  DataContext nextRun(ProgramIdentity("Online"));
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
    DataContext calibration(ProgramIdentity("Calibration"));  // the Calibration program's start
    COSystemSetup& caliSetup = calibration.Setup();
    ASSERT_TRUE(caliSetup.OpenSystemDatabase());
    caliSetup.CreateMeasDatabase("calibrating");
    EXPECT_TRUE(caliSetup.IsDescriptionInList("calibrating"));
    EXPECT_FALSE(caliSetup.IsDescriptionInList("measuring"));
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:CALIBRAT"), caliSetup.DataFile("CALIBRAT"));
    caliSetup.ConfigDataSource(COSystemSetup::kCaliPrototype);
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
  EXPECT_THROW(setup->ConfigDataSource(COSystemSetup::kMeasTask), COException);
  EXPECT_EQ(Shown().back(), "Unable to create datasource\n\nInvalid data source attributes for TARNIC:BAD\nNAME");

  // A data-source file whose folder cannot be made: the person reads why.
  const std::string blocker = odbc.File("blocker");
  std::ofstream(blocker).flush();
  {
    EnvironmentScope blocked("ODBCINI", blocker + "/odbc.ini");
    setup->SetDatabaseName("GOODNAME");
    EXPECT_THROW(setup->ConfigDataSource(COSystemSetup::kMeasTask), COException);
  }
  const std::string shown = Shown().back();
  EXPECT_EQ(shown.rfind("Unable to create datasource\n\nUnable to make the folder of the data-source file /", 0), 0u)
      << shown;
  EXPECT_NE(shown.find("odbc.ini: Not a directory"), std::string::npos) << shown;
}

}  // namespace
