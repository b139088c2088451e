#pragma once
#include <cstddef>
#include <string>

namespace kovo {

struct StringEntry {
  unsigned id;
  const char* text;
};

struct StringTableRef {
  const StringEntry* entries;
  size_t count;
};

// The table of one program, by its application name; empty for any other name.
StringTableRef ProgramStrings(const std::string& appName);
// The texts of the measurement data, communication and window layers.
StringTableRef SharedStrings();
StringTableRef CommonStrings();

}  // namespace kovo
