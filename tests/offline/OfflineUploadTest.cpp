// Whole uploads from the monitor's memory into a task, and how an upload
// that does not get everything leaves the monitor.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "COSequence.h"
#include "DBDoc.h"
#include "OfflineFixture.h"
#include "OfflineStrings.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "db/Database.h"
#include "db/Statement.h"

namespace kovo::test {
namespace {

class OfflineUploadTest : public OfflineFixture {
 protected:
  using End = COUpDownload::UploadEnd;

  // The monitor's own units, which an upload must give back.
  void SetMonitorUnits() {
    sim->Modify([](kovo::sim::MonitorState& s) {
      s.setup["H_U"] = "U_TDEW";
      s.setup["C_U"] = "U_PPM";
    });
  }
  void ExpectMonitorLeftAsFound() {
    const kovo::sim::MonitorState s = sim->State();
    EXPECT_EQ(s.setup.at("H_U"), "U_TDEW");
    EXPECT_EQ(s.setup.at("C_U"), "U_PPM");
    EXPECT_TRUE(KeyboardUnlocked());
  }
  bool ShownText(unsigned id) const {
    const auto texts = Shown();
    return std::find(texts.begin(), texts.end(), platform::LoadString(id)) != texts.end();
  }
  static float Ppm(float mg, float mw) { return mg * kMolarVolume / mw; }
  std::vector<std::string> EventLines() {
    std::vector<std::string> lines;
    for (const StoredEvent& e : StoredEvents()) lines.push_back(e.time.Format("%m-%d ") + e.Line());
    return lines;
  }
  // What the open task holds: "number MM-DD HH:MM:SS" per row, its events,
  // and per sequence row its number, start, stop and stand-alone flag.
  struct TaskContents {
    std::vector<std::string> rows;
    std::vector<std::string> events;
    std::vector<std::string> sequences;
  };
  std::vector<std::string> QueryLines(const std::string& sql) {
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:" + setup->GetDatabaseName());
    auto st = db.NewStatement();
    st->Prepare(sql);
    st->Execute();
    std::vector<std::string> lines;
    std::string line;
    while (st->Fetch()) {
      st->GetText(0, &line);
      lines.push_back(line);
    }
    db.Close();
    return lines;
  }
  TaskContents Task() {
    TaskContents t;
    for (const COMeas& m : StoredMeas())
      t.rows.push_back(std::to_string(m.GetMeasNo()) + m.GetMeasTime().Format(" %m-%d %H:%M:%S"));
    t.events = EventLines();
    t.sequences = QueryLines(
        "SELECT [NumCount] || ' ' || [Name] || ' ' || [StartTime] || ' ' || [StopTime] || ' ' || [StartNum] || ' ' || "
        "[StopNum] || ' ' || [Reserved] || ' ' || [ModeMask] || ' ' || [LockedFilter] FROM [Sequence] "
        "ORDER BY [NumCount]");
    for (const std::string& line : QueryLines("SELECT [SerialNum] || ' ' || [GasName1] || ' ' || [GasName2] FROM [Global]"))
      t.sequences.push_back(line);
    for (const std::string& line : QueryLines("SELECT [SequenceNum] || ' ' || [Filter] || ' ' || [Limit] FROM [Alarm]"))
      t.sequences.push_back(line);
    return t;
  }
};

TEST_F(OfflineUploadTest, NewTaskAcrossMidnightThenASecondUploadNumbersOn) {
  LoadMemory("memory.txt");
  SetMonitorUnits();
  // The water vapour's limits are its own, never a gas filter's.
  MonitorSetup held = obs->GetDevice().GetSetup();
  held.m_waterAlarmLimit1 = 9000.0f;
  held.GetFilter(0).m_alarmLimit1 = 1.0f;
  obs->GetDevice().SetSetup(held);
  ASSERT_EQ(transfer->UploadToNewTask("Stand-alone run"), End::complete);
  const std::string task = setup->GetDatabaseName();

  const std::vector<COMeas> rows = StoredMeas();
  ASSERT_EQ(rows.size(), 36u);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].GetMeasNo(), static_cast<int>(i + 1));
  EXPECT_EQ(rows[0].GetMeasTime(), platform::CTime(2026, 5, 3, 23, 40, 30));
  EXPECT_EQ(rows[19].GetMeasTime(), platform::CTime(2026, 5, 3, 23, 59, 30));
  EXPECT_EQ(rows[20].GetMeasTime(), platform::CTime(2026, 5, 4, 0, 0, 30));
  EXPECT_EQ(rows[35].GetMeasTime(), platform::CTime(2026, 5, 4, 0, 15, 30));
  // mg/m³ as recorded, ppm as stored; no value stays no value.
  EXPECT_NEAR(rows[0].GetValue(0), Ppm(101.0f, 44.01f), 0.05f);
  EXPECT_NEAR(rows[0].GetValue(1), Ppm(2.0f, 16.04f), 0.01f);
  EXPECT_NEAR(rows[0].GetValue(5), Ppm(9000.0f, 18.02f), 5.0f);
  EXPECT_NEAR(rows[26].GetValue(0), Ppm(0.5f, 44.01f), 0.01f);
  EXPECT_FALSE(rows[0].GetValue(3).IsValid());
  EXPECT_FALSE(rows[9].GetValue(0).IsValid());
  EXPECT_FALSE(rows[24].GetValue(1).IsValid());
  EXPECT_FALSE(rows[25].GetValue(5).IsValid());

  const std::vector<std::string> events = EventLines();
  const std::vector<std::string> expected = {
      "05-03 23:40:30 [5] Measurement task started",
      "05-03 23:42:30 [0] U3",
      "05-03 23:44:30 [8] ",
      "05-03 23:46:30 [10] ",
      "05-03 23:47:30 [2] CH4: 1.500 " + setup->GetGasConcUnitText() + " (Limit 1)",
      "05-03 23:48:30 [10] ",
      "05-03 23:48:30 [2] N2O: n/a " + setup->GetGasConcUnitText() + " (Limit 1)",
      "05-03 23:49:30 [9] ",
      "05-03 23:50:30 [7] ",
      "05-03 23:51:30 [0] U12",
      "05-03 23:51:30 [7] ",
      "05-03 23:53:30 [2] Water Vapour: 9.000e+03 " + setup->GetHumidityUnitText() + " (Limit 1)",
      "05-04 00:05:30 [9] ",
      "05-04 00:15:30 [6] Measurement task stopped",
  };
  EXPECT_EQ(events, expected);

  // The task's first sequence is the recorded one; the next starts after it.
  COSequence stored(*context);
  stored.Load();
  EXPECT_EQ(stored.GetNumCount(), 2);
  EXPECT_EQ(stored.GetSerialNum(), obs->GetDevice().GetSetup().m_serial.ToString());
  EXPECT_EQ(stored.GetGasName(1), "CH4");
  stored.LoadForMeas(rows[0]);
  EXPECT_EQ(stored.GetNumCount(), 1);
  EXPECT_EQ(stored.GetStartTime(), rows[0].GetMeasTime());
  EXPECT_EQ(stored.GetStartNum(), 1);
  EXPECT_EQ(stored.GetStopTime(), rows[35].GetMeasTime());
  EXPECT_EQ(stored.GetStopNum(), 36);
  EXPECT_TRUE(stored.IsReservedFlag());
  EXPECT_TRUE(stored.IsFilterLocked(0));
  EXPECT_FLOAT_EQ(stored.GetIntegrationTime(2), 10.0f);
  stored.Close();

  // The memory was read ten records at a time in mg/m³, then given its units
  // back and reset.
  EXPECT_EQ(LinesStarting("O_M? 1,"), std::vector<std::string>{"O_M? 1,10,US_M_A_P"});
  EXPECT_EQ(LinesStarting("O_M? 31,"), std::vector<std::string>{"O_M? 31,36,US_M_A_P"});
  const std::vector<std::string> units = LinesStarting("SE H_U,");
  EXPECT_EQ(units, (std::vector<std::string>{"SE H_U,U_MG_M3", "SE H_U,U_TDEW"}));
  ExpectMonitorLeftAsFound();
  EXPECT_EQ(memory.RecordCount(), 0u);
  EXPECT_EQ(memory.Resets(), 1);

  // The next stand-alone run goes into the same task and numbers on.
  LoadMemory("memory-later.txt");
  ASSERT_EQ(transfer->UploadToExistingTask(task, "Stand-alone run"), End::complete);
  const std::vector<COMeas> all = StoredMeas();
  ASSERT_EQ(all.size(), 41u);
  EXPECT_EQ(all[36].GetMeasNo(), 37);
  EXPECT_EQ(all[36].GetMeasTime(), platform::CTime(2026, 5, 4, 1, 0, 30));
  EXPECT_EQ(all[40].GetMeasNo(), 41);
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_EQ(memory.Resets(), 2);
}

TEST_F(OfflineUploadTest, OlderRecordedSequenceIsRefusedAndTheMemoryKept) {
  LoadMemory("memory-later.txt");
  ASSERT_EQ(transfer->UploadToNewTask("Stand-alone run"), End::complete);
  const std::string task = setup->GetDatabaseName();
  // The reset and the link's close reach the monitor before it is filled anew.
  ASSERT_TRUE(KeyboardUnlocked());

  LoadMemory("memory.txt");
  SetMonitorUnits();
  sim->ClearLines();
  EXPECT_EQ(transfer->UploadToExistingTask(task, "Stand-alone run"), End::notStarted);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_TRUE(ShownText(IDS_SEQUENCE_OLDER));
  EXPECT_EQ(StoredMeas().size(), 5u);
  EXPECT_EQ(memory.RecordCount(), 36u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
  EXPECT_TRUE(LinesStarting("SE H_U,").empty());
  ExpectMonitorLeftAsFound();
}

TEST_F(OfflineUploadTest, EmptyMemoryWarnsAndChangesNothing) {
  LoadMemory("memory.txt");
  memory.ClearRecords();
  EXPECT_EQ(transfer->UploadToNewTask("Nothing"), End::notStarted);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  const auto shown = messages.Messages();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, kNoMeasurementWarning);
  EXPECT_EQ(shown.back().caption, kOfflineCaption);
  EXPECT_FALSE(setup->IsMeasDatabaseOpen());
  EXPECT_TRUE(KeyboardUnlocked());
}

TEST_F(OfflineUploadTest, CountReplyIsReadToItsEnd) {
  LoadMemory("memory.txt");
  ASSERT_TRUE(obs->Connect(false));
  kovo::sim::SimTimings t = sim->GetTimings();
  t.splitPieceSize = 2;
  t.splitPauseMs = 150;  // longer than the link's gap between characters
  sim->SetTimings(t);
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::split);
  EXPECT_EQ(transfer->ReadMemoryCount(), 36);
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::none);

  // A count no memory can hold, and a reply that is no count at all.
  sim->AddHandler("O_M? MEM", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(" 99999999");
  });
  EXPECT_EQ(transfer->ReadMemoryCount(), -1);
  sim->AddHandler("O_M? MEM", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>("Error");
  });
  EXPECT_EQ(transfer->ReadMemoryCount(), 0);
  sim->AddHandler("O_M? MEM", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(" 12x");
  });
  EXPECT_EQ(transfer->ReadMemoryCount(), -1);
}

TEST_F(OfflineUploadTest, ImpossibleCountStartsNothing) {
  LoadMemory("memory.txt");
  sim->AddHandler("O_M? MEM", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(" 2000000");
  });
  EXPECT_EQ(transfer->UploadToNewTask("Never"), End::notStarted);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_FALSE(setup->IsMeasDatabaseOpen());
  EXPECT_EQ(memory.RecordCount(), 36u);
}

TEST_F(OfflineUploadTest, FailedBlockLeavesTheTaskAsItWasAndGivesTheUnitsBack) {
  LoadMemory("memory.txt");
  SetMonitorUnits();
  sim->AddRawHandler("O_M? 21", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>("  21 00:00:30 garbage\r\n\n");
  });
  EXPECT_EQ(transfer->UploadToNewTask("Broken run"), End::incomplete);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  // The twenty records read before the failure are not kept as if they were the run.
  EXPECT_EQ(Task().rows, std::vector<std::string>());
  EXPECT_EQ(Task().events, std::vector<std::string>());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Communication error", kUploadIncomplete}));
  EXPECT_EQ(memory.RecordCount(), 36u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
  EXPECT_TRUE(Sent("SE H_U,U_TDEW"));
  ExpectMonitorLeftAsFound();
}

TEST_F(OfflineUploadTest, CancelledUploadLeavesAnEarlierRunAsItWasAndMayBeRepeated) {
  LoadMemory("memory.txt");
  ASSERT_EQ(transfer->UploadToNewTask("Two runs"), End::complete);
  const std::string task = setup->GetDatabaseName();
  ASSERT_TRUE(KeyboardUnlocked());
  const TaskContents before = Task();
  ASSERT_EQ(before.rows.size(), 36u);

  // A later run of fifteen records, read in two blocks; the second waits
  // until the user has cancelled, so the first ten are in the task by then.
  LoadMemory("memory-later.txt");
  memory.ClearRecords();
  auto record = [](int n) {
    return platform::Format("%4d 01:%02d:30   2.%02d00E+02   2.0000E+00   5.0000E-01        . . .        . . .   "
                            "9.0000E+03",
                            n, n - 1, n);
  };
  for (int n = 1; n <= 15; ++n) memory.AddRecord({record(n)});
  std::atomic<bool> released{false};
  sim->AddRawHandler("O_M? 11,", [&](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    if (!released) {
      for (int waited = 0; !released && waited < 3000; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return std::optional<std::string>("\n");
    }
    std::string block;
    for (int n = 11; n <= 15; ++n) block += record(n) + "\r\n";
    return std::optional<std::string>(block + "\n");
  });
  SetMonitorUnits();
  messages.Clear();
  sim->ClearLines();
  bool cancelled = false;
  dialogs->onProgress = [&](COProgress* progress) {
    // The measurement upload, once it has records to hand over.
    if (cancelled || progress != offline.get() || offline->GetService()->GetCount() == 0) return;
    cancelled = true;
    progress->OnCancel();
    released = true;
  };
  EXPECT_EQ(transfer->UploadToExistingTask(task, "Two runs"), End::incomplete);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  ASSERT_TRUE(cancelled);
  EXPECT_TRUE(offline->GetResult().cancelled);
  EXPECT_EQ(Shown(), std::vector<std::string>{kUploadIncomplete});
  const TaskContents after = Task();
  EXPECT_EQ(after.rows, before.rows);
  EXPECT_EQ(after.events, before.events);
  EXPECT_EQ(after.sequences, before.sequences);
  EXPECT_EQ(memory.RecordCount(), 15u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
  ExpectMonitorLeftAsFound();

  // The same run again, whole this time, numbers on from the earlier one.
  dialogs->onProgress = nullptr;
  ASSERT_EQ(transfer->UploadToExistingTask(task, "Two runs"), End::complete);
  const TaskContents whole = Task();
  ASSERT_EQ(whole.rows.size(), 51u);
  EXPECT_EQ(whole.rows[36], "37 05-04 01:00:30");
  EXPECT_EQ(whole.rows[50], "51 05-04 01:14:30");
  EXPECT_EQ(std::count(whole.events.begin(), whole.events.end(), "05-04 01:00:30 [5] Measurement task started"), 1);
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_EQ(memory.RecordCount(), 0u);
}

TEST_F(OfflineUploadTest, DatabaseErrorLeavesTheTaskAsItWas) {
  LoadMemory("memory.txt");
  SetMonitorUnits();
  const std::string task = NewTask("Failing task");
  sequence.Close();
  ExecuteOnTask(
      "CREATE TRIGGER [full] BEFORE INSERT ON [Meas] WHEN NEW.[MeasNo] = 5 "
      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  const TaskContents before = Task();
  EXPECT_EQ(transfer->UploadToExistingTask(task, "Failing task"), End::incomplete);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_TRUE(offline->GetResult().writeFailed);
  const TaskContents after = Task();
  EXPECT_EQ(after.rows, before.rows);
  EXPECT_EQ(after.events, before.events);
  EXPECT_EQ(after.sequences, before.sequences);
  // The failed record is not tried again.
  const auto texts = Shown();
  int dbErrors = 0;
  for (const std::string& t : texts) dbErrors += t.compare(0, 14, "Database error") == 0;
  EXPECT_EQ(dbErrors, 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Communication error"), 0);
  EXPECT_EQ(texts.back(), kUploadIncomplete);
  EXPECT_EQ(memory.RecordCount(), 36u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
  ExpectMonitorLeftAsFound();
}

TEST_F(OfflineUploadTest, TaskThatRefusesToDeleteRowsIsLeftAsItWasAllTheSame) {
  LoadMemory("memory.txt");
  const std::string task = NewTask("Locked task");
  sequence.Close();
  // Records go in, nothing comes out: putting back must not need a delete.
  ExecuteOnTask(
      "CREATE TRIGGER [full] BEFORE INSERT ON [Meas] WHEN NEW.[MeasNo] = 5 "
      "BEGIN SELECT RAISE(ABORT, 'disk full'); END;"
      "CREATE TRIGGER [keep] BEFORE DELETE ON [Meas] BEGIN SELECT RAISE(ABORT, 'read-only'); END");
  const TaskContents before = Task();
  EXPECT_EQ(transfer->UploadToExistingTask(task, "Locked task"), End::incomplete);
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_EQ(Shown().back(), kUploadIncomplete);
  const TaskContents after = Task();
  EXPECT_EQ(after.rows, before.rows);
  EXPECT_EQ(after.events, before.events);
  EXPECT_EQ(after.sequences, before.sequences);
  EXPECT_EQ(memory.RecordCount(), 36u);
}

// A process of its own uploads 600 records into a task that holds an
// earlier run and is killed at a chosen moment: the task is as it was, whole
// and readable, and the same memory is then uploaded into it in one piece.
TEST_F(OfflineUploadTest, AnUploadKilledAtAnyMomentLeavesTheTaskAsItWasAndMayBeRepeated) {
  LoadMemory("memory.txt");
  ASSERT_EQ(transfer->UploadToNewTask("Killed upload"), End::complete);
  const std::string task = setup->GetDatabaseName();
  ASSERT_TRUE(KeyboardUnlocked());
  LoadMemory("memory-later.txt");
  memory.ClearRecords();
  constexpr int kRecords = 600;
  const platform::CTime first(2026, 5, 4, 1, 0, 30);
  for (int n = 1; n <= kRecords; ++n) {
    const std::tm t = (first + platform::CTimeSpan(10 * (n - 1))).GetLocalTm();
    memory.AddRecord({platform::Format("%4d %02d:%02d:%02d   2.0100E+02   2.0000E+00   5.0000E-01        . . .        "
                                       ". . .   9.0000E+03",
                                       n, t.tm_hour, t.tm_min, t.tm_sec)});
  }
  const TaskContents before = Task();
  ASSERT_EQ(before.rows.size(), 36u);
  CDBDoc::ReleaseTask(*context);

  for (const std::string moment : {"stored 1", "stored 300", "stored 600", "stopped"}) {
    SCOPED_TRACE(moment);
    SpawnedProgram runner({KOVO_UPLOAD_RUNNER, task, sim->SlavePath(), moment});
    std::string last;
    while (last != moment && runner.ReadLine(&last)) {
    }
    ASSERT_EQ(last, moment);
    ASSERT_TRUE(runner.Kill());

    EXPECT_EQ(QueryLines("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    const TaskContents after = Task();
    EXPECT_EQ(after.rows, before.rows);
    EXPECT_EQ(after.events, before.events);
    EXPECT_EQ(after.sequences, before.sequences);
    EXPECT_EQ(memory.RecordCount(), static_cast<size_t>(kRecords));
  }

  // The task opens as it was and takes the same memory, whole.
  ASSERT_EQ(transfer->UploadToExistingTask(task, "Killed upload"), End::complete);
  const TaskContents whole = Task();
  ASSERT_EQ(whole.rows.size(), 36u + kRecords);
  EXPECT_EQ(whole.rows[36], "37 05-04 01:00:30");
  EXPECT_EQ(whole.rows.back(), "636 05-04 02:40:20");
  EXPECT_EQ(std::count(whole.events.begin(), whole.events.end(), "05-04 01:00:30 [5] Measurement task started"), 1);
  EXPECT_EQ(whole.events.back(), "05-04 02:40:20 [6] Measurement task stopped");
  EXPECT_EQ(whole.sequences.size(), before.sequences.size() + 1);
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_EQ(memory.RecordCount(), 0u);
}

}  // namespace
}  // namespace kovo::test
