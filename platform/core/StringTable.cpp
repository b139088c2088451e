#include "StringTable.h"

#include "MessageSink.h"

namespace platform {
namespace {

bool Find(const kovo::StringTableRef& table, unsigned id, std::string* out) {
  for (size_t i = 0; i < table.count; ++i) {
    if (table.entries[i].id == id) {
      *out = table.entries[i].text;
      return true;
    }
  }
  return false;
}

kovo::StringTableRef g_programStrings{nullptr, 0};

}  // namespace

bool LoadString(unsigned id, std::string* out) {
  return Find(g_programStrings, id, out) || Find(kovo::SharedStrings(), id, out) ||
         Find(kovo::CommonStrings(), id, out);
}

std::string LoadString(unsigned id) {
  std::string s;
  LoadString(id, &s);
  return s;
}

ProgramTexts::ProgramTexts(std::string caption, kovo::StringTableRef strings)
    : m_previousCaption(SetMessageCaption(std::move(caption))), m_previousStrings(g_programStrings) {
  g_programStrings = strings;
}

ProgramTexts::~ProgramTexts() {
  g_programStrings = m_previousStrings;
  SetMessageCaption(m_previousCaption);
}

}  // namespace platform
