#include "codec/covers/png/image_data_check.h"

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codec/covers/png/idat_stream.h"
#include "codec/covers/png/row_filters.h"

namespace veil::codec::png {
namespace {

PngRefusal Damaged(std::string why) {
  return {PngRefusal::Kind::kDamaged, "the PNG file is damaged: " + std::move(why)};
}

struct Inflater {
  z_stream z{};
  bool started = false;
  ~Inflater() {
    if (started) inflateEnd(&z);
  }
};

// Picks each row's filter byte out of the inflated stream as it passes.
class FilterBytes {
 public:
  FilterBytes(const PngHeader& header, std::vector<std::uint8_t>& types) : shapes_(PassShapes(header)), types_(types) {
    types_.clear();
  }

  // bytes start at offset `at` of the inflated stream.
  void Take(std::uint64_t at, const std::uint8_t* bytes, std::size_t size) {
    while (shape_ < shapes_.size() && next_ < at + size) {
      types_.push_back(bytes[next_ - at]);
      next_ += 1 + shapes_[shape_].row_bytes;
      if (++row_ == shapes_[shape_].rows) {
        row_ = 0;
        ++shape_;
      }
    }
  }

 private:
  std::vector<PassShape> shapes_;
  std::vector<std::uint8_t>& types_;
  std::size_t shape_ = 0;
  std::uint32_t row_ = 0;
  std::uint64_t next_ = 0;  // where the next row's filter byte is
};

}  // namespace

std::optional<PngRefusal> CheckImageData(RawFile& file, const PngChunkMap& map, PngImageCoding& coding,
                                         RunProgress* progress) {
  const std::uint64_t expected = FilteredImageBytes(map.header);
  Inflater inflater;
  // The largest window, whatever the stream's header claims.
  if (inflateInit2(&inflater.z, 15) != Z_OK) return PngRefusal{PngRefusal::Kind::kTooLarge, "zlib could not start"};
  inflater.started = true;
  z_stream& z = inflater.z;
  FilterBytes filters(map.header, coding.row_filters);
  IdatStream stream(file, map);
  std::vector<std::uint8_t> in(64 * 1024), out(64 * 1024);
  std::uint64_t inflated = 0;
  bool ended = false, input_left = true, first = true;
  while (!ended) {
    if (z.avail_in == 0 && input_left) {
      const std::size_t piece = stream.Read(in);
      input_left = piece > 0;
      if (first && piece > 0) {
        std::copy_n(in.begin(), std::min<std::size_t>(piece, 2), coding.zlib_header.begin());
        first = false;
      }
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(piece);
    }
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_NO_FLUSH);
    const std::size_t produced = out.size() - z.avail_out;
    if (inflated + produced > expected) {
      return Damaged("its image data inflates to more than the " + std::to_string(expected) +
                     " bytes its IHDR gives (a decompression bomb?)");
    }
    filters.Take(inflated, out.data(), produced);
    inflated += produced;
    if (progress) progress->Within(0, 0.5, static_cast<double>(inflated) / static_cast<double>(expected));
    if (status == Z_STREAM_END) {
      ended = true;
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      return Damaged(std::string("its image data does not inflate: zlib: ") +
                     (z.msg != nullptr ? z.msg : "error " + std::to_string(status)));
    } else if (produced == 0 && z.avail_in == 0 && !input_left) {
      break;  // all input taken and nothing more comes out
    }
  }
  if (!ended && inflated == expected) return Damaged("its compressed image data stops before its end");
  if (!ended || inflated < expected) {
    return Damaged("its image data ends after " + std::to_string(inflated) + " of the " + std::to_string(expected) +
                   " bytes its IHDR gives");
  }
  return std::nullopt;
}

}  // namespace veil::codec::png
