#pragma once

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "codec/covers/png/png_limits.h"
#include "codec/covers/png/png_refusal.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// The facts of IHDR, as stored.
struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bit_depth = 0;
  std::uint8_t colour_type = 0;
  std::uint8_t interlace = 0;  // 0 none, 1 Adam7
};

// Consecutive IDAT chunks of one length.
struct IdatRun {
  std::uint32_t length = 0;
  std::uint64_t count = 0;
};

// Where a PNG's image data lies: the one run of consecutive IDAT chunks,
// framing included. Everything before and after it is kept byte for byte.
struct PngChunkMap {
  PngHeader header;
  std::uint64_t idat_begin = 0;
  std::uint64_t idat_end = 0;
  std::uint64_t file_size = 0;
  std::vector<IdatRun> idat_runs;  // how the writer split the image data, in order
  // sBIT's significant bits of each stored channel, in the file's order; empty
  // without an sBIT chunk.
  std::vector<std::uint8_t> significant_bits;
};

// Walks the chunk list: the signature, each chunk's framing, the checksum of
// every chunk but IDAT (libpng checks those as it inflates them), IHDR first,
// one run of IDAT, IEND. Animated pictures (acTL) are refused: their frames
// are stored apart from the image data and would not follow a change. Bytes after IEND are left alone. Reads through
// file; a failing read becomes a kIoFailure refusal.
std::variant<PngChunkMap, PngRefusal> MapPngChunks(RawFile& file, const PngLimits& limits);

}  // namespace veil::codec::png
