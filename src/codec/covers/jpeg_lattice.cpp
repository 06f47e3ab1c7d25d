#include "codec/covers/jpeg_lattice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "codec/covers/dct_basis.h"

namespace veil::codec {
namespace {

// Blocks judged on each of the 64 grids, spread over the picture.
constexpr std::size_t kSampledBlocks = 2048;
// A coefficient lies on a step's lattice when within this of a multiple of
// it: the rounding of 64 pixels moves a decoded block's coefficients by
// about 0.3.
constexpr double kOnLattice = 0.6;
// The non-zero coefficients on steps of 2 or more a judged block keeps.
constexpr int kLeastCoefficients = 4;

using Block = std::array<double, 64>;

struct Basis {
  std::array<std::array<double, 8>, 8> c{};  // c[k][m]
  Basis() {
    for (int k = 0; k < 8; ++k)
      for (int m = 0; m < 8; ++m)
        c[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)] = DctBasis(k, m);
  }
};

const Basis& TheBasis() {
  static const Basis basis;
  return basis;
}

// out[k][l] = sum_m sum_n c[k][m] c[l][n] in[m][n], or its inverse.
Block Transform(const Block& in, bool inverse) {
  const auto& c = TheBasis().c;
  Block half{}, out{};
  for (std::size_t a = 0; a < 8; ++a)
    for (std::size_t l = 0; l < 8; ++l) {
      double sum = 0;
      for (std::size_t n = 0; n < 8; ++n) sum += (inverse ? c[n][l] : c[l][n]) * in[a * 8 + n];
      half[a * 8 + l] = sum;
    }
  for (std::size_t k = 0; k < 8; ++k)
    for (std::size_t l = 0; l < 8; ++l) {
      double sum = 0;
      for (std::size_t m = 0; m < 8; ++m) sum += (inverse ? c[m][k] : c[k][m]) * half[m * 8 + l];
      out[k * 8 + l] = sum;
    }
  return out;
}

class GreyPicture {
 public:
  explicit GreyPicture(const CoverSamples& samples) : s_(samples) {}

  bool AllGrey() const {
    if (s_.depth != 8 || s_.dct || (s_.channels != 1 && s_.channels != 3)) return false;
    if (s_.channels == 1) return true;
    const std::uint8_t* p = s_.values8.data();
    for (std::size_t i = 0; i < std::size_t{s_.width} * s_.height; ++i, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
    return true;
  }
  std::uint8_t At(std::uint32_t y, std::uint32_t x) const {
    return s_.values8[(std::size_t{y} * s_.width + x) * s_.channels];
  }
  bool Locked(std::uint32_t y, std::uint32_t x) const { return s_.Locked(std::size_t{y} * s_.width + x); }
  std::uint32_t width() const { return s_.width; }
  std::uint32_t height() const { return s_.height; }

 private:
  const CoverSamples& s_;
};

struct Candidate {
  Block pixels;  // the block's own
  Block dct;     // of pixels - 128
};

// The block at (y, x), unless it has a clipped or locked pixel (a decoder's
// clamping breaks the lattice there) or no texture to judge.
bool TakeBlock(const GreyPicture& picture, std::uint32_t y, std::uint32_t x, Candidate& block) {
  for (std::uint32_t m = 0; m < 8; ++m)
    for (std::uint32_t n = 0; n < 8; ++n) {
      const std::uint8_t value = picture.At(y + m, x + n);
      if (value == 0 || value == 255 || picture.Locked(y + m, x + n)) return false;
      block.pixels[m * 8 + n] = value;
    }
  Block centred;
  for (std::size_t i = 0; i < 64; ++i) centred[i] = block.pixels[i] - 128;
  block.dct = Transform(centred, false);
  for (std::size_t i = 1; i < 64; ++i)
    if (std::abs(block.dct[i]) >= 2) return true;
  return false;
}

// The largest step on whose lattice nine in ten of a frequency's clearly
// non-zero coefficients lie; 0 when none is clearly non-zero (the step then
// took them all to 0).
int EstimateStep(const std::vector<Candidate>& blocks, std::size_t frequency) {
  std::vector<double> values;
  for (const Candidate& block : blocks)
    if (std::abs(block.dct[frequency]) > 2) values.push_back(std::abs(block.dct[frequency]));
  if (values.size() < 8) return 0;
  const double largest = *std::max_element(values.begin(), values.end());
  const std::size_t allowed_misses = values.size() / 10;
  for (int step = std::min(255, static_cast<int>(largest + 1)); step > 1; --step) {
    std::size_t misses = 0;
    for (std::size_t i = 0; i < values.size() && misses <= allowed_misses; ++i)
      misses += std::abs(values[i] - step * std::round(values[i] / step)) > kOnLattice;
    if (misses <= allowed_misses) return step;
  }
  return 1;
}

enum class Verdict { kNotJudged, kGivenBack, kNotGivenBack };

// Only a block with a few non-zero coefficients on steps of 2 or more says
// anything: every value lies on a step of 1, and a smooth block comes back
// on any grid.
Verdict Judge(const Candidate& block, const std::array<int, 64>& steps) {
  Block quantised;
  int nonzero = 0;
  for (std::size_t i = 0; i < 64; ++i) {
    quantised[i] = steps[i] == 0 ? 0 : steps[i] * std::round(block.dct[i] / steps[i]);
    nonzero += steps[i] >= 2 && quantised[i] != 0;
  }
  if (nonzero < kLeastCoefficients) return Verdict::kNotJudged;
  const Block decoded = Transform(quantised, true);
  for (std::size_t i = 0; i < 64; ++i)
    if (std::clamp(std::round(decoded[i] + 128), 0.0, 255.0) != block.pixels[i]) return Verdict::kNotGivenBack;
  return Verdict::kGivenBack;
}

}  // namespace

JpegLattice ReadJpegLattice(const CoverSamples& samples) {
  JpegLattice best;
  const GreyPicture picture(samples);
  if (samples.width < 16 || samples.height < 16 || !picture.AllGrey()) return best;
  for (std::uint8_t oy = 0; oy < 8; ++oy)
    for (std::uint8_t ox = 0; ox < 8; ++ox) {
      const std::uint64_t rows = (picture.height() - oy) / 8, columns = (picture.width() - ox) / 8;
      const std::uint64_t count = rows * columns;
      const std::uint64_t stride = std::max<std::uint64_t>(1, count / (4 * kSampledBlocks));
      std::vector<Candidate> blocks;
      Candidate block;
      for (std::uint64_t b = 0; b < count && blocks.size() < kSampledBlocks; b += stride)
        if (TakeBlock(picture, static_cast<std::uint32_t>(oy + 8 * (b / columns)),
                      static_cast<std::uint32_t>(ox + 8 * (b % columns)), block))
          blocks.push_back(block);
      std::array<int, 64> steps{};
      for (std::size_t k = 0; k < 64; ++k) steps[k] = EstimateStep(blocks, k);
      std::uint64_t judged = 0, compatible = 0;
      for (const Candidate& each : blocks) {
        const Verdict verdict = Judge(each, steps);
        judged += verdict != Verdict::kNotJudged;
        compatible += verdict == Verdict::kGivenBack;
      }
      if (compatible > best.compatible || best.blocks == 0) {
        best.other_grids = std::max(best.other_grids, best.compatible);
        best.blocks = judged;
        best.compatible = compatible;
        best.row_offset = oy;
        best.column_offset = ox;
      } else {
        best.other_grids = std::max(best.other_grids, compatible);
      }
    }
  return best;
}

}  // namespace veil::codec
