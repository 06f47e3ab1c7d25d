#include "codec/stealth/stealth_keys.h"

#include <sodium.h>

#include "codec/seal/derivation_aside.h"
#include "codec/seal/seal.h"

namespace veil::codec::stealth {
namespace {

constexpr char kContext[crypto_kdf_CONTEXTBYTES + 1] = "VWstelth";
constexpr std::uint64_t kPlacesId = 1, kStreamId = 2;

}  // namespace

StealthKeys::~StealthKeys() {
  sodium_memzero(places.data(), places.size());
  sodium_memzero(stream.data(), stream.size());
}

std::optional<StealthKeys> DeriveStealthKeys(const std::string& password, const Salt& salt, const KdfCosts& costs,
                                             RunProgress* progress) {
  SealParams params;
  params.operations = costs.operations;
  params.memory_kib = costs.memory_kib;
  const std::array<std::uint8_t, seal::kSaltSize> seal_salt = salt;
  const auto master =
      progress ? DeriveAside(password, params, seal_salt, *progress) : SealKey::Derive(password, params, salt);
  if (!master) return std::nullopt;
  StealthKeys keys;
  crypto_kdf_derive_from_key(keys.places.data(), keys.places.size(), kPlacesId, kContext, master->key());
  crypto_kdf_derive_from_key(keys.stream.data(), keys.stream.size(), kStreamId, kContext, master->key());
  return keys;
}

Subkey PublicPlacesKey() {
  // BLAKE2b-256 of a fixed text: anyone may compute it, which is the point.
  static constexpr char kText[] = "veilwright stealth salt places";
  Subkey key{};
  crypto_generichash(key.data(), key.size(), reinterpret_cast<const unsigned char*>(kText), sizeof kText - 1, nullptr,
                     0);
  return key;
}

}  // namespace veil::codec::stealth
