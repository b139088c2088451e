#include "DiskReserve.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

bool DiskReserve::Hold(const std::string& folder, uint64_t bytes) {
  Release();
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // A file system without unnamed files: a named one, unlinked at once.
    std::string name = folder + "/.reserve-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
  }
  if (fd < 0) return false;
  if (::posix_fallocate(fd, 0, static_cast<off_t>(bytes)) != 0) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  return true;
}

void DiskReserve::Release() {
  if (m_fd < 0) return;
  ::close(m_fd);
  m_fd = -1;
}
