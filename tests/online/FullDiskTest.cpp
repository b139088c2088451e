// A measurement whose disk fills while it runs: a small file system of its
// own holds the task, and a file grows on it until the disk is (nearly)
// full. The person is told once, the measurement stops, and what was stored
// stays whole and opens again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "DBDoc.h"
#include "DBFiles.h"
#include "db/Statement.h"
#include "OnlineFixture.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;
using kovo::test::OnlineFixture;
using kovo::test::TempDir;

// A file system of a few megabytes, mounted for the test's time.
class SmallDisk {
 public:
  SmallDisk() {
    if (geteuid() != 0) {
      m_why = "mounting a file system needs root";
      return;
    }
    if (mount("tmpfs", m_dir.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=8m") != 0) {
      m_why = std::string("the kernel refuses to mount a small file system here: ") + std::strerror(errno);
      return;
    }
    m_mounted = true;
  }
  ~SmallDisk() {
    if (m_mounted) umount2(m_dir.Path().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return m_mounted; }
  const std::string& Why() const { return m_why; }
  std::string File(const std::string& name) const { return m_dir.File(name); }
  uint64_t Free() const { return fs::space(m_dir.Path()).available; }

  // Writes a file until no more than leave bytes are free (0: until the
  // disk refuses a byte more).
  void FillUpTo(uint64_t leave) {
    const int fd = ::open(File("filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const std::vector<char> block(4096, 'x');
    for (;;) {
      const uint64_t free = Free();
      if (leave > 0 && free <= leave) break;
      size_t n = block.size();
      if (leave > 0 && free - leave < n) n = static_cast<size_t>(free - leave);
      if (::write(fd, block.data(), n) <= 0) break;  // full
    }
    ::close(fd);
  }
  void Empty() { fs::remove(File("filler")); }

 private:
  TempDir m_dir;
  bool m_mounted = false;
  std::string m_why;
};

class FullDiskFixture : public OnlineFixture {
 protected:
  // The task's file moved onto the small disk; its name in the data folder
  // leads there.
  std::string TaskOn(SmallDisk& disk, const std::string& description) {
    const std::string name = PrepareTask(description);
    CDBDoc::ReleaseTask(*context);
    const std::string file = setup->DataFile(name);
    EXPECT_FALSE(fs::exists(file + "-wal"));
    fs::copy_file(file, disk.File(name + ".db"));
    fs::remove(file);
    fs::create_symlink(disk.File(name + ".db"), file);
    EXPECT_TRUE(sequence.Load());
    setup->SetMeasDatabaseOpen(true);
    return name;
  }
};

// How the disk fills: to just under the program's margin while it measures;
// to the last byte while it measures, on a disk that keeps saying it has
// room (the margin unasked), so that SQLite's write is what fails; to just
// under the margin before the start.
enum class Filling { kNearlyFull, kFullToTheLastByte, kFullAtStart };

class FullDiskTest : public FullDiskFixture, public ::testing::WithParamInterface<Filling> {
 protected:
  // Each [Sequence] row's "StartNum..StopNum".
  std::vector<std::string> SequenceRuns(const std::string& name) {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(name));
    auto st = db.NewStatement();
    st->Prepare("SELECT [StartNum], [StopNum] FROM [Sequence] ORDER BY [NumCount]");
    st->Execute();
    std::vector<std::string> runs;
    while (st->Fetch()) {
      int64_t start = 0, stop = 0;
      st->GetInt(0, &start);
      st->GetInt(1, &stop);
      runs.push_back(std::to_string(start) + ".." + std::to_string(stop));
    }
    return runs;
  }
};

TEST_P(FullDiskTest, AFullDiskIsToldOnceStopsTheRunAndKeepsWhatWasStored) {
  const Filling filling = GetParam();
  SmallDisk disk;
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  ASSERT_TRUE(obs->Connect(false));
  GiveBanks();
  const std::string name = TaskOn(disk, "full disk");
  if (filling == Filling::kFullToTheLastByte) dbObs.SetDiskMargin(0);

  if (filling == Filling::kFullAtStart) {
    disk.FillUpTo(512 * 1024);
    ASSERT_TRUE(StartNow());
  } else {
    ASSERT_TRUE(StartNow());
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 5; }));
    disk.FillUpTo(filling == Filling::kNearlyFull ? 512 * 1024 : 0);
  }
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  // Samples still on their way meanwhile are not stored and not reported.
  PumpFor(300);
  const std::vector<COMeas> stored = StoredMeas();
  const std::vector<StoredEvent> events = StoredEvents();
  const std::vector<std::string> runs = SequenceRuns(name);
  // Closing the task on the full disk tells nothing more.
  CDBDoc::ReleaseTask(*context);
  const std::vector<std::string> shown = messages.Texts();
  ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
  // While the disk stays full the task opens for reading.
  disk.FillUpTo(0);
  ASSERT_FALSE(fs::exists(disk.File(name + ".db-shm")));
  EXPECT_TRUE(CDBDoc::OpenTask(*context, name, "full disk"));
  EXPECT_EQ(StoredMeas().size(), stored.size());
  EXPECT_EQ(messages.Texts().size(), 1u) << ::testing::PrintToString(messages.Texts());
  CDBDoc::ReleaseTask(*context);
  if (filling == Filling::kFullAtStart) {
    EXPECT_EQ(shown[0], "The disk of the task database is full: samples can no longer be stored.\n"
                        "The measurement has been stopped before any of its samples could be stored.");
    EXPECT_TRUE(stored.empty());
  } else {
    EXPECT_EQ(shown[0].rfind("The disk of the task database is full: samples can no longer be stored.\n"
                             "The measurement has been stopped; the samples up to ",
                             0),
              0u)
        << shown[0];
    ASSERT_GE(stored.size(), 5u);
    EXPECT_NE(shown[0].find(stored.back().GetMeasTime().Format("%y-%m-%d %X")), std::string::npos) << shown[0];
  }

  // What was stored is every sample up to one, in order, numbered without a
  // gap; what was not reached the windows numbered 0.
  ASSERT_LT(stored.size(), Received().size());
  for (size_t i = 0; i < stored.size(); ++i) {
    EXPECT_EQ(stored[i].GetMeasNo(), static_cast<int>(i + 1));
    EXPECT_EQ(SampleNo(stored[i]), SampleNo(Received()[i]));
    EXPECT_EQ(Received()[i].GetMeasNo(), static_cast<int>(i + 1));
  }
  for (size_t i = stored.size(); i < Received().size(); ++i) EXPECT_EQ(Received()[i].GetMeasNo(), 0) << i;
  if (!stored.empty()) {
    // The run's start and stop are stored, the stop at the last stored
    // sample, and the run's sequence and the next end there too.
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().type, COEvent::typeTaskStarted);
    EXPECT_EQ(events.back().type, COEvent::typeTaskStopped);
    EXPECT_EQ(events.back().time, stored.back().GetMeasTime());
    const std::string run = "1.." + std::to_string(stored.back().GetMeasNo());
    EXPECT_EQ(runs, std::vector<std::string>({run, run}));
  }
  {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(name));
    auto st = db.NewStatement();
    st->Prepare("PRAGMA integrity_check");
    st->Execute();
    std::string result;
    ASSERT_TRUE(st->Fetch());
    st->GetText(0, &result);
    EXPECT_EQ(result, "ok");
  }

  // With room again the task opens as it was, and a new run stores again.
  disk.Empty();
  ASSERT_TRUE(CDBDoc::OpenTask(*context, name, "full disk"));
  EXPECT_EQ(StoredMeas().size(), stored.size());
  messages.Clear();
  const size_t before = Received().size();
  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= before + 2; }));
  obs->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  EXPECT_GE(StoredMeas().size(), stored.size() + 2);
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  CDBDoc::ReleaseTask(*context);
}

INSTANTIATE_TEST_SUITE_P(Disk, FullDiskTest,
                         ::testing::Values(Filling::kNearlyFull, Filling::kFullToTheLastByte, Filling::kFullAtStart),
                         [](const ::testing::TestParamInfo<Filling>& info) {
                           switch (info.param) {
                             case Filling::kNearlyFull: return std::string("NearlyFull");
                             case Filling::kFullToTheLastByte: return std::string("FullToTheLastByte");
                             case Filling::kFullAtStart: return std::string("FullAtStart");
                           }
                           return std::string();
                         });

}  // namespace
