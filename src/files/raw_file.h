#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace veil {

enum class OpenMode {
  kReadOnly,           // must exist
  kReadWriteExisting,  // must exist; never created, never shortened
  kReadWrite,          // created empty when missing; never shortened
  kCreateTruncate,     // created, or emptied when it exists
  kCreateNew,          // created, readable and writable by its owner alone; fails when it exists
  // Created like kCreateNew but without a name, in the folder of the path
  // given (Linux's O_TMPFILE): it vanishes when closed unless Link names it.
  // Throws FileFailure where the system or the file system cannot.
  kCreateUnnamed,
  kWriteStream,  // must exist; written front to back with plain writes (a FIFO, a device)
  kReadStream,   // must exist; read front to back with plain reads (a FIFO, a pipe, any file)
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
  // Gives a file made with kCreateUnnamed the name path, which must not
  // exist yet. Throws FileFailure (also for files that have a name).
  virtual void Link(const std::string& path);
};

// Reads exactly out.size() bytes; throws EndOfFile when the file ends first.
void ReadExactly(RawFile& file, std::uint64_t offset, std::span<std::uint8_t> out);
void WriteU32At(RawFile& file, std::uint64_t offset, std::uint32_t value);
// Reads front to back from the start until the end, or until most bytes;
// for streams, whose length is known only at their end.
std::vector<std::uint8_t> ReadFront(RawFile& file, std::size_t most);

// Opens a file of the file system; throws FileFailure naming the path and cause.
std::unique_ptr<RawFile> OpenSystemFile(const std::string& path, OpenMode mode);

// A write-only sequential sink over an open descriptor (standard output);
// reads see an empty file.
std::unique_ptr<RawFile> OpenStreamSink(int fd, std::string name);
// A read-only sequential source over an open descriptor (standard input),
// read front to back; writes fail.
std::unique_ptr<RawFile> OpenStreamSource(int fd, std::string name);

}  // namespace veil
