#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "CODBObs.h"
#include "CORecDBList.h"
#include "DBDoc.h"
#include "DBFiles.h"
#include "DataTestSupport.h"
#include "MeasReader.h"
#include "ObserverSteps.h"
#include "db/DataSource.h"

#include <sqlite3.h>

namespace {

using kovo::test::DataTest;
using kovo::test::MakeMeas;

using RunTest = DataTest;

// A run of three measurements a second apart, stored and closed.
void StoreThreeMeasurements(DataContext& context) {
  kovo::test::ObserverSteps store(context);
  const platform::CTime base(2024, 6, 1, 8, 0, 0);
  for (int i = 0; i < 3; ++i) {
    COMeas m = MakeMeas(base, i, 0, 1.0f);
    store.Write(m, i == 0);
  }
  store.Close();
}

TEST_F(RunTest, ASequenceRunsFromStartThroughMeasurementsToStop) {
  SetBank(monitor.setup, 0, 0, "CO", 28.0f);
  NewTask("run");
  sequence.SetFilterActive(0, true);
  sequence.SetFilterActive(1, true);
  COAlarm alarm(*context);
  alarm.SetFilter(0);
  alarm.SetStoredLimit(10.0f);
  alarm.SetActionPC(true);
  alarm.SetActionRelay1(true);
  sequence.GetAlarms().push_back(alarm);
  sequence.Save();

  CODBObs& storing = context->DBObs();
  genSub.Attach(&storing);
  genSub.Attach(&sequence);
  const platform::CTime base(2024, 6, 1, 8, 0, 0);
  const float values[] = {5, 12, 15, 8, 3};
  genSub.Notify(eTaskStarted);
  monitor.state = MeasState::active;
  for (int i = 0; i < 5; ++i) genSub.NotifyMeas(eNewMeas, MakeMeas(base, 10 * i, 0, values[i]));
  monitor.state = MeasState::idle;
  genSub.Notify(eTaskStopped);
  sequence.NewSequence();  // as the measurement subject does once a stopped task had measurements
  genSub.Detach(&sequence);
  genSub.Detach(&storing);
  storing.CloseRecordsets();

  EXPECT_EQ(switches, std::vector<std::string>({"pc:on", "relay1:on", "pc:off", "relay1:off"}));
  // Every measurement with its events, read back as a window reads them.
  COMeasInterval interval(*context);
  interval.SetMeasMode(COMeasInterval::kByNumber);
  interval.MoveTo(platform::CTime(), 5);
  interval.SetLength(5);
  COMeasBuffer buffer(*context);
  buffer.SetInterval(&interval);
  std::vector<std::string> rows;
  for (buffer.MoveFirst(); !buffer.IsAtEnd(); buffer.MoveNext()) {
    const COMeas& m = buffer.GetCurrent();
    std::string row = std::to_string(m.GetMeasNo()) + "@" + m.GetMeasTime().Format("%H:%M:%S");
    for (const COEvent& e : m.GetEvents()) row += " [" + std::to_string(e.GetType()) + "] " + e.GetText();
    rows.push_back(row);
  }
  EXPECT_EQ(rows, std::vector<std::string>({"1@08:00:00 [5] Measurement task started",
                                            "2@08:00:10 [2] CO: 10.000 ppm (Limit 1, PC, Rel. 1)",
                                            "3@08:00:20 [2] CO: 10.000 ppm (Limit 1, PC, Rel. 1)", "4@08:00:30",
                                            "5@08:00:40 [6] Measurement task stopped"}));
  // The run's sequence row carries its start and stop; the next one follows.
  COSequence stored(*context);
  stored.LoadForMeas(MakeMeas(base, 40, 5, 0.0f));
  EXPECT_EQ(stored.GetNumCount(), 1);
  EXPECT_EQ(stored.GetStartNum(), 1);
  EXPECT_EQ(stored.GetStopNum(), 5);
  EXPECT_EQ(stored.GetAlarmCount(), 1);
  stored.Close();
  stored.Load();
  EXPECT_EQ(stored.GetNumCount(), 2);
  EXPECT_EQ(stored.GetName(), "Sequence 2");
  EXPECT_EQ(stored.GetStartTime(), base + platform::CTimeSpan(100));
  stored.Close();
}

TEST_F(RunTest, AnInterruptedRunIsClosedWhenTheTaskOpens) {
  NewTask("interrupted");
  StoreThreeMeasurements(*context);
  const platform::CTime base(2024, 6, 1, 8, 0, 0);
  EXPECT_TRUE(CDBDoc::CloseInterruptedSequence(*context));
  EXPECT_EQ(sequence.GetStopNum(), 3);
  EXPECT_EQ(sequence.GetNumCount(), 2);
  EXPECT_FALSE(CDBDoc::CloseInterruptedSequence(*context));  // closed now
  CORecEvent events(*context);
  events.m_strFilter = "[EventType] = 6";
  events.Open();
  ASSERT_FALSE(events.IsEOF());
  EXPECT_EQ(events.m_EventTime, base + platform::CTimeSpan(2));
  EXPECT_EQ(events.m_EventText, "Measurement task stopped");
}

TEST_F(RunTest, AnOdbcClientOpensATaskByItsNameWhileTheProgramHasItOpen) {
  const std::string task = NewTask("shared");
  kovo::test::ObserverSteps store(*context);
  const platform::CTime base(2024, 6, 1, 8, 0, 0);
  for (int i = 0; i < 50; ++i) {
    COMeas m = MakeMeas(base, i, 0, 0.5f * i);
    store.Write(m, i == 0);
  }
  // A window of the program rests mid-way through the measurements.
  COMeas current;
  CORecMeas meas(*context);
  meas.SetTarget(&current);
  meas.Open();
  meas.Move(20);
  const std::string script = odbc.File("client.sql");
  std::ofstream(script) << "SELECT count(*) || ' rows' FROM [Meas]\n"
                           "INSERT INTO [Event] VALUES ('2024-06-01 08:00:49', 9, 'from isql', 0)\n";
  int status = -1;
  const std::string out =
      kovo::test::RunCommand("isql -b -v " + dbfiles::DataSourceName(task) + " < '" + script + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("50 rows"), std::string::npos) << out;
  // The program goes on writing and reading and sees what the client wrote.
  COMeas next = MakeMeas(base, 50, 0, 1.0f);
  store.Write(next);
  meas.MoveNext();
  EXPECT_EQ(current.GetMeasNo(), 22);
  CORecEvent events(*context);
  events.m_strFilter = "[EventText] = 'from isql'";
  events.Open();
  ASSERT_FALSE(events.IsEOF());
  EXPECT_EQ(events.m_EventTime, base + platform::CTimeSpan(49));
  meas.MoveLast();
  EXPECT_EQ(current.GetMeasNo(), 51);
}

// The result of SQLite's own check of a database.
class IntegrityCheck : public CORecTaskBase {
 public:
  using CORecTaskBase::CORecTaskBase;
  std::string m_result;

 protected:
  std::string GetDefaultSQL() override { return "SELECT integrity_check FROM pragma_integrity_check"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override { platform::RFX_Text(pFX, "integrity_check", m_result); }
};

TEST_F(RunTest, AWriterKilledMidRunLosesNoCommittedRow) {
  kovo::test::SpawnedProgram writer({KOVO_KILL_WRITER, "killed run"});
  std::string task;
  ASSERT_TRUE(writer.ReadLine(&task));
  std::set<int> committed;
  std::string line;
  while (committed.size() < 400 && writer.ReadLine(&line)) committed.insert(std::atoi(line.c_str()));
  ASSERT_EQ(committed.size(), 400u);
  ASSERT_TRUE(writer.Kill());
  // The writer went on until the kill: what it reported meanwhile is committed too.
  while (writer.ReadLine(&line)) committed.insert(std::atoi(line.c_str()));

  setup->SetDatabaseName(task);
  IntegrityCheck check(*context);
  check.Open();
  ASSERT_FALSE(check.IsEOF());
  EXPECT_EQ(check.m_result, "ok");
  COMeas m;
  CORecMeas meas(*context);
  meas.SetTarget(&m);
  meas.Open();
  std::set<int> found;
  for (; !meas.IsEOF(); meas.MoveNext()) found.insert(m.GetMeasNo());
  for (int no : committed) EXPECT_TRUE(found.count(no)) << no;
  EXPECT_LE(found.size(), committed.size() + 1);  // at most the one in flight
  CORecEvent events(*context);
  events.Open();
  int eventRows = 0;
  for (; !events.IsEOF(); events.MoveNext()) ++eventRows;
  EXPECT_GE(eventRows, static_cast<int>(committed.size()));
}

// How many rows the query counts, read straight from the file.
int CountIn(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  int count = -1;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    count = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return count;
}

// A program of a second program folder registers the same data-source names
// for its own files while this one runs; this one's opens stay in its folder.
TEST_F(RunTest, AnotherProgramFolderRegisteringTheSameNamesLeavesThisProgramInItsOwn) {
  const std::string task = NewTask("Shared");
  kovo::test::TempDir second;
  std::string line;
  {
    kovo::test::ProgramFolderScope folder(second.Path());
    kovo::test::SpawnedProgram writer({KOVO_KILL_WRITER, "Shared"});
    ASSERT_TRUE(writer.ReadLine(&line));
    ASSERT_EQ(line, task);  // the same name, so the same data source
    ASSERT_TRUE(writer.ReadLine(&line));
    ASSERT_TRUE(writer.Kill());
  }
  const std::string secondSystem = second.File("data/SYSTEM.db");
  const std::string secondTask = second.File("data/" + task + ".db");
  ASSERT_EQ(platform::db::DataSourceFile("TARNIC:SYSTEM"), secondSystem);
  const int secondMeas = CountIn(secondTask, "SELECT COUNT(*) FROM Meas");
  ASSERT_GT(secondMeas, 0);

  StoreThreeMeasurements(*context);
  setup->CreateMeasDatabase("Mine");
  EXPECT_TRUE(setup->DatabaseExists(setup->GetDatabaseName()));
  CORecDBList list(false);
  list.Open();
  std::set<std::string> listed;
  for (; !list.IsEOF(); list.MoveNext()) listed.insert(list.m_DBDesc);
  EXPECT_EQ(listed, std::set<std::string>({"Shared", "Mine"}));

  EXPECT_EQ(CountIn(setup->DataFile(task), "SELECT COUNT(*) FROM Meas"), 3);
  EXPECT_EQ(CountIn(secondTask, "SELECT COUNT(*) FROM Meas"), secondMeas);
  EXPECT_EQ(CountIn(secondSystem, "SELECT COUNT(*) FROM DBList WHERE DBDesc = 'Mine'"), 0);
  EXPECT_FALSE(std::filesystem::exists(second.File("data/" + setup->GetDatabaseName() + ".db")));
}

}  // namespace
