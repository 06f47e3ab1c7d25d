#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "files/raw_file.h"

namespace veil {

// One open file of the numbered-file table: random access with a current
// position (0-based offsets), buffered so that small reads and writes near
// each other are memory copies. Every failure throws FileFailure.
class NumberedFile {
 public:
  static constexpr std::size_t kWindowSize = 64 * 1024;

  NumberedFile(std::unique_ptr<RawFile> raw, std::string path);
  ~NumberedFile();
  NumberedFile(const NumberedFile&) = delete;
  NumberedFile& operator=(const NumberedFile&) = delete;

  const std::string& Path() const { return path_; }

  // Reads exactly out.size() bytes; throws EndOfFile when the file is shorter.
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);
  void Read(std::span<std::uint8_t> out) { ReadAt(position_, out); }
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in);
  void Write(std::span<const std::uint8_t> in) { WriteAt(position_, in); }

  std::uint8_t ReadU8At(std::uint64_t offset);
  std::uint16_t ReadU16At(std::uint64_t offset);
  std::uint32_t ReadU32At(std::uint64_t offset);
  void WriteU32At(std::uint64_t offset, std::uint32_t value);

  std::uint64_t Length();

  // Hands buffered writes to the system.
  void Flush();
  // Flush, then make the bytes durable.
  void Sync();
  // Drops buffered writes that have not reached the system (after a failure).
  void Discard() {
    dirty_begin_ = dirty_end_ = 0;
    window_len_ = 0;
  }
  // The file beneath, for block transfers of its own: buffered writes are
  // flushed and the buffer forgotten first, so that neither side sees stale
  // bytes afterwards.
  RawFile& Unbuffered();

 private:
  bool InWindow(std::uint64_t offset, std::size_t size) const;
  void LoadWindow(std::uint64_t offset);

  std::unique_ptr<RawFile> raw_;
  std::string path_;
  std::uint64_t length_;
  bool length_stale_ = false;
  std::uint64_t position_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t window_start_ = 0;
  std::size_t window_len_ = 0;                   // valid bytes in the window
  std::size_t dirty_begin_ = 0, dirty_end_ = 0;  // unwritten range within the window
};

}  // namespace veil
