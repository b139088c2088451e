#pragma once
// The failures of the serial link and the command language. Every class is a
// plain value, thrown by value and caught by reference, and builds its report
// text on demand with Describe.
#include <cstdint>
#include <exception>
#include <string>

class DataLinkRS232;

class Exception : public std::exception {
 public:
  virtual std::string Describe() const = 0;
  const char* what() const noexcept override;

 protected:
  Exception() = default;
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;

  // printf into a 256-character buffer: longer texts are cut at 255.
  static std::string Bounded(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

 private:
  mutable std::string m_what;
};

class Error : public Exception {
 public:
  Error(std::string file, int32_t line, std::string text)
      : m_file(std::move(file)), m_line(line), m_text(std::move(text)) {}
  std::string Describe() const override;

  const std::string& GetFile() const { return m_file; }
  int32_t GetLine() const { return m_line; }
  const std::string& GetText() const { return m_text; }

 protected:
  std::string m_file;
  int32_t m_line;
  std::string m_text;
};

// A failed operating-system call; the code is the call's errno.
class Win32Error : public Error {
 public:
  // Takes the code from errno as it is now, not when described.
  Win32Error(std::string file, int32_t line, std::string text);
  Win32Error(std::string file, int32_t line, std::string text, uint32_t code)
      : Error(std::move(file), line, std::move(text)), m_code(code) {}
  std::string Describe() const override;
  uint32_t GetCode() const { return m_code; }

 private:
  uint32_t m_code;
};

class CommException : public Exception {
 public:
  enum Kind : int32_t { open = 0, read = 1, write = 2 };
  explicit CommException(int32_t kind) : m_kind(kind) {}
  std::string Describe() const override;
  int32_t GetKind() const { return m_kind; }

 protected:
  int32_t m_kind;
};

class Rs232Exception : public CommException {
 public:
  enum Reason : int32_t { commError = 0, tout = 1 };
  // detail holds what the link would have told the user at the throw site; a
  // worker thread cannot show it, so it travels here and in the trace.
  Rs232Exception(int32_t kind, const DataLinkRS232* link, int32_t reason, std::string detail = std::string())
      : CommException(kind), m_link(link), m_reason(reason), m_detail(std::move(detail)) {}
  std::string Describe() const override;

  const DataLinkRS232* GetLink() const { return m_link; }
  int32_t GetReason() const { return m_reason; }
  const std::string& GetDetail() const { return m_detail; }

 private:
  const DataLinkRS232* m_link;
  int32_t m_reason;
  std::string m_detail;
};
