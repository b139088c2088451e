#include "db/FileClaim.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using platform::db::FileClaim;

namespace {

class FileClaimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() / ("kovo-claim-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_dir);
    m_file = (m_dir / "TASK.db").string();
    std::ofstream(m_file) << "x";
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::filesystem::path m_dir;
  std::string m_file;
};

TEST_F(FileClaimTest, UsesShareAndExcludeTheSoleClaimWhichExcludesThemInTurn) {
  auto first = FileClaim::Take(m_file, FileClaim::Kind::Use);
  auto second = FileClaim::Take(m_file, FileClaim::Kind::Use);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(FileClaim::InUse(m_file));
  std::string why;
  EXPECT_FALSE(FileClaim::Take(m_file, FileClaim::Kind::Sole, &why));
  EXPECT_NE(why.find(m_file), std::string::npos) << why;
  EXPECT_NE(why.find("in use"), std::string::npos) << why;
  first.reset();
  EXPECT_FALSE(FileClaim::Take(m_file, FileClaim::Kind::Sole));
  second.reset();
  EXPECT_FALSE(FileClaim::InUse(m_file));

  auto sole = FileClaim::Take(m_file, FileClaim::Kind::Sole);
  ASSERT_TRUE(sole);
  EXPECT_FALSE(FileClaim::Take(m_file, FileClaim::Kind::Use));
  std::filesystem::remove(m_file);
  sole->RemoveLockFile();
  sole.reset();
  EXPECT_FALSE(std::filesystem::exists(FileClaim::LockFile(m_file)));
}

TEST_F(FileClaimTest, AKilledHolderLeavesTheFileFree) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto claim = FileClaim::Take(m_file, FileClaim::Kind::Use);
    char c = claim ? 1 : 0;
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 1);
  EXPECT_TRUE(FileClaim::InUse(m_file));
  EXPECT_FALSE(FileClaim::Take(m_file, FileClaim::Kind::Sole));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(FileClaim::Take(m_file, FileClaim::Kind::Sole));
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_F(FileClaimTest, AFolderThatCannotTakeALockFileStillOpensButCannotBeCleared) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes any folder";
  std::filesystem::permissions(m_dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_TRUE(FileClaim::Take(m_file, FileClaim::Kind::Use));
  std::string why;
  EXPECT_FALSE(FileClaim::Take(m_file, FileClaim::Kind::Sole, &why));
  EXPECT_NE(why.find(m_file), std::string::npos) << why;
  std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all);
}

}  // namespace
