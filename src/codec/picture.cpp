#include "codec/picture.h"

#include "codec/covers/bmp_layout.h"
#include "codec/plain/carrier_layout.h"

namespace veil::codec {

Picture ReadPicture(RawFile& file) {
  Picture picture;
  picture.kind = ReadCoverKind(file);
  if (CarriesOnlyStealth(picture.kind) || LossyCoverReason(picture.kind)) return picture;
  picture.facts = carrier::ReadCarrierFacts(file);
  picture.carrier_cover = carrier::ReadBmpLayout(file).IsCover();
  if (!picture.facts.HoldsFile())
    picture.holds = Picture::Holds::kNoMarker;
  else if (!carrier::IsOwnMarker(picture.facts.marker))
    picture.holds = Picture::Holds::kForeign;
  else
    picture.holds = picture.facts.IsSealed() ? Picture::Holds::kSealed : Picture::Holds::kPlain;
  return picture;
}

Form FormToOpen(const Picture& picture, bool stealth_asked, bool password_given, bool clearing) {
  if (stealth_asked || CarriesOnlyStealth(picture.kind)) return Form::kStealth;
  if (picture.holds == Picture::Holds::kNoMarker && picture.carrier_cover && password_given && !clearing)
    return Form::kStealth;
  return picture.holds == Picture::Holds::kSealed ? Form::kSealed : Form::kPlain;
}

}  // namespace veil::codec
