#include "codec/stealth/stealth_cover.h"

#include "codec/bmp_layout.h"
#include "codec/stealth/bmp_cover.h"

namespace veil::codec::stealth {

std::unique_ptr<StealthCover> ReadStealthCover(RawFile& picture) {
  const auto reading = carrier::ReadBmpLayout(picture);
  if (reading.IsCover()) return std::make_unique<BmpCover>(picture, *reading.layout);
  return nullptr;
}

}  // namespace veil::codec::stealth
