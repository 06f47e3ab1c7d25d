#pragma once

#include <png.h>

#include <cstdint>
#include <vector>

#include "files/raw_file.h"

namespace veil::codec::png {

// Feeds libpng a file from its start, in large reads: libpng asks for a few
// bytes at a time, and RawFile makes one system call each.
class PngFileSource {
 public:
  explicit PngFileSource(RawFile& file) : file_(file), buffer_(256 * 1024) {}

  // Installs this source as png's reader.
  void Attach(png_structp png) { png_set_read_fn(png, this, &PngFileSource::Read); }

 private:
  static void Read(png_structp png, png_bytep out, std::size_t size);
  // Copies up to size bytes into out, refilling from the file; 0 at its end.
  std::size_t Take(std::uint8_t* out, std::size_t size);

  RawFile& file_;
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  std::uint64_t file_offset_ = 0;
};

}  // namespace veil::codec::png
