#include "codec/carrier_layout.h"
#include "codec/codec_texts.h"
#include "codec/control_names.h"
#include "codec/group_kernel.h"
#include "codec/module2.h"
#include "platform/file_failure.h"

namespace veil {

RunReport Module2::RunEmbedding() {
  state_.markerValue = 0;
  pixelOffset = 0;
  groupIndex = 0;
  NumberedFiles& files = platform_.files;
  try {
    // The cover must exist: opening it must never create a file.
    NumberedFile& cover = files.Open(kCoverFile, state_.coverPath, OpenMode::kReadWriteExisting);
    NumberedFile& payload = files.Open(kSecondFile, state_.payloadPath, OpenMode::kReadOnly);
    return EmbedInto(cover, payload);
  } catch (const std::exception& failure) {
    // Writes still buffered are dropped: the marker goes last, so whatever
    // reached the picture leaves it reading as clean.
    files.DiscardAll();
    platform_.boxes.Show(texts::kEmbedFailure, "", kStyleStop);
    return {RunOutcome::kFailed, failure.what()};
  }
}

RunReport Module2::EmbedInto(NumberedFile& cover, NumberedFile& payload) {
  const std::uint64_t length = payload.Length();
  state_.markerValue = static_cast<std::int32_t>(std::min<std::uint64_t>(length, INT32_MAX));
  pixelOffset = cover.ReadI32At(carrier::kPixelOffsetField);
  const std::uint64_t cover_length = cover.Length();
  if (!carrier::PixelOffsetUsable(pixelOffset, cover_length))
    throw FileFailure(cover.Path() + ": the pixel-data offset " + std::to_string(pixelOffset) +
                      " lies outside the picture");

  if (!carrier::Fits(cover_length, pixelOffset, length)) {
    RunReport report{RunOutcome::kTooLarge,
                     payload.Path() + " is " + std::to_string(length) + " bytes; " + cover.Path() +
                         " can take at most " +
                         std::to_string(carrier::CapacityBytes(cover_length, pixelOffset)) + " bytes"};
    platform_.files.CloseAll();  // cover and payload are gone from here on
    platform_.boxes.Show(texts::kTooLarge, texts::kTooLargeTitle, kStyleStop);
    return report;
  }

  // Only single-byte characters fit the header's fixed fields.
  std::string extension = state_.hiddenExtension;
  if (extension.size() != carrier::kExtensionSize || !carrier::IsPortableText(extension))
    extension = carrier::kFallbackExtension;
  if (state_.passwordLength > carrier::kPasswordFieldSize || !carrier::IsPortableText(state_.passwordText))
    throw FileFailure("the password does not fit the picture's 8-byte password field");

  const bool with_password = GetNumber(platform_.controls, names::kChkPassword, prop::kValue) != 0;
  const std::uint32_t marker = carrier::MarkerValue(static_cast<std::uint32_t>(length), with_password);
  state_.markerValue = static_cast<std::int32_t>(carrier::HiddenLength(marker));

  const std::uint64_t p = static_cast<std::uint64_t>(pixelOffset);
  cover.ReadAt(p - skipBuffer.size(), skipBuffer);
  std::uint8_t header[carrier::kHiddenHeaderSize];
  std::copy(extension.begin(), extension.end(), header);
  header[carrier::kPasswordLengthAt] = state_.passwordLength;
  const auto field = carrier::PasswordField(state_.passwordText);
  std::copy(field.begin(), field.end(), header + carrier::kPasswordAt);

  const std::uint64_t hidden = carrier::HiddenLength(marker);
  const std::uint64_t payload_start = p + carrier::kHiddenHeaderSize;
  MoveWholeGroups(hidden, [&](std::int64_t first, std::span<std::uint8_t> pixels, std::span<std::uint8_t> data) {
    const std::uint64_t at = payload_start + static_cast<std::uint64_t>(first - 1) * carrier::kGroupCoverBytes;
    cover.ReadAt(at, pixels);
    payload.Read(data);
    PlaceGroups(pixels, data);
    cover.WriteAt(at, pixels);
  });

  if (const int tail = static_cast<int>(hidden % 3); tail != 0) {
    const std::uint64_t at = payload_start + static_cast<std::uint64_t>(groupCount) * 12;
    cover.ReadAt(at, pixelGroup);
    payload.Read(std::span<std::uint8_t>(dataGroup.data(), static_cast<std::size_t>(tail)));
    PlaceDataGroup(tail);
    cover.WriteAt(at, pixelGroup);
  }

  // The header and then the marker go last: a run that fails or is killed
  // before them has changed nothing but low bits of pixels, and the marker,
  // which makes the picture claim a file, is written only once the header
  // and every group are safely on disk.
  cover.WriteAt(p, header);
  cover.Sync();
  cover.WriteU32At(carrier::kMarkerOffset, marker);
  platform_.files.Close(kSecondFile);
  platform_.files.Close(kCoverFile);

  SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kEmbedDone));
  platform_.boxes.Show(texts::kEmbedDone, texts::kEmbedDoneTitle, kStyleInformation);
  state_.hasHiddenFile = 1;
  return {RunOutcome::kCompleted, {}};
}

}  // namespace veil
