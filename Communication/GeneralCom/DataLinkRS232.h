#pragma once
// The RS-232 link to the monitor over one serial port: fixed settings, a
// probe of the monitor at its first open, block reads and writes with
// time-outs, and the trace of all traffic. Its options, what it noticed and
// its last request are its own: links in one process do not share them.
#include <atomic>
#include <mutex>
#include <string>

#include "ChBuf.h"
#include "serial/SerialPort.h"

class Rs232Trace;

// What the program chooses for its link.
struct LinkOptions {
  // The command line's compatibility flag: output waits for CTS.
  bool ctsFlow = false;
  // An open fails while the port reports every modem line off.
  bool checkModem = false;
  // The link's first open asks the monitor for its user level.
  bool probe = true;
  // Where the traffic goes; none: it is not traced.
  Rs232Trace* trace = nullptr;
};

// What the link noticed for the sample parser, which takes it.
struct LinkEvents {
  std::atomic<bool> readTimeout{false};  // a read got nothing
  std::atomic<bool> writeStall{false};   // a write sent nothing
};

// Durations and limits that the monitor does not fix; tests shorten them.
struct LinkTimings {
  int readIntervalMs = 100;      // the gap that ends a read after its first byte
  int probeReplyWaitMs = 500;    // from the probe to reading its reply
  int probeSettleMs = 2000;      // after the probe's reply
  int writeRetries = 3;          // repeats of a write that sent nothing
  int discardLimitMs = 1000;     // longest a discard of stale input waits
};

// The framing the port is set to (what a Windows device-control block held
// of it).
struct SerialControlBlock {
  unsigned baudRate = 9600;
  int byteSize = 8;
  int parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stopBits = 0;   // 0 one stop bit, 2 two
  bool outxCtsFlow = false;
};

struct SerialTimeouts {
  unsigned readInterval = 100;
  unsigned readTotalMultiplier = 0;  // milliseconds per character
  unsigned readTotalConstant = 10000;
  unsigned writeTotalMultiplier = 0;
  unsigned writeTotalConstant = 10000;
};

class DataLinkRS232 {
 public:
  explicit DataLinkRS232(const LinkOptions& options = LinkOptions());
  virtual ~DataLinkRS232();
  DataLinkRS232(const DataLinkRS232&) = delete;
  DataLinkRS232& operator=(const DataLinkRS232&) = delete;

  void Open();
  // May come from another thread while a read waits: the read then ends
  // with an error instead of waiting out its time-out.
  void Close();
  // One read of at most the buffer's capacity. When nothing comes in time the
  // port is opened again, the last request is sent again and the buffer is
  // returned empty.
  void Read(ChBuf& buffer);
  unsigned Write(const ConstChBuf& data);
  // One read straight from the port, without the re-send on a time-out; with
  // totalMs, it ends then at the latest.
  unsigned ReadDirect(char* buffer, unsigned size, int totalMs = -1);
  // Drops input that nobody asked for: what is queued and what follows
  // without a pause.
  void DiscardInput();
  bool isOpen() const { return (m_state & 1) != 0; }

  void SetBaudRate(unsigned rate);
  void SetByteSize(int bits);
  void SetParity(int code);    // 2 is even
  void SetStopBits(int count);  // 1 is one stop bit, any other value two
  void SetTimeouts(unsigned readTotalConstant, unsigned writeTotalConstant);
  // "COM1" to "COM4" as 0 to 3; takes effect at the next open.
  void SetPort(unsigned index) { m_portIndex = index; }
  unsigned GetPort() const { return m_portIndex; }

  void SetTimings(const LinkTimings& timings) { m_timings = timings; }
  const LinkTimings& GetTimings() const { return m_timings; }
  const SerialControlBlock& GetControlBlock() const { return m_dcb; }
  const SerialTimeouts& GetTimeouts() const { return m_timeouts; }

  // Before the link opens; the probe of a link that has opened once stays done.
  void SetOptions(const LinkOptions& options);
  const LinkOptions& GetOptions() const { return m_options; }
  // Also while the worker uses the link (the start-up's check ends).
  void SetCheckModem(bool on);
  Rs232Trace* Trace() const { return m_options.trace; }
  LinkEvents& Events() { return m_events; }

  // The last request this link wrote.
  std::string LastRequest() const;

 private:
  platform::SerialSettings PortSettings() const;
  void ApplySettings();
  void ApplyState(unsigned multiplierBase);
  void CloseHandle();
  void OpenLocked();
  void CloseLocked();
  int ReadTotal(unsigned count) const;
  int WriteTotal(unsigned count) const;
  void CheckLineErrors(const char* caption);
  void RememberRequest(const ConstChBuf& data);
  void TraceLog(const std::string& text) const;
  void TraceData(const char* tag, const char* data, size_t length) const;

  platform::SerialPort m_port;
  SerialControlBlock m_dcb;
  SerialTimeouts m_timeouts;
  unsigned m_portIndex = 0;
  std::atomic<unsigned char> m_state{0};
  std::mutex m_openMutex;  // a close from another thread against the read's re-open
  LinkTimings m_timings;
  LinkOptions m_options;   // checkModem under the open mutex
  bool m_probed = false;   // under the open mutex
  LinkEvents m_events;
  mutable std::mutex m_lastMutex;
  std::string m_lastRequest;  // at most 255 characters
};
