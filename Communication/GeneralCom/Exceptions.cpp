#include "Exceptions.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "core/Text.h"

const char* Exception::what() const noexcept {
  try {
    m_what = Describe();
  } catch (...) {
    return "Exception";
  }
  return m_what.c_str();
}

std::string Exception::Bounded(const char* fmt, ...) {
  platform::CLocaleScope cLocale;
  char buffer[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

std::string Error::Describe() const {
  return Bounded("System error. File: %s, line %d: %s.", m_file.c_str(), m_line, m_text.c_str());
}

Win32Error::Win32Error(std::string file, int32_t line, std::string text)
    : Error(std::move(file), line, std::move(text)), m_code(static_cast<uint32_t>(errno)) {}

std::string Win32Error::Describe() const {
  return Bounded("Win32Error %d. File: %s, line %d: %s.", static_cast<int>(m_code), m_file.c_str(), m_line,
                 m_text.c_str());
}

std::string CommException::Describe() const {
  const char* word = m_kind == open ? "Open" : m_kind == read ? "Read" : m_kind == write ? "Write" : "Unknown";
  return Bounded("%s communication error", word);
}

std::string Rs232Exception::Describe() const {
  const char* reason = m_reason == commError ? "ERROR" : m_reason == tout ? "TIMEOUT" : "UNKNOWN";
  return Bounded("RS232 Error: %s. %s", reason, CommException::Describe().c_str());
}
