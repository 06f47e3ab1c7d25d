#include "codec/stealth/place_permutation.h"

#include "codec/seal/wipe.h"

#include <sodium.h>

#include <algorithm>
#include <numeric>
#include <utility>

namespace veil::codec::stealth {
namespace {

// 64-bit little-endian words of ChaCha20's keystream (nonce 0), in order.
class KeyedWords {
 public:
  KeyedWords(const std::array<std::uint8_t, 32>& key, std::size_t count) : bytes_(count * 8) {
    static const std::uint8_t kNonce[crypto_stream_chacha20_NONCEBYTES] = {};
    crypto_stream_chacha20(bytes_.data(), bytes_.size(), kNonce, key.data());
  }
  ~KeyedWords() { sodium_memzero(bytes_.data(), bytes_.size()); }
  std::uint64_t Next() {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | bytes_[at_ + static_cast<std::size_t>(i)];
    at_ += 8;
    return word;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// Fisher-Yates from the last element down, the swap partner word mod (i + 1).
void Shuffle(std::vector<std::uint32_t>& values, KeyedWords& words) {
  std::iota(values.begin(), values.end(), 0u);
  for (std::size_t i = values.size(); i-- > 1;) std::swap(values[i], values[words.Next() % (i + 1)]);
}

}  // namespace

PlacePermutation::PlacePermutation(const std::array<std::uint8_t, 32>& key, std::uint64_t samples, unsigned unit)
    : unit_(std::max(1u, unit)) {
  samples = (samples + unit_ - 1) / unit_;
  unsigned log2 = 0;
  while (log2 < 63 && (std::uint64_t{1} << (log2 + 1)) <= samples) ++log2;
  stratum_bits_ = std::max(1u, log2 / 2);
  stratum_mask_ = (std::uint64_t{1} << stratum_bits_) - 1;
  const std::uint64_t strata = std::max<std::uint64_t>(1, (samples + stratum_mask_) >> stratum_bits_);
  blocks_.resize(strata);
  offsets_.resize(std::size_t{1} << stratum_bits_);
  shifts_.resize(strata);
  KeyedWords words(key, 2 * blocks_.size() + offsets_.size());
  Shuffle(blocks_, words);
  Shuffle(offsets_, words);
  for (auto& shift : shifts_) shift = static_cast<std::uint32_t>(words.Next() & stratum_mask_);
}

void PlacePermutation::Fill(std::uint64_t first, std::size_t count, std::uint64_t* out) const {
  const std::uint64_t unit = first / unit_;
  std::uint64_t r = unit / blocks_.size(), t = unit % blocks_.size(), within = first % unit_;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = Place(r, t) * unit_ + within;
    if (++within < unit_) continue;
    within = 0;
    if (++t == blocks_.size()) {
      t = 0;
      ++r;
    }
  }
}

PlacePermutation::~PlacePermutation() {
  Wipe(blocks_);
  Wipe(shifts_);
  Wipe(offsets_);
}

}  // namespace veil::codec::stealth
