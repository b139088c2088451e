#pragma once
// The transport connection, and the request sink and reply source that the
// command language writes to and reads from.
#include <cstddef>
#include <string>

#include "ChBuf.h"

class DataLinkRS232;
class Rs232Trace;
struct LinkEvents;

class TransConn {
 public:
  virtual ~TransConn() = default;
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual void Read(ChBuf& buffer) = 0;
  virtual unsigned Write(const ConstChBuf& data) = 0;
  // Drops input that arrived unasked; a connection without a queue has none.
  virtual void DiscardInput() {}
  // The link's trace and what it noticed; a connection without a link has
  // neither.
  virtual Rs232Trace* Trace() const { return nullptr; }
  virtual LinkEvents* Events() { return nullptr; }
};

class TransConnRS232 : public TransConn {
 public:
  explicit TransConnRS232(DataLinkRS232* link) : m_link(link) {}
  void Open() override;
  void Close() override;
  void Read(ChBuf& buffer) override;
  unsigned Write(const ConstChBuf& data) override;
  void DiscardInput() override;
  Rs232Trace* Trace() const override;
  LinkEvents* Events() override;
  DataLinkRS232* GetLink() const { return m_link; }

 private:
  DataLinkRS232* m_link;
};

class DataSink {
 public:
  virtual ~DataSink() = default;
  virtual void Put(char c) = 0;
  virtual void Flush() = 0;
};

// Sends in blocks of up to 160 characters.
class DataSinkTC : public DataSink {
 public:
  explicit DataSinkTC(TransConn* conn) : m_conn(conn) {}
  void Put(char c) override;
  // Sends every buffered character; the buffer is empty afterwards, also when
  // the connection failed.
  void Flush() override;

 private:
  TransConn* m_conn;
  FixChBuf<160> m_buffer;
};

class DataSrc {
 public:
  virtual ~DataSrc() = default;
  virtual char Peek() = 0;
  virtual void Advance() = 0;
  // Where the parsers' messages go; none for a text in memory.
  virtual Rs232Trace* Trace() const { return nullptr; }
};

// Hands out the replies' characters one by one, refilling from the connection.
class DataSrcTC : public DataSrc {
 public:
  // Three empty reads in a row (each the link's whole read time-out and a
  // re-sent request) mean the monitor is not answering.
  static constexpr int kDefaultEmptyReadLimit = 3;

  explicit DataSrcTC(TransConn* conn) : m_conn(conn) {}
  char Peek() override;
  void Advance() override { ++m_pos; }
  // Forgets what is buffered and what the connection holds unread, so a
  // failed reply cannot run into the next one.
  void Discard();
  void SetEmptyReadLimit(int reads) { m_emptyReadLimit = reads > 0 ? reads : 1; }
  Rs232Trace* Trace() const override { return m_conn->Trace(); }

 private:
  TransConn* m_conn;
  FixChBuf<160> m_buffer;
  unsigned m_pos = 0;
  int m_emptyReadLimit = kDefaultEmptyReadLimit;
};

// A reply source over a text held in memory; past its end it yields NUL,
// which every reader takes as the end of its field.
class DataSrcText : public DataSrc {
 public:
  DataSrcText(const char* data, size_t length) : m_data(data), m_length(length) {}
  explicit DataSrcText(const std::string& text) : DataSrcText(text.data(), text.size()) {}
  char Peek() override { return m_pos < m_length ? m_data[m_pos] : '\0'; }
  void Advance() override {
    if (m_pos < m_length) ++m_pos;
  }
  size_t Position() const { return m_pos; }

 private:
  const char* m_data;
  size_t m_length;
  size_t m_pos = 0;
};
