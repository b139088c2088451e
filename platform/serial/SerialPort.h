#pragma once
// A serial port on POSIX termios: raw mode, time-outs done with poll(), and
// reads and writes that another thread's Close interrupts, so closing never
// waits on a silent device.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

namespace platform {

// The ports "COM1" to "COM4" (index 0 to 3) stand for device paths: by
// default /dev/ttyS0 to /dev/ttyS3, overridden by $KOVO_COM1 to $KOVO_COM4,
// and those by SetSerialPortPath (a USB adapter, a pseudo-terminal).
constexpr unsigned kSerialPortCount = 4;
std::string SerialPortName(unsigned index);
// Empty for an index without a port.
std::string SerialPortPath(unsigned index);
// An empty path drops the override.
void SetSerialPortPath(unsigned index, const std::string& path);

struct SerialSettings {
  unsigned baudRate = 9600;
  int dataBits = 8;  // 5 to 8
  int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  bool twoStopBits = false;
  bool ctsFlow = false;  // hold output while CTS is off
};

// Modem input lines as a status word.
enum : unsigned { kModemCts = 0x10, kModemDsr = 0x20, kModemRing = 0x40, kModemCd = 0x80 };

struct LineErrors {
  unsigned frame = 0;
  unsigned parity = 0;
  unsigned overrun = 0;
  unsigned bufferOverrun = 0;
  unsigned brk = 0;
  bool Any() const { return frame || parity || overrun || bufferOverrun || brk; }
};

// Results are 0 or an errno value; Read and Write return a count or -errno.
class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens for exclusive use, without becoming the controlling terminal.
  int Open(const std::string& path);
  // Wakes a Read or Write that another thread is blocked in (it returns
  // -ECANCELED), waits for it to leave, then closes.
  int Close();
  bool IsOpen() const;

  // Raw mode with the given framing; also fails on anything that is not a
  // terminal.
  int Apply(const SerialSettings& settings);
  // *known is false where the device has no modem lines (a pseudo-terminal):
  // unknown is not the same as "all lines off".
  int GetModemStatus(unsigned* status, bool* known);
  // The line errors since the last call; *known is false where the driver
  // does not count them (pseudo-terminals, many USB adapters).
  int TakeLineErrors(LineErrors* errors, bool* known);

  // Ends on a full buffer, when intervalMs pass without a byte after the
  // first one, or at totalMs.
  long Read(void* buffer, size_t size, int intervalMs, int totalMs);
  // Returns what was written by totalMs; 0 when nothing could be.
  long Write(const void* data, size_t size, int totalMs);
  int DiscardInput();

 private:
  bool Enter();
  void Leave();
  // Polls the port for events and the wake-up for Close: 1 ready, 0 time
  // out, -ECANCELED closed, else -errno.
  int Wait(short events, int ms, short* revents);

  mutable std::mutex m_mutex;
  std::condition_variable m_idle;
  int m_fd = -1;
  int m_wake = -1;  // eventfd that Close signals
  int m_busy = 0;   // threads inside Read or Write
  bool m_closing = false;
  bool m_haveCounts = false;
  LineErrors m_lastCounts;
};

}  // namespace platform
