#include "db/FileClaim.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::db {

namespace {

bool Identify(const std::string& file, unsigned long long* device, unsigned long long* inode) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) return false;
  *device = st.st_dev;
  *inode = st.st_ino;
  return true;
}

}  // namespace

// Taken once the claim is held: nobody that respects it replaces the file
// in between.
FileClaim::FileClaim(std::string file, Kind kind, int fd) : m_file(std::move(file)), m_kind(kind), m_fd(fd) {
  m_fileKnown = Identify(m_file, &m_device, &m_inode);
}

bool FileClaim::FileIsGone() const {
  if (!m_fileKnown) return false;
  unsigned long long device = 0, inode = 0;
  if (!Identify(m_file, &device, &inode)) return errno == ENOENT || errno == ENOTDIR;
  return device != m_device || inode != m_inode;
}

std::string FileClaim::LockFile(const std::string& databaseFile) { return databaseFile + ".lock"; }

std::unique_ptr<FileClaim> FileClaim::Take(const std::string& databaseFile, Kind kind, std::string* why) {
  const std::string lock = LockFile(databaseFile);
  int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (kind == Kind::Use) return std::unique_ptr<FileClaim>(new FileClaim(databaseFile, kind, -1));
    if (why) *why = "Unable to claim " + databaseFile + ": " + lock + ": " + std::strerror(errno);
    return nullptr;
  }
  const int op = (kind == Kind::Use ? LOCK_SH : LOCK_EX) | LOCK_NB;
  int rc;
  do rc = ::flock(fd, op);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    if (why) {
      *why = err == EWOULDBLOCK ? databaseFile + " is in use by a program"
                                : "Unable to claim " + databaseFile + ": " + std::strerror(err);
    }
    return nullptr;
  }
  return std::unique_ptr<FileClaim>(new FileClaim(databaseFile, kind, fd));
}

bool FileClaim::InUse(const std::string& databaseFile) {
  const int fd = ::open(LockFile(databaseFile).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // releases the probe's own lock, if it got one
  return busy;
}

void FileClaim::RemoveLockFile() {
  if (m_kind == Kind::Sole && m_fd >= 0) ::unlink(LockFile(m_file).c_str());
}

FileClaim::~FileClaim() {
  if (m_fd >= 0) ::close(m_fd);
}

}  // namespace platform::db
