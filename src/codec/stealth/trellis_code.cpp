#include "codec/stealth/trellis_code.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "codec/stealth/stealth_format.h"
#include "codec/stealth/trellis_forward.h"
#include "codec/stealth/trellis_forward_choice.h"

namespace veil::codec::stealth {
namespace {

constexpr int kStates = 1 << kConstraintHeight;
constexpr std::size_t kPathBytes = kStates / 8;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::uint64_t SplitMix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The submatrix's columns for blocks of at most width columns: public,
// drawn once from SplitMix64 seeded with the width; the first and the last
// row are always set, so that every column touches the block's own row.
std::vector<std::uint8_t> Submatrix(std::size_t width) {
  std::uint64_t seed = width;
  std::vector<std::uint8_t> columns(width);
  for (auto& column : columns)
    column = static_cast<std::uint8_t>((SplitMix64(seed) & (kStates - 1)) | 1 | (kStates >> 1));
  return columns;
}

}  // namespace

bool TrellisCode::Embed(std::span<const std::uint8_t> x, std::span<const float> rho,
                        std::span<const std::uint8_t> message, std::span<std::uint8_t> y) {
  const std::size_t n = x.size(), m = message.size();
  if (m == 0) {
    std::copy(x.begin(), x.end(), y.begin());
    return true;
  }
  if (n < m) return false;
  const auto hhat = Submatrix((n + m - 1) / m);
  paths_.resize(n * kPathBytes);

  const TrellisProblem problem{x.data(), rho.data(), message.data(), n, m, hhat.data(), paths_.data()};
  static const ForwardPass forward = ForwardKernels()[TrellisForwardChoice().index].run;
  const float total = forward(problem);
  if (!(total < kInfinity)) return false;

  int state = 0;
  for (std::size_t i = m; i-- > 0;) {
    state = ((state << 1) | (message[i] & 1)) & (kStates - 1);
    const std::size_t start = i == 0 ? 0 : BlockEnd(i - 1, n, m), end = BlockEnd(i, n, m);
    const std::uint8_t mask = RowMask(i, m);
    for (std::size_t c = end; c-- > start;) {
      const int bit = (paths_[c * kPathBytes + (state >> 3)] >> (state & 7)) & 1;
      y[c] = static_cast<std::uint8_t>(bit);
      if (bit) state ^= hhat[c - start] & mask;
    }
  }
  return true;
}

float ForwardPortable(const TrellisProblem& p) {
  alignas(32) std::array<float, kStates> cost, next;
  cost.fill(kInfinity);
  cost[0] = 0;
  std::size_t column = 0;
  for (std::size_t i = 0; i < p.m; ++i) {
    const std::size_t start = column, end = BlockEnd(i, p.n, p.m);
    const std::uint8_t mask = RowMask(i, p.m);
    for (; column < end; ++column) {
      const int h = p.hhat[column - start] & mask;
      const float keep = p.x[column] ? p.rho[column] : 0.0f, flip = p.x[column] ? 0.0f : p.rho[column];
      std::uint8_t* path = p.paths + column * kPathBytes;
      std::fill(path, path + kPathBytes, std::uint8_t{0});
      for (int s = 0; s < kStates; ++s) {
        const float w0 = cost[s] + keep, w1 = cost[s ^ h] + flip;
        const bool one = w1 < w0;
        next[s] = one ? w1 : w0;
        path[s >> 3] |= static_cast<std::uint8_t>(one << (s & 7));
      }
      cost = next;
    }
    const int bit = p.message[i] & 1;
    for (int s = 0; s < kStates / 2; ++s) next[s] = cost[2 * s + bit];
    for (int s = kStates / 2; s < kStates; ++s) next[s] = kInfinity;
    cost = next;
  }
  return cost[0];
}

void TrellisCode::Syndrome(std::span<const std::uint8_t> y, std::span<std::uint8_t> message) {
  const std::size_t n = y.size(), m = message.size();
  if (m == 0 || n < m) return;
  const auto hhat = Submatrix((n + m - 1) / m);
  unsigned state = 0;
  std::size_t column = 0;
  for (std::size_t i = 0; i < m; ++i) {
    const std::size_t start = column, end = BlockEnd(i, n, m);
    const std::uint8_t mask = RowMask(i, m);
    for (; column < end; ++column)
      if (y[column] & 1) state ^= hhat[column - start] & mask;
    message[i] = static_cast<std::uint8_t>(state & 1);
    state >>= 1;
  }
}

std::size_t TrellisCode::Rank(std::span<const std::uint8_t> changeable, std::size_t m) {
  const std::size_t n = changeable.size();
  if (m == 0 || n < m) return 0;
  const auto hhat = Submatrix((n + m - 1) / m);
  const std::size_t words = (m + 63) / 64;
  // Gaussian elimination over GF(2): basis[p] is the kept column whose
  // lowest row is p.
  std::vector<std::vector<std::uint64_t>> basis(m);
  std::vector<std::uint64_t> v(words);
  std::size_t rank = 0, column = 0;
  for (std::size_t i = 0; i < m && rank < m; ++i) {
    const std::size_t start = column, end = BlockEnd(i, n, m);
    const std::uint8_t mask = RowMask(i, m);
    for (; column < end && rank < m; ++column) {
      if (!changeable[column]) continue;
      std::fill(v.begin(), v.end(), 0);
      const unsigned bits = hhat[column - start] & mask;
      for (unsigned k = 0; k < static_cast<unsigned>(kConstraintHeight); ++k)
        if (bits >> k & 1) v[(i + k) / 64] |= std::uint64_t{1} << ((i + k) % 64);
      for (std::size_t w = i / 64; w < words;) {
        if (v[w] == 0) {
          ++w;
          continue;
        }
        const std::size_t p = w * 64 + static_cast<std::size_t>(std::countr_zero(v[w]));
        if (basis[p].empty()) {
          basis[p] = v;
          ++rank;
          break;
        }
        for (std::size_t u = w; u < words; ++u) v[u] ^= basis[p][u];
      }
    }
  }
  return rank;
}

}  // namespace veil::codec::stealth
