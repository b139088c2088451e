#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kovo::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kovo-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  m_path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

}  // namespace kovo::test
