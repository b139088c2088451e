#include "DataLinkRS232.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "Exceptions.h"
#include "Rs232Trace.h"

namespace {

// The unit named in the link's system errors.
const char kUnit[] = "Communication/GeneralCom/datalinkrs232";

const char kProbe[] = "SE? USER_L\n";
const char kReadError[] = "Error while reading from communication port";
const char kWriteError[] = "Error while writing to communication port";
const char kClearError[] = "Unable to clear communication error";
const char kSetParams[] = "Unable to set communication parameters";

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void DataLinkRS232::RememberRequest(const ConstChBuf& data) {
  std::lock_guard<std::mutex> lock(m_lastMutex);
  m_lastRequest.assign(data.Buffer(), data.Length() < 255 ? data.Length() : 255);
}

std::string DataLinkRS232::LastRequest() const {
  std::lock_guard<std::mutex> lock(m_lastMutex);
  return m_lastRequest;
}

DataLinkRS232::DataLinkRS232(const LinkOptions& options) { SetOptions(options); }

void DataLinkRS232::SetOptions(const LinkOptions& options) {
  {
    std::lock_guard<std::mutex> lock(m_openMutex);
    m_options = options;
  }
  m_dcb.outxCtsFlow = options.ctsFlow;
  ApplySettings();
}

void DataLinkRS232::SetCheckModem(bool on) {
  std::lock_guard<std::mutex> lock(m_openMutex);
  m_options.checkModem = on;
}

void DataLinkRS232::TraceLog(const std::string& text) const { Rs232DebugLog(m_options.trace, text); }

void DataLinkRS232::TraceData(const char* tag, const char* data, size_t length) const {
  if (m_options.trace != nullptr) m_options.trace->Data(tag, data, length);
}

DataLinkRS232::~DataLinkRS232() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report a failed close; the descriptor is gone either way.
  }
}

int DataLinkRS232::ReadTotal(unsigned count) const {
  return static_cast<int>(m_timeouts.readTotalConstant + m_timeouts.readTotalMultiplier * count);
}

int DataLinkRS232::WriteTotal(unsigned count) const {
  return static_cast<int>(m_timeouts.writeTotalConstant + m_timeouts.writeTotalMultiplier * count);
}

void DataLinkRS232::ApplyState(unsigned multiplierBase) {
  if (m_dcb.baudRate == 0) throw Win32Error(kUnit, __LINE__, kSetParams, EINVAL);
  m_timeouts.readInterval = static_cast<unsigned>(m_timings.readIntervalMs);
  m_timeouts.readTotalMultiplier = multiplierBase / m_dcb.baudRate;
  m_timeouts.writeTotalMultiplier = multiplierBase / m_dcb.baudRate;
  if (const int err = m_port.Apply(PortSettings())) throw Win32Error(kUnit, __LINE__, kSetParams, static_cast<uint32_t>(err));
  // The time-outs are kept here and applied by every read and write.
}

platform::SerialSettings DataLinkRS232::PortSettings() const {
  platform::SerialSettings s;
  s.baudRate = m_dcb.baudRate;
  s.dataBits = m_dcb.byteSize;
  s.parity = m_dcb.parity;
  s.twoStopBits = m_dcb.stopBits != 0;
  s.ctsFlow = m_dcb.outxCtsFlow;
  return s;
}

void DataLinkRS232::ApplySettings() {
  if (!isOpen()) return;
  ApplyState(10000);
}

void DataLinkRS232::CloseHandle() { m_port.Close(); }

void DataLinkRS232::CheckLineErrors(const char* caption) {
  platform::LineErrors errors;
  bool known = false;
  if (const int err = m_port.TakeLineErrors(&errors, &known)) {
    throw Win32Error(kUnit, __LINE__, kClearError, static_cast<uint32_t>(err));
  }
  if (known && errors.Any()) {
    const std::string detail =
        std::string(caption) + ": before THROW_RS232EXCEPT(Rs232Exception::commError..";
    TraceLog(detail + "\n");
    throw Rs232Exception(CommException::read, this, Rs232Exception::commError, detail);
  }
}

void DataLinkRS232::Open() {
  std::lock_guard<std::mutex> lock(m_openMutex);
  OpenLocked();
}

void DataLinkRS232::OpenLocked() {
  const std::string path = platform::SerialPortPath(m_portIndex);
  if (path.empty())
    throw Rs232Exception(CommException::open, this, Rs232Exception::commError,
                         platform::SerialPortName(m_portIndex) + ": no device for it");
  if (const int err = m_port.Open(path))
    throw Rs232Exception(CommException::open, this, Rs232Exception::commError, path + ": " + std::strerror(err));

  unsigned status = 0;
  bool known = false;
  if (const int err = m_port.GetModemStatus(&status, &known)) {
    TraceLog("Error exit 2\n");
    CloseHandle();
    throw Win32Error(kUnit, __LINE__, "Unable to get modem status", static_cast<uint32_t>(err));
  }
  // A pseudo-terminal cannot tell its modem lines: unknown passes the check.
  if (m_options.checkModem && known && status == 0) {
    CloseHandle();
    throw Rs232Exception(CommException::open, this, Rs232Exception::commError,
                         path + ": every modem line is off (nothing connected)");
  }
  // Where the port's queues were sized: the device must take the line
  // settings of a terminal, and input from before this open is dropped.
  if (const int err = m_port.Apply(PortSettings())) {
    TraceLog("Error exit 4\n");
    CloseHandle();
    throw Win32Error(kUnit, __LINE__, "Unable to initialize communication port", static_cast<uint32_t>(err));
  }
  m_port.DiscardInput();

  try {
    if (m_options.probe && !std::exchange(m_probed, true)) {
      try {
        ApplyState(2000);
      } catch (const Win32Error&) {
        TraceLog("Error exit 4b\n");
        throw;
      }
      const ChBufWrapper request(kProbe);
      const long sent = m_port.Write(request.Buffer(), request.Length(), WriteTotal(request.Length()));
      if (sent < 0) throw Win32Error(kUnit, __LINE__, kWriteError, static_cast<uint32_t>(-sent));
      // A port that takes nothing in time has no monitor behind it.
      if (sent == 0) throw Rs232Exception(CommException::write, this, Rs232Exception::tout);

      SleepMs(m_timings.probeReplyWaitMs);
      char reply[101];
      const long got = m_port.Read(reply, 100, static_cast<int>(m_timeouts.readInterval), ReadTotal(100));
      if (got < 0) {
        TraceLog("Error exit 6\n");
        throw Win32Error(kUnit, __LINE__, kReadError, static_cast<uint32_t>(-got));
      }
      try {
        CheckLineErrors("DataLinkRS232::read");
      } catch (const Win32Error&) {
        TraceLog("Error exit 7\n");
        throw;
      } catch (const Rs232Exception&) {
        TraceLog("Error exit 8\n");
        throw;
      }
      if (got == 0) throw Rs232Exception(CommException::read, this, Rs232Exception::commError);
      if (reply[0] != '1' && reply[0] != '2' && reply[0] != '3') {
        TraceLog("Error exit 10\n");
        throw Rs232Exception(CommException::read, this, Rs232Exception::commError);
      }
      SleepMs(m_timings.probeSettleMs);
    }
    m_state |= 1;
    ApplySettings();
  } catch (...) {
    m_state &= static_cast<unsigned char>(~1u);
    CloseHandle();
    throw;
  }
}

void DataLinkRS232::Close() {
  std::lock_guard<std::mutex> lock(m_openMutex);
  CloseLocked();
}

void DataLinkRS232::CloseLocked() {
  if (!isOpen()) return;
  m_state &= static_cast<unsigned char>(~1u);
  if (const int err = m_port.Close())
    throw Win32Error(kUnit, __LINE__, "Error on communication port close", static_cast<uint32_t>(err));
}

void DataLinkRS232::Read(ChBuf& buffer) {
  char* storage = buffer.BeginFill();
  const long got = m_port.Read(storage, buffer.Capacity(), static_cast<int>(m_timeouts.readInterval),
                               ReadTotal(buffer.Capacity()));
  buffer.EndFill(got > 0 ? static_cast<unsigned>(got) : 0);
  if (got < 0) throw Win32Error(kUnit, __LINE__, kReadError, static_cast<uint32_t>(-got));
  CheckLineErrors("DataLinkRS232::read");
  if (got > 0) {
    TraceData("read", buffer.Buffer(), buffer.Length());
    return;
  }
  // Nothing in time: start the port afresh and ask again, unless another
  // thread closed the link meanwhile.
  m_events.readTimeout = true;
  std::lock_guard<std::mutex> lock(m_openMutex);
  if (!isOpen()) throw Win32Error(kUnit, __LINE__, kReadError, ECANCELED);
  CloseLocked();
  OpenLocked();
  const std::string last = LastRequest();
  m_port.Write(last.data(), last.size(), WriteTotal(static_cast<unsigned>(last.size())));
}

unsigned DataLinkRS232::ReadDirect(char* buffer, unsigned size, int totalMs) {
  const int total = totalMs >= 0 ? std::min(totalMs, ReadTotal(size)) : ReadTotal(size);
  const long got = m_port.Read(buffer, size, static_cast<int>(m_timeouts.readInterval), total);
  if (got < 0) throw Win32Error(kUnit, __LINE__, kReadError, static_cast<uint32_t>(-got));
  if (got > 0) TraceData("read", buffer, static_cast<size_t>(got));
  return static_cast<unsigned>(got);
}

void DataLinkRS232::DiscardInput() {
  if (!isOpen()) return;
  m_port.DiscardInput();
  char sink[160];
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_timings.discardLimitMs);
  while (std::chrono::steady_clock::now() < until) {
    const long got = m_port.Read(sink, sizeof sink, 0, m_timings.readIntervalMs);
    if (got <= 0) break;
    TraceData("read", sink, static_cast<size_t>(got));
  }
}

unsigned DataLinkRS232::Write(const ConstChBuf& data) {
  RememberRequest(data);
  TraceData("write", data.Buffer(), data.Length());
  for (int stalls = 0;; ++stalls) {
    const long sent = m_port.Write(data.Buffer(), data.Length(), WriteTotal(data.Length()));
    if (sent > 0) return static_cast<unsigned>(sent);
    if (sent < 0) {
      TraceLog(std::string("DataLinkRS232::write: ") + kWriteError + "\n");
      throw Win32Error(kUnit, __LINE__, kWriteError, static_cast<uint32_t>(-sent));
    }
    // Nothing went out in time (or there was nothing to send).
    if (data.Length() == 0) return 0;
    m_events.writeStall = true;
    if (stalls >= m_timings.writeRetries) {
      const std::string detail = "DataLinkRS232::write: before THROW_RS232EXCEPT(Rs232Exception::tout,..";
      TraceLog(detail + "\n");
      throw Rs232Exception(CommException::write, this, Rs232Exception::tout, detail);
    }
  }
}

void DataLinkRS232::SetBaudRate(unsigned rate) {
  m_dcb.baudRate = rate;
  ApplySettings();
}

void DataLinkRS232::SetByteSize(int bits) {
  m_dcb.byteSize = bits;
  ApplySettings();
}

void DataLinkRS232::SetParity(int code) {
  m_dcb.parity = code;
  ApplySettings();
}

void DataLinkRS232::SetStopBits(int count) {
  m_dcb.stopBits = count == 1 ? 0 : 2;
  ApplySettings();
}

void DataLinkRS232::SetTimeouts(unsigned readTotalConstant, unsigned writeTotalConstant) {
  m_timeouts.readTotalConstant = readTotalConstant;
  m_timeouts.writeTotalConstant = writeTotalConstant;
  ApplySettings();
}
