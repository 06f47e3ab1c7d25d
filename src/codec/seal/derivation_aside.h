#pragma once

#include <array>
#include <optional>
#include <string>

#include "codec/progress/run_progress.h"
#include "codec/seal/seal.h"

namespace veil::codec {

// SealKey::Derive on a thread of its own, for a run that tells its
// progress: libsodium's Argon2id says nothing while it works, so this
// thread meanwhile tells a fraction estimated from the time passed against
// the time the derivation should take (from its passes and memory, at the
// rate the last derivation in this process went), and asks whether to stop.
// On a stop it throws RunCancelled at once; the derivation runs on to its
// end on copies of its inputs that it owns, then wipes and frees them.
std::optional<SealKey> DeriveAside(const std::string& password, const SealParams& params,
                                   const std::optional<std::array<std::uint8_t, seal::kSaltSize>>& salt,
                                   RunProgress& progress);

// The seconds a derivation of these costs is expected to take here.
double ExpectedDerivationSeconds(const SealParams& params);

}  // namespace veil::codec
