#pragma once
// The string table: texts by id. The running program's own texts come first,
// then those of the shared layers, then the Common library's.
#include <string>

#include "StringData.h"

namespace platform {

bool LoadString(unsigned id, std::string* out);
// The text, or an empty text when the id is unknown.
std::string LoadString(unsigned id);

// The running program's own texts and the caption of its messages, which
// the program hands in at its start; the previous ones come back when it
// ends.
class ProgramTexts {
 public:
  ProgramTexts(std::string caption, kovo::StringTableRef strings);
  ~ProgramTexts();
  ProgramTexts(const ProgramTexts&) = delete;
  ProgramTexts& operator=(const ProgramTexts&) = delete;

 private:
  std::string m_previousCaption;
  kovo::StringTableRef m_previousStrings;
};

}  // namespace platform
