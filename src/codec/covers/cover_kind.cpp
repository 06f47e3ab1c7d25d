#include "codec/covers/cover_kind.h"

#include <algorithm>
#include <array>

namespace veil::codec {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::span<const std::uint8_t> expected) {
  return bytes.size() >= at + expected.size() && std::equal(expected.begin(), expected.end(), bytes.begin() + at);
}

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::array<std::uint8_t, 2> kBmpSignature{'B', 'M'};
constexpr std::array<std::uint8_t, 3> kJpegSignature{0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 6> kGif87{'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<std::uint8_t, 6> kGif89{'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<std::uint8_t, 4> kRiff{'R', 'I', 'F', 'F'};
constexpr std::array<std::uint8_t, 4> kWebp{'W', 'E', 'B', 'P'};

}  // namespace

CoverKind CoverKindOf(std::span<const std::uint8_t> first_bytes) {
  if (StartsWith(first_bytes, 0, kPngSignature)) return CoverKind::kPng;
  if (StartsWith(first_bytes, 0, kBmpSignature)) return CoverKind::kBmp;
  if (StartsWith(first_bytes, 0, kJpegSignature)) return CoverKind::kJpeg;
  if (StartsWith(first_bytes, 0, kGif87) || StartsWith(first_bytes, 0, kGif89)) return CoverKind::kGif;
  if (StartsWith(first_bytes, 0, kRiff) && StartsWith(first_bytes, 8, kWebp)) return CoverKind::kWebp;
  return CoverKind::kOther;
}

CoverKind ReadCoverKind(RawFile& picture) {
  std::uint8_t first[kCoverSignatureBytes] = {};
  const std::size_t got = picture.ReadAt(0, first);
  return CoverKindOf({first, got});
}

const char* CoverKindName(CoverKind kind) {
  switch (kind) {
    case CoverKind::kBmp: return "BMP";
    case CoverKind::kPng: return "PNG";
    case CoverKind::kJpeg: return "JPEG";
    case CoverKind::kGif: return "GIF";
    case CoverKind::kWebp: return "WebP";
    case CoverKind::kOther: break;
  }
  return "unknown";
}

std::optional<std::string> LossyCoverReason(CoverKind kind) {
  switch (kind) {
    case CoverKind::kGif:
      return "a GIF picture cannot carry a hidden file: its colours come from a palette, where a changed value is a "
             "different colour, and GIFs are re-encoded freely, which would destroy the hidden file";
    case CoverKind::kWebp:
      return "a WebP picture cannot carry a hidden file: WebP is mostly stored lossily and re-encoded when shared, "
             "which would destroy the hidden file";
    case CoverKind::kBmp:
    case CoverKind::kPng:
    case CoverKind::kJpeg:
    case CoverKind::kOther: break;
  }
  return std::nullopt;
}

bool CarriesOnlyStealth(CoverKind kind) { return kind == CoverKind::kPng || kind == CoverKind::kJpeg; }

}  // namespace veil::codec
