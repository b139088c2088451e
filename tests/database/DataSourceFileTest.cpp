#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "OdbcTestSupport.h"
#include "Spawned.h"
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
    kovo::test::Spawned writer({KOVO_INI_WRITER});
    ASSERT_TRUE(writer.Started());
    std::set<int> registered;
    std::string line;
    // A few registrations in, then a moment of its own.
    while (registered.size() < 3 && writer.ReadLine(&line)) registered.insert(std::atoi(line.c_str()));
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
    writer.Kill();
    while (writer.ReadLine(&line)) registered.insert(std::atoi(line.c_str()));

    // The next registration, by whichever program, finds the file whole.
    platform::db::RegisterDataSource("TARNIC:NEXT", "next", "/data/NEXT.db");
    EXPECT_EQ(platform::db::DataSourceFile("Accounts"), "accounts");
    EXPECT_EQ(platform::db::DataSourceFile("TARNIC:NEXT"), "/data/NEXT.db");
    for (int i : registered)
      EXPECT_EQ(platform::db::DataSourceFile("TARNIC:W" + std::to_string(i)), "/data/W" + std::to_string(i) + ".db");
  }
}

}  // namespace
