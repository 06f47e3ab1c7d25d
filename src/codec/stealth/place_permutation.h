#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veil::codec::stealth {

// A keyed pseudo-random order of a picture's samples, evaluated place by
// place so that no table of the whole picture is kept. The samples are cut
// into B strata of S = 2^s consecutive samples (s = floor(log2(N) / 2), so
// B = ceil(N / S) is about the square root of N; the domain B * S may pass
// N by less than one stratum, and places at N or beyond are phantoms that
// carry nothing). Element j = r * B + t lies in stratum b = blocks[t], at
// offset offsets[(r + shift[b]) mod S]: the first B elements take one
// sample of every stratum, in a keyed order, the next B another, and so
// on. blocks and offsets are keyed Fisher-Yates shuffles, shift keyed
// values, all drawn from ChaCha20's keystream under the key.
//
// With a unit of u samples (a pixel's channels), the order is of the N / u
// units instead, and element j is sample j mod u of unit j div u: a unit's
// samples come one after another.
class PlacePermutation {
 public:
  PlacePermutation(const std::array<std::uint8_t, 32>& key, std::uint64_t samples, unsigned unit = 1);
  PlacePermutation(const PlacePermutation&) = default;
  PlacePermutation& operator=(const PlacePermutation&) = default;
  // The keyed tables tell where a file lies: they are wiped.
  ~PlacePermutation();

  // B * S * u: every element's index is below it.
  std::uint64_t domain() const { return (std::uint64_t{blocks_.size()} << stratum_bits_) * unit_; }
  // The place of element j < domain().
  std::uint64_t operator()(std::uint64_t j) const {
    const std::uint64_t k = j / unit_, r = k / blocks_.size(), t = k % blocks_.size();
    return Place(r, t) * unit_ + j % unit_;
  }
  // The places of elements [first, first + count) into out.
  void Fill(std::uint64_t first, std::size_t count, std::uint64_t* out) const;

 private:
  std::uint64_t Place(std::uint64_t r, std::uint64_t t) const {
    const std::uint32_t b = blocks_[t];
    return (std::uint64_t{b} << stratum_bits_) | offsets_[(r + shifts_[b]) & stratum_mask_];
  }

  unsigned unit_ = 1;
  unsigned stratum_bits_ = 1;
  std::uint64_t stratum_mask_ = 1;
  std::vector<std::uint32_t> blocks_, shifts_, offsets_;
};

}  // namespace veil::codec::stealth
