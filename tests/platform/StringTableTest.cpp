#include <gtest/gtest.h>

#include <map>

#include "StringData.h"
#include "core/App.h"
#include "core/StringTable.h"

TEST(StringTable, SharedTextsAndUnknownIds) {
  EXPECT_EQ(platform::LoadString(148), "Database error");
  std::string s = "unchanged";
  EXPECT_FALSE(platform::LoadString(999999, &s));
  EXPECT_EQ(s, "unchanged");
  EXPECT_EQ(platform::LoadString(999999), "");
}

// Each program finds its own texts before the shared ones; every program's
// table, with the shared and common tables, must then be free of clashes.
TEST(StringTable, NoIdHasTwoTextsInOneProgram) {
  for (const char* program : {"Online", "Calibration", "Offline", "Presentation", "Database Administration"}) {
    std::map<unsigned, std::string> seen;
    for (kovo::StringTableRef t : {kovo::SharedStrings(), kovo::CommonStrings()}) {
      for (size_t i = 0; i < t.count; ++i) {
        auto [it, inserted] = seen.emplace(t.entries[i].id, t.entries[i].text);
        EXPECT_TRUE(inserted || it->second == t.entries[i].text) << "id " << t.entries[i].id;
      }
    }
    kovo::StringTableRef own = kovo::ProgramStrings(program);
    std::map<unsigned, int> count;
    for (size_t i = 0; i < own.count; ++i) EXPECT_EQ(++count[own.entries[i].id], 1) << program;
  }
}
