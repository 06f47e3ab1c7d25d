#pragma once

#include <string>

namespace veil::codec::png {

// Why a file is not taken as a PNG cover; the reason is one English line
// for the user.
struct PngRefusal {
  enum class Kind {
    kNotPng,       // no PNG signature
    kDamaged,      // a checksum, a chunk's framing or the compressed data does not hold up
    kTruncated,    // the file ends inside a chunk or before IEND
    kTooLarge,     // more samples, or a larger chunk, than the limits allow
    kUnsupported,  // a valid PNG of a kind that cannot carry: palette, 1/2/4-bit grey, unknown critical chunk
    kIoFailure,    // the file could not be read
  };
  Kind kind = Kind::kDamaged;
  std::string reason;
};

}  // namespace veil::codec::png
