#pragma once
// The suite's exception with a message from the string table.
#include <string>

#include "core/Exception.h"

class COException : public platform::CException {
 public:
  explicit COException(unsigned stringId);
  ~COException() override = default;
  std::string GetMessage() const override { return m_message; }
  unsigned GetStringId() const { return m_id; }

 private:
  unsigned m_id;
  std::string m_message;
};
