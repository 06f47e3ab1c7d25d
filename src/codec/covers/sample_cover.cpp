#include "codec/covers/sample_cover.h"

#include <variant>

#include "codec/covers/bmp_cover.h"
#include "codec/covers/bmp_layout.h"
#include "codec/covers/cover_kind.h"
#include "codec/covers/jpeg/jpeg_sample_cover.h"
#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_sample_cover.h"
#include "codec/covers/png_signature_damage.h"
#include "files/file_failure.h"

namespace veil::codec {

CoverReading ReadCover(RawFile& picture, RunProgress* progress) {
  const CoverKind kind = ReadCoverKind(picture);
  if (auto lossy = LossyCoverReason(kind)) return {nullptr, *lossy};
  if (kind == CoverKind::kJpeg) {
    auto [cover, refusal, damaged] = ReadJpegCover(picture, progress);
    return {std::move(cover), std::move(refusal), damaged};
  }
  if (kind == CoverKind::kPng) {
    auto reading = png::ReadPngCover(picture, {}, progress);
    if (auto* cover = std::get_if<png::PngCover>(&reading))
      return {std::make_unique<PngSampleCover>(picture, std::move(*cover)), {}};
    const auto& refusal = std::get<png::PngRefusal>(reading);
    if (refusal.kind == png::PngRefusal::Kind::kIoFailure) throw FileFailure(refusal.reason);
    const bool damaged =
        refusal.kind == png::PngRefusal::Kind::kDamaged || refusal.kind == png::PngRefusal::Kind::kTruncated;
    return {nullptr, refusal.reason, damaged};
  }
  const auto reading = carrier::ReadBmpLayout(picture);
  if (reading.IsCover()) return {std::make_unique<BmpCover>(picture, *reading.layout, progress), {}};
  if (kind == CoverKind::kOther)
    if (auto damage = ReadPngSignatureDamage(picture)) return {nullptr, *damage, true};
  if (kind == CoverKind::kBmp)
    return {nullptr, "the stealth form reads uncompressed 24-bit BMP pictures whose pixels lie inside the file"};
  return {nullptr,
          "the stealth form reads 24-bit BMP pictures, 8- or 16-bit PNG pictures without a palette, and JPEG pictures"};
}

LowBitsReading ReadCoverLowBits(RawFile& picture, RunProgress* progress) {
  if (ReadCoverKind(picture) == CoverKind::kPng) {
    auto reading = png::ReadPngLowBits(picture, {}, progress);
    if (auto* bits = std::get_if<CoverLowBits>(&reading)) return {std::move(*bits), {}};
    const auto& refusal = std::get<png::PngRefusal>(reading);
    if (refusal.kind == png::PngRefusal::Kind::kIoFailure) throw FileFailure(refusal.reason);
    const bool damaged =
        refusal.kind == png::PngRefusal::Kind::kDamaged || refusal.kind == png::PngRefusal::Kind::kTruncated;
    return {{}, refusal.reason, damaged};
  }
  auto [cover, refusal, damaged] = ReadCover(picture, progress);
  if (!cover) return {{}, std::move(refusal), damaged};
  return {LowBitsOf(cover->samples()), {}};
}

}  // namespace veil::codec
