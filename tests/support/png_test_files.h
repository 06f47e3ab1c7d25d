#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace veil::test {

// A picture to encode as PNG with libpng's own row writer: samples of every
// channel, alpha included, row by row.
struct TestPicture {
  std::uint32_t width = 0, height = 0;
  int colour_type = 2;  // 0 grey, 2 RGB, 4 grey+alpha, 6 RGBA
  int depth = 8;
  bool interlaced = false;
  std::vector<std::uint16_t> samples;
  std::optional<std::uint16_t> trns_grey;  // grey pictures: the transparent value
  int ChannelsWithAlpha() const;
};

// Pseudo-random samples; alpha full except in every seventh pixel.
TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height, int colour_type, int depth, bool interlaced,
                            std::uint32_t seed);
// How libpng is told to compress; -1 leaves libpng's default.
struct LibpngSettings {
  int level = -1;
  int strategy = -1;
  int filters = -1;  // PNG_FILTER_* bits
  int mem_level = -1;
};
Bytes EncodePng(const TestPicture& picture, const LibpngSettings& settings = {});

// A chunk with its framing and checksum.
Bytes PngChunk(const std::string& type, const Bytes& data);
// The offsets of the chunks of a PNG, in order, and their types.
struct ChunkAt {
  std::size_t offset;
  std::uint32_t length;
  std::string type;
};
std::vector<ChunkAt> ListChunks(const Bytes& png);
// Inserts chunk before the first chunk of type before_type.
Bytes InsertChunk(const Bytes& png, const std::string& before_type, const Bytes& chunk);
// The file without its IDAT chunks: every byte that must stay.
Bytes WithoutIdat(const Bytes& png);

// Decoded by libpng's whole-picture reader, without transformations: the
// raw rows (16-bit samples most significant byte first) and the IHDR facts.
struct RawPicture {
  std::uint32_t width = 0, height = 0;
  int colour_type = 0, depth = 0, interlace = 0;
  Bytes rows;
};
RawPicture DecodeRaw(const Bytes& png);

}  // namespace veil::test
