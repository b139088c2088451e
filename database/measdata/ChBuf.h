#pragma once
// The small character buffers the command language moves text in. Every
// buffer keeps a NUL behind its last character, so Buffer() is a C string.
#include <cstdint>
#include <cstring>
#include <string>

class ConstChBuf {
 public:
  virtual ~ConstChBuf() = default;
  virtual const char* Buffer() const = 0;

  unsigned Length() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  std::string ToString() const { return std::string(Buffer(), m_length); }
  bool Equals(const char* text) const { return std::strcmp(Buffer(), text) == 0; }

 protected:
  ConstChBuf() = default;
  explicit ConstChBuf(unsigned length) : m_length(length) {}
  ConstChBuf(const ConstChBuf&) = default;
  ConstChBuf& operator=(const ConstChBuf&) = default;

  unsigned m_length = 0;
};

class ChBuf : public ConstChBuf {
 public:
  virtual unsigned Capacity() const = 0;
  virtual char* WritableBuffer() = 0;

  unsigned headRoom() const { return Capacity() - m_length; }
  bool IsFull() const { return m_length >= Capacity(); }

  // Appends one character; false (and nothing changed) when full.
  bool Append(char c) {
    if (IsFull()) return false;
    char* p = WritableBuffer();
    p[m_length++] = c;
    p[m_length] = '\0';
    return true;
  }
  void Clear() {
    m_length = 0;
    WritableBuffer()[0] = '\0';
  }
  // Copies at most Capacity() characters of the text.
  void Assign(const char* text, size_t length) {
    const size_t n = length < Capacity() ? length : Capacity();
    char* p = WritableBuffer();
    std::memcpy(p, text, n);
    m_length = static_cast<unsigned>(n);
    p[m_length] = '\0';
  }
  void Assign(const std::string& text) { Assign(text.data(), text.size()); }
  void Assign(const ConstChBuf& text) { Assign(text.Buffer(), text.Length()); }

  // A writer that fills the storage directly marks the buffer while it does,
  // then sets the length it wrote.
  char* BeginFill() {
    m_marking = 1;
    return WritableBuffer();
  }
  void EndFill(unsigned length) {
    m_length = length < Capacity() ? length : Capacity();
    m_marking = 0;
    WritableBuffer()[m_length] = '\0';
  }
  bool IsBeingFilled() const { return m_marking != 0; }

 protected:
  ChBuf() = default;
  ChBuf(const ChBuf&) = default;
  ChBuf& operator=(const ChBuf&) = default;

  uint8_t m_marking = 0;
};

template <unsigned N>
class FixChBuf : public ChBuf {
 public:
  FixChBuf() = default;
  explicit FixChBuf(const char* text) { Assign(text, std::strlen(text)); }
  // Copies the whole storage, also what lies behind the NUL.
  FixChBuf(const FixChBuf&) = default;
  FixChBuf& operator=(const FixChBuf&) = default;

  const char* Buffer() const override { return m_data; }
  unsigned Capacity() const override { return N; }
  char* WritableBuffer() override { return m_data; }

 private:
  char m_data[N + 1] = {};
};

// A view of characters that the caller owns; copies never copy the text.
class ChBufWrapper : public ConstChBuf {
 public:
  ChBufWrapper(const char* text, unsigned length) : ConstChBuf(length), m_text(text) {}
  explicit ChBufWrapper(const char* text) : ChBufWrapper(text, static_cast<unsigned>(std::strlen(text))) {}
  const char* Buffer() const override { return m_text; }

 private:
  const char* m_text;
};
