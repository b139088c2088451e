#pragma once
// Text columns hold a number of characters, not bytes.
#include <cstddef>
#include <string>

namespace platform::db {

// The first maxChars characters of a UTF-8 text; a sequence cut at the end of
// the text is dropped rather than kept half.
std::string TruncateUtf8(const std::string& text, size_t maxChars);

}  // namespace platform::db
