#pragma once
// Base of the suite's own exceptions that carry a message for the user. They
// are thrown by value and caught by reference.
#include <exception>
#include <string>

namespace platform {

class CException : public std::exception {
 public:
  // Copies the message and its terminating zero into buffer when they fit in
  // size characters and returns true; otherwise copies as much of
  // "(Error string too long)" as fits and returns false.
  virtual bool GetErrorMessage(char* buffer, unsigned size) const;
  virtual std::string GetMessage() const = 0;
  const char* what() const noexcept override;

 protected:
  // Copies text into buffer on the terms of GetErrorMessage.
  static bool CopyMessage(const std::string& text, char* buffer, unsigned size);

 private:
  mutable std::string m_what;
};

// The text a user is shown for any exception that reached the user interface.
std::string DescribeException(std::exception_ptr e);

}  // namespace platform
