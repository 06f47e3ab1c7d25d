#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veil::codec::stealth {

// A keyed pseudo-random permutation of the sample indices [0, domain),
// evaluated one index at a time so that no table of the whole picture is
// kept: a balanced six-round Feistel network over the smallest even number
// of bits that covers the domain, whose round functions are tables drawn
// from ChaCha20's keystream under the key, and cycle walking to stay inside
// the domain.
class PlacePermutation {
 public:
  PlacePermutation(const std::array<std::uint8_t, 32>& key, std::uint64_t domain);

  std::uint64_t domain() const { return domain_; }
  // The place of the i-th element, i < domain.
  std::uint64_t operator()(std::uint64_t i) const {
    std::uint64_t x = i;
    do x = Round(x);
    while (x >= domain_);
    return x;
  }

 private:
  static constexpr int kRounds = 6;
  std::uint64_t Round(std::uint64_t x) const {
    std::uint64_t left = x >> half_bits_, right = x & half_mask_;
    for (int r = 0; r < kRounds; ++r) {
      const std::uint64_t next = left ^ tables_[(static_cast<std::size_t>(r) << half_bits_) | right];
      left = right;
      right = next;
    }
    return (left << half_bits_) | right;
  }

  std::uint64_t domain_;
  unsigned half_bits_;
  std::uint64_t half_mask_;
  std::vector<std::uint32_t> tables_;  // kRounds tables of 2^half_bits_ entries
};

}  // namespace veil::codec::stealth
