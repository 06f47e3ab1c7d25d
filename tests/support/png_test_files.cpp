#include "support/png_test_files.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <stdexcept>

namespace veil::test {
namespace {

struct MemoryOut {
  Bytes bytes;
  static void Write(png_structp png, png_bytep data, std::size_t size) {
    auto* out = static_cast<MemoryOut*>(png_get_io_ptr(png));
    out->bytes.insert(out->bytes.end(), data, data + size);
  }
  static void Flush(png_structp) {}
};

struct MemoryIn {
  const Bytes* bytes;
  std::size_t offset = 0;
  static void Read(png_structp png, png_bytep data, std::size_t size) {
    auto* in = static_cast<MemoryIn*>(png_get_io_ptr(png));
    if (in->offset + size > in->bytes->size()) png_error(png, "ends early");
    std::memcpy(data, in->bytes->data() + in->offset, size);
    in->offset += size;
  }
};

std::uint32_t Big32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

}  // namespace

int TestPicture::ChannelsWithAlpha() const {
  switch (colour_type) {
    case 0: return 1;
    case 4: return 2;
    case 2: return 3;
    default: return 4;
  }
}

TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height, int colour_type, int depth, bool interlaced,
                            std::uint32_t seed) {
  TestPicture picture{width, height, colour_type, depth, interlaced, {}, std::nullopt};
  std::mt19937 random(seed);
  const int channels = picture.ChannelsWithAlpha();
  const bool alpha = colour_type == 4 || colour_type == 6;
  const std::uint32_t full = depth == 8 ? 0xFF : 0xFFFF;
  for (std::uint64_t p = 0; p < std::uint64_t{width} * height; ++p) {
    for (int c = 0; c < channels; ++c) {
      std::uint16_t value = static_cast<std::uint16_t>(random() & full);
      if (alpha && c == channels - 1) value = static_cast<std::uint16_t>(p % 7 == 3 ? value % full : full);
      picture.samples.push_back(value);
    }
  }
  return picture;
}

Bytes EncodePng(const TestPicture& picture, const LibpngSettings& settings) {
  MemoryOut out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test picture");
  }
  png_set_write_fn(png, &out, MemoryOut::Write, MemoryOut::Flush);
  png_set_IHDR(png, info, picture.width, picture.height, picture.depth, picture.colour_type,
               picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (picture.trns_grey) {
    png_color_16 key{};
    key.gray = *picture.trns_grey;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  if (settings.level >= 0) png_set_compression_level(png, settings.level);
  if (settings.strategy >= 0) png_set_compression_strategy(png, settings.strategy);
  if (settings.filters >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.filters);
  if (settings.mem_level >= 0) png_set_compression_mem_level(png, settings.mem_level);
  png_write_info(png, info);
  const int channels = picture.ChannelsWithAlpha();
  const std::size_t row_samples = std::size_t{picture.width} * channels;
  std::vector<png_byte> row(row_samples * (picture.depth / 8));
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (std::uint32_t y = 0; y < picture.height; ++y) {
      for (std::size_t i = 0; i < row_samples; ++i) {
        const std::uint16_t v = picture.samples[y * row_samples + i];
        if (picture.depth == 8) {
          row[i] = static_cast<png_byte>(v);
        } else {
          row[2 * i] = static_cast<png_byte>(v >> 8);
          row[2 * i + 1] = static_cast<png_byte>(v);
        }
      }
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out.bytes;
}

Bytes PngChunk(const std::string& type, const Bytes& data) {
  Bytes chunk(12 + data.size());
  const auto length = static_cast<std::uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) chunk[i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  std::memcpy(chunk.data() + 4, type.data(), 4);
  if (!data.empty()) std::memcpy(chunk.data() + 8, data.data(), data.size());
  const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(data.size() + 4)));
  for (int i = 0; i < 4; ++i) chunk[8 + data.size() + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return chunk;
}

std::vector<ChunkAt> ListChunks(const Bytes& png) {
  std::vector<ChunkAt> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = Big32(png, at);
    chunks.push_back({at, length, std::string(png.begin() + at + 4, png.begin() + at + 8)});
    if (chunks.back().type == "IEND") break;
    at += 12 + std::size_t{length};
  }
  return chunks;
}

Bytes InsertChunk(const Bytes& png, const std::string& before_type, const Bytes& chunk) {
  for (const ChunkAt& c : ListChunks(png)) {
    if (c.type == before_type) {
      Bytes out(png.begin(), png.begin() + c.offset);
      out.insert(out.end(), chunk.begin(), chunk.end());
      out.insert(out.end(), png.begin() + c.offset, png.end());
      return out;
    }
  }
  throw std::runtime_error("no chunk " + before_type);
}

Bytes WithoutIdat(const Bytes& png) {
  Bytes out(png.begin(), png.begin() + 8);
  std::size_t end = 8;
  for (const ChunkAt& c : ListChunks(png)) {
    end = c.offset + 12 + c.length;
    if (c.type != "IDAT") out.insert(out.end(), png.begin() + c.offset, png.begin() + end);
  }
  out.insert(out.end(), png.begin() + end, png.end());  // anything after IEND
  return out;
}

RawPicture DecodeRaw(const Bytes& png_bytes) {
  RawPicture picture;
  MemoryIn in{&png_bytes};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    throw std::runtime_error("libpng could not read the picture");
  }
  png_set_read_fn(png, &in, MemoryIn::Read);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  picture.width = png_get_image_width(png, info);
  picture.height = png_get_image_height(png, info);
  picture.colour_type = png_get_color_type(png, info);
  picture.depth = png_get_bit_depth(png, info);
  picture.interlace = png_get_interlace_type(png, info);
  const std::size_t row_bytes = png_get_rowbytes(png, info);
  png_bytepp rows = png_get_rows(png, info);
  for (std::uint32_t y = 0; y < picture.height; ++y)
    picture.rows.insert(picture.rows.end(), rows[y], rows[y] + row_bytes);
  png_destroy_read_struct(&png, &info, nullptr);
  return picture;
}

}  // namespace veil::test
