#include "Exception.h"

#include <algorithm>
#include <cstring>

namespace platform {

bool CException::CopyMessage(const std::string& text, char* buffer, unsigned size) {
  if (size == 0 || buffer == nullptr) return false;
  if (text.size() + 1 <= size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
  }
  static const char kTooLong[] = "(Error string too long)";
  size_t n = std::min<size_t>(sizeof kTooLong - 1, size - 1);
  std::memcpy(buffer, kTooLong, n);
  buffer[n] = '\0';
  return false;
}

bool CException::GetErrorMessage(char* buffer, unsigned size) const {
  return CopyMessage(GetMessage(), buffer, size);
}

const char* CException::what() const noexcept {
  try {
    m_what = GetMessage();
  } catch (...) {
    return "exception";
  }
  return m_what.c_str();
}

std::string DescribeException(std::exception_ptr e) {
  try {
    if (e) std::rethrow_exception(e);
  } catch (const CException& ex) {
    return ex.GetMessage();
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
  }
  return "Unknown error";
}

}  // namespace platform
