#include "SerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace platform {

// --- port names ---

namespace {
std::mutex g_pathsMutex;
std::string g_overrides[kSerialPortCount];
}  // namespace

std::string SerialPortName(unsigned index) { return "COM" + std::to_string(index + 1); }

std::string SerialPortPath(unsigned index) {
  if (index >= kSerialPortCount) return std::string();
  {
    std::lock_guard<std::mutex> lock(g_pathsMutex);
    if (!g_overrides[index].empty()) return g_overrides[index];
  }
  const std::string var = "KOVO_" + SerialPortName(index);
  if (const char* env = std::getenv(var.c_str()); env && *env) return env;
  return "/dev/ttyS" + std::to_string(index);
}

void SetSerialPortPath(unsigned index, const std::string& path) {
  if (index >= kSerialPortCount) return;
  std::lock_guard<std::mutex> lock(g_pathsMutex);
  g_overrides[index] = path;
}

// --- the port ---

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool SpeedOf(unsigned baud, speed_t* speed) {
  static const struct {
    unsigned baud;
    speed_t speed;
  } kSpeeds[] = {{300, B300},     {600, B600},     {1200, B1200},     {2400, B2400},   {4800, B4800},
                 {9600, B9600},   {19200, B19200}, {38400, B38400},   {57600, B57600}, {115200, B115200},
                 {230400, B230400}};
  for (const auto& s : kSpeeds) {
    if (s.baud == baud) {
      *speed = s.speed;
      return true;
    }
  }
  return false;
}

bool SameBeyondFraming(const termios& a, const termios& b) {
  const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR;
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
         (a.c_cflag & ~framing) == (b.c_cflag & ~framing) && cfgetispeed(&a) == cfgetispeed(&b) &&
         cfgetospeed(&a) == cfgetospeed(&b);
}

// The answer of a device that cannot do what an ioctl asks.
bool Unsupported(int err) { return err == ENOTTY || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }

}  // namespace

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_fd >= 0;
}

int SerialPort::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_fd >= 0) return EBUSY;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  // No sharing, as a serial port is used by one program at a time.
  if (::ioctl(fd, TIOCEXCL) != 0 && !Unsupported(errno)) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake < 0) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  m_fd = fd;
  m_wake = wake;
  m_haveCounts = false;
  return 0;
}

int SerialPort::Close() {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_fd < 0) return 0;
  m_closing = true;
  const uint64_t one = 1;
  if (::write(m_wake, &one, sizeof one) < 0) {
    // The counter cannot overflow from one write; nothing else can fail here.
  }
  m_idle.wait(lock, [this] { return m_busy == 0; });
  // Give up the exclusive use before the last close, so a terminal that
  // another process still holds open can be opened again.
  ::ioctl(m_fd, TIOCNXCL);
  const int rc = ::close(m_fd);
  const int err = rc == 0 ? 0 : errno;
  ::close(m_wake);
  m_fd = -1;
  m_wake = -1;
  m_closing = false;
  return err;
}

bool SerialPort::Enter() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_fd < 0 || m_closing) return false;
  ++m_busy;
  return true;
}

void SerialPort::Leave() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (--m_busy == 0) m_idle.notify_all();
}

int SerialPort::Apply(const SerialSettings& s) {
  if (!Enter()) return EBADF;
  struct Guard {
    SerialPort* p;
    ~Guard() { p->Leave(); }
  } guard{this};

  termios t{};
  if (::tcgetattr(m_fd, &t) != 0) return errno;
  speed_t speed;
  if (!SpeedOf(s.baudRate, &speed) || s.dataBits < 5 || s.dataBits > 8 || s.parity < 0 || s.parity > 4)
    return EINVAL;

  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                      IXOFF | IXANY | INPCK | IGNPAR);
  if (s.parity != 0) t.c_iflag |= INPCK;
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[s.dataBits - 5] | CREAD | CLOCAL;
  switch (s.parity) {
    case 1:
      t.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      t.c_cflag |= PARENB;
      break;
    case 3:
      t.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case 4:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (s.twoStopBits) t.c_cflag |= CSTOPB;
  if (s.ctsFlow) t.c_cflag |= CRTSCTS;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return errno;
  if (::tcsetattr(m_fd, TCSANOW, &t) != 0) {
    const int err = errno;
    // A pseudo-terminal always carries eight bits without parity; the C
    // library reports a request that changes nothing else as invalid.
    termios now{};
    if (err == EINVAL && ::tcgetattr(m_fd, &now) == 0 && SameBeyondFraming(now, t)) return 0;
    return err;
  }
  return 0;
}

int SerialPort::GetModemStatus(unsigned* status, bool* known) {
  *status = 0;
  *known = false;
  if (!Enter()) return EBADF;
  int bits = 0;
  const int rc = ::ioctl(m_fd, TIOCMGET, &bits);
  const int err = rc == 0 ? 0 : errno;
  Leave();
  if (err != 0) return Unsupported(err) ? 0 : err;
  *known = true;
  if (bits & TIOCM_CTS) *status |= kModemCts;
  if (bits & TIOCM_DSR) *status |= kModemDsr;
  if (bits & TIOCM_RNG) *status |= kModemRing;
  if (bits & TIOCM_CAR) *status |= kModemCd;
  return 0;
}

int SerialPort::TakeLineErrors(LineErrors* errors, bool* known) {
  *errors = LineErrors();
  *known = false;
  if (!Enter()) return EBADF;
  serial_icounter_struct c{};
  const int rc = ::ioctl(m_fd, TIOCGICOUNT, &c);
  const int err = rc == 0 ? 0 : errno;
  Leave();
  if (err != 0) return Unsupported(err) ? 0 : err;
  const LineErrors now{static_cast<unsigned>(c.frame), static_cast<unsigned>(c.parity),
                       static_cast<unsigned>(c.overrun), static_cast<unsigned>(c.buf_overrun),
                       static_cast<unsigned>(c.brk)};
  if (m_haveCounts) {
    errors->frame = now.frame - m_lastCounts.frame;
    errors->parity = now.parity - m_lastCounts.parity;
    errors->overrun = now.overrun - m_lastCounts.overrun;
    errors->bufferOverrun = now.bufferOverrun - m_lastCounts.bufferOverrun;
    errors->brk = now.brk - m_lastCounts.brk;
  }
  m_lastCounts = now;
  m_haveCounts = true;
  *known = true;
  return 0;
}

int SerialPort::Wait(short events, int ms, short* revents) {
  for (;;) {
    pollfd fds[2] = {{m_fd, events, 0}, {m_wake, POLLIN, 0}};
    const int n = ::poll(fds, 2, ms);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -errno;
    if (fds[1].revents) return -ECANCELED;
    *revents = fds[0].revents;
    return n > 0 ? 1 : 0;
  }
}

long SerialPort::Read(void* buffer, size_t size, int intervalMs, int totalMs) {
  if (!Enter()) return -EBADF;
  char* out = static_cast<char*>(buffer);
  size_t got = 0;
  long result = 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs > 0 ? totalMs : 0);
  while (got < size) {
    int wait = MsLeft(deadline);
    if (got > 0 && intervalMs < wait) wait = intervalMs;
    short revents = 0;
    const int ready = Wait(POLLIN, wait, &revents);
    if (ready <= 0) {
      result = ready;  // 0: the gap after a byte, or the deadline
      break;
    }
    const ssize_t r = ::read(m_fd, out + got, size - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    // End of file or an error: the line was dropped.
    result = r == 0 ? -EIO : -errno;
    break;
  }
  Leave();
  if (result < 0 && !(result == -EIO && got > 0)) return result;
  return static_cast<long>(got);
}

long SerialPort::Write(const void* data, size_t size, int totalMs) {
  if (!Enter()) return -EBADF;
  const char* in = static_cast<const char*>(data);
  size_t done = 0;
  long result = 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs > 0 ? totalMs : 0);
  while (done < size) {
    const ssize_t w = ::write(m_fd, in + done, size - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) {
      result = -errno;
      break;
    }
    short revents = 0;
    const int ready = Wait(POLLOUT, MsLeft(deadline), &revents);
    if (ready <= 0) {
      result = ready;
      break;
    }
    if (revents & (POLLERR | POLLHUP)) {
      result = -EIO;
      break;
    }
  }
  Leave();
  return result < 0 ? result : static_cast<long>(done);
}

int SerialPort::DiscardInput() {
  if (!Enter()) return EBADF;
  const int rc = ::tcflush(m_fd, TCIFLUSH);
  const int err = rc == 0 ? 0 : errno;
  Leave();
  return err;
}

}  // namespace platform
