#include "codec/plain/carrier_reader.h"

#include <array>

#include "codec/plain/carrier_layout.h"
#include "files/file_failure.h"
#include "files/little_endian.h"

namespace veil::carrier {
namespace {

// The BMP file header, up to the pixel-data offset.
constexpr std::size_t kHeadBytes = kPixelOffsetField + 4;

}  // namespace

std::uint64_t CarrierFacts::EndOfHiddenFile() const {
  return static_cast<std::uint64_t>(pixelOffset) + BytesNeeded(HiddenLength());
}

bool CarrierFacts::Complete() const { return pixelOffsetUsable && EndOfHiddenFile() <= fileLength; }

CarrierFacts ReadCarrierFacts(RawFile& picture) {
  CarrierFacts facts;
  facts.fileLength = picture.Size();
  std::array<std::uint8_t, kHeadBytes> head{};
  const std::size_t got = picture.ReadAt(0, head);
  if (got >= kMarkerOffset + 4) facts.marker = LoadU32(&head[kMarkerOffset]);
  if (got >= kPixelOffsetField + 4) facts.pixelOffset = static_cast<std::int32_t>(LoadU32(&head[kPixelOffsetField]));
  facts.pixelOffsetUsable = PixelOffsetUsable(facts.pixelOffset, facts.fileLength);
  if (facts.pixelOffsetUsable && facts.HoldsFile() && !facts.IsSealed()) {
    std::string ext(kExtensionSize, '\0');
    ReadExactly(picture, static_cast<std::uint64_t>(facts.pixelOffset),
                {reinterpret_cast<std::uint8_t*>(ext.data()), ext.size()});
    facts.extension = ext;
  }
  return facts;
}

std::string ReadStoredPassword(RawFile& picture, std::int32_t pixel_offset) {
  const auto p = static_cast<std::uint64_t>(pixel_offset);
  std::uint8_t length = 0;
  ReadExactly(picture, p + kPasswordLengthAt, {&length, 1});
  std::string password(length, '\0');
  ReadExactly(picture, p + kPasswordAt, {reinterpret_cast<std::uint8_t*>(password.data()), password.size()});
  return password;
}

std::string SafeExtension(const std::string& stored) {
  std::string safe = stored;
  for (char& c : safe) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|')
      c = '_';
  }
  return safe;
}

}  // namespace veil::carrier
