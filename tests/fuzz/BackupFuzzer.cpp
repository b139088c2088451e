// Fuzz target for the backup reader and restore: backup files come from
// disks and other machines. The input is a backup file, restored into a task
// database through its data source. The oracle: a file the restore refuses
// leaves the database as it was, row for row. Anything else that goes wrong
// (a crash, a hang, undefined behaviour) is a finding as well.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Backup.h"
#include "core/App.h"
#include "core/StringTable.h"
#include "core/MessageSink.h"
#include "db/DataSource.h"
#include "db/Database.h"
#include "db/Statement.h"

namespace {

// Every kind of column a backup carries, one it leaves out, a unique column
// the database itself may refuse a row for, and an empty table.
const char kSchema[] =
    "CREATE TABLE [Sequence] ([SeqNr] INTEGER PRIMARY KEY, [SeqName] VARCHAR(50), [Start] TIMESTAMP,"
    " [Mode] SMALLINT, [Filter] TINYINT, [Factor] REAL, [Day] DATE, [Picture] BLOB DEFAULT x'CAFE');"
    "CREATE TABLE [Meas] ([MeasTime] TIMESTAMP, [MeasNo] INTEGER UNIQUE, [Value] REAL, [Note] TEXT);"
    "CREATE TABLE [Empty] ([X] INTEGER, [Y] VARCHAR(10));"
    "INSERT INTO [Sequence] VALUES (1, 'first; one', '2024-03-31 02:30:05', -5, 255, 0.1, '2024-02-29', x'01'),"
    " (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
    "INSERT INTO [Meas] VALUES ('2024-01-01 10:00:00', 1, 1.5, 'a' || char(13, 10) || 'b'),"
    " ('2024-01-01 10:00:10', 2, -2.5e-7, NULL);";

const char* const kTables[] = {"Sequence", "Meas", "Empty"};

class SilentSink : public platform::MessageSink {
 public:
  int Show(const std::string&, const std::string&, unsigned type) override { return platform::DefaultAnswer(type); }
};

// Every row of every table, each value with its storage class.
std::string Contents() {
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:FUZZ");
  std::string out;
  for (const char* table : kTables) {
    auto columns = db.NewStatement();
    columns->Prepare(std::string("SELECT name FROM pragma_table_info('") + table + "')");
    columns->Execute();
    std::string list, name;
    while (columns->Fetch()) {
      columns->GetText(0, &name);
      list += (list.empty() ? "" : " || ';' || ") + ("typeof([" + name + "]) || quote([" + name + "])");
    }
    auto rows = db.NewStatement();
    rows->Prepare("SELECT rowid || ':' || " + list + " FROM [" + table + "] ORDER BY rowid");
    rows->Execute();
    std::string row;
    out += table;
    while (rows->Fetch()) {
      rows->GetText(0, &row);
      out += "\n" + row;
    }
    out += "\n";
  }
  return out;
}

struct Setup {
  std::string dir;
  std::string database;
  std::string input;
  std::string pristine;  // the database file as made
  std::string contents;
  platform::ProgramTexts texts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  SilentSink sink;
  SpaceControl space;

  Setup() {
    char tmpl[] = "/tmp/kovo-backup-fuzz-XXXXXX";
    dir = mkdtemp(tmpl);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
    platform::SetMessageSink(&sink);
    database = dir + "/FUZZ.db";
    input = dir + "/INPUT.MEA";
    platform::db::CreateDatabase("TARNIC:FUZZ", "fuzz", database, kSchema);
    std::ifstream in(database, std::ios::binary);
    pristine.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    contents = Contents();
  }

  ~Setup() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  // Puts the database back as it was made, once nothing has it open.
  void Reset() const {
    std::error_code ec;
    for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(database + suffix, ec);
    std::ofstream(database, std::ios::binary | std::ios::trunc) << pristine;
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup& s = TheSetup();
  std::ofstream(s.input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
  bool restored = false;
  {
    CBackupFile file(s.space);
    CBackupHeader header;
    if (file.OpenRead(s.input) && file.ReadHeader(&header)) restored = CBackup(file, "FUZZ").Restore();
  }
  if (restored) {
    s.Reset();
  } else if (Contents() != s.contents) {
    std::fprintf(stderr, "A refused backup changed the database:\n%s\n", Contents().c_str());
    __builtin_trap();
  }
  return 0;
}
