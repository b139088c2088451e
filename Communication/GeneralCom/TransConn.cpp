#include "TransConn.h"

#include "DataLinkRS232.h"
#include "Exceptions.h"

void TransConnRS232::Open() { m_link->Open(); }
void TransConnRS232::Close() { m_link->Close(); }
void TransConnRS232::Read(ChBuf& buffer) { m_link->Read(buffer); }
unsigned TransConnRS232::Write(const ConstChBuf& data) { return m_link->Write(data); }
void TransConnRS232::DiscardInput() { m_link->DiscardInput(); }
Rs232Trace* TransConnRS232::Trace() const { return m_link->Trace(); }
LinkEvents* TransConnRS232::Events() { return &m_link->Events(); }

void DataSinkTC::Put(char c) {
  if (m_buffer.IsFull()) Flush();
  m_buffer.Append(c);
}

void DataSinkTC::Flush() {
  try {
    // A write may take only part of the block; the rest must follow, or the
    // monitor would get a cut-off request.
    unsigned done = 0;
    while (done < m_buffer.Length()) {
      const ChBufWrapper rest(m_buffer.Buffer() + done, m_buffer.Length() - done);
      const unsigned sent = m_conn->Write(rest);
      if (sent == 0) break;
      done += sent;
    }
  } catch (...) {
    // Whatever the failure (a port error is a system error, not a
    // CommException), the request is gone: kept, it would go out again in
    // front of the next one.
    m_buffer.Clear();
    throw;
  }
  m_buffer.Clear();
}

char DataSrcTC::Peek() {
  int emptyReads = 0;
  while (m_pos >= m_buffer.Length()) {
    m_pos -= m_buffer.Length();
    m_conn->Read(m_buffer);
    if (m_buffer.Length() == 0 && ++emptyReads >= m_emptyReadLimit) {
      throw Rs232Exception(CommException::read, nullptr, Rs232Exception::tout);
    }
  }
  return m_buffer.Buffer()[m_pos];
}

void DataSrcTC::Discard() {
  m_buffer.Clear();
  m_pos = 0;
  m_conn->DiscardInput();
}
