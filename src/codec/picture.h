#pragma once

#include "codec/covers/cover_kind.h"
#include "codec/plain/carrier_reader.h"
#include "files/raw_file.h"

namespace veil::codec {

// The forms a file is hidden in.
enum class Form { kPlain, kSealed, kStealth };

// What a picture is and holds, from its bytes alone: no password is needed,
// and none can tell a stealth file from a clean picture.
struct Picture {
  enum class Holds {
    kNoMarker,  // clean, or a stealth file that only its password shows
    kPlain,     // the carrier format's own file (version 1)
    kSealed,    // a sealed file (version 2)
    kForeign,   // reserved words of a version this program does not read
  };
  CoverKind kind = CoverKind::kOther;
  Holds holds = Holds::kNoMarker;
  carrier::CarrierFacts facts;  // a BMP's reserved words; empty for other kinds
  bool carrier_cover = false;   // a BMP whose layout the carrier format hides in
};
// Throws FileFailure.
Picture ReadPicture(RawFile& file);

// The form an extraction opens a picture in, from what it holds and what
// the user gave: the stealth form when asked for, for a PNG, and for an
// unmarked BMP cover opened with a password (not to clear it); otherwise
// the form its marker names (a picture without one holds nothing there).
Form FormToOpen(const Picture& picture, bool stealth_asked, bool password_given, bool clearing);

}  // namespace veil::codec
