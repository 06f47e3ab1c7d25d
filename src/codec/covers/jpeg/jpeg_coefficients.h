#pragma once

#include "codec/progress/run_progress.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "codec/covers/cover_samples.h"
#include "codec/covers/jpeg/jpeg_layout.h"

namespace veil::codec::jpeg {

// A JPEG's quantised DCT coefficients as samples (see DctGrid), as libjpeg
// decodes them, entropy coding undone and nothing else.
struct Coefficients {
  DctGrid grid;
  std::vector<std::uint16_t> values;  // coefficient + kCoefficientOffset
};

struct CoefficientRefusal {
  bool damaged = true;  // libjpeg found the file corrupt, not merely of a kind not taken
  std::string reason;
};

// The most pixels, and the most blocks a byte of the file, taken: a valid
// scan codes each block of each component in one bit at least, so more
// blocks than eight a byte is a forged size.
inline constexpr std::uint64_t kMostPixels = std::uint64_t{1} << 28;
inline constexpr std::uint64_t kMostBlocksPerByte = 8;

// Decodes the coefficients of 8-bit grey or YCbCr JPEGs; any warning of
// libjpeg's about the data counts as damage. With a progress, tells it
// libjpeg's passes as its part from `from` to `to`, and stops
// (RunCancelled) when it is to.
std::variant<Coefficients, CoefficientRefusal> DecodeCoefficients(std::span<const std::uint8_t> file,
                                                                 RunProgress* progress = nullptr, double from = 0,
                                                                 double to = 1);

// The file again with these coefficients, everything before the first scan
// and after the end of the image as the file had it, and the scans coded
// anew in the file's own order: with the file's Huffman tables where they
// are one baseline scan's and still code every value, else with optimal
// ones in their place. Decoded again before it is returned, it gives back
// exactly these coefficients; empty, with the reason in *error, when no
// coding does. With a progress, tells it the coding and the decoding again
// as the whole of its stage, and stops (RunCancelled) when it is to.
std::vector<std::uint8_t> EncodeCoefficients(std::span<const std::uint8_t> file, const Layout& layout,
                                             std::span<const std::uint16_t> values, std::string* error,
                                             RunProgress* progress = nullptr);

}  // namespace veil::codec::jpeg
