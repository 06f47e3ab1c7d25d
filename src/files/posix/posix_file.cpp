// The file layer's system calls on POSIX: positioned reads and writes on a
// descriptor, plain writes on streams, and advisory locks.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "files/file_in_use.h"
#include "files/raw_file.h"

namespace veil {
namespace {

class PosixFile final : public RawFile {
 public:
  PosixFile(int fd, std::string name, bool unnamed = false) : fd_(fd), name_(std::move(name)), unnamed_(unnamed) {}
  ~PosixFile() override { ::close(fd_); }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure("cannot read", name_, std::strerror(errno));
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    std::size_t done = 0;
    while (done < in.size()) {
      const ssize_t n = ::pwrite(fd_, in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure("cannot write", name_, std::strerror(errno));
      }
      if (n == 0) throw FileFailure("cannot write", name_, "no space left");
      done += static_cast<std::size_t>(n);
    }
  }

  std::uint64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileFailure("cannot stat", name_, std::strerror(errno));
    return static_cast<std::uint64_t>(st.st_size);
  }

  void Sync() override {
    if (::fdatasync(fd_) != 0 && errno != EINVAL) throw FileFailure("cannot flush", name_, std::strerror(errno));
  }

  void StartWriteback(std::uint64_t offset, std::size_t size) override {
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
  }

  std::string Name() const override { return name_; }

  void Link(const std::string& path) override {
    if (!unnamed_) RawFile::Link(path);
    // linkat with AT_EMPTY_PATH needs a capability; the descriptor's entry
    // under /proc does not.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
      throw FileFailure("cannot link", path, std::strerror(errno));
    unnamed_ = false;
  }

 private:
  int fd_;
  std::string name_;
  bool unnamed_;
};

// One end of a stream that cannot seek: it goes on only from where it
// stopped, and its size is what has passed through it.
class StreamEnd : public RawFile {
 public:
  StreamEnd(int fd, std::string name, bool owned) : fd_(fd), name_(std::move(name)), owned_(owned) {}
  ~StreamEnd() override {
    if (owned_) ::close(fd_);
  }
  std::uint64_t Size() override { return passed_; }
  void Sync() override {}
  std::string Name() const override { return name_; }

 protected:
  int fd_;
  std::string name_;
  bool owned_;
  std::uint64_t passed_ = 0;
};

// Reads that go on from where the last one ended, with plain reads: a FIFO,
// a pipe, a terminal, or any file read as a stream. Writes fail.
class StreamSource final : public StreamEnd {
 public:
  using StreamEnd::StreamEnd;

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset != passed_) throw FileFailure("cannot read", name_, "it cannot seek");
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::read(fd_, out.data() + done, out.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure("cannot read", name_, std::strerror(errno));
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    passed_ += done;
    return done;
  }

  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override {
    throw FileFailure("cannot write", name_, "it is only read");
  }
};

// Writes that go on at the end of a stream that cannot seek (a pipe, a
// terminal, a device); reads see an empty file.
class StreamSink final : public StreamEnd {
 public:
  using StreamEnd::StreamEnd;

  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }

  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    if (offset != passed_) throw FileFailure("cannot write", name_, "it cannot seek");
    std::size_t done = 0;
    while (done < in.size()) {
      const ssize_t n = ::write(fd_, in.data() + done, in.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure("cannot write", name_, std::strerror(errno));
      }
      done += static_cast<std::size_t>(n);
    }
    passed_ += in.size();
  }
};

int FlagsFor(OpenMode mode) {
  switch (mode) {
    case OpenMode::kReadOnly:
    case OpenMode::kLockedRead: return O_RDONLY;
    case OpenMode::kReadWriteExisting:
    case OpenMode::kLockedReadWrite: return O_RDWR;
    case OpenMode::kReadWrite: return O_RDWR | O_CREAT;
    case OpenMode::kCreateTruncate: return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::kCreateNew: return O_RDWR | O_CREAT | O_EXCL;
    case OpenMode::kCreateUnnamed: return O_RDWR | O_TMPFILE;
    case OpenMode::kWriteStream: return O_WRONLY | O_NOCTTY;
    case OpenMode::kReadStream: return O_RDONLY | O_NOCTTY;
  }
  return O_RDONLY;
}

// New files that may hold what was decrypted start private; the owner of
// the output gives them their usual mode once they are complete.
mode_t CreationMode(OpenMode mode) {
  return mode == OpenMode::kCreateNew || mode == OpenMode::kCreateUnnamed ? 0600 : 0666;
}

std::string NotRegularFile(mode_t type) {
  if (S_ISFIFO(type)) return "it is a FIFO or pipe, not a regular file";
  if (S_ISCHR(type) || S_ISBLK(type)) return "it is a device, not a regular file";
  if (S_ISSOCK(type)) return "it is a socket, not a regular file";
  return "it is not a regular file";
}

}  // namespace

std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode) {
  const bool unnamed = mode == OpenMode::kCreateUnnamed;
  const std::string opened = unnamed ? std::filesystem::path(path).parent_path().string() : path;
  const bool stream = mode == OpenMode::kWriteStream || mode == OpenMode::kReadStream;
  // Without O_NONBLOCK, opening a FIFO waits for its other end: the check
  // below must come first.
  const int nonblocking = stream || unnamed ? 0 : O_NONBLOCK;
  const int fd =
      ::open(opened.empty() ? "." : opened.c_str(), FlagsFor(mode) | O_CLOEXEC | nonblocking, CreationMode(mode));
  if (fd < 0) throw FileFailure("cannot open", path, errno == EISDIR ? "it is a folder" : std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileFailure("cannot open", path, "it is a folder");
  }
  if (!stream) {
    // Positioned reads and writes need a regular file.
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      throw FileFailure("cannot open", path, NotRegularFile(st.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  if (mode == OpenMode::kLockedRead || mode == OpenMode::kLockedReadWrite) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) throw FileInUse(path);
      throw FileFailure("cannot lock", path, std::strerror(error));
    }
  }
  if (mode == OpenMode::kWriteStream) return std::make_unique<StreamSink>(fd, path, true);
  if (mode == OpenMode::kReadStream) return std::make_unique<StreamSource>(fd, path, true);
  return std::make_unique<PosixFile>(fd, path, unnamed);  // closing the descriptor releases the lock
}

std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name) {
  return std::make_unique<StreamSink>(fd, std::move(name), false);
}

std::unique_ptr<RawFile> OpenStreamSource(int fd, std::string name) {
  return std::make_unique<StreamSource>(fd, std::move(name), false);
}

}  // namespace veil
