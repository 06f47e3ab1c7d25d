#include "codec/covers/jpeg/jpeg_sample_cover.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "files/file_failure.h"

namespace veil::codec {
namespace {

// Larger JPEG files than this are not read whole.
constexpr std::uint64_t kMostFileBytes = std::uint64_t{1} << 30;

}  // namespace

JpegSampleCover::JpegSampleCover(std::vector<std::uint8_t> file, jpeg::Layout layout, jpeg::Coefficients coefficients)
    : file_(std::move(file)), layout_(std::move(layout)) {
  samples_.width = 64;
  samples_.height = static_cast<std::uint32_t>(coefficients.values.size() / 64);
  samples_.channels = 1;
  samples_.depth = 16;
  samples_.values16 = std::move(coefficients.values);
  samples_.dct = std::make_shared<const DctGrid>(std::move(coefficients.grid));
}

std::vector<std::uint8_t> JpegSampleCover::Encode(RunProgress* progress) const {
  std::string error;
  auto coded = jpeg::EncodeCoefficients(file_, layout_, samples_.values16, &error, progress);
  if (coded.empty()) throw FileFailure("the JPEG could not be written with its changed coefficients: " + error);
  return coded;
}

void JpegSampleCover::Write(RawFile& copy, RunProgress* progress) {
  const auto coded = Encode(progress);
  constexpr std::size_t kPiece = 1 << 20;
  for (std::size_t at = 0; at < coded.size(); at += kPiece)
    copy.WriteAt(at, std::span(coded).subspan(at, std::min(kPiece, coded.size() - at)));
  copy.Sync();
}

JpegCoverReading ReadJpegCover(RawFile& picture, RunProgress* progress) {
  const std::uint64_t size = picture.Size();
  if (size > kMostFileBytes) return {nullptr, "the JPEG file is larger than the stealth form reads (1 GiB)"};
  std::vector<std::uint8_t> file(static_cast<std::size_t>(size));
  ReadExactly(picture, 0, file);
  auto layout = jpeg::ReadLayout(file);
  if (auto* refusal = std::get_if<jpeg::LayoutRefusal>(&layout)) return {nullptr, refusal->reason, refusal->damaged};
  auto decoded = jpeg::DecodeCoefficients(file, progress);
  if (auto* refusal = std::get_if<jpeg::CoefficientRefusal>(&decoded))
    return {nullptr, refusal->reason, refusal->damaged};
  return {std::make_unique<JpegSampleCover>(std::move(file), std::move(std::get<jpeg::Layout>(layout)),
                                            std::move(std::get<jpeg::Coefficients>(decoded))),
          {}};
}

}  // namespace veil::codec
