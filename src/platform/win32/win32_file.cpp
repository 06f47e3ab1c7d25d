// The file layer's system calls on Windows: positioned reads and writes on a
// handle, and advisory locks.
#include <io.h>
#include <windows.h>

#include "platform/file_lock.h"
#include "platform/raw_file.h"
#include "platform/win32/win32_text.h"

namespace veil {
namespace {

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = text ? win32::FromAnsi(text) : "error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message;
}

std::string Describe(const std::string& what, const std::string& name) {
  return what + " " + name + ": " + SystemMessage(GetLastError());
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

class HandleFile final : public RawFile {
 public:
  HandleFile(HANDLE handle, std::string name, bool owned) : handle_(handle), name_(std::move(name)), owned_(owned) {}
  ~HandleFile() override {
    if (owned_) CloseHandle(handle_);
  }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
      if (!ReadFile(handle_, out.data() + done, want, &n, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        throw FileFailure(Describe("cannot read", name_));
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
      if (!WriteFile(handle_, in.data() + done, want, &n, &at)) throw FileFailure(Describe("cannot write", name_));
      if (n == 0) throw FileFailure("cannot write " + name_ + ": no space left");
      done += n;
    }
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) throw FileFailure(Describe("cannot read the size of", name_));
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Sync() override {
    if (!FlushFileBuffers(handle_) && GetLastError() != ERROR_INVALID_HANDLE)
      throw FileFailure(Describe("cannot flush", name_));
  }

 private:
  HANDLE handle_;
  std::string name_;
  bool owned_;
};

// Writes that go on at the end of a stream that cannot seek (a pipe).
class StreamSink final : public RawFile {
 public:
  StreamSink(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    if (offset != written_) throw FileFailure("cannot seek in " + name_);
    DWORD n = 0;
    if (!WriteFile(handle_, in.data(), static_cast<DWORD>(in.size()), &n, nullptr) || n != in.size())
      throw FileFailure(Describe("cannot write", name_));
    written_ += in.size();
  }
  std::uint64_t Size() override { return written_; }
  void Sync() override {}

 private:
  HANDLE handle_;
  std::string name_;
  std::uint64_t written_ = 0;
};

DWORD Disposition(OpenMode mode) {
  switch (mode) {
    case OpenMode::kReadOnly:
    case OpenMode::kReadWriteExisting: return OPEN_EXISTING;
    case OpenMode::kReadWrite: return OPEN_ALWAYS;
    case OpenMode::kCreateTruncate: return CREATE_ALWAYS;
    case OpenMode::kCreateNew: return CREATE_NEW;
  }
  return OPEN_EXISTING;
}

// A lock on one byte far beyond any picture's end: Windows locks are
// mandatory, so locking the picture's own bytes would stop our own writes.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

}  // namespace

std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode) {
  const DWORD access = mode == OpenMode::kReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const HANDLE handle = CreateFileW(win32::ToWide(path).c_str(), access,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    Disposition(mode), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw FileFailure(Describe("cannot open", path));
  return std::make_unique<HandleFile>(handle, path, true);
}

std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name) {
  return std::make_unique<StreamSink>(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), std::move(name));
}

FileLock FileLock::Exclusive(const std::string& path) {
  const HANDLE handle = CreateFileW(win32::ToWide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw FileFailure(Describe("cannot open", path));
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
      throw FileInUse(path);
    SetLastError(error);
    throw FileFailure(Describe("cannot lock", path));
  }
  return FileLock(reinterpret_cast<std::intptr_t>(handle));
}

FileLock::~FileLock() {
  if (fd_ != -1) CloseHandle(reinterpret_cast<HANDLE>(fd_));  // closing releases the lock
}

}  // namespace veil
