#include "codec/covers/png/idat_sink.h"

#include <algorithm>
#include <cstring>

#include "codec/covers/png/png_guard.h"

namespace veil::codec::png {

void IdatSink::Take(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    if (skip_ > 0 || pass_ > 0) {
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), pass_ > 0 ? pass_ : skip_));
      if (pass_ > 0) {
        chunker_.Take(bytes.first(piece));
        pass_ -= piece;
      } else {
        skip_ -= piece;
      }
      bytes = bytes.subspan(piece);
      continue;
    }
    const std::size_t piece = std::min(bytes.size(), frame_.size() - frame_bytes_);
    std::memcpy(frame_.data() + frame_bytes_, bytes.data(), piece);
    frame_bytes_ += piece;
    bytes = bytes.subspan(piece);
    if (frame_bytes_ < frame_.size()) continue;
    frame_bytes_ = 0;
    const std::uint64_t length = (std::uint64_t{frame_[0]} << 24) | (frame_[1] << 16) | (frame_[2] << 8) | frame_[3];
    if (std::memcmp(frame_.data() + 4, "IDAT", 4) == 0) {
      pass_ = length;
      skip_ = 4;  // libpng's checksum, after the data
    } else {
      skip_ = length + 4;
    }
  }
}

void IdatSink::Write(png_structp png, png_bytep data, std::size_t size) {
  auto* sink = static_cast<IdatSink*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    sink->Take({data, size});
  } catch (...) {
    RecordCurrentFailure(png);
    failed = true;
  }
  if (failed) png_error(png, "stopped by a failure of its file");
}

}  // namespace veil::codec::png
