#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_failure.h"
#include "raw_file.h"

namespace veil {
namespace {

std::string Describe(const std::string& what, const std::string& name, int error) {
  return what + " " + name + ": " + std::strerror(error);
}

class PosixFile final : public RawFile {
 public:
  PosixFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~PosixFile() override { ::close(fd_); }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure(Describe("cannot read", name_, errno));
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    std::size_t done = 0;
    while (done < in.size()) {
      const ssize_t n = ::pwrite(fd_, in.data() + done, in.size() - done,
                                 static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure(Describe("cannot write", name_, errno));
      }
      if (n == 0) throw FileFailure("cannot write " + name_ + ": no space left");
      done += static_cast<std::size_t>(n);
    }
  }

  std::uint64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileFailure(Describe("cannot stat", name_, errno));
    return static_cast<std::uint64_t>(st.st_size);
  }

  void Sync() override {
    if (::fdatasync(fd_) != 0 && errno != EINVAL)
      throw FileFailure(Describe("cannot flush", name_, errno));
  }

 private:
  int fd_;
  std::string name_;
};

class StreamSink final : public RawFile {
 public:
  StreamSink(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }

  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    if (offset != written_) throw FileFailure("cannot seek in " + name_);
    std::size_t done = 0;
    while (done < in.size()) {
      const ssize_t n = ::write(fd_, in.data() + done, in.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw FileFailure(Describe("cannot write", name_, errno));
      }
      done += static_cast<std::size_t>(n);
    }
    written_ += in.size();
  }

  std::uint64_t Size() override { return written_; }
  void Sync() override {}

 private:
  int fd_;
  std::string name_;
  std::uint64_t written_ = 0;
};

int FlagsFor(OpenMode mode) {
  switch (mode) {
    case OpenMode::kReadOnly: return O_RDONLY;
    case OpenMode::kReadWriteExisting: return O_RDWR;
    case OpenMode::kReadWrite: return O_RDWR | O_CREAT;
    case OpenMode::kCreateTruncate: return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::kCreateNew: return O_RDWR | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

}  // namespace

std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode) {
  const int fd = ::open(path.c_str(), FlagsFor(mode) | O_CLOEXEC, 0666);
  if (fd < 0) throw FileFailure(Describe("cannot open", path, errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileFailure("cannot open " + path + ": it is a folder");
  }
  return std::make_unique<PosixFile>(fd, path);
}

std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name) {
  return std::make_unique<StreamSink>(fd, std::move(name));
}

}  // namespace veil
