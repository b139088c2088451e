#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "OdbcTestSupport.h"
#include "db/DataSource.h"

namespace {

using kovo::test::OdbcScope;

// The user's data-source file holds data sources of other software as well;
// a program killed while it registers one of its own loses none of them.
TEST(DataSourceFile, AProgramKilledWhileItRegistersLeavesEveryDataSourceOfTheFile) {
  OdbcScope odbc;
  std::mt19937 random(std::random_device{}());
  for (int kill = 0; kill < 10; ++kill) {
    SCOPED_TRACE(kill);
    {
      FILE* ini = std::fopen(odbc.IniFile().c_str(), "w");
      ASSERT_NE(ini, nullptr);
      std::fputs("[Accounts]\nDriver=PostgreSQL\nDatabase=accounts\n\n", ini);
      std::fclose(ini);
    }
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string helper = KOVO_INI_WRITER;
    char* argv[] = {helper.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FILE* in = ::fdopen(out[0], "r");
    char line[32];
    std::set<int> registered;
    // A few registrations in, then a moment of its own.
    while (registered.size() < 3 && std::fgets(line, sizeof line, in)) registered.insert(std::atoi(line));
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    while (std::fgets(line, sizeof line, in)) registered.insert(std::atoi(line));
    std::fclose(in);

    // The next registration, by whichever program, finds the file whole.
    platform::db::RegisterDataSource("TARNIC:NEXT", "next", "/data/NEXT.db");
    EXPECT_EQ(platform::db::DataSourceFile("Accounts"), "accounts");
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:NEXT"), "/data/NEXT.db");
    for (int i : registered)
      EXPECT_EQ(platform::db::DataSourceFile("TARNIC:W" + std::to_string(i)), "/data/W" + std::to_string(i) + ".db");
  }
}

}  // namespace
