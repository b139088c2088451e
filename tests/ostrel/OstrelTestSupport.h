#pragma once
// Helpers of the backup tests: whole files and per-directory free space.
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "SpaceControl.h"
#include "TestSupport.h"
#include "db/Database.h"
#include "db/Statement.h"

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Each directory has the free space the test gives it (the default elsewhere).
class FreeSpaceByDir : public IFreeSpace {
 public:
  explicit FreeSpaceByDir(uint64_t byDefault) : m_default(byDefault) {}
  void Set(const std::string& dir, uint64_t bytes) { m_bytes[dir] = bytes; }
  bool FreeBytes(const std::string& dir, uint64_t* bytes) override {
    auto it = m_bytes.find(dir);
    *bytes = it == m_bytes.end() ? m_default : it->second;
    return true;
  }

 private:
  uint64_t m_default;
  std::map<std::string, uint64_t> m_bytes;
};

// The first column of the first row of a query, as text.
inline std::string Query(platform::CDatabase& db, const std::string& sql) {
  auto st = db.NewStatement();
  st->Prepare(sql);
  st->Execute();
  std::string value;
  if (!st->Fetch() || !st->GetText(0, &value)) value = "(null)";
  st->Close();
  return value;
}
