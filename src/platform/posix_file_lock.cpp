#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_lock.h"

namespace veil {

FileLock FileLock::Exclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileFailure("cannot open " + path + ": " + std::strerror(errno));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) throw FileInUse(path);
    throw FileFailure("cannot lock " + path + ": " + std::strerror(error));
  }
  return FileLock(fd);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(static_cast<int>(fd_));  // closing releases the lock
}

}  // namespace veil
