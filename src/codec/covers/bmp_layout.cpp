#include "codec/covers/bmp_layout.h"

#include <array>

#include "files/little_endian.h"

namespace veil::carrier {
namespace {

constexpr std::uint64_t kFileHeader = 14;
constexpr std::uint32_t kOs2HeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
constexpr std::uint64_t kBitfieldMasks = 12;            // after a 40-byte header only
constexpr std::size_t kHeadBytes = kFileHeader + kV5HeaderSize;

// The sizes written by Windows (40, 108, 124), by Adobe (52, 56) and by
// OS/2 2.x (64). Any other size ≥ 40 is refused: readers disagree on such
// files (some reject them), and a size no writer uses says more about a
// damaged or foreign file than about a picture.
bool KnownHeaderSize(std::uint32_t size) {
  return size == kOs2HeaderSize || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
         size == kV5HeaderSize;
}

BmpReading Refused(BmpRefusal refusal) { return {std::nullopt, refusal}; }

}  // namespace

BmpReading JudgeBmpHeaders(const std::uint8_t* head, std::size_t head_size, std::uint64_t file_length) {
  BmpRefusal refusal;
  refusal.fileLength = file_length;
  auto has = [&](std::uint64_t bytes) { return head_size >= bytes && file_length >= bytes; };
  if (!has(2)) return Refused(refusal);
  refusal.signature = LoadU16(head);
  if (head[0] != 'B' || head[1] != 'M') {
    refusal.kind = BmpRefusalKind::kNotBm;
    return Refused(refusal);
  }
  if (!has(kFileHeader + 4)) return Refused(refusal);
  refusal.pixelOffset = LoadU32(head + 10);
  refusal.headerSize = LoadU32(head + 14);
  if (!KnownHeaderSize(refusal.headerSize)) {
    refusal.kind = BmpRefusalKind::kUnknownHeaderSize;
    return Refused(refusal);
  }
  if (!has(kFileHeader + refusal.headerSize)) return Refused(refusal);

  const bool os2 = refusal.headerSize == kOs2HeaderSize;
  std::uint32_t colours = 0;
  if (os2) {
    // OS/2 1.x: unsigned 16-bit width and height, no compression field.
    refusal.width = LoadU16(head + 18);
    refusal.height = LoadU16(head + 20);
    refusal.planes = LoadU16(head + 22);
    refusal.bitCount = LoadU16(head + 24);
  } else {
    refusal.width = static_cast<std::int32_t>(LoadU32(head + 18));
    refusal.height = static_cast<std::int32_t>(LoadU32(head + 22));
    refusal.planes = LoadU16(head + 26);
    refusal.bitCount = LoadU16(head + 28);
    refusal.compression = LoadU32(head + 30);
    colours = LoadU32(head + 46);
  }
  auto refuse = [&](BmpRefusalKind kind) {
    refusal.kind = kind;
    return Refused(refusal);
  };
  if (refusal.planes != 1) return refuse(BmpRefusalKind::kNotOnePlane);
  if (refusal.width <= 0 || refusal.height == 0 || refusal.height == INT32_MIN)
    return refuse(BmpRefusalKind::kNoPixels);
  if (refusal.bitCount != 24) return refuse(BmpRefusalKind::kNotTwentyFourBit);
  // Bit fields with 24 bits keep three bytes a pixel; OS/2 2.x (64 bytes)
  // uses the value 3 for Huffman coding instead.
  const bool bitfields = refusal.compression == kBiBitfields && refusal.headerSize != 64;
  if (refusal.compression != kBiRgb && !bitfields) return refuse(BmpRefusalKind::kCompressed);

  std::uint64_t headers_end = kFileHeader + refusal.headerSize;
  if (bitfields && refusal.headerSize == kInfoHeaderSize) headers_end += kBitfieldMasks;
  headers_end += std::uint64_t{colours} * (os2 ? 3 : 4);
  refusal.headersEnd = headers_end;
  if (static_cast<std::uint64_t>(refusal.pixelOffset) < headers_end)
    return refuse(BmpRefusalKind::kPixelsInsideHeaders);

  BmpLayout layout;
  layout.pixelOffset = refusal.pixelOffset;
  layout.headerSize = refusal.headerSize;
  layout.width = static_cast<std::int32_t>(refusal.width);
  layout.topDown = refusal.height < 0;
  layout.height = static_cast<std::int32_t>(layout.topDown ? -refusal.height : refusal.height);
  layout.bitCount = refusal.bitCount;
  layout.compression = refusal.compression;
  layout.rowStride = (static_cast<std::uint64_t>(layout.width) * 24 + 31) / 32 * 4;
  layout.pixelArrayEnd =
      static_cast<std::uint64_t>(layout.pixelOffset) + layout.rowStride * static_cast<std::uint64_t>(layout.height);
  layout.fileLength = file_length;
  refusal.pixelArrayEnd = layout.pixelArrayEnd;
  if (layout.pixelArrayEnd > file_length) return refuse(BmpRefusalKind::kPixelsOutsideFile);

  // A colour profile that shares bytes with the pixels would be rewritten
  // by a hiding.
  if (refusal.headerSize == kV5HeaderSize && LoadU32(head + kFileHeader + 56) == kProfileEmbedded) {
    const std::uint64_t start = kFileHeader + LoadU32(head + kFileHeader + 112);
    const std::uint64_t end = start + LoadU32(head + kFileHeader + 116);
    refusal.profileStart = start;
    refusal.profileEnd = end;
    if (start < end && start < layout.pixelArrayEnd && end > static_cast<std::uint64_t>(layout.pixelOffset))
      return refuse(BmpRefusalKind::kProfileInsidePixels);
  }
  return {layout, refusal};
}

BmpReading ReadBmpLayout(RawFile& picture) {
  std::array<std::uint8_t, kHeadBytes> head{};
  const std::uint64_t length = picture.Size();
  const std::size_t got = picture.ReadAt(0, head);
  return JudgeBmpHeaders(head.data(), got, length);
}

}  // namespace veil::carrier
