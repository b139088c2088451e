#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/StringTable.h"
#include "Backup.h"
#include "Catalog.h"
#include "FullDisk.h"
#include "OdbcTestSupport.h"
#include "OstrelTestSupport.h"
#include "Schema.h"
#include "core/App.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/Statement.h"

using kovo::test::DbPath;
using kovo::test::OdbcScope;
using kovo::test::TempDir;

namespace {

// Every kind of column the suite's databases use, and the ones SQLite adds.
const char kTaskSchema[] =
    "CREATE TABLE [Sequence] ([SeqNr] INTEGER PRIMARY KEY, [SeqName] VARCHAR(50), [Remark] TEXT, [Code] CHAR(8),"
    " [Memo] LONGVARCHAR, [StartTime] DATETIME, [StopTime] TIMESTAMP, [Day] DATE, [Clock] TIME, [Mode] SMALLINT,"
    " [Filter] TINYINT, [Locked] BIT, [Count] BIGINT, [Pressure] REAL, [Factor] DOUBLE, [Weight] FLOAT,"
    " [Amount] NUMERIC, [Picture] BLOB DEFAULT x'CAFE');"
    "CREATE TABLE [Meas] ([SeqNr] INTEGER, [MeasNr] INTEGER, [MeasTime] DATETIME, [A] REAL, [B] REAL);"
    "CREATE TABLE [Empty] ([X] INTEGER, [Y] VARCHAR(10));";

const char kTaskRows[] =
    "INSERT INTO [Sequence] VALUES (1, 'Task; one', 'C:\\data\\x', 'ABC', 'two' || char(13,10) || 'lines',"
    " '2024-03-31 02:30:05', '2024-10-27 02:30:00', '2024-02-29', '23:59:59', -32768, 255, 1,"
    " 9007199254740993, 0.10000000149011612, 0.33333333333333331, 3.4e38, 12.5, x'0102');"
    "INSERT INTO [Sequence] ([SeqNr]) VALUES (2);"
    "INSERT INTO [Sequence] VALUES (3, '', 'say \"hi\"' || char(9) || 'tab', 'µg/m³', 'a' || char(13) || 'b',"
    " '1970-01-01 00:00:00', '2038-01-19 03:14:08', NULL, NULL, 0, 0, 0, -9223372036854775808,"
    " 1e-300, 4.9406564584124654e-324, 1.7976931348623157e308, 15, NULL);"
    "INSERT INTO [Meas] VALUES (1, 1, '2024-01-01 10:00:00', 1.5, NULL);"
    "INSERT INTO [Meas] VALUES (1, 2, '2024-01-01 10:00:10', -2.5e-7, 3.4e38);";

// Rows of the table (with their order and the storage class of every value)
// that are in one database and not in the other, the given columns left out.
std::string Differences(platform::CDatabase& db, const std::string& other, const std::string& table,
                        const std::vector<std::string>& columns) {
  std::string list = "rowid";
  for (const std::string& c : columns) list += ", [" + c + "], typeof([" + c + "])";
  auto except = [&](const std::string& a, const std::string& b) {
    return "SELECT count(*) FROM (SELECT " + list + " FROM " + a + ".[" + table + "] EXCEPT SELECT " + list +
           " FROM " + b + ".[" + table + "])";
  };
  return Query(db, except("main", other)) + "/" + Query(db, except(other, "main"));
}

}  // namespace

class BackupEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_chooser.AnswerAlways(m_files.Path());
    m_space.SetFreeSpace(&m_free);
  }

  void MakeTask(const std::string& name, bool withRows) {
    m_odbc.MakeDatabase("TARNIC:" + name, m_odbc.File(name + ".db"),
                        std::string(kTaskSchema) + (withRows ? kTaskRows : ""));
  }

  // SOURCE with measurements numbered 1 to last, and an empty TARGET.
  void MakeMeasuredTasks(int last) {
    MakeTask("SOURCE", true);
    MakeTask("TARGET", false);
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:SOURCE");
    db.ExecuteSQL("INSERT INTO [Meas] WITH RECURSIVE r(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM r WHERE i < " +
                  std::to_string(last) + ") SELECT 1, i, datetime(1704103200 + i * 10, 'unixepoch'), i / 7.0, NULL FROM r;");
  }

  // dbName: the name in the file's header; the data source's by default.
  bool BackupTask(const std::string& name, const std::string& file, const std::string& dbName = std::string()) {
    CBackupFile out(m_space);
    if (!out.OpenWrite(file)) return false;
    EXPECT_TRUE(out.WriteHeader({dbName.empty() ? name : dbName, kTypeMeas, kBackupVersion, "Task one", "4711"}));
    bool ok = CBackup(out, name).Backup();
    return out.Close() && ok;
  }

  bool RestoreTask(const std::string& path, const std::string& name) {
    CBackupFile in(m_space);
    if (!in.OpenRead(path)) return false;
    CBackupHeader header;
    if (!in.ReadHeader(&header)) return false;
    bool ok = CBackup(in, name).Restore();
    in.Close();
    return ok;
  }

  // Opens the data source with the database file attached as alias.
  void OpenAttached(platform::CDatabase& db, const std::string& source, const std::string& file,
                    const std::string& alias = "src") {
    db.Open("ODBC;DSN=TARNIC:" + source);
    db.ExecuteSQL("ATTACH DATABASE '" + m_odbc.File(file) + "' AS " + alias);
  }

  std::string TaskDifferences(platform::CDatabase& db, const std::string& other) {
    return Differences(db, other, "Sequence",
                       {"SeqNr", "SeqName", "Remark", "Code", "Memo", "StartTime", "StopTime", "Day", "Clock", "Mode",
                        "Filter", "Locked", "Count", "Pressure", "Factor", "Weight", "Amount"}) +
           " " + Differences(db, other, "Meas", {"SeqNr", "MeasNr", "MeasTime", "A", "B"}) + " " +
           Differences(db, other, "Empty", {"X", "Y"});
  }

  platform::ProgramTexts m_texts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  platform::ScriptedMessageSink m_messages;
  ScriptedDirChooser m_chooser;
  OdbcScope m_odbc;
  TempDir m_files;
  FixedFreeSpace m_free{1u << 30};
  SpaceControl m_space;
};

TEST_F(BackupEngineTest, EveryColumnTypeComesBackValueForValue) {
  MakeTask("SOURCE", true);
  MakeTask("TARGET", false);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  // The one column a text file cannot carry is left out, and the user is told.
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Column [Picture] of table [Sequence] has the type BLOB "
                                                         "(-2), which a backup can not hold; it is left out."});
  const std::string file = ReadAll(m_files.File("TASK.MEA"));
  EXPECT_NE(file.find("\r\n#TABLE:Sequence\r\n#COLUMN:SeqNr;LONG\r\n#COLUMN:SeqName;VARCHAR(50);50\r\n"
                      "#COLUMN:Remark;TEXT;65536\r\n#COLUMN:Code;CHAR(8);8\r\n#COLUMN:Memo;LONGVARCHAR;65536\r\n"
                      "#COLUMN:StartTime;DATE\r\n#COLUMN:StopTime;DATE\r\n#COLUMN:Day;DATE;10\r\n"
                      "#COLUMN:Clock;TIME;8\r\n#COLUMN:Mode;INT\r\n#COLUMN:Filter;BYTE\r\n#COLUMN:Locked;BYTE\r\n"
                      "#COLUMN:Count;LONG\r\n#COLUMN:Pressure;DOUBLE\r\n#COLUMN:Factor;DOUBLE\r\n"
                      "#COLUMN:Weight;DOUBLE\r\n#COLUMN:Amount;DOUBLE\r\n#ROW:\r\n"
                      "1;\"Task\\; one\";\"C:\\\\data\\\\x\";\"ABC\";\"two\\r\\nlines\";2024-03-31 02:30:05;"
                      "2024-10-27 02:30:00;\"2024-02-29\";\"23:59:59\";-32768;255;1;9007199254740993;"
                      "1.00000001490116119384e-001;3.33333333333333314829e-001;3.400000e+038;1.250000e+001;\r\n"
                      "2;;;;;;;;;;;;;;;;;\r\n"),
            std::string::npos)
      << file;
  EXPECT_NE(file.find("\r\n#TABLE:Empty\r\n#COLUMN:X;LONG\r\n#COLUMN:Y;VARCHAR(10);10\r\n#EOB:\r\n"), std::string::npos);

  m_messages.Clear();
  ASSERT_TRUE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
  EXPECT_TRUE(m_messages.Texts().empty());
  platform::CDatabase db;
  OpenAttached(db, "TARGET", "SOURCE.db");
  EXPECT_EQ(TaskDifferences(db, "src"), "0/0 0/0 0/0");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Sequence]"), "3");
  // The column that was left out keeps its default.
  EXPECT_EQ(Query(db, "SELECT group_concat(hex([Picture])) FROM [Sequence]"), "CAFE,CAFE,CAFE");
}

TEST_F(BackupEngineTest, FloatingPointValuesRoundTripExactly) {
  // Values with all their digits over the range that SQLite's own text
  // conversions carry exactly (from about 1e-290 up).
  std::mt19937_64 random(20240331);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-280, 298);
  std::string rows = "INSERT INTO [V] VALUES (0, 0.1, 3.4e38), (1, 1.7976931348623157e308, -1e-280)";
  for (int i = 2; i < 3000; ++i)
    rows += platform::Format(", (%d, %.17g, %.17g)", i, mantissa(random) * std::pow(10.0, exponent(random)),
                             mantissa(random) / (1 + i % 97));
  const char schema[] = "CREATE TABLE [V] ([N] INTEGER PRIMARY KEY, [R] REAL, [D] DOUBLE);";
  m_odbc.MakeDatabase("TARNIC:SRCF", m_odbc.File("SRCF.db"), schema + rows);
  m_odbc.MakeDatabase("TARNIC:DSTF", m_odbc.File("DSTF.db"), schema);
  ASSERT_TRUE(BackupTask("SRCF", "F.MEA"));
  ASSERT_TRUE(RestoreTask(m_files.File("F.MEA"), "DSTF"));
  platform::CDatabase db;
  OpenAttached(db, "DSTF", "SRCF.db");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [V]"), "3000");
  EXPECT_EQ(Differences(db, "src", "V", {"N", "R", "D"}), "0/0");
}

TEST_F(BackupEngineTest, ABackupOverTinyVolumesRestoresFromThem) {
  MakeMeasuredTasks(60);
  m_free.Set(301);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  int volumes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(m_files.Path())) {
    ++volumes;
    EXPECT_LE(entry.file_size(), 300u) << entry.path();
  }
  EXPECT_GT(volumes, 10);
  const std::string last = m_files.File(SafeFile::VolumeName("TASK.MEA", volumes));
  ASSERT_TRUE(std::filesystem::exists(last));
  EXPECT_NE(ReadAll(last).find("#EOB:\r\n"), std::string::npos);

  ASSERT_TRUE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
  // One prompt per volume after the first, each preset with the previous one's folder.
  const auto prompts = m_chooser.Prompts();
  ASSERT_GE(prompts.size(), static_cast<size_t>(volumes - 1));
  EXPECT_EQ(prompts.back().prompt, "Please insert disk " + std::to_string(volumes) + "\n in the selected drive");
  platform::CDatabase db;
  OpenAttached(db, "TARGET", "SOURCE.db");
  EXPECT_EQ(TaskDifferences(db, "src"), "0/0 0/0 0/0");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Meas]"), "60");
}

TEST_F(BackupEngineTest, AVolumeThatCannotFollowTheOneBeforeIsRefused) {
  MakeMeasuredTasks(400);
  m_free.Set(2001);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  int volumes = 0;
  while (std::filesystem::exists(m_files.File(SafeFile::VolumeName("TASK.MEA", volumes + 1)))) ++volumes;
  ASSERT_GE(volumes, 8);
  // Volumes 2 to 4 hold rows of [Meas] only.
  for (int v = 2; v <= 4; ++v) {
    const std::string text = ReadAll(m_files.File(SafeFile::VolumeName("TASK.MEA", v)));
    ASSERT_EQ(text.find('#'), std::string::npos) << v;
  }
  TempDir kept;
  for (int v = 1; v <= volumes; ++v)
    std::filesystem::copy_file(m_files.File(SafeFile::VolumeName("TASK.MEA", v)),
                               kept.File(SafeFile::VolumeName("TASK.MEA", v)));
  auto firstNumber = [&](int v) {
    const std::string text = ReadAll(kept.File(SafeFile::VolumeName("TASK.MEA", v)));
    return text.substr(text.find(';') + 1, text.find(';', text.find(';') + 1) - text.find(';') - 1);
  };
  auto lastNumber = [&](int v) {
    const std::string text = ReadAll(kept.File(SafeFile::VolumeName("TASK.MEA", v)));
    const size_t start = text.rfind("\r\n", text.size() - 3) + 2;
    const size_t semi = text.find(';', start);
    return text.substr(semi + 1, text.find(';', semi + 1) - semi - 1);
  };
  struct Case {
    const char* what;
    std::vector<int> order;  // the kept volume that each volume from 2 on is
    std::string shown;
  };
  std::vector<int> missing, swapped;
  for (int v = 3; v <= volumes; ++v) missing.push_back(v);
  for (int v = 2; v <= volumes; ++v) swapped.push_back(v == 2 ? 3 : v == 3 ? 2 : v);
  const Case cases[] = {
      {"volume 2 missing, the later ones renamed", missing,
       "column [MeasNr] of table [Meas] goes from " + lastNumber(1) + " to " + firstNumber(3) +
           " where volume 2 begins; before it, it rose by one from row to row.\nVolume 2 (TASK.002) does not follow"
           " volume 1: a volume may be missing or out of order."},
      {"volumes 2 and 3 swapped", swapped,
       "column [MeasNr] of table [Meas] goes from " + lastNumber(1) + " to " + firstNumber(3) +
           " where volume 2 begins; before it, it rose by one from row to row."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int v = 2; v <= volumes; ++v) std::filesystem::remove(m_files.File(SafeFile::VolumeName("TASK.MEA", v)));
    for (size_t i = 0; i < c.order.size(); ++i)
      std::filesystem::copy_file(kept.File(SafeFile::VolumeName("TASK.MEA", c.order[i])),
                                 m_files.File(SafeFile::VolumeName("TASK.MEA", static_cast<int>(i) + 2)));
    m_messages.Clear();
    EXPECT_FALSE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
    const auto texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Error while restoring!\nLine ", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find(c.shown), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("\nNothing of the database has been changed."), std::string::npos) << texts[0];
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:TARGET");
    EXPECT_EQ(Query(db, "SELECT count(*) FROM [Meas]"), "0");
  }

  // In their own order the same volumes restore whole.
  for (int v = 2; v <= volumes; ++v) {
    std::filesystem::remove(m_files.File(SafeFile::VolumeName("TASK.MEA", v)));
    std::filesystem::copy_file(kept.File(SafeFile::VolumeName("TASK.MEA", v)),
                               m_files.File(SafeFile::VolumeName("TASK.MEA", v)));
  }
  m_messages.Clear();
  ASSERT_TRUE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:TARGET");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Meas]"), "400");
}

TEST_F(BackupEngineTest, AVolumeOfAnotherBackupWhoseTimesGoBackWhereItMeetsTheOthersIsRefused) {
  // Another task measured the same numbers a day later or a day earlier:
  // its rows are as long as the source's, so its volumes hold the same
  // measurement numbers.
  MakeMeasuredTasks(400);
  m_free.Set(2001);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  auto volumeText = [&](const std::string& name, int v) { return ReadAll(m_files.File(SafeFile::VolumeName(name, v))); };
  // The measurement number of a volume's first or last row.
  auto number = [](const std::string& text, bool last) {
    const size_t start = last ? text.rfind("\r\n", text.size() - 3) + 2 : 0;
    const size_t semi = text.find(';', start);
    return text.substr(semi + 1, text.find(';', semi + 1) - semi - 1);
  };
  const std::string sourceVolume2 = volumeText("TASK.MEA", 2);
  ASSERT_EQ(sourceVolume2.find('#'), std::string::npos);
  ASSERT_EQ(volumeText("TASK.MEA", 3).find('#'), std::string::npos);
  struct Case {
    const char* shift;
    int refusedAt;  // the volume where the times go back
  };
  for (const Case& c : {Case{"+1 day", 3}, Case{"-1 day", 2}}) {
    SCOPED_TRACE(c.shift);
    const std::string other = c.shift[0] == '+' ? "LATER" : "EARLIER";
    MakeTask(other, true);
    {
      platform::CDatabase db;
      db.Open("ODBC;DSN=TARNIC:" + other);
      db.ExecuteSQL(std::string("INSERT INTO [Meas] WITH RECURSIVE r(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM r "
                                "WHERE i < 400) SELECT 1, i, datetime(1704103200 + i * 10, 'unixepoch', '") +
                    c.shift + "'), i / 7.0, NULL FROM r;");
    }
    ASSERT_TRUE(BackupTask(other, other + ".MEA", "SOURCE"));
    const std::string otherVolume2 = volumeText(other + ".MEA", 2);
    ASSERT_NE(otherVolume2, sourceVolume2);
    ASSERT_EQ(number(otherVolume2, false), number(sourceVolume2, false));
    ASSERT_EQ(number(otherVolume2, true), number(sourceVolume2, true));
    WriteFile(m_files.File("TASK.002"), otherVolume2);
    m_messages.Clear();
    EXPECT_FALSE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
    const auto texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("column [MeasTime] of table [Meas] goes back from "), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find(" where volume " + std::to_string(c.refusedAt) + " begins; before it, it never went back"),
              std::string::npos)
        << texts[0];
    EXPECT_NE(texts[0].find("\nNothing of the database has been changed."), std::string::npos) << texts[0];
  }

  // Its own volume restores whole.
  WriteFile(m_files.File("TASK.002"), sourceVolume2);
  m_messages.Clear();
  ASSERT_TRUE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
  platform::CDatabase db;
  OpenAttached(db, "TARGET", "SOURCE.db");
  EXPECT_EQ(TaskDifferences(db, "src"), "0/0 0/0 0/0");
}

namespace {

// A small backup of the task schema: some columns only, in an order of its own.
std::vector<std::string> SmallBackup() {
  return {"#DBNAME:TARGET",
          "#DBTYPE:MEAS",
          "#VERSION:1.1",
          "#REMARK:Task one",
          "#SERIALNR:4711",
          "#TABLE:Sequence",
          "#COLUMN:SeqName;VARCHAR(50);50",
          "#COLUMN:SeqNr;LONG",
          "#ROW:",
          "\"seven\";7;",
          "#TABLE:Meas",
          "#COLUMN:MeasNr;LONG",
          "#COLUMN:MeasTime;DATE",
          "#ROW:",
          "5;2024-01-01 10:00:00;",
          "#TABLE:Empty",
          "#COLUMN:X;LONG",
          "#EOB:"};
}

std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

}  // namespace

TEST_F(BackupEngineTest, RestoresColumnsByNameAndLeavesTheOthersAtTheirDefault) {
  MakeTask("TARGET", true);
  WriteFile(m_files.File("SMALL.MEA"), Join(SmallBackup()));
  ASSERT_TRUE(RestoreTask(m_files.File("SMALL.MEA"), "TARGET"));
  EXPECT_TRUE(m_messages.Texts().empty());
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:TARGET");
  EXPECT_EQ(Query(db, "SELECT group_concat(quote(SeqNr) || quote(SeqName) || quote(Remark) || hex(Picture)) FROM [Sequence]"),
            "7'seven'NULLCAFE");
  EXPECT_EQ(Query(db, "SELECT group_concat(quote(SeqNr) || quote(MeasNr) || MeasTime) FROM [Meas]"),
            "NULL52024-01-01 10:00:00");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Empty]"), "0");
}

TEST_F(BackupEngineTest, ABadLineStopsTheRestoreWithAReasonAndChangesNothing) {
  MakeTask("TARGET", true);
  ScriptedDirChooser noMoreDisks;  // the end of the last volume is the end
  enum Edit { kReplace, kInsert, kDrop };
  struct Case {
    Edit edit;
    size_t line;  // index into SmallBackup()
    std::string text;
    std::string reason;
  };
  const Case cases[] = {
      {kReplace, 14, "#REMARK:oops", "Line 15: a line of this kind is not expected here."},
      {kInsert, 17, "#DISKNR:2", "Line 18: a line of this kind is not expected here."},
      {kInsert, 6, "#ROW:", "Line 7: a line of this kind is not expected here."},
      {kInsert, 10, "#COLUMN:SeqNr;LONG", "Line 11: a line of this kind is not expected here."},
      {kReplace, 16, "#EOB:", "Line 17: a line of this kind is not expected here."},
      {kDrop, 8, "", "Line 9 is not a line of a backup."},  // a row before "#ROW:"
      {kInsert, 9, "#NOCOLON", "Line 10 is not a line of a backup."},
      {kInsert, 9, "#FOO:x", "Line 10 is not a line of a backup."},
      {kReplace, 12, "#COLUMN:MeasTime", "Line 13 is not a line of a backup."},
      {kReplace, 11, "#COLUMN:Nothing;LONG", "Line 12: column [Nothing] of table [Meas] is not in the database."},
      {kReplace, 11, "#COLUMN:MeasTime;LONG",
       "Line 12: column [MeasTime] of table [Meas] is LONG in the backup but DATE in the database."},
      {kReplace, 12, "#COLUMN:MeasNr;LONG", "Line 13: the backup names column [MeasNr] of table [Meas] twice."},
      {kReplace, 14, "5;", "Line 15: the row does not match the columns of table [Meas]."},
      {kReplace, 14, "5;2024-01-01 10:00:00;9;", "Line 15: the row does not match the columns of table [Meas]."},
      {kReplace, 14, "5;2024-01-01;", "Line 15: the row does not match the columns of table [Meas]."},
      {kReplace, 9, "\"seven\";x;", "Line 10: the row does not match the columns of table [Sequence]."},
      {kReplace, 9, "seven;7;", "Line 10: the row does not match the columns of table [Sequence]."},
      {kReplace, 10, "#TABLE:Empty", "Line 11: the backup holds table [Empty] where the database has table [Meas]."},
      {kInsert, 17, "#TABLE:Extra", "Line 18: the backup holds table [Extra], which the database does not have."},
      {kDrop, 17, "", "The backup can not be read from line 18 on."},
      {kInsert, 9, "\"again\";7;", "The database reported an error:\n[SQLite]UNIQUE constraint failed: Sequence.SeqNr"},
  };
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:TARGET");
  const std::string before = Query(db, "SELECT group_concat(SeqNr || SeqName) FROM [Sequence]") + "|" +
                             Query(db, "SELECT count(*) FROM [Meas]");
  db.Close();
  for (const Case& c : cases) {
    std::vector<std::string> lines = SmallBackup();
    if (c.edit == kReplace) lines[c.line] = c.text;
    if (c.edit == kInsert) lines.insert(lines.begin() + static_cast<long>(c.line), c.text);
    if (c.edit == kDrop) lines.erase(lines.begin() + static_cast<long>(c.line));
    WriteFile(m_files.File("BAD.MEA"), Join(lines));
    m_messages.Clear();
    EXPECT_FALSE(RestoreTask(m_files.File("BAD.MEA"), "TARGET")) << c.text;
    const auto texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 1u) << c.text;
    EXPECT_EQ(texts[0].rfind("Error while restoring!\n", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find("\n" + c.reason), std::string::npos) << texts[0];
    EXPECT_EQ(texts[0].substr(texts[0].rfind('\n') + 1), "Nothing of the database has been changed.");
    db.Open("ODBC;DSN=TARNIC:TARGET");
    EXPECT_EQ(Query(db, "SELECT group_concat(SeqNr || SeqName) FROM [Sequence]") + "|" +
                  Query(db, "SELECT count(*) FROM [Meas]"),
              before)
        << c.text;
    db.Close();
  }
}

namespace {

const char kSystemSchema[] =
    "CREATE TABLE [Global] ([Port] SMALLINT, [Font] VARCHAR(255));"
    "CREATE TABLE [Bank] ([Filter] TINYINT, [BankNr] TINYINT, [Offset] REAL, [Stamp] DATETIME);"
    "CREATE TABLE [BankSet] ([SetNr] INTEGER, [SetType] TINYINT, [Remark] VARCHAR(255));"
    "CREATE TABLE [DBList] ([DBName] VARCHAR(255), [DBDesc] VARCHAR(255), [DBSerial] VARCHAR(255));";

}  // namespace

TEST_F(BackupEngineTest, TheSystemBackupFileHoldsTheFilterBanksOnly) {
  m_odbc.MakeDatabase("TARNIC:SYSTEM", m_odbc.File("SYSTEM.db"),
                      std::string(kSystemSchema) +
                          "INSERT INTO [Global] VALUES (1, 'Arial');"
                          "INSERT INTO [Bank] VALUES (0, 1, 0.25, '2024-05-01 12:00:00'), (1, 2, -1.5, NULL);"
                          "INSERT INTO [BankSet] VALUES (1, 2, 'copy; of all');"
                          "INSERT INTO [DBList] VALUES ('TASKAAAA', 'Task', '4711');");
  {
    CBackupFile out(m_space);
    ASSERT_TRUE(out.OpenWrite("SYSTEM.SYB"));
    ASSERT_TRUE(out.WriteHeader({"SYSTEM", kTypeSystem, kBackupVersion, "SYSTEM", "1"}));
    EXPECT_TRUE(CSysBackup(out, "SYSTEM").Backup());
    ASSERT_TRUE(out.Close());
  }
  EXPECT_EQ(ReadAll(m_files.File("SYSTEM.SYB")),
            "#DBNAME:SYSTEM\r\n#DBTYPE:SYSTEM\r\n#VERSION:1.1\r\n#REMARK:SYSTEM\r\n#SERIALNR:1\r\n"
            "#TABLE:Bank\r\n#COLUMN:Filter;BYTE\r\n#COLUMN:BankNr;BYTE\r\n#COLUMN:Offset;DOUBLE\r\n"
            "#COLUMN:Stamp;DATE\r\n#ROW:\r\n0;1;2.500000e-001;2024-05-01 12:00:00;\r\n1;2;-1.500000e+000;;\r\n"
            "#TABLE:BankSet\r\n#COLUMN:SetNr;LONG\r\n#COLUMN:SetType;BYTE\r\n#COLUMN:Remark;VARCHAR(255);255\r\n"
            "#ROW:\r\n1;2;\"copy\\; of all\";\r\n#EOB:\r\n");

  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(BackupEngineTest, ASystemDatabaseWithoutItsBankTablesIsReported) {
  m_odbc.MakeDatabase("TARNIC:SYSTEM", m_odbc.File("SYSTEM.db"), kSystemSchema);
  m_odbc.MakeDatabase("TARNIC:BROKEN", m_odbc.File("BROKEN.db"),
                      "CREATE TABLE [Bank] ([Filter] TINYINT); INSERT INTO [Bank] VALUES (9);");
  {
    CBackupFile out(m_space);
    ASSERT_TRUE(out.OpenWrite("BROKEN.SYB"));
    EXPECT_FALSE(CSysBackup(out, "BROKEN").Backup());
    out.Close();
  }
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Error while backing up the system database!"});
  EXPECT_EQ(ReadAll(m_files.File("BROKEN.SYB")).find("#EOB:"), std::string::npos);

  m_messages.Clear();
  WriteFile(m_files.File("SYSTEM.SYB"), "#TABLE:Bank\r\n#COLUMN:Filter;BYTE\r\n#ROW:\r\n1;\r\n#TABLE:BankSet\r\n"
                                        "#COLUMN:SetNr;LONG\r\n#EOB:\r\n");
  CBackupFile in(m_space);
  ASSERT_TRUE(in.OpenRead(m_files.File("SYSTEM.SYB")));
  EXPECT_FALSE(CSysBackup(in, "BROKEN").Restore());
  const auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Error while restoring system database!\nError while restoring the system database!\n", 0),
            0u)
      << texts[0];
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:BROKEN");
  EXPECT_EQ(Query(db, "SELECT group_concat([Filter]) FROM [Bank]"), "9");  // the first table is back as it was
}

TEST_F(BackupEngineTest, BackupAndRestoreRunUnderTheWaitCursorWhichGoesBeforeTheirMessage) {
  MakeTask("TARGET", true);
  kovo::test::WaitCursorLog log;
  ASSERT_TRUE(BackupTask("TARGET", "T.MEA"));
  // A note on the way (the column left out) is shown while the user waits.
  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events.front(), "wait");
  EXPECT_EQ(log.events.back(), "done");
  MakeTask("COPY", false);
  log.events.clear();
  ASSERT_TRUE(RestoreTask(m_files.File("T.MEA"), "COPY"));
  EXPECT_EQ(log.events, std::vector<std::string>({"wait", "done"}));
  std::vector<std::string> lines = SmallBackup();
  lines[14] = "#REMARK:oops";
  WriteFile(m_files.File("BAD.MEA"), Join(lines));
  log.events.clear();
  EXPECT_FALSE(RestoreTask(m_files.File("BAD.MEA"), "TARGET"));
  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events[0], "wait");
  EXPECT_EQ(log.events[1], "done");
  EXPECT_EQ(log.events[2].rfind("message: Error while restoring!", 0), 0u) << log.events[2];
}

TEST_F(BackupEngineTest, AnUnknownDataSourceIsReported) {
  WriteFile(m_files.File("SMALL.MEA"), Join(SmallBackup()));
  EXPECT_FALSE(RestoreTask(m_files.File("SMALL.MEA"), "NOWHERE"));
  auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Error while restoring!\nThe database reported an error:\n", 0), 0u) << texts[0];

  m_messages.Clear();
  EXPECT_FALSE(BackupTask("NOWHERE", "NOWHERE.MEA"));
  texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("The database reported an error:\n", 0), 0u) << texts[0];
}

namespace {

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(text.substr(start, bar - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::vector<std::string> Tables(platform::CDatabase& db) {
  return Split(Query(db, "SELECT group_concat(name, '|') FROM sqlite_master WHERE type = 'table'"));
}

std::vector<std::string> Columns(platform::CDatabase& db, const std::string& table) {
  return Split(Query(db, "SELECT group_concat(name, '|') FROM pragma_table_info('" + table + "')"));
}

// Adds rows to every table of the database, with values of each column's type
// (NULLs among them) that a backup has to carry exactly.
void FillEveryTable(platform::CDatabase& db, int rows) {
  for (const std::string& table : Tables(db)) {
    const std::vector<std::string> columns = Columns(db, table);
    const std::vector<std::string> types =
        Split(Query(db, "SELECT group_concat(type, '|') FROM pragma_table_info('" + table + "')"));
    std::string values;
    for (size_t c = 0; c < columns.size(); ++c) {
      const std::string& type = types[c];
      std::string v;
      if (type == "INTEGER") v = "i * 1000003 - 50";
      if (type == "SMALLINT") v = "(i * 37) % 65536 - 32768";
      if (type == "TINYINT") v = "(i * 13) % 256";
      if (type == "REAL") v = "(i / 7.0) * (1 << (i % 40)) - 3.4e38 * (i % 11 = 0)";
      if (type == "TIMESTAMP") v = "datetime(1700000000 + i * 3607, 'unixepoch')";
      if (type.rfind("VARCHAR", 0) == 0) v = "'" + table + " ' || i || ';\\' || char(13, 10) || 'µg/m³ \"x\"'";
      ASSERT_FALSE(v.empty()) << table << "." << columns[c] << " " << type;
      values += (c ? ", " : "") + ("CASE WHEN i % 5 = " + std::to_string(c % 5) + " THEN NULL ELSE " + v + " END");
    }
    db.ExecuteSQL("INSERT INTO [" + table + "] WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
                  std::to_string(rows) + ") SELECT " + values + " FROM r");
  }
}

}  // namespace

TEST_F(BackupEngineTest, TheSuitesTaskDatabasesComeBackWhole) {
  struct Kind {
    const char* script;
    const char* type;
  };
  for (const Kind& kind : {Kind{schema::Measurement(), kTypeMeas}, Kind{schema::Calibration(), kTypeMeasCali}}) {
    SCOPED_TRACE(kind.type);
    m_odbc.MakeDatabase("TARNIC:TASKSRC", m_odbc.File(std::string("src") + kind.type + ".db"), kind.script);
    m_odbc.MakeDatabase("TARNIC:TASKDST", m_odbc.File(std::string("dst") + kind.type + ".db"), kind.script);
    {
      platform::CDatabase src;
      src.Open("ODBC;DSN=TARNIC:TASKSRC");
      FillEveryTable(src, 40);
    }
    const std::string file = std::string(kind.type) + ".BAK";
    ASSERT_TRUE(BackupTask("TASKSRC", file));
    ASSERT_TRUE(RestoreTask(m_files.File(file), "TASKDST"));
    EXPECT_TRUE(m_messages.Texts().empty());
    platform::CDatabase db;
    OpenAttached(db, "TASKDST", std::string("src") + kind.type + ".db");
    const std::vector<std::string> tables = Tables(db);
    EXPECT_GE(tables.size(), 6u);
    for (const std::string& table : tables) {
      EXPECT_EQ(Differences(db, "src", table, Columns(db, table)), "0/0") << table;
      EXPECT_NE(Query(db, "SELECT count(*) FROM [" + table + "]"), "0") << table;
    }
  }
}

TEST_F(BackupEngineTest, ATaskAnOdbcClientAnalysedBacksUpAndRestoresOnEitherPath) {
  for (DbPath path : {DbPath::kEmbedded, DbPath::kOdbc}) {
    SCOPED_TRACE(kovo::test::DbPathName(path));
    const std::string tag = kovo::test::DbPathName(path);
    m_odbc.MakeDatabase("TARNIC:ANALYSED", m_odbc.File("analysed" + tag + ".db"), schema::Measurement(), path);
    m_odbc.MakeDatabase("TARNIC:FRESH", m_odbc.File("fresh" + tag + ".db"), schema::Measurement(), path);
    {
      platform::CDatabase db;
      db.Open("ODBC;DSN=TARNIC:ANALYSED");
      FillEveryTable(db, 20);
      // What any client may do to a task: SQLite adds a table of its own.
      db.ExecuteSQL("ANALYZE");
      ASSERT_EQ(Query(db, "SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_stat1'"), "1");
    }
    const std::string file = "ANALYSED" + tag + ".MEA";
    ASSERT_TRUE(BackupTask("ANALYSED", file));
    EXPECT_EQ(ReadAll(m_files.File(file)).find("#TABLE:sqlite_"), std::string::npos);
    m_messages.Clear();
    ASSERT_TRUE(RestoreTask(m_files.File(file), "FRESH"));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>());
    platform::CDatabase db;
    OpenAttached(db, "FRESH", "analysed" + tag + ".db");
    for (const std::string& table : Tables(db)) {
      if (table.rfind("sqlite_", 0) == 0) continue;
      EXPECT_EQ(Differences(db, "src", table, Columns(db, table)), "0/0") << table;
    }
  }
}

TEST_F(BackupEngineTest, ABackupHoldingSQLitesOwnTableStillRestores) {
  // As an earlier version wrote it after an ANALYZE: the section of
  // sqlite_stat1 between the task's tables.
  MakeTask("SOURCE", true);
  MakeTask("TARGET", false);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  std::string text = ReadAll(m_files.File("TASK.MEA"));
  const size_t at = text.find("#TABLE:Empty");
  ASSERT_NE(at, std::string::npos);
  text.insert(at, "#TABLE:sqlite_stat1\r\n#COLUMN:tbl;TEXT;65536\r\n#COLUMN:idx;TEXT;65536\r\n"
                  "#COLUMN:stat;TEXT;65536\r\n#ROW:\r\n\"Meas\";;\"2\";\r\n");
  WriteFile(m_files.File("OLD.MEA"), text);
  m_messages.Clear();
  ASSERT_TRUE(RestoreTask(m_files.File("OLD.MEA"), "TARGET"));
  EXPECT_TRUE(m_messages.Texts().empty());
  platform::CDatabase db;
  OpenAttached(db, "TARGET", "SOURCE.db");
  EXPECT_EQ(TaskDifferences(db, "src"), "0/0 0/0 0/0");
}

TEST_F(BackupEngineTest, TheSuitesSystemDatabaseGivesItsBanksOnly) {
  m_odbc.MakeDatabase("TARNIC:SYSTEM", m_odbc.File("SYSTEM.db"), schema::System());
  m_odbc.MakeDatabase("TARNIC:NEWSYS", m_odbc.File("NEWSYS.db"), schema::System());
  {
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:SYSTEM");
    FillEveryTable(db, 30);
  }
  {
    CBackupFile out(m_space);
    ASSERT_TRUE(out.OpenWrite("SYSTEM.SYB"));
    ASSERT_TRUE(out.WriteHeader({"SYSTEM", kTypeSystem, kBackupVersion, "SYSTEM", "1"}));
    ASSERT_TRUE(CSysBackup(out, "SYSTEM").Backup());
    ASSERT_TRUE(out.Close());
  }
  CBackupFile in(m_space);
  ASSERT_TRUE(in.OpenRead(m_files.File("SYSTEM.SYB")));
  CBackupHeader header;
  ASSERT_TRUE(in.ReadHeader(&header));
  ASSERT_TRUE(CSysBackup(in, "NEWSYS").Restore());
  EXPECT_TRUE(m_messages.Texts().empty());
  platform::CDatabase db;
  OpenAttached(db, "NEWSYS", "SYSTEM.db");
  for (const char* table : {"Bank", "BankSet"})
    EXPECT_EQ(Differences(db, "src", table, Columns(db, table)), "0/0") << table;
  // The rest of the system database is its own.
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Global]"), "1");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [DBList]"), "0");
}

namespace {

// Columns declared with every kind of type name, as SQLite lets a schema
// write them, with the quirks of the driver's reading of their sizes.
const char* const kDeclaredTypes[] = {
    "INTEGER", "VARCHAR(50)", "TEXT", "CHAR(8)", "LONGVARCHAR", "DATETIME", "TIMESTAMP", "DATE", "TIME", "SMALLINT",
    "TINYINT", "BIT", "BIGINT", "REAL", "DOUBLE", "FLOAT", "NUMERIC", "BLOB", "", "INT", "VARCHAR", "varchar(10)",
    "DOUBLE PRECISION", "UNSIGNED BIG INT", "NVARCHAR(20)", "DECIMAL(10,5)", "BOOLEAN", "CLOB", "MEDIUMINT",
    "NCHAR(3)", "timestamp", "VARCHAR( 30 )", "varbinary(5)", "longvarbinary", "image", "int8", "numeric(5)",
    "xyz", "VARCHAR2(10)", "TEXT(20)", "INTEGER UNSIGNED", "SMALLINT(4)", "FLOAT(8)", "LONG VARCHAR",
    "DOUBLE(10,2)", "DATE TIME", "timestamptz", "memo", "bool", "int(11)", "tinyint(1)", "interval", "intex",
    "datetime2", "smalldatetime", "time(3)", "date(5)", "varchar(0)", "varchar(-3)", "varchar(99999999999)",
    "varchar(1,2)", "tinytext", "bit(8)", "blobby", "timex", "datex", "dat", "blob(1000)", "varbinary(300)",
    "char(300)", "text(300)", "varchar(256)", "varchar(255)", "timestamp(300)", "timestamp(5,6)", "varchar(5 ,6)",
    "varchar(5, 6)", "varchar(+0)", "varchar(1e3)", "varchar(0x10)", "varchar(2147483648)", "longvarcharx",
    "[bracket](4)", "\"my type\"(7)"};

std::string Describe(const std::vector<CatalogColumn>& columns) {
  std::string out;
  for (const CatalogColumn& c : columns)
    out += c.name + " " + std::to_string(c.sqlType) + " '" + c.typeName + "' " + std::to_string(c.length) + "\n";
  return out;
}

}  // namespace

TEST_F(BackupEngineTest, TheCatalogueDescribesADatabaseAsTheOdbcDriverDoes) {
  std::string columns;
  for (size_t i = 0; i < sizeof kDeclaredTypes / sizeof *kDeclaredTypes; ++i)
    columns += (i ? ", [c" : "[c") + std::to_string(i) + "] " + kDeclaredTypes[i];
  m_odbc.MakeDatabase("TARNIC:DIRECT", m_odbc.File("catalogue.db"),
                      "CREATE TABLE [zeta] (" + columns + ");"
                      "CREATE TABLE [Alpha] ([a] INTEGER PRIMARY KEY AUTOINCREMENT); INSERT INTO [Alpha] VALUES (NULL);"
                      "CREATE VIEW [v] AS SELECT 1; CREATE TABLE [a_b] ([x]); CREATE TABLE [aXb] ([y] INT);"
                      "CREATE INDEX [i] ON [aXb] ([y]); ANALYZE; DROP TABLE [zeta]; CREATE TABLE [zeta] (" + columns + ");");
  platform::db::RegisterDataSource("TARNIC:VIAODBC", "test", m_odbc.File("catalogue.db"));
  OdbcScope::RouteThroughOdbc("TARNIC:VIAODBC");
  platform::CDatabase direct, odbc;
  direct.Open(CDynaSet::ConnectString("DIRECT"));
  odbc.Open(CDynaSet::ConnectString("VIAODBC"));
  ASSERT_TRUE(direct.IsEmbedded());
  ASSERT_FALSE(odbc.IsEmbedded());
  const std::vector<std::string> tables = CatalogTables(direct);
  EXPECT_EQ(tables, CatalogTables(odbc));
  // SQLite's own tables are not among them.
  EXPECT_EQ(tables, std::vector<std::string>({"Alpha", "a_b", "aXb", "zeta"}));
  for (const std::string& table : tables)
    EXPECT_EQ(Describe(CatalogColumns(direct, table)), Describe(CatalogColumns(odbc, table))) << table;
}

namespace {

// Values of every storage class in columns of each kind, as a database
// written by other programs may hold them.
const char kMixedRows[] =
    "CREATE TABLE [Mixed] ([T] VARCHAR(20), [I] INTEGER, [R] REAL, [S] TIMESTAMP, [B] BIT);"
    "INSERT INTO [Mixed] VALUES ('text', 1, 1.5, '2024-01-02 03:04:05', 1), (12, '7', '2.5', '2024-02-29', 0),"
    " (1.0e300, 3, 1e-5, '2024-03-01 10:00:00.123', NULL), (x'CAFE01', NULL, 0.1, '2024-03-01T10:00:07', 1),"
    " ('0123', 9223372036854775807, -0.0, NULL, 0), (0.1, -1, 5, '1999-12-31 23:59:59', 1),"
    " ('  padded  ', 0, 1e308, '2038-01-19 03:14:08', 1);";

}  // namespace

TEST_F(BackupEngineTest, ABackupIsTheSameFileOnEitherPathAndRestoresTheSameRows) {
  m_odbc.MakeDatabase("TARNIC:DIRECT", m_odbc.File("source.db"), std::string(kTaskSchema) + kTaskRows + kMixedRows);
  platform::db::RegisterDataSource("TARNIC:VIAODBC", "test", m_odbc.File("source.db"));
  OdbcScope::RouteThroughOdbc("TARNIC:VIAODBC");
  ASSERT_TRUE(BackupTask("DIRECT", "DIRECT.MEA", "SOURCE"));
  ASSERT_TRUE(BackupTask("VIAODBC", "ODBC.MEA", "SOURCE"));
  const std::string file = ReadAll(m_files.File("DIRECT.MEA"));
  EXPECT_EQ(file, ReadAll(m_files.File("ODBC.MEA")));
  EXPECT_NE(file.find("#TABLE:Mixed"), std::string::npos);

  const std::string schema = std::string(kTaskSchema) + "CREATE TABLE [Mixed] ([T] VARCHAR(20), [I] INTEGER,"
                             " [R] REAL, [S] TIMESTAMP, [B] BIT);";
  m_odbc.MakeDatabase("TARNIC:TODIRECT", m_odbc.File("direct.db"), schema);
  m_odbc.MakeDatabase("TARNIC:TOODBC", m_odbc.File("odbc.db"), schema, DbPath::kOdbc);
  ASSERT_TRUE(RestoreTask(m_files.File("DIRECT.MEA"), "TODIRECT"));
  ASSERT_TRUE(RestoreTask(m_files.File("DIRECT.MEA"), "TOODBC"));
  platform::CDatabase db;
  OpenAttached(db, "TODIRECT", "odbc.db", "other");
  EXPECT_EQ(TaskDifferences(db, "other"), "0/0 0/0 0/0");
  EXPECT_EQ(Differences(db, "other", "Mixed", {"T", "I", "R", "S", "B"}), "0/0");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM [Mixed]"), "7");
}

TEST_F(BackupEngineTest, AValueThatIsNoDateStopsTheBackupNamingItsColumn) {
  // Through ODBC the driver hands such a value over as an empty one.
  m_odbc.MakeDatabase("TARNIC:SOURCE", m_odbc.File("source.db"),
                      "CREATE TABLE [T] ([When] TIMESTAMP); INSERT INTO [T] VALUES ('2024-01-01 00:00:00'), ('soon');");
  EXPECT_FALSE(BackupTask("SOURCE", "T.MEA"));
  EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"The database reported an error:\nColumn [When] of table [T] "
                                                         "holds soon, which is not a value of its kind."});
}

class BackupPathTest : public BackupEngineTest, public ::testing::WithParamInterface<DbPath> {};

TEST_P(BackupPathTest, ARestoreWhoseCommitFailsOnAFullDiskSaysWhy) {
  MakeTask("SOURCE", true);
  ASSERT_TRUE(BackupTask("SOURCE", "TASK.MEA"));
  m_odbc.MakeDatabase("TARNIC:TARGET", m_odbc.File("target.db"),
                      std::string(kTaskSchema) + "INSERT INTO [Meas] ([MeasNr]) VALUES (99);", GetParam());
  auto contents = [&] {
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:TARGET");
    return Query(db, "SELECT count(*) FROM [Sequence]") + "|" + Query(db, "SELECT group_concat(MeasNr) FROM [Meas]");
  };
  const std::string before = contents();
  ASSERT_EQ(before, "0|99");
  m_messages.Clear();
  {
    FullDisk disk;
    disk.Fill();
    EXPECT_FALSE(RestoreTask(m_files.File("TASK.MEA"), "TARGET"));
  }
  const auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  // The database's own reason. SQLite undoes the work of a commit that
  // fails so; through ODBC whether the driver did is not known, and the user
  // is not told that nothing changed.
  if (GetParam() == DbPath::kEmbedded)
    EXPECT_EQ(texts[0], "Error while restoring!\nThe database reported an error:\n[SQLite]database or disk is full (13)"
                        "\nNothing of the database has been changed.");
  else
    EXPECT_EQ(texts[0], "Error while restoring!\nThe database reported an error:\n[SQLite]database or disk is full");
  EXPECT_EQ(contents(), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, BackupPathTest, ::testing::Values(DbPath::kEmbedded, DbPath::kOdbc),
                         [](const ::testing::TestParamInfo<DbPath>& info) { return kovo::test::DbPathName(info.param); });
