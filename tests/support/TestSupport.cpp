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

EnvironmentScope::EnvironmentScope(const std::string& name, const std::string& value) : m_name(name) {
  if (const char* before = std::getenv(name.c_str())) {
    m_had = true;
    m_before = before;
  }
  setenv(name.c_str(), value.c_str(), 1);
}

EnvironmentScope::~EnvironmentScope() {
  if (m_had)
    setenv(m_name.c_str(), m_before.c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

WaitCursorLog::WaitCursorLog()
    : m_previousDisplay(platform::SetWaitCursorDisplay(this)), m_previousSink(platform::SetMessageSink(this)) {}

WaitCursorLog::~WaitCursorLog() {
  platform::SetMessageSink(m_previousSink);
  platform::SetWaitCursorDisplay(m_previousDisplay);
}

int WaitCursorLog::Show(const std::string& text, const std::string&, unsigned type) {
  events.push_back("message: " + text);
  return platform::DefaultAnswer(type);
}

}  // namespace kovo::test
