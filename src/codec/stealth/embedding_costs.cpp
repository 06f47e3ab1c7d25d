#include "codec/stealth/embedding_costs.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <thread>

#include "codec/progress/run_progress.h"

#include "codec/covers/large_buffer.h"
#include "codec/stealth/dct_costs.h"
#include "codec/stealth/juniward_costs.h"
#include "codec/stealth/stealth_format.h"

namespace veil::codec::stealth {
namespace {

constexpr long kBoxRadius = 7;  // the 15x15 mean
constexpr float kEpsilon = 0.01f;
// Levels are 8 a doubling of rho * 2^9; rho of 2 (a harmonic mean residual
// under 1/2 over 15x15 samples: a flat area) and above is wet.
constexpr int kWetLevel = 80;
// A colour sample is also wet where the differences between its channel and
// the other two are flat: rho of 16 there is a mean residual under 1/16, a
// grey or evenly tinted area, where a change to one channel alone would be
// the only colour in it.
constexpr int kCrossWetLevel = kWetLevel + 24;
constexpr int kHighestLevel = kChangedDown - 1;
// The differences between channels weigh twice a channel's own texture:
// with a pixel's changes gathered, what still shows is mostly there.
constexpr float kCrossWeight = 2;

// One stripe of rows: the residual and reciprocal rows it needs, each made
// once and kept while the 15-row window passes over it.
template <typename T>
class HillStripe {
 public:
  HillStripe(const CoverSamples& samples, const std::vector<T>& values, float scale)
      : samples_(samples),
        values_(values),
        scale_(scale),
        width_(samples.width),
        height_(samples.height),
        channels_(samples.channels),
        row_(std::size_t{samples.width} * samples.channels) {
    padded_.resize(3, std::vector<float>(row_ + 2 * channels_));
    residual_.resize(4, std::vector<float>(3 * (row_ + 2 * channels_)));
    signed_.resize(row_);
    residual_row_.assign(4, -1);
    xi_.resize(16, std::vector<float>(2 * row_));
    xi_row_.assign(16, -1);
    sum_.assign(2 * row_, 0.0f);
    box_.resize(row_ + 2 * kBoxRadius * channels_);
    cross_box_.resize(box_.size());
  }

  // Levels of rows [first, last); counts the usable samples of each channel.
  void Run(long first, long last, std::uint8_t* levels, std::array<std::uint64_t, 3>& usable, WorkGauge& gauge) {
    std::fill(sum_.begin(), sum_.end(), 0.0);
    for (long k = -kBoxRadius; k <= kBoxRadius; ++k) Add(Xi(first + k), 1.0);
    const T top = samples_.depth == 16 ? T(65535) : T(255);
    for (long y = first; y < last; ++y) {
      if (!gauge.Add()) return;
      if (y > first) {
        Add(Xi(y + kBoxRadius), 1.0);
        Add(Xi(y - kBoxRadius - 1), -1.0);
      }
      // Horizontal 15-sample window over the vertical sums, channel by channel.
      const std::size_t pad = kBoxRadius * channels_;
      Pad(sum_.data(), box_);
      Pad(sum_.data() + row_, cross_box_);
      std::uint8_t* out = levels + static_cast<std::size_t>(y) * row_;
      const T* in = values_.data() + static_cast<std::size_t>(y) * row_;
      const std::size_t pixel_base = static_cast<std::size_t>(y) * width_;
      for (unsigned c = 0; c < channels_; ++c) {
        double window = 0, cross_window = 0;
        for (long k = 0; k < 2 * kBoxRadius + 1; ++k) {
          window += box_[c + static_cast<std::size_t>(k) * channels_];
          cross_window += cross_box_[c + static_cast<std::size_t>(k) * channels_];
        }
        for (std::size_t x = 0; x < width_; ++x) {
          const std::size_t i = x * channels_ + c;
          const float rho = static_cast<float>(window) * (512.0f / 225.0f);
          const float cross_rho = static_cast<float>(cross_window) * (512.0f / 225.0f);
          if (x + 1 < width_) {
            window += box_[i + 2 * pad + channels_] - box_[i];
            cross_window += cross_box_[i + 2 * pad + channels_] - cross_box_[i];
          }
          int level = std::min(LevelOf(rho + kCrossWeight * cross_rho), kHighestLevel);
          if (LevelOf(rho) >= kWetLevel || (channels_ == 3 && LevelOf(cross_rho) >= kCrossWetLevel) || in[i] == 0 ||
              in[i] == top || samples_.Locked(pixel_base + x))
            level = kWet;
          else
            ++usable[c];
          out[i] = static_cast<std::uint8_t>(level << 1 | (in[i] & 1));
        }
      }
    }
  }

 private:
  long Clamp(long r) const { return std::clamp<long>(r, 0, static_cast<long>(height_) - 1); }

  void Add(const std::vector<float>& row, double sign) {
    for (std::size_t i = 0; i < 2 * row_; ++i) sum_[i] += sign * row[i];
  }

  // A row of sums into a box row with kBoxRadius pixels replicated each side.
  void Pad(const double* sums, std::vector<double>& box) const {
    const std::size_t pad = kBoxRadius * channels_;
    std::copy(sums, sums + row_, box.begin() + static_cast<std::ptrdiff_t>(pad));
    for (std::size_t j = 0; j < pad; ++j) {
      box[j] = sums[j % channels_];
      box[pad + row_ + j] = sums[row_ - channels_ + j % channels_];
    }
  }

  // Row r of the samples as floats, with one clamped pixel on each side.
  void Load(long r, std::vector<float>& out) const {
    const T* in = values_.data() + static_cast<std::size_t>(Clamp(r)) * row_;
    for (std::size_t i = 0; i < row_; ++i) out[channels_ + i] = static_cast<float>(in[i]) * scale_;
    for (unsigned c = 0; c < channels_; ++c) {
      out[c] = out[channels_ + c];
      out[channels_ + row_ + c] = out[row_ + c];
    }
  }

  // Row r's absolute residuals, and for colour its residuals' absolute
  // differences with the next channel and the one after (the residuals of
  // the differences of the channels): three padded stretches of one row.
  const std::vector<float>& Residual(long r) {
    r = Clamp(r);
    const std::size_t slot = static_cast<std::size_t>(r) & 3;
    if (residual_row_[slot] == r) return residual_[slot];
    Load(r - 1, padded_[0]);
    Load(r, padded_[1]);
    Load(r + 1, padded_[2]);
    const float *a = padded_[0].data() + channels_, *b = padded_[1].data() + channels_,
                *c = padded_[2].data() + channels_;
    const std::size_t stretch = row_ + 2 * channels_;
    float* own = residual_[slot].data() + channels_;
    float* next = own + stretch;
    float* after = next + stretch;
    const std::ptrdiff_t k = channels_;
    for (std::size_t i = 0; i < row_; ++i) {
      const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i);
      signed_[i] =
          -4.0f * b[j] + 2.0f * (b[j - k] + b[j + k] + a[j] + c[j]) - (a[j - k] + a[j + k] + c[j - k] + c[j + k]);
      own[j] = std::fabs(signed_[i]);
    }
    if (channels_ == 3) {
      for (std::size_t p = 0; p < row_; p += 3) {
        const float r0 = signed_[p], r1 = signed_[p + 1], r2 = signed_[p + 2];
        next[p] = std::fabs(r0 - r1), next[p + 1] = std::fabs(r1 - r2), next[p + 2] = std::fabs(r2 - r0);
        after[p] = next[p + 2], after[p + 1] = next[p], after[p + 2] = next[p + 1];
      }
    }
    for (float* out : {own, next, after}) {
      for (unsigned ch = 0; ch < channels_; ++ch) {
        out[ch - static_cast<std::ptrdiff_t>(channels_)] = out[ch];
        out[row_ + ch] = out[row_ - channels_ + ch];
      }
    }
    residual_row_[slot] = r;
    return residual_[slot];
  }

  // Row r's reciprocals of the 3x3 means: the channel's own, then the cross
  // term, the mean of the reciprocals over its differences with the other
  // two channels.
  const std::vector<float>& Xi(long r) {
    r = Clamp(r);
    const std::size_t slot = static_cast<std::size_t>(r) & 15;
    if (xi_row_[slot] == r) return xi_[slot];
    const float* rows[3];
    for (int d = -1; d <= 1; ++d) rows[d + 1] = Residual(r + d).data() + channels_;
    const auto stretch = static_cast<std::ptrdiff_t>(row_ + 2 * channels_);
    float* out = xi_[slot].data();
    float* cross = out + row_;
    const std::ptrdiff_t k = channels_;
    auto mean = [&](std::ptrdiff_t offset, std::ptrdiff_t j) {
      float sum = 0;
      for (const float* row : rows) sum += row[offset + j - k] + row[offset + j] + row[offset + j + k];
      return sum * (1.0f / 9.0f);
    };
    for (std::size_t i = 0; i < row_; ++i) {
      const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i);
      out[i] = 1.0f / (mean(0, j) + kEpsilon);
      cross[i] =
          channels_ != 3 ? 0.0f : 0.5f / (mean(stretch, j) + kEpsilon) + 0.5f / (mean(2 * stretch, j) + kEpsilon);
    }
    xi_row_[slot] = r;
    return xi_[slot];
  }

  const CoverSamples& samples_;
  const std::vector<T>& values_;
  float scale_;
  std::size_t width_, height_;
  unsigned channels_;
  std::size_t row_;
  std::vector<std::vector<float>> padded_, residual_, xi_;
  std::vector<float> signed_;
  std::vector<long> residual_row_, xi_row_;
  // The own and the cross sums side by side; double: the running sums add
  // and take back thousands of rows.
  std::vector<double> sum_, box_, cross_box_;
};

template <typename T>
CostMap Compute(const CoverSamples& samples, const std::vector<T>& values, float scale, unsigned threads,
                RunProgress* progress) {
  CostMap map;
  ResizeLarge(map.levels, samples.SampleCount());
  if (map.levels.empty()) return map;
  const long height = samples.height;
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<long>(1, height / 32)));
  std::vector<std::array<std::uint64_t, 3>> usable(threads);
  WorkGauge gauge(progress, static_cast<std::uint64_t>(height));
  gauge.Share(threads, [&](unsigned t) {
    const long first = height * t / threads, last = height * (t + 1) / threads;
    HillStripe<T> stripe(samples, values, scale);
    stripe.Run(first, last, map.levels.data(), usable[t], gauge);
  });
  for (const auto& counts : usable)
    for (unsigned c = 0; c < 3; ++c) {
      map.usable_by_channel[c] += counts[c];
      map.usable += counts[c];
    }
  map.rate_base = static_cast<double>(map.usable) / samples.channels;
  return map;
}

}  // namespace

int LevelOf(float rho) {
  return static_cast<int>(std::bit_cast<std::uint32_t>(std::max(rho, 1.0f)) >> 20) - (127 << 3);
}

CostMap ComputeCosts(const CoverSamples& samples, unsigned threads, JpegCostModel jpeg, RunProgress* progress) {
  if (samples.dct)
    return jpeg == JpegCostModel::kUerd ? DctCosts(samples, progress) : JUniwardCosts(samples, threads, progress);
  if (samples.depth == 16) return Compute(samples, samples.values16, 1.0f / 257.0f, threads, progress);
  return Compute(samples, samples.values8, 1.0f, threads, progress);
}

float CostOfLevel(std::uint8_t level) {
  if (level >= kChangedDown) return std::numeric_limits<float>::infinity();
  // The middle of the level's span of rho * 2^9, back in rho.
  const float mantissa = 1.0f + (static_cast<float>(level & 7) + 0.5f) / 8.0f;
  return std::ldexp(mantissa, (level >> 3) - 9);
}

}  // namespace veil::codec::stealth

namespace veil::codec::stealth {

std::array<float, 256> CostTable() {
  std::array<float, 256> table;
  for (int cell = 0; cell < 256; ++cell)
    table[static_cast<std::size_t>(cell)] = CostOfLevel(static_cast<std::uint8_t>(cell >> 1));
  return table;
}

}  // namespace veil::codec::stealth
