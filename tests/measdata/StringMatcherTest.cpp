#include <gtest/gtest.h>

#include <string>

#include "StringMatcher.h"

namespace {
// The position (1-based) of the character after which the matcher first
// reports the pattern found; 0 when it never does.
size_t FoundAfter(const char* pattern, const std::string& stream) {
  StringMatcher m(pattern);
  for (size_t i = 0; i < stream.size(); ++i) {
    m.Feed(stream[i]);
    if (m.IsFound()) return i + 1;
  }
  return 0;
}
}  // namespace

TEST(StringMatcher, FindsThePatternAcrossPartialMatches) {
  const struct {
    const char* pattern;
    std::string stream;
    size_t after;
  } cases[] = {
      {"\r\n\n", "\r\n\r\n\n", 5},
      {"aab", "aaab", 4},
      {"abab", "abaabab", 7},
      {"Q&T \r\n\n", "xxQ&T Q&\r\nQ&T \r\n\n", 17},
      {"abc", "ab", 0},
      {"abc", std::string("ab\0c", 4), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FoundAfter(c.pattern, c.stream), c.after) << c.stream;
}

TEST(StringMatcher, ZeroCharacterStartsOver) {
  StringMatcher m("aab");
  m.Feed('a');
  m.Feed('a');
  m.Feed('\0');
  m.Feed('b');
  EXPECT_FALSE(m.IsFound());
  m.Feed('a');
  m.Feed('a');
  m.Feed('b');
  EXPECT_TRUE(m.IsFound());
}

TEST(StringMatcher, KeepsMatchingAfterAFind) {
  StringMatcher m("aa");
  m.Feed('a');
  m.Feed('a');
  EXPECT_TRUE(m.IsFound());
  // The last 'a' already begins the pattern again.
  m.Feed('a');
  EXPECT_TRUE(m.IsFound());
  m.Feed('b');
  EXPECT_FALSE(m.IsFound());
  m.Feed('a');
  m.Feed('a');
  EXPECT_TRUE(m.IsFound());
}
