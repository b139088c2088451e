#pragma once
// The suite's exception with a message from the string table.
#include <string>

#include "core/Exception.h"

class COException : public platform::CException {
 public:
  explicit COException(unsigned stringId);
  // The string, an empty line, then why. A file that why names loses its
  // middle first when the message must be shortened, so the cause after it
  // stays whole.
  COException(unsigned stringId, const std::string& why, std::string file = std::string());
  ~COException() override = default;
  std::string GetMessage() const override { return m_message; }
  bool GetErrorMessage(char* buffer, unsigned size) const override;
  unsigned GetStringId() const { return m_id; }

 private:
  unsigned m_id;
  std::string m_message;
  std::string m_file;
  bool m_withReason = false;
};
