#include "support/fifo_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace veil::test {
namespace {

// Takes what is readable now; false at the end of the stream.
bool Drain(int fd, Bytes& bytes) {
  std::uint8_t block[4096];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n > 0) {
      bytes.insert(bytes.end(), block, block + n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && errno == EAGAIN;
  }
}

}  // namespace

FifoReader::FifoReader(const std::string& path) {
  if (::pipe(stop_) != 0) return;
  const int stop = stop_[0];
  bytes_ = std::async(std::launch::async, [path, stop] {
    Bytes bytes;
    // Opening without waiting for a writer; on Linux the FIFO reports its
    // end (POLLHUP) only after a writer has come and gone.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return bytes;
    for (;;) {
      pollfd watched[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
      if (::poll(watched, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (watched[0].revents & (POLLIN | POLLHUP)) {
        if (!Drain(fd, bytes)) break;  // the writer closed it
        continue;
      }
      if (watched[1].revents & POLLIN) {
        Drain(fd, bytes);  // what a writer left before it went
        break;
      }
    }
    ::close(fd);
    return bytes;
  });
}

Bytes FifoReader::Take() {
  if (!bytes_.valid()) return {};
  const char stop = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(stop_[1], &stop, 1);
  return bytes_.get();
}

FifoReader::~FifoReader() {
  if (bytes_.valid()) Take();
  if (stop_[0] >= 0) ::close(stop_[0]);
  if (stop_[1] >= 0) ::close(stop_[1]);
}

}  // namespace veil::test
