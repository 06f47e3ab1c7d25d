#include "codec/covers/png/idat_stream.h"

#include <algorithm>
#include <array>

namespace veil::codec::png {

std::size_t IdatStream::Read(std::span<std::uint8_t> out) {
  std::size_t read = 0;
  while (read < out.size()) {
    if (left_ == 0) {
      if (next_chunk_ >= end_) break;
      std::array<std::uint8_t, 8> frame{};
      ReadExactly(file_, next_chunk_, frame);
      left_ =
          (std::uint64_t{frame[0]} << 24) | (std::uint64_t{frame[1]} << 16) | (std::uint64_t{frame[2]} << 8) | frame[3];
      at_ = next_chunk_ + 8;
      next_chunk_ = at_ + left_ + 4;
      continue;
    }
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left_, out.size() - read));
    ReadExactly(file_, at_, out.subspan(read, piece));
    read += piece;
    at_ += piece;
    left_ -= piece;
  }
  return read;
}

}  // namespace veil::codec::png
