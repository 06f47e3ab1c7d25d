#pragma once

#include <png.h>

#include <array>
#include <cstdint>
#include <span>

#include "codec/covers/png/idat_chunker.h"
#include "codec/covers/png/sequential_writer.h"

namespace veil::codec::png {

// libpng's output with everything but the IDAT chunks' data left out (the
// signature, IHDR and IEND it writes are the cover's own already), split
// into chunks as the cover's image data was.
class IdatSink {
 public:
  IdatSink(SequentialWriter& out, std::vector<IdatRun> cover) : chunker_(out, std::move(cover)) {}

  // Installs this sink as png's writer.
  void Attach(png_structp png) { png_set_write_fn(png, this, &IdatSink::Write, &IdatSink::Flush); }
  void Take(std::span<const std::uint8_t> bytes);
  // After libpng's last write.
  void Finish() { chunker_.Finish(); }

 private:
  static void Write(png_structp png, png_bytep data, std::size_t size);
  static void Flush(png_structp) {}

  IdatChunker chunker_;
  std::uint64_t skip_ = 8;  // libpng's signature, a chunk left out, a checksum
  std::uint64_t pass_ = 0;  // the rest of an IDAT chunk's data
  std::array<std::uint8_t, 8> frame_{};
  std::size_t frame_bytes_ = 0;
};

}  // namespace veil::codec::png
