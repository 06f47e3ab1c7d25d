#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace veil {

enum class OpenMode {
  kReadOnly,           // must exist
  kReadWriteExisting,  // must exist; never created, never shortened
  kReadWrite,          // created empty when missing; never shortened
  kCreateTruncate,     // created, or emptied when it exists
  kCreateNew,          // created; fails when it exists
  kWriteStream,        // must exist; written front to back with plain writes (a FIFO, a device)
  // Must exist; held for as long as it is open: our other programs get
  // FileInUse, and on Windows no other program may write, rename or delete it.
  kLockedRead,
  kLockedReadWrite,
};

// Unbuffered random-access bytes: one system call per operation. The
// numbered-file layer buffers on top of it, the codec moves large blocks
// through it, and tests put failing ones under it.
class RawFile {
 public:
  virtual ~RawFile() = default;
  // Reads up to out.size() bytes; fewer only at the end of the file.
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  // Writes all of in, or throws.
  virtual void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) = 0;
  virtual std::uint64_t Size() = 0;
  // Makes written bytes durable.
  virtual void Sync() = 0;
  // Lets the system start writing these bytes to the disk now, so that a
  // later Sync has less to wait for. A hint: it may do nothing.
  virtual void StartWriteback(std::uint64_t /*offset*/, std::size_t /*size*/) {}
  // The path it was opened by, for messages; empty when it has none.
  virtual std::string Name() const { return {}; }
};

// Reads exactly out.size() bytes; throws EndOfFile when the file ends first.
void ReadExactly(RawFile& file, std::uint64_t offset, std::span<std::uint8_t> out);
void WriteU32At(RawFile& file, std::uint64_t offset, std::uint32_t value);

// Opens a file of the file system; throws FileFailure naming the path and cause.
std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode);

// A write-only sequential sink over an open descriptor (standard output);
// reads see an empty file.
std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name);

}  // namespace veil
