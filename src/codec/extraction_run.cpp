#include "codec/carrier_layout.h"
#include "codec/codec_texts.h"
#include "codec/group_kernel.h"
#include "codec/module2.h"
#include "platform/file_failure.h"

namespace veil {

RunReport Module2::RunExtraction() {
  try {
    return ExtractFrom(platform_.files[kCoverFile], platform_.files[kSecondFile]);
  } catch (const std::exception& failure) {
    platform_.boxes.Show(texts::kExtractFailure, "", kStyleStop);
    return {RunOutcome::kFailed, failure.what()};
  }
}

RunReport Module2::ExtractFrom(NumberedFile& cover, NumberedFile& output) {
  pixelOffset = cover.ReadI32At(carrier::kPixelOffsetField);
  const std::uint64_t cover_length = cover.Length();
  if (!carrier::PixelOffsetUsable(pixelOffset, cover_length))
    throw FileFailure(cover.Path() + ": the pixel-data offset " + std::to_string(pixelOffset) +
                      " lies outside the picture");
  const std::uint64_t p = static_cast<std::uint64_t>(pixelOffset);
  cover.ReadAt(p + carrier::kPasswordAt, skipBuffer);

  const std::uint64_t hidden = carrier::HiddenLength(static_cast<std::uint32_t>(state_.markerValue));
  // A damaged picture must not yield invented bytes: it has to hold every
  // group the marker promises.
  const std::uint64_t needed = p + carrier::BytesNeeded(hidden);
  if (needed > cover_length)
    throw EndOfFile(cover.Path() + " is damaged: it ends at byte " + std::to_string(cover_length) +
                    ", but its hidden file of " + std::to_string(hidden) + " bytes needs " +
                    std::to_string(needed));

  MoveWholeGroups(hidden, [&](std::int64_t, std::span<std::uint8_t> pixels, std::span<std::uint8_t> data) {
    cover.Read(pixels);
    GatherGroups(pixels, data);
    output.Write(data);
  });

  if (const int tail = static_cast<int>(hidden % 3); tail != 0) {
    cover.Read(pixelGroup);
    GatherDataGroup(tail);
    output.Write(std::span<const std::uint8_t>(dataGroup.data(), static_cast<std::size_t>(tail)));
  }
  // Surface a failing write here, as the run's own failure.
  output.Flush();
  return {RunOutcome::kCompleted, {}};
}

}  // namespace veil
