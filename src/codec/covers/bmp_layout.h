#pragma once

#include <cstdint>
#include <optional>

#include "files/raw_file.h"

namespace veil::carrier {

// Where an uncompressed 24-bit BMP keeps its pixels, as its headers declare.
struct BmpLayout {
  std::int64_t pixelOffset = 0;     // bfOffBits
  std::uint32_t headerSize = 0;     // 12 (OS/2 1.x), 40, 52, 56, 64, 108 or 124
  std::int32_t width = 0;           // pixels a row, > 0
  std::int32_t height = 0;          // rows, > 0
  bool topDown = false;             // the header's height was negative
  std::uint16_t bitCount = 0;       // always 24
  std::uint32_t compression = 0;    // BI_RGB (0) or BI_BITFIELDS (3)
  std::uint64_t rowStride = 0;      // bytes a stored row takes, padding included
  std::uint64_t pixelArrayEnd = 0;  // pixelOffset + rowStride * height
  std::uint64_t fileLength = 0;

  std::uint64_t PixelArraySize() const { return pixelArrayEnd - static_cast<std::uint64_t>(pixelOffset); }
};

// Why a file is not a picture this program hides in.
enum class BmpRefusalKind {
  kTooShort,             // the file ends inside the headers it declares
  kNotBm,                // the first two bytes are not "BM"
  kUnknownHeaderSize,    // an info header of a size no BMP writer uses
  kNotOnePlane,          // the plane count is not 1
  kNoPixels,             // width or height 0, or a negative width
  kNotTwentyFourBit,     // bits a pixel other than 24
  kCompressed,           // a compression other than none (or 24-bit bit fields)
  kPixelsInsideHeaders,  // the pixel array starts inside the headers, masks or palette
  kPixelsOutsideFile,    // the pixel array does not end inside the file
  kProfileInsidePixels,  // an embedded colour profile overlaps the pixel array
};

// A refusal with the values that explain it; fields that were not read stay 0.
struct BmpRefusal {
  BmpRefusalKind kind = BmpRefusalKind::kTooShort;
  std::uint64_t fileLength = 0;
  std::uint32_t headerSize = 0;
  std::uint16_t signature = 0;  // the first two bytes, little-endian
  std::uint16_t planes = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::int64_t pixelOffset = 0;
  std::uint64_t headersEnd = 0;     // the first byte after headers, masks and palette
  std::uint64_t pixelArrayEnd = 0;  // kPixelsOutsideFile, kProfileInsidePixels
  std::uint64_t profileStart = 0;   // kProfileInsidePixels
  std::uint64_t profileEnd = 0;
};

// The headers' verdict: a layout, or the reason there is none.
struct BmpReading {
  std::optional<BmpLayout> layout;
  BmpRefusal refusal;  // meaningful only without a layout

  bool IsCover() const { return layout.has_value(); }
};

// Reads and judges the BMP headers: a cover is a "BM" file whose info header
// has a known size, 24 bits a pixel, no compression, and a pixel array that
// starts after every header, mask and palette and ends inside the file.
// Throws FileFailure when the file cannot be read.
BmpReading ReadBmpLayout(RawFile& picture);

// The same verdict on bytes already in memory (the first bytes of the file,
// at least the headers), for callers that hold them.
BmpReading JudgeBmpHeaders(const std::uint8_t* head, std::size_t head_size, std::uint64_t file_length);

}  // namespace veil::carrier
