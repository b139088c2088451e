#pragma once
// The string table: texts by id. The running program's own texts come first,
// then those of the shared layers, then the Common library's.
#include <string>

namespace platform {

bool LoadString(unsigned id, std::string* out);
// The text, or an empty text when the id is unknown.
std::string LoadString(unsigned id);

}  // namespace platform
