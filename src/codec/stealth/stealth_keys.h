#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "codec/progress/run_progress.h"
#include "codec/stealth/stealth_format.h"

namespace veil::codec::stealth {

using Salt = std::array<std::uint8_t, kSaltSize>;
using Subkey = std::array<std::uint8_t, 32>;

// Argon2id's costs. The programs always use the fixed ones; tests may ask
// for less so that they run quickly.
struct KdfCosts {
  std::uint32_t operations = kOperations;
  std::uint32_t memory_kib = kMemoryKib;
};

// The keys a password and a salt give: Argon2id makes a master key, and
// libsodium's crypto_kdf derives from it one key for the places and one for
// the stream.
struct StealthKeys {
  Subkey places{}, stream{};
  ~StealthKeys();
};

// Nothing when the memory for Argon2id is not there. With a progress, the
// derivation runs aside (DeriveAside) and may be stopped: RunCancelled.
std::optional<StealthKeys> DeriveStealthKeys(const std::string& password, const Salt& salt, const KdfCosts& costs,
                                             RunProgress* progress = nullptr);

// The key of the salt's public places: fixed, the same for every picture.
Subkey PublicPlacesKey();

}  // namespace veil::codec::stealth
