#pragma once

#include <cstdint>

namespace veil::codec::png {

// What a PNG cover may claim before it is refused, so that a hostile header
// or chunk cannot make the reader allocate or work without bound.
struct PngLimits {
  // Samples of the whole picture, alpha included: 2^28 is 256 Mi samples
  // (an 8192 x 8192 RGBA or a 16384 x 16384 grey picture); at 16 bits, 512 MiB
  // decoded. Larger pictures are refused before anything is allocated.
  std::uint64_t max_samples = std::uint64_t{1} << 28;
  // The longest chunk other than IDAT that is kept (ICC profiles, Exif and
  // text are far smaller).
  std::uint32_t max_chunk_bytes = 16u << 20;
};

}  // namespace veil::codec::png
