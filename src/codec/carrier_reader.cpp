#include "codec/carrier_reader.h"

#include "codec/carrier_layout.h"

namespace veil::carrier {

bool CarrierFacts::Complete() const {
  return pixelOffsetUsable &&
         static_cast<std::uint64_t>(pixelOffset) + BytesNeeded(HiddenLength()) <= fileLength;
}

CarrierFacts ReadCarrierFacts(NumberedFile& picture) {
  CarrierFacts facts;
  facts.fileLength = picture.Length();
  if (facts.fileLength >= kBitCountOffset + 2) facts.bitCount = picture.ReadU16At(kBitCountOffset);
  if (facts.fileLength >= kMarkerOffset + 4) facts.marker = picture.ReadU32At(kMarkerOffset);
  if (facts.fileLength >= kPixelOffsetField + 4) facts.pixelOffset = picture.ReadI32At(kPixelOffsetField);
  facts.pixelOffsetUsable = PixelOffsetUsable(facts.pixelOffset, facts.fileLength);
  if (facts.pixelOffsetUsable && facts.HoldsFile()) {
    std::string ext(kExtensionSize, '\0');
    picture.ReadAt(static_cast<std::uint64_t>(facts.pixelOffset),
                   {reinterpret_cast<std::uint8_t*>(ext.data()), ext.size()});
    facts.extension = ext;
  }
  return facts;
}

std::string ReadStoredPassword(NumberedFile& picture, std::int32_t pixel_offset) {
  const auto p = static_cast<std::uint64_t>(pixel_offset);
  const std::uint8_t length = picture.ReadU8At(p + kPasswordLengthAt);
  std::string password(length, '\0');
  picture.ReadAt(p + kPasswordAt, {reinterpret_cast<std::uint8_t*>(password.data()), password.size()});
  return password;
}

std::string SafeExtension(const std::string& stored) {
  std::string safe = stored;
  for (char& c : safe) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
        c == '"' || c == '<' || c == '>' || c == '|')
      c = '_';
  }
  return safe;
}

}  // namespace veil::carrier
