#include "COException.h"

#include <cstring>

#include "core/StringTable.h"
#include "core/Text.h"

COException::COException(unsigned stringId) : m_id(stringId), m_message(platform::LoadString(stringId)) {}

COException::COException(unsigned stringId, const std::string& why, std::string file)
    : m_id(stringId), m_message(platform::LoadString(stringId) + "\n\n" + why), m_file(std::move(file)),
      m_withReason(true) {}

bool COException::GetErrorMessage(char* buffer, unsigned size) const {
  if (!m_withReason) return CException::GetErrorMessage(buffer, size);
  if (buffer == nullptr || size == 0) return false;
  const std::string text = platform::FitByShortening(m_message, m_file, size - 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return text.size() == m_message.size();
}
