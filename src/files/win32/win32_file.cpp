// The file layer's system calls on Windows: positioned reads and writes on a
// handle, plain writes on streams, and pictures held against other programs.
#include <io.h>
#include <windows.h>

#include "files/file_in_use.h"
#include "files/raw_file.h"
#include "files/win32/win32_text.h"

namespace veil {
namespace {

FileFailure LastFailure(const std::string& action, const std::string& name) {
  return FileFailure(action, name, win32::SystemMessage(GetLastError()));
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

class HandleFile final : public RawFile {
 public:
  HandleFile(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  ~HandleFile() override { CloseHandle(handle_); }  // closing releases any lock

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
      if (!ReadFile(handle_, out.data() + done, want, &n, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        throw LastFailure("cannot read", name_);
      }
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    std::size_t done = 0;
    while (done < in.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(in.size() - done, 1u << 30));
      if (!WriteFile(handle_, in.data() + done, want, &n, &at)) throw LastFailure("cannot write", name_);
      if (n == 0) throw FileFailure("cannot write", name_, "no space left");
      done += n;
    }
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) throw LastFailure("cannot read the size of", name_);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Sync() override {
    if (!FlushFileBuffers(handle_) && GetLastError() != ERROR_INVALID_HANDLE) throw LastFailure("cannot flush", name_);
  }

  std::string Name() const override { return name_; }

 private:
  HANDLE handle_;
  std::string name_;
};

// One end of a stream that cannot seek: it goes on only from where it
// stopped, and its size is what has passed through it.
class StreamEnd : public RawFile {
 public:
  StreamEnd(HANDLE handle, std::string name, bool owned) : handle_(handle), name_(std::move(name)), owned_(owned) {}
  ~StreamEnd() override {
    if (owned_) CloseHandle(handle_);
  }
  std::uint64_t Size() override { return passed_; }
  void Sync() override {}
  std::string Name() const override { return name_; }

 protected:
  HANDLE handle_;
  std::string name_;
  bool owned_;
  std::uint64_t passed_ = 0;
};

// Writes that go on at the end of a stream that cannot seek (a pipe, a
// device); reads see an empty file.
class StreamSink final : public StreamEnd {
 public:
  using StreamEnd::StreamEnd;
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    if (offset != passed_) throw FileFailure("cannot write", name_, "it cannot seek");
    std::size_t done = 0;
    while (done < in.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(in.size() - done, 1u << 30));
      if (!WriteFile(handle_, in.data() + done, want, &n, nullptr)) throw LastFailure("cannot write", name_);
      done += n;
    }
    passed_ += in.size();
  }
};

// Reads that go on from where the last one ended (a pipe, a console, or
// any file read as a stream); the end of a pipe is its writer's close.
class StreamSource final : public StreamEnd {
 public:
  using StreamEnd::StreamEnd;
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset != passed_) throw FileFailure("cannot read", name_, "it cannot seek");
    std::size_t done = 0;
    while (done < out.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
      if (!ReadFile(handle_, out.data() + done, want, &n, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF) break;
        throw LastFailure("cannot read", name_);
      }
      if (n == 0) break;
      done += n;
    }
    passed_ += done;
    return done;
  }
  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override {
    throw FileFailure("cannot write", name_, "it is only read");
  }
};

DWORD Disposition(OpenMode mode) {
  switch (mode) {
    case OpenMode::kReadWrite: return OPEN_ALWAYS;
    case OpenMode::kCreateTruncate: return CREATE_ALWAYS;
    case OpenMode::kCreateNew: return CREATE_NEW;
    default: return OPEN_EXISTING;
  }
}

bool Locked(OpenMode mode) { return mode == OpenMode::kLockedRead || mode == OpenMode::kLockedReadWrite; }

// A lock on one byte far beyond any picture's end, for holders that open the
// picture only to read: Windows locks are mandatory, so locking the
// picture's own bytes would stop the holder's own writes.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

}  // namespace

std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode) {
  if (mode == OpenMode::kCreateUnnamed) throw FileFailure("cannot create", path, "files without a name are Linux's");
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  if (mode == OpenMode::kReadOnly || mode == OpenMode::kLockedRead || mode == OpenMode::kReadStream)
    access = GENERIC_READ;
  if (mode == OpenMode::kWriteStream) access = GENERIC_WRITE;
  // A held picture may be read by others, but not written, renamed or
  // deleted; everything else shares as much as reading and writing need.
  const DWORD share = Locked(mode) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE handle = CreateFileW(win32::LongPath(path).c_str(), access, share, nullptr, Disposition(mode),
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (Locked(mode) && GetLastError() == ERROR_SHARING_VIOLATION) throw FileInUse(path);
    throw LastFailure("cannot open", path);
  }
  if (Locked(mode)) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      const DWORD error = GetLastError();
      CloseHandle(handle);
      if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) throw FileInUse(path);
      throw FileFailure("cannot lock", path, win32::SystemMessage(error));
    }
  }
  if (mode == OpenMode::kWriteStream) return std::make_unique<StreamSink>(handle, path, true);
  if (mode == OpenMode::kReadStream) return std::make_unique<StreamSource>(handle, path, true);
  return std::make_unique<HandleFile>(handle, path);
}

std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name) {
  return std::make_unique<StreamSink>(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), std::move(name), false);
}

}  // namespace veil

namespace veil {

std::unique_ptr<RawFile> OpenStreamSource(int fd, std::string name) {
  return std::make_unique<StreamSource>(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), std::move(name), false);
}

}  // namespace veil
