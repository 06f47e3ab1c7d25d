#include "codec/covers/sample_cover.h"

#include <variant>

#include "codec/covers/bmp_layout.h"
#include "codec/covers/cover_kind.h"
#include "codec/covers/png/png_reader.h"
#include "codec/covers/bmp_cover.h"
#include "codec/covers/png/png_sample_cover.h"
#include "files/file_failure.h"

namespace veil::codec::stealth {

namespace {

CoverKind KindOf(RawFile& picture) {
  std::uint8_t first[kCoverSignatureBytes] = {};
  const std::size_t got = picture.ReadAt(0, first);
  return CoverKindOf({first, got});
}

}  // namespace

std::unique_ptr<StealthCover> ReadStealthCover(RawFile& picture) {
  if (KindOf(picture) == CoverKind::kPng) {
    auto reading = png::ReadPngCover(picture);
    if (auto* cover = std::get_if<png::PngCover>(&reading)) {
      return std::make_unique<PngStealthCover>(picture, std::move(*cover));
    }
    const auto& refusal = std::get<png::PngRefusal>(reading);
    if (refusal.kind == png::PngRefusal::Kind::kIoFailure) throw FileFailure(refusal.reason);
    return nullptr;
  }
  const auto reading = carrier::ReadBmpLayout(picture);
  if (reading.IsCover()) return std::make_unique<BmpCover>(picture, *reading.layout);
  return nullptr;
}

std::string WhyNoStealthCover(RawFile& picture) {
  const CoverKind kind = KindOf(picture);
  if (auto lossy = LossyCoverReason(kind)) return *lossy;
  if (kind == CoverKind::kPng) {
    auto reading = png::ReadPngCover(picture);
    if (auto* refusal = std::get_if<png::PngRefusal>(&reading)) return refusal->reason;
    return {};
  }
  if (kind == CoverKind::kBmp) return "the stealth form reads uncompressed 24-bit BMP pictures whose pixels lie inside the file";
  return "the stealth form reads 24-bit BMP pictures and 8- or 16-bit PNG pictures without a palette";
}

}  // namespace veil::codec::stealth
