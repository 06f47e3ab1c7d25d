#include "codec/stealth/place_permutation.h"

#include <sodium.h>

#include "platform/little_endian.h"

namespace veil::codec::stealth {

PlacePermutation::PlacePermutation(const std::array<std::uint8_t, 32>& key, std::uint64_t domain) : domain_(domain) {
  unsigned bits = 2;
  while (bits < 64 && (std::uint64_t{1} << bits) < domain) bits += 2;
  half_bits_ = bits / 2;
  half_mask_ = (std::uint64_t{1} << half_bits_) - 1;
  const std::size_t entries = std::size_t{kRounds} << half_bits_;
  std::vector<std::uint8_t> stream(entries * 4);
  static const std::uint8_t kNonce[crypto_stream_chacha20_NONCEBYTES] = {};
  crypto_stream_chacha20(stream.data(), stream.size(), kNonce, key.data());
  tables_.resize(entries);
  for (std::size_t i = 0; i < entries; ++i)
    tables_[i] = static_cast<std::uint32_t>(LoadU32(&stream[4 * i]) & half_mask_);
  sodium_memzero(stream.data(), stream.size());
}

}  // namespace veil::codec::stealth
