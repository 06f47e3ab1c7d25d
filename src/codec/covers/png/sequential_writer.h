#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "files/raw_file.h"

namespace veil::codec::png {

// Writes a file front to back in large pieces.
class SequentialWriter {
 public:
  explicit SequentialWriter(RawFile& file) : file_(file) { buffer_.reserve(kPiece); }

  void Write(std::span<const std::uint8_t> bytes);
  // Copies [begin, end) of source.
  void CopyFrom(RawFile& source, std::uint64_t begin, std::uint64_t end);
  void Flush();
  std::uint64_t Written() const { return offset_ + buffer_.size(); }

 private:
  static constexpr std::size_t kPiece = 1 << 20;
  RawFile& file_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t offset_ = 0;
};

}  // namespace veil::codec::png
