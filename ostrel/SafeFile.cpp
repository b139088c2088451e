#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "BackupStrings.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

constexpr size_t kBufferSize = 1 << 20;
// File error texts are cut as the user's message buffer was.
constexpr size_t kMaxErrorText = 99;

bool FileSize(const std::string& path, uint64_t* size) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

}  // namespace

SafeFile::SafeFile(SpaceControl& space) : m_space(space) {}

SafeFile::~SafeFile() {
  if (m_out) std::fclose(m_out);
  if (m_in >= 0) ::close(m_in);
}

std::string SafeFile::VolumeName(const std::string& name, int volume) {
  if (volume <= 1) return name;
  std::string base = name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
  return base + platform::Format(".%03d", volume);
}

void SafeFile::ReportError(unsigned id, const std::string& path, int error) {
  std::string text = platform::Format(platform::LoadString(id).c_str(), path.c_str(),
                                      error ? std::strerror(error) : "");
  // A long path gives way, so the reason after it is read whole.
  text = platform::FitByShortening(text, path, kMaxErrorText);
  m_lastError = text;
  platform::MessageBox(text, platform::MB_OK | platform::MB_ICONERROR);
}

bool SafeFile::OpenWrite(const std::string& name) {
  if (m_open) Close();
  m_baseName = m_name = name;
  m_volume = 1;
  m_writing = true;
  return OpenWriteVolume();
}

bool SafeFile::OpenWriteVolume() {
  std::string dir = m_space.GetDirectory();
  uint64_t counted = 0;
  for (;;) {
    if (dir.empty()) return false;  // the prompt for the first disk was cancelled
    std::string path = JoinPath(dir, m_name);
    uint64_t size = 0;
    if (!FileSize(path, &size)) break;
    int answer = platform::MessageBox(path + platform::LoadString(IDS_FILE_EXISTS), platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer == platform::IDYES) {
      counted = size;  // truncating it frees its bytes
      break;
    }
    std::string other;
    if (!SpaceControl::AskDirectory(SpaceControl::DiskPrompt(m_space.GetDiskNumber()), dir, &other)) return false;
    dir = other;
    m_space.SetDirectory(dir);
  }
  std::string path = JoinPath(dir, m_name);
  uint64_t free = 0;
  if (!m_space.FreeBytes(dir, &free)) {
    ReportError(IDS_FILE_OPEN_ERROR, path, errno);
    return false;
  }
  m_out = std::fopen(path.c_str(), "wb");
  if (!m_out) {
    ReportError(IDS_FILE_OPEN_ERROR, path, errno);
    return false;
  }
  m_outBuffer.resize(kBufferSize);
  std::setvbuf(m_out, m_outBuffer.data(), _IOFBF, m_outBuffer.size());
  m_remaining = static_cast<int64_t>(counted + free) - 1;
  m_directory = dir;
  m_lines = 0;
  m_open = true;
  return true;
}

bool SafeFile::NextWriteVolume() {
  if (!CloseVolume()) return false;
  m_space.NextDisk();
  m_name = VolumeName(m_baseName, ++m_volume);
  return OpenWriteVolume();
}

bool SafeFile::WriteLine(std::string_view text) {
  if (!m_open || !m_writing) return false;
  // The line feed counts once here; its carriage return is the reserve that
  // the free space was reduced by. A line that takes the last byte still fits.
  const int64_t length = static_cast<int64_t>(text.size()) + 1;
  while (length > m_remaining) {
    if (!NextWriteVolume()) return false;
    // A fresh volume may be too small as well: ask for another disk, unless the
    // user declined to change it, which would ask again for ever.
    if (length > m_remaining && m_space.LastPromptCancelled()) {
      ReportError(IDS_LINE_DOES_NOT_FIT, m_directory, 0);
      CloseVolume();
      return false;
    }
  }
  static const char kEnd[2] = {'\r', '\n'};
  if (std::fwrite(text.data(), 1, text.size(), m_out) != text.size() || std::fwrite(kEnd, 1, 2, m_out) != 2) {
    ReportError(IDS_FILE_WRITE_ERROR, JoinPath(m_directory, m_name), errno);
    std::fclose(m_out);
    m_out = nullptr;
    m_open = false;
    return false;
  }
  m_remaining -= length + 1;
  ++m_lines;
  return true;
}

bool SafeFile::OpenRead(const std::string& path) {
  if (m_open) Close();
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  m_baseName = m_name = slash == std::string::npos ? path : path.substr(slash + 1);
  m_volume = 1;
  m_writing = false;
  if (OpenReadVolume(dir)) return true;
  ReportError(IDS_FILE_OPEN_ERROR, path, errno);
  return false;
}

bool SafeFile::OpenReadVolume(const std::string& dir) {
  std::string path = dir.empty() ? m_name : JoinPath(dir, m_name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  int error = 0;
  if (fstat(fd, &st) != 0)
    error = errno;
  else if (!S_ISREG(st.st_mode))
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (error) {
    ::close(fd);
    errno = error;
    return false;
  }
  m_in = fd;
  m_inBuffer.resize(kBufferSize);
  m_inPos = m_inEnd = 0;
  m_inEof = false;
  m_remaining = static_cast<int64_t>(st.st_size);
  m_directory = dir;
  m_lines = 0;
  m_open = true;
  return true;
}

bool SafeFile::NextReadVolume() {
  CloseVolume();
  m_name = VolumeName(m_baseName, ++m_volume);
  for (;;) {
    std::string dir;
    if (!SpaceControl::AskDirectory(SpaceControl::DiskPrompt(m_volume), m_directory, &dir)) return false;
    if (OpenReadVolume(dir)) return true;
    ReportError(IDS_FILE_OPEN_ERROR, JoinPath(dir, m_name), errno);
  }
}

bool SafeFile::FillBuffer() {
  if (m_inPos > 0) {
    std::memmove(m_inBuffer.data(), m_inBuffer.data() + m_inPos, m_inEnd - m_inPos);
    m_inEnd -= m_inPos;
    m_inPos = 0;
  }
  if (m_inEnd == m_inBuffer.size()) m_inBuffer.resize(m_inBuffer.size() * 2);
  ssize_t n;
  do {
    n = ::read(m_in, m_inBuffer.data() + m_inEnd, m_inBuffer.size() - m_inEnd);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    ReportError(IDS_FILE_READ_ERROR, JoinPath(m_directory, m_name), errno);
    return false;
  }
  if (n == 0) m_inEof = true;
  m_inEnd += static_cast<size_t>(n);
  return true;
}

bool SafeFile::ReadLine(std::string* line) {
  if (!m_open || m_writing) return false;
  // The volume's length says where its lines end; an empty volume (its first
  // line did not fit when it was written) is simply passed over.
  while (m_remaining <= 0) {
    if (!NextReadVolume()) return false;
  }
  for (;;) {
    const char* begin = m_inBuffer.data() + m_inPos;
    const void* lf = std::memchr(begin, '\n', m_inEnd - m_inPos);
    if (lf || (m_inEof && m_inEnd > m_inPos)) {
      size_t length = lf ? static_cast<const char*>(lf) - begin : m_inEnd - m_inPos;
      size_t consumed = lf ? length + 1 : length;
      if (length > 0 && begin[length - 1] == '\r') --length;
      line->assign(begin, length);
      m_inPos += consumed;
      m_remaining -= static_cast<int64_t>(consumed);
      ++m_lines;
      return true;
    }
    if (m_inEof) {
      // The volume is shorter than it was when opened.
      ReportError(IDS_FILE_TRUNCATED, JoinPath(m_directory, m_name), 0);
      CloseVolume();
      return false;
    }
    if (!FillBuffer()) {
      CloseVolume();
      return false;
    }
  }
}

bool SafeFile::CloseVolume() {
  bool ok = true;
  if (m_out) {
    bool failed = std::fflush(m_out) != 0 || std::ferror(m_out);
    int error = errno;
    if (std::fclose(m_out) != 0 && !failed) {
      failed = true;
      error = errno;
    }
    m_out = nullptr;
    if (failed) {
      ReportError(IDS_FILE_WRITE_ERROR, JoinPath(m_directory, m_name), error);
      ok = false;
    }
  }
  if (m_in >= 0) {
    ::close(m_in);
    m_in = -1;
  }
  m_open = false;
  return ok;
}

bool SafeFile::Close() { return CloseVolume(); }
