#include "StringTable.h"

#include "App.h"
#include "StringData.h"

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

}  // namespace

bool LoadString(unsigned id, std::string* out) {
  if (AppCore* app = AppCore::Current()) {
    if (Find(kovo::ProgramStrings(app->GetAppName()), id, out)) return true;
  }
  return Find(kovo::SharedStrings(), id, out) || Find(kovo::CommonStrings(), id, out);
}

std::string LoadString(unsigned id) {
  std::string s;
  LoadString(id, &s);
  return s;
}

}  // namespace platform
