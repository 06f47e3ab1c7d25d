#include "codec/covers/png/image_data_check.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace veil::codec::png {
namespace {

PngRefusal Damaged(std::string why) {
  return {PngRefusal::Kind::kDamaged, "the PNG file is damaged: " + std::move(why)};
}

unsigned BitsPerPixel(const PngHeader& header) {
  const unsigned channels = header.colour_type == 2 ? 3 : header.colour_type == 4 ? 2 : header.colour_type == 6 ? 4 : 1;
  return channels * header.bit_depth;
}

std::uint64_t RowsBytes(std::uint64_t width, std::uint64_t height, unsigned bits) {
  if (width == 0 || height == 0) return 0;
  return height * (1 + (width * bits + 7) / 8);
}

struct Inflater {
  z_stream z{};
  bool started = false;
  ~Inflater() {
    if (started) inflateEnd(&z);
  }
};

}  // namespace

std::uint64_t FilteredImageBytes(const PngHeader& header) {
  const unsigned bits = BitsPerPixel(header);
  if (header.interlace == 0) return RowsBytes(header.width, header.height, bits);
  std::uint64_t total = 0;
  for (int pass = 0; pass < 7; ++pass) {
    total += RowsBytes(PNG_PASS_COLS(std::uint64_t{header.width}, pass),
                       PNG_PASS_ROWS(std::uint64_t{header.height}, pass), bits);
  }
  return total;
}

std::optional<PngRefusal> CheckImageData(RawFile& file, const PngChunkMap& map) {
  const std::uint64_t expected = FilteredImageBytes(map.header);
  Inflater inflater;
  // The largest window, whatever the stream's header claims.
  if (inflateInit2(&inflater.z, 15) != Z_OK) return PngRefusal{PngRefusal::Kind::kTooLarge, "zlib could not start"};
  inflater.started = true;
  z_stream& z = inflater.z;
  std::vector<std::uint8_t> in(64 * 1024), out(64 * 1024);
  std::uint64_t inflated = 0;
  bool ended = false;
  for (std::uint64_t chunk = map.idat_begin; chunk < map.idat_end && !ended;) {
    std::array<std::uint8_t, 8> frame{};
    ReadExactly(file, chunk, frame);
    const std::uint64_t length =
        (std::uint64_t{frame[0]} << 24) | (std::uint64_t{frame[1]} << 16) | (std::uint64_t{frame[2]} << 8) | frame[3];
    for (std::uint64_t at = 0; at < length && !ended;) {
      const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(length - at, in.size()));
      ReadExactly(file, chunk + 8 + at, {in.data(), piece});
      at += piece;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(piece);
      while (z.avail_in > 0 && !ended) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        inflated += out.size() - z.avail_out;
        if (inflated > expected) {
          return Damaged("its image data inflates to more than the " + std::to_string(expected) +
                         " bytes its IHDR gives (a decompression bomb?)");
        }
        if (status == Z_STREAM_END) {
          ended = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
          return Damaged(std::string("its image data does not inflate: zlib: ") +
                         (z.msg != nullptr ? z.msg : "error " + std::to_string(status)));
        }
      }
    }
    chunk += 12 + length;
  }
  if (!ended && inflated == expected) return Damaged("its compressed image data stops before its end");
  if (!ended || inflated < expected) {
    return Damaged("its image data ends after " + std::to_string(inflated) + " of the " + std::to_string(expected) +
                   " bytes its IHDR gives");
  }
  return std::nullopt;
}

}  // namespace veil::codec::png
