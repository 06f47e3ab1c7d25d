// J-UNIWARD's costs against its definition, computed the slow way: the whole
// residuals of the decompressed picture by two-dimensional filtering, and a
// coefficient's cost as the weighted change of every residual its change
// moves.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "codec/stealth/juniward_costs.h"
#include "codec/stealth/juniward_kernels.h"

namespace veil::codec::stealth {
namespace {

constexpr int kBlocks = 6, kSize = 8 * kBlocks;
constexpr double kSigma = 1.0 / 64;

// Daubechies' 8-tap wavelet's decomposition filters.
constexpr std::array<double, 16> kLow{-0.00011747678400228192, 0.0006754494059985568, -0.0003917403729959771,
                                      -0.00487035299301066,    0.008746094047015655,  0.013981027917015516,
                                      -0.04408825393106472,    -0.01736930100202211,  0.128747426620186,
                                      0.00047248457399797254,  -0.2840155429624281,   -0.015829105256023893,
                                      0.5853546836548691,      0.6756307362980128,    0.3128715909144659,
                                      0.05441584224308161};
constexpr std::array<double, 16> kHigh{-0.0544158422, 0.3128715909,  -0.6756307363, 0.5853546837,
                                       0.0158291053,  -0.2840155430, -0.0004724846, 0.1287474266,
                                       0.0173693010,  -0.0440882539, -0.0139810279, 0.0087460940,
                                       0.0048703530,  -0.0003917404, -0.0006754494, -0.0001174768};

double Basis(int k, int m) { return (k == 0 ? std::sqrt(1.0 / 8) : 0.5) * std::cos((2 * m + 1) * k * std::numbers::pi / 16); }

int Mirror(int i) {
  while (i < 0 || i >= kSize) i = i < 0 ? -1 - i : 2 * kSize - 1 - i;
  return i;
}

using Plane = std::vector<double>;  // kSize x kSize

struct Picture {
  CoverSamples samples;
  Plane pixels = Plane(kSize * kSize, 0.0);
};

Picture RandomPicture(unsigned seed) {
  Picture p;
  auto grid = std::make_shared<DctGrid>();
  DctComponent component;
  component.width_in_blocks = component.height_in_blocks = kBlocks;
  for (std::size_t i = 0; i < 64; ++i) component.quant[i] = static_cast<std::uint16_t>(2 + (i * 7) % 23);
  grid->components.push_back(component);
  p.samples.width = kSize * kSize;
  p.samples.height = 1;
  p.samples.channels = 1;
  p.samples.depth = 16;
  p.samples.dct = grid;
  std::mt19937 random(seed);
  std::vector<int> coefficients(kSize * kSize);
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    const int spread = i % 64 == 0 ? 60 : (i % 64 < 20 ? 6 : 2);
    coefficients[i] = static_cast<int>(random() % (2 * spread + 1)) - spread;
    p.samples.values16.push_back(static_cast<std::uint16_t>(kCoefficientOffset + coefficients[i]));
  }
  for (int by = 0; by < kBlocks; ++by)
    for (int bx = 0; bx < kBlocks; ++bx)
      for (int k = 0; k < 8; ++k)
        for (int l = 0; l < 8; ++l) {
          const double d = coefficients[static_cast<std::size_t>(64 * (by * kBlocks + bx) + 8 * k + l)] *
                           double(component.quant[static_cast<std::size_t>(8 * k + l)]);
          for (int m = 0; m < 8; ++m)
            for (int n = 0; n < 8; ++n)
              p.pixels[static_cast<std::size_t>((8 * by + m) * kSize + 8 * bx + n)] += d * Basis(k, m) * Basis(l, n);
        }
  return p;
}

// The residual at (y, x) of filtering with vertical (x) horizontal taps.
double Residual(const std::array<double, 16>& vertical, const std::array<double, 16>& horizontal,
                const auto& value, int y, int x) {
  double sum = 0;
  for (int s = 0; s < 16; ++s)
    for (int t = 0; t < 16; ++t) sum += vertical[s] * horizontal[t] * value(y + 7 - s, x + 7 - t);
  return sum;
}

double DefinedCost(const Picture& p, int by, int bx, int k, int l) {
  const double q = p.samples.dct->components[0].quant[static_cast<std::size_t>(8 * k + l)];
  const std::array<std::pair<const std::array<double, 16>*, const std::array<double, 16>*>, 3> filters{
      {{&kLow, &kHigh}, {&kHigh, &kLow}, {&kHigh, &kHigh}}};
  auto pixel = [&](int y, int x) { return p.pixels[static_cast<std::size_t>(Mirror(y) * kSize + Mirror(x))]; };
  auto change = [&](int y, int x) {
    const int m = y - 8 * by, n = x - 8 * bx;
    return m < 0 || m >= 8 || n < 0 || n >= 8 ? 0.0 : q * Basis(k, m) * Basis(l, n);
  };
  double cost = 0;
  for (const auto& [vertical, horizontal] : filters)
    for (int y = 8 * by - 8; y < 8 * by + 16; ++y)
      for (int x = 8 * bx - 8; x < 8 * bx + 16; ++x) {
        const double moved = Residual(*vertical, *horizontal, change, y, x);
        if (moved != 0) cost += std::abs(moved) / (kSigma + std::abs(Residual(*vertical, *horizontal, pixel, y, x)));
      }
  return cost;
}

// Every set of loops this processor runs, for blocks whose residuals lie
// inside the picture.
TEST(JUniwardCosts, EveryKernelSetGivesTheDefinedCosts) {
  const Picture picture = RandomPicture(3);
  for (const JUniwardKernels& kernels : JUniwardKernelSets()) {
    const std::vector<float> costs = JUniwardComponentCosts(picture.samples, 0, kernels);
    ASSERT_EQ(costs.size(), std::size_t{kSize * kSize});
    for (auto [by, bx] : {std::pair{1, 1}, std::pair{2, 4}, std::pair{4, 3}})
      for (int k = 0; k < 8; ++k)
        for (int l = 0; l < 8; ++l) {
          const double defined = DefinedCost(picture, by, bx, k, l);
          const double fast = costs[static_cast<std::size_t>(64 * (by * kBlocks + bx) + 8 * k + l)];
          EXPECT_NEAR(fast, defined, 2e-4 * defined) << kernels.name << " block " << by << "," << bx << " (" << k
                                                     << "," << l << ")";
        }
  }
}

// The sets agree on the edge blocks too, where the residuals are mirrored
// (to rounding, which a weight near 1 / sigma magnifies).
TEST(JUniwardCosts, KernelSetsAgreeEverywhere) {
  const Picture picture = RandomPicture(11);
  const auto& sets = JUniwardKernelSets();
  const std::vector<float> portable = JUniwardComponentCosts(picture.samples, 0, sets[0]);
  for (std::size_t s = 1; s < sets.size(); ++s) {
    const std::vector<float> other = JUniwardComponentCosts(picture.samples, 0, sets[s]);
    for (std::size_t i = 0; i < portable.size(); ++i)
      ASSERT_NEAR(other[i], portable[i], 1e-3 * portable[i]) << sets[s].name << " at " << i;
  }
}

}  // namespace
}  // namespace veil::codec::stealth
