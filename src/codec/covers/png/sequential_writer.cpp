#include "codec/covers/png/sequential_writer.h"

#include <algorithm>

namespace veil::codec::png {

void SequentialWriter::Write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t piece = std::min(bytes.size(), kPiece - buffer_.size());
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(piece));
    bytes = bytes.subspan(piece);
    if (buffer_.size() == kPiece) Flush();
  }
}

void SequentialWriter::CopyFrom(RawFile& source, std::uint64_t begin, std::uint64_t end) {
  Flush();
  buffer_.resize(kPiece);
  while (begin < end) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(end - begin, kPiece));
    ReadExactly(source, begin, {buffer_.data(), piece});
    file_.WriteAt(offset_, {buffer_.data(), piece});
    offset_ += piece;
    begin += piece;
  }
  buffer_.clear();
}

void SequentialWriter::Flush() {
  if (buffer_.empty()) return;
  file_.WriteAt(offset_, buffer_);
  offset_ += buffer_.size();
  buffer_.clear();
}

}  // namespace veil::codec::png
