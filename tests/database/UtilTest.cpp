#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "COException.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "CORecBankSet.h"
#include "DBFiles.h"
#include "DataTestSupport.h"
#include "db/DataSource.h"
#include "core/Shell.h"

namespace {

using kovo::test::DataTest;

TEST(DBUtil, ExceptionsAreReportedWithTheirOwnTextAfterTheStringsText) {
  platform::ScriptedMessageSink sink;
  ReportException(IDS_DB_ERROR, platform::CDBException(-1, "[SQLite]no such table: Meas (1)"));
  ShowExceptionMessage(platform::CDBException(-1, std::string(150, 'x')));
  ShowCOExceptionMessage(COException(IDS_OPEN_TASK_FAILED));
  EXPECT_EQ(sink.Texts(), std::vector<std::string>({"Database error\n\n[SQLite]no such table: Meas (1)",
                                                    std::string(99, 'x'), "Unable to open measurement task"}));
}

TEST(DBUtil, AFailedOpenShowsItsReasonWholeHoweverLongThePath) {
  kovo::test::OdbcScope odbc;
  const std::string folder = odbc.File(std::string(60, 'f'));
  ASSERT_TRUE(std::filesystem::create_directories(folder));
  const std::string file = folder + "/NOTATASK.db";
  std::ofstream(file) << std::string(200, 'x');
  platform::db::RegisterDataSource("TARNIC:NOTATASK", "test", file);
  platform::ScriptedMessageSink sink;
  try {
    platform::CDatabase db;
    db.Open("ODBC;DSN=TARNIC:NOTATASK");
    ADD_FAILURE() << "opened";
  } catch (const platform::CDBException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  ASSERT_EQ(sink.Texts().size(), 1u);
  const std::string shown = sink.Texts()[0];
  EXPECT_EQ(shown.rfind("Database error\n\nUnable to open data source TARNIC:NOTATASK (", 0), 0u) << shown;
  EXPECT_NE(shown.find("...OTATASK.db): [SQLite]file is not a database (26)"), std::string::npos) << shown;
  EXPECT_LE(shown.size(), std::string("Database error\n\n").size() + 99);
}

TEST(DBUtil, BitFlagsCountModulo32AndAByteHasEightOfThem) {
  unsigned char b = 0x01;
  SetBitFlag(&b, 9, true);
  EXPECT_EQ(b, 0x01);
  SetBitFlag(&b, 35, true);  // bit 3
  EXPECT_EQ(b, 0x09);
  SetBitFlag(&b, 0, false);
  EXPECT_EQ(b, 0x08);
  EXPECT_TRUE(IsBitFlagSet(b, 3));
  EXPECT_FALSE(IsBitFlagSet(0xFF, 8));
  uint32_t w = 0;
  SetBitFlag32(&w, 33, true);
  SetBitFlag32(&w, 31, true);
  EXPECT_EQ(w, 0x80000002u);
  EXPECT_TRUE(IsBitSet(w, 1));
  EXPECT_FALSE(IsBitSet(w, 0));
}

TEST(DBUtil, TimestampLiteralAndFirstComment) {
  EXPECT_EQ(FormatOdbcTimestamp(platform::CTime(2024, 3, 1, 10, 0, 5)), "{ts '2024-03-01 10:00:05'}");
  std::vector<COEvent> events = {COEvent(COEvent::typeAlarm, "alarm", 1.0f),
                                 COEvent(COEvent::typeComment, "  a note  ", 0.0f),
                                 COEvent(COEvent::typeComment, "later", 0.0f)};
  EXPECT_EQ(GetFirstEventText(events), "a note");
  events.erase(events.begin() + 1, events.end());
  EXPECT_EQ(GetFirstEventText(events), "");
}

class RecordingView : public CView {
 public:
  void OnUpdate(CView*, long hint, void*) override { hints.push_back(hint); }
  void OnDocumentClosing(CDocument*) override { ++closed; }
  std::vector<long> hints;
  int closed = 0;
};

class Store : public IWindowStore {
 public:
  void Save() override { ++saves; }
  void Restore() override { ++restores; }
  int saves = 0;
  int restores = 0;
};

using DocumentTest = DataTest;

TEST_F(DocumentTest, ViewsAreUpdatedOnlyWhileATaskIsOpen) {
  UpdateAllViewsOfDoc(*context, kHintTaskChanged);  // no document
  CDBDoc doc(*context);
  RecordingView view;
  doc.AddView(&view);
  doc.m_bAutoDelete = false;
  UpdateAllViewsOfDoc(*context, kHintTaskChanged);
  EXPECT_TRUE(view.hints.empty());
  setup->SetMeasDatabaseOpen(true);
  UpdateAllViewsOfDoc(*context, kHintTaskChanged);
  EXPECT_EQ(view.hints, std::vector<long>({kHintTaskChanged}));
}

TEST_F(DocumentTest, TheDocumentRestoresTheWindowsAndClosesOnlyWhenAllowed) {
  Store store;
  context->SetWindowStore(&store);
  RecordingView view;
  CDBDoc* doc = new CDBDoc(*context);
  doc->AddView(&view);
  EXPECT_TRUE(doc->OnOpenDocument(""));
  EXPECT_EQ(store.restores, 1);
  EXPECT_EQ(view.hints, std::vector<long>({0}));
  EXPECT_FALSE(doc->IsModified());
  doc->SetModifiedFlag(true);
  EXPECT_TRUE(doc->IsModified());

  setup->SetMeasDatabaseOpen(true);
  monitor.state = MeasState::active;
  messages.Answer(platform::IDCANCEL);
  doc->OnCloseDocument();  // declined: everything stays
  EXPECT_EQ(view.closed, 0);
  EXPECT_EQ(doc->GetViews().size(), 1u);
  EXPECT_EQ(monitor.stops, 0);
  messages.Answer(platform::IDOK);
  doc->OnCloseDocument();  // stops, saves the windows, closes and deletes itself
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(monitor.stops, 1);
  EXPECT_EQ(store.saves, 1);
  EXPECT_FALSE(setup->IsMeasDatabaseOpen());
  EXPECT_EQ(context->Document(), nullptr);  // gone with the document
}

TEST_F(DocumentTest, AFileThatIsNoTaskIsRefusedOnceAndLeftAsItLies) {
  const std::string name = NewTask("a task");
  const std::string file = setup->DataFile(name);
  setup->SetMeasDatabaseOpen(false);
  CDBDoc::ReleaseTask(*context);
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string shown;  // what the message ends with
  };
  using kovo::test::ForeignFile;
  auto foreign = [&](ForeignFile kind) { return [&file, kind] { kovo::test::MakeForeignFile(file, kind); }; };
  const Case cases[] = {
      {"empty", [&] { std::ofstream(file, std::ios::trunc).flush(); }, "): the file holds no tables"},
      {"foreign", foreign(ForeignFile::kDatabase), "): not a task database: it has no table [Sequence]"},
      {"foreign with rows in its log", foreign(ForeignFile::kLoggedDatabase),
       "): not a task database: it has no table [Sequence]"},
      {"text", foreign(ForeignFile::kText), "): [SQLite]file is not a database (26)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const std::string before = kovo::test::FileState(file);
    messages.Clear();
    EXPECT_FALSE(CDBDoc::OpenTask(*context, name, "a task"));
    EXPECT_FALSE(setup->IsMeasDatabaseOpen());
    const std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 1u) << shown[0] << "\n--\n" << shown[1];
    EXPECT_EQ(shown[0].rfind("Unable to open data source TARNIC:" + name + " (", 0), 0u) << shown[0];
    EXPECT_NE(shown[0].find(c.shown), std::string::npos) << shown[0];
    EXPECT_TRUE(kovo::test::FileState(file) == before) << "the file changed";
  }
}

TEST_F(DocumentTest, TheManualOpensFromTheProgramFolderUnderTheWaitCursor) {
  kovo::test::WaitCursorLog log;
  platform::SetDesktopOpener([&](const std::string& path, const std::string& folder) {
    log.events.push_back(path + "|" + folder);
    return true;
  });
  EXPECT_TRUE(OpenManual(*setup));
  const std::string folder = setup->GetProgramFolder();
  EXPECT_EQ(log.events,
            std::vector<std::string>({"wait", folder + "Gas monitor software Manual Pask.pdf|" + folder, "done"}));
  platform::SetDesktopOpener(nullptr);  // the desktop's viewer, which has no such file here
  log.events.clear();
  EXPECT_FALSE(OpenManual(*setup));
  EXPECT_EQ(log.events, std::vector<std::string>({"wait", "done", "message: Unable to open manual"}));
}

TEST_F(DocumentTest, SavingABankSetShowsTheWaitCursorEvenWhenItFails) {
  kovo::test::WaitCursorLog log;
  CORecBankSet sets(*context);
  sets.SetSetup(monitor.setup);
  sets.SaveBanks(sets.WriteSetRow(CORecBankSet::kCopy, "SN1001", "copy"));
  EXPECT_EQ(log.events, std::vector<std::string>({"wait", "done"}));
  log.events.clear();
  platform::db::RegisterDataSource(dbfiles::DataSourceName("SYSTEM"), "gone", odbc.File("missing/SYSTEM.db"));
  EXPECT_ANY_THROW(sets.SaveBanks(1));
  EXPECT_EQ(log.events, std::vector<std::string>({"wait", "done"}));
}

}  // namespace
