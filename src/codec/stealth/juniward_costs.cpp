#include "codec/stealth/juniward_costs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "codec/covers/dct_basis.h"
#include "codec/covers/large_buffer.h"
#include "codec/kernels/kernel_choice.h"
#include "codec/kernels/kernel_timing.h"
#include "codec/stealth/juniward_kernels.h"
#include "codec/stealth/stealth_format.h"

namespace veil::codec::stealth {
namespace {

// rho * kScale is the cost level's argument: the least costs seen in
// photographs' busiest blocks (about 2^-4) start near level 0.
constexpr float kScale = 16.0f;
constexpr int kHighestLevel = kChangedDown - 1;
constexpr int kLargestChangeable = 1023;
constexpr int kTaps = kJUniwardTaps;
constexpr int kSpan = kJUniwardSpan;
constexpr long kBandBlocks = 16;
// Decompressed rows and columns beyond a band's, mirrored at the picture's
// edges: the residuals reach 7 before and 15 after, and each needs 8 before
// and 7 after that.
constexpr long kMargin = 24;

// Daubechies' 8-tap wavelet: the decomposition high pass, and the low pass
// made from it.
constexpr std::array<double, kTaps> kHighPass{-0.0544158422, 0.3128715909,  -0.6756307363, 0.5853546837,
                                              0.0158291053,  -0.2840155430, -0.0004724846, 0.1287474266,
                                              0.0173693010,  -0.0440882539, -0.0139810279, 0.0087460940,
                                              0.0048703530,  -0.0003917404, -0.0006754494, -0.0001174768};

struct Filters {
  std::array<float, kTaps> low{}, high{};
  // |c_k * f| for the DCT's 1-D basis c_k and f low [0] or high [1].
  std::array<std::array<std::array<float, kSpan>, 8>, 2> spread{};
  std::array<std::array<float, 8>, 8> basis{};  // c_k(m)
};

Filters MakeFilters() {
  Filters f;
  for (int i = 0; i < kTaps; ++i) {
    f.high[static_cast<std::size_t>(i)] = static_cast<float>(kHighPass[static_cast<std::size_t>(i)]);
    f.low[static_cast<std::size_t>(i)] =
        static_cast<float>((i % 2 == 0 ? 1 : -1) * kHighPass[static_cast<std::size_t>(kTaps - 1 - i)]);
  }
  for (int k = 0; k < 8; ++k)
    for (int m = 0; m < 8; ++m)
      f.basis[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)] =
          static_cast<float>(DctBasis(k, m));
  for (int which = 0; which < 2; ++which) {
    const auto& taps = which == 0 ? f.low : f.high;
    for (int k = 0; k < 8; ++k)
      for (int u = 0; u < kSpan; ++u) {
        double sum = 0;
        for (int m = 0; m < 8; ++m)
          if (u - m >= 0 && u - m < kTaps)
            sum += f.basis[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)] *
                   taps[static_cast<std::size_t>(u - m)];
        f.spread[static_cast<std::size_t>(which)][static_cast<std::size_t>(k)][static_cast<std::size_t>(u)] =
            static_cast<float>(std::abs(sum));
      }
  }
  return f;
}

long Mirror(long i, long n) {
  while (i < 0 || i >= n) i = i < 0 ? -1 - i : 2 * n - 1 - i;
  return i;
}

// One component's costs over a band of block rows [first, last).
class Band {
 public:
  Band(const CoverSamples& samples, const DctComponent& component, const Filters& filters,
       const JUniwardKernels& kernels)
      : samples_(samples),
        component_(component),
        f_(filters),
        kernels_(kernels),
        width_(8L * component.width_in_blocks),
        height_(8L * component.height_in_blocks),
        stride_(width_ + 2 * kMargin) {}

  void Run(long first, long last, std::uint8_t* levels, std::uint64_t& usable) {
    Rho(first, last);
    Level(first, last, levels, usable);
  }

  // rho for blocks rows [first, last), in the component's order from first's.
  const std::vector<float>& Rho(long first, long last) {
    first_row_ = 8 * first - kMargin;
    rows_ = 8 * (last - first) + 2 * kMargin;
    Decompress(first, last);
    rho_.assign(static_cast<std::size_t>((last - first) * component_.width_in_blocks * 64), 0.0f);
    FilterRows();
    // LH, HL and HH: the vertical and the horizontal factor of each.
    AddFilter(f_.low, horizontal_high_, 0, 1, first, last);
    AddFilter(f_.high, horizontal_low_, 1, 0, first, last);
    AddFilter(f_.high, horizontal_high_, 1, 1, first, last);
    return rho_;
  }

 private:
  float& At(std::vector<float>& plane, long y, long x) {
    return plane[static_cast<std::size_t>((y - first_row_) * stride_ + x + kMargin)];
  }

  // The band's rows and margins, decompressed, mirrored at the edges.
  void Decompress(long first, long last) {
    const long from = std::max(0L, first - 3), to = std::min<long>(component_.height_in_blocks, last + 3);
    const long wb = component_.width_in_blocks;
    std::vector<float> pixels(static_cast<std::size_t>((to - from) * 8 * width_));
    std::array<float, 64> dequantised, half;
    for (long by = from; by < to; ++by)
      for (long bx = 0; bx < wb; ++bx) {
        const std::uint16_t* c =
            samples_.values16.data() + component_.first + 64 * static_cast<std::uint64_t>(by * wb + bx);
        for (std::size_t k = 0; k < 64; ++k)
          dequantised[k] = static_cast<float>(static_cast<int>(c[k]) - kCoefficientOffset) * component_.quant[k];
        // rows: half[u][n] = sum_v c_v(n) d[u][v]; then pixels[m][n] = sum_u c_u(m) half[u][n]
        for (std::size_t u = 0; u < 8; ++u)
          for (std::size_t n = 0; n < 8; ++n) {
            float sum = 0;
            for (std::size_t v = 0; v < 8; ++v) sum += f_.basis[v][n] * dequantised[u * 8 + v];
            half[u * 8 + n] = sum;
          }
        for (std::size_t m = 0; m < 8; ++m)
          for (std::size_t n = 0; n < 8; ++n) {
            float sum = 0;
            for (std::size_t u = 0; u < 8; ++u) sum += f_.basis[u][m] * half[u * 8 + n];
            pixels[static_cast<std::size_t>(((by - from) * 8 + static_cast<long>(m)) * width_ + bx * 8) + n] = sum;
          }
      }
    plane_.assign(static_cast<std::size_t>(rows_ * stride_), 0.0f);
    for (long y = first_row_; y < first_row_ + rows_; ++y) {
      const float* row = pixels.data() + (Mirror(y, height_) - from * 8) * width_;
      for (long x = -kMargin; x < width_ + kMargin; ++x) At(plane_, y, x) = row[Mirror(x, width_)];
    }
  }

  // Each row through both filters, for the columns the residuals need.
  void FilterRows() {
    horizontal_low_.assign(plane_.size(), 0.0f);
    horizontal_high_.assign(plane_.size(), 0.0f);
    const long count = width_ + 22;  // columns -7 .. width + 14
    for (long y = first_row_; y < first_row_ + rows_; ++y)
      kernels_.filter_row(&At(plane_, y, 0), count, f_.low.data(), f_.high.data(), &At(horizontal_low_, y, -7),
                          &At(horizontal_high_, y, -7));
  }

  // One directional residual: its reciprocal weights, spread back over each
  // block's coefficients by the two separable patterns.
  void AddFilter(const std::array<float, kTaps>& vertical, std::vector<float>& horizontal, int vertical_kind,
                 int horizontal_kind, long first, long last) {
    const long wb = component_.width_in_blocks;
    const long top = 8 * first - 7, bottom = 8 * last + 15;
    // weight(y, x) = 1 / (sigma + |residual|), for y in [top, bottom), x in [-7, width + 15)
    const long columns = width_ + 22;
    weights_.assign(static_cast<std::size_t>((bottom - top) * columns), 0.0f);
    std::array<const float*, kTaps> taps_rows;
    for (long y = top; y < bottom; ++y) {
      for (int t = 0; t < kTaps; ++t) taps_rows[static_cast<std::size_t>(t)] = &At(horizontal, y + 7 - t, -7);
      kernels_.weigh_column(taps_rows.data(), columns, vertical.data(), weights_.data() + (y - top) * columns);
    }
    // spread_rows(y, bx, l) = sum_v |c_l * h|(v) weight(y, 8 bx - 7 + v)
    const auto& across = f_.spread[static_cast<std::size_t>(horizontal_kind)];
    const auto& down = f_.spread[static_cast<std::size_t>(vertical_kind)];
    rows_spread_.assign(static_cast<std::size_t>((bottom - top) * wb * 8), 0.0f);
    float by_tap[kSpan][8];  // across, tap first
    for (std::size_t v = 0; v < kSpan; ++v)
      for (std::size_t l = 0; l < 8; ++l) by_tap[v][l] = across[l][v];
    for (long y = top; y < bottom; ++y)
      kernels_.spread_row(weights_.data() + (y - top) * columns, wb, by_tap, rows_spread_.data() + (y - top) * wb * 8);
    float down_rows[8][kSpan];
    for (std::size_t k = 0; k < 8; ++k)
      for (std::size_t u = 0; u < kSpan; ++u) down_rows[k][u] = down[k][u];
    for (long by = first; by < last; ++by)
      kernels_.spread_columns(rows_spread_.data() + ((8 * by - 7) - top) * wb * 8, wb * 8, wb, down_rows,
                              rho_.data() + (by - first) * wb * 64);
  }

  // Whether a block has a non-zero AC coefficient.
  bool Textured(long by, long bx) const {
    const std::uint16_t* c = samples_.values16.data() + component_.first +
                             64 * static_cast<std::uint64_t>(by * component_.width_in_blocks + bx);
    for (std::size_t k = 1; k < 64; ++k)
      if (c[k] != kCoefficientOffset) return true;
    return false;
  }

  // A block with no texture in it or around it stays as it is: a change
  // there would stand alone.
  bool Flat(long by, long bx) const {
    for (long y = std::max(0L, by - 1); y <= std::min<long>(component_.height_in_blocks - 1, by + 1); ++y)
      for (long x = std::max(0L, bx - 1); x <= std::min<long>(component_.width_in_blocks - 1, bx + 1); ++x)
        if (Textured(y, x)) return false;
    return true;
  }

  void Level(long first, long last, std::uint8_t* levels, std::uint64_t& usable) {
    const long wb = component_.width_in_blocks;
    for (long by = first; by < last; ++by)
      for (long bx = 0; bx < wb; ++bx) {
        const std::uint64_t at = component_.first + 64 * static_cast<std::uint64_t>(by * wb + bx);
        const float* rho = rho_.data() + ((by - first) * wb + bx) * 64;
        const bool flat = Flat(by, bx);
        for (std::size_t k = 0; k < 64; ++k) {
          const std::uint16_t value = samples_.values16[at + k];
          const int c = static_cast<int>(value) - kCoefficientOffset;
          int level = kWet;
          if (!flat && std::abs(c) < kLargestChangeable && component_.quant[k] > 0) {
            level = std::min(LevelOf(rho[k] * component_.quant[k] * kScale), kHighestLevel);
            ++usable;
          }
          levels[at + k] = static_cast<std::uint8_t>(level << 1 | (value & 1));
        }
      }
  }

  const CoverSamples& samples_;
  const DctComponent& component_;
  const Filters& f_;
  const JUniwardKernels& kernels_;
  long width_, height_, stride_;
  long first_row_ = 0, rows_ = 0;
  std::vector<float> plane_, horizontal_low_, horizontal_high_, weights_, rows_spread_, rho_;
};

const Filters& TheFilters() {
  static const Filters filters = MakeFilters();
  return filters;
}

// A textured grey 64 x 64 picture's coefficients: a few milliseconds.
CoverSamples TimedCover() {
  auto grid = std::make_shared<DctGrid>();
  DctComponent component;
  component.width_in_blocks = component.height_in_blocks = 8;
  component.quant.fill(4);
  grid->components.push_back(component);
  CoverSamples samples;
  samples.width = 64 * 64;
  samples.height = 1;
  samples.channels = 1;
  samples.depth = 16;
  samples.dct = grid;
  samples.values16.resize(64 * 64);
  std::uint32_t state = 7;
  for (auto& value : samples.values16) {
    state = state * 1103515245u + 12345u;
    value = static_cast<std::uint16_t>(kCoefficientOffset + static_cast<int>((state >> 16) % 9) - 4);
  }
  return samples;
}

}  // namespace

const std::vector<JUniwardKernels>& JUniwardKernelSets() {
  static const std::vector<JUniwardKernels> sets = [] {
    std::vector<JUniwardKernels> found = {PortableJUniwardKernels()};
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) found.push_back(Avx2JUniwardKernels());
#endif
    return found;
  }();
  return sets;
}

const KernelChoice& JUniwardKernelChoice() {
  static const KernelChoice choice = [] {
    const auto& sets = JUniwardKernelSets();
    const CoverSamples cover = TimedCover();
    const DctComponent& component = cover.dct->components[0];
    auto times = TimeKernels(sets.size(), cover.SampleCount(), [&](std::size_t i) {
      Band band(cover, component, TheFilters(), sets[i]);
      band.Rho(0, component.height_in_blocks);
    });
    const std::size_t index = ChooseKernel(times);
    return KernelChoice{index, sets[index].name, false, std::move(times)};
  }();
  return choice;
}

std::vector<float> JUniwardComponentCosts(const CoverSamples& samples, std::size_t component,
                                          const JUniwardKernels& kernels) {
  const DctComponent& c = samples.dct->components[component];
  Band band(samples, c, TheFilters(), kernels);
  std::vector<float> costs = band.Rho(0, c.height_in_blocks);
  for (std::size_t i = 0; i < costs.size(); ++i) costs[i] *= c.quant[i % 64];
  return costs;
}

CostMap JUniwardCosts(const CoverSamples& samples, unsigned threads, RunProgress* progress) {
  return JUniwardCosts(samples, threads, JUniwardKernelSets()[JUniwardKernelChoice().index], progress);
}

CostMap JUniwardCosts(const CoverSamples& samples, unsigned threads, const JUniwardKernels& kernels,
                      RunProgress* progress) {
  const Filters& filters = TheFilters();
  CostMap map;
  ResizeLarge(map.levels, samples.SampleCount());
  std::uint64_t nonzero_ac = 0;
  for (std::size_t i = 0; i < samples.values16.size(); ++i)
    nonzero_ac += i % 64 != 0 && samples.values16[i] != kCoefficientOffset;
  struct Job {
    const DctComponent* component;
    long first, last;
  };
  std::vector<Job> jobs;
  for (const DctComponent& component : samples.dct->components)
    for (long first = 0; first < static_cast<long>(component.height_in_blocks); first += kBandBlocks)
      jobs.push_back({&component, first, std::min<long>(component.height_in_blocks, first + kBandBlocks)});
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<std::size_t>(1, jobs.size())));
  std::vector<std::uint64_t> usable(threads, 0);
  WorkGauge gauge(progress, jobs.size());
  gauge.Share(threads, [&](unsigned t) {
    for (std::size_t j = t; j < jobs.size() && !gauge.Stopped(); j += threads) {
      Band band(samples, *jobs[j].component, filters, kernels);
      band.Run(jobs[j].first, jobs[j].last, map.levels.data(), usable[t]);
      gauge.Add();
    }
  });
  for (std::uint64_t count : usable) map.usable += count;
  map.usable_by_channel[0] = map.usable;
  map.rate_base = static_cast<double>(nonzero_ac);
  return map;
}

}  // namespace veil::codec::stealth
