#include "codec/covers/png/png_file_source.h"

#include <algorithm>
#include <cstring>

#include "codec/covers/png/png_guard.h"

namespace veil::codec::png {

std::size_t PngFileSource::Take(std::uint8_t* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    if (begin_ == end_) {
      begin_ = 0;
      end_ = file_.ReadAt(file_offset_, buffer_);
      file_offset_ += end_;
      if (end_ == 0) break;
    }
    const std::size_t piece = std::min(size - done, end_ - begin_);
    std::memcpy(out + done, buffer_.data() + begin_, piece);
    begin_ += piece;
    done += piece;
  }
  return done;
}

void PngFileSource::Read(png_structp png, png_bytep out, std::size_t size) {
  auto* source = static_cast<PngFileSource*>(png_get_io_ptr(png));
  std::size_t got = 0;
  bool failed = false;
  try {
    got = source->Take(out, size);
  } catch (...) {
    RecordCurrentFailure(png);
    failed = true;
  }
  if (failed) png_error(png, "stopped by a failure of its file");
  if (got != size) png_error(png, "the file ends early");
}

}  // namespace veil::codec::png
