#pragma once

#include <cstdint>

#include "codec/covers/cover_kind.h"
#include "codec/progress/run_progress.h"
#include "codec/stealth/stealth_keys.h"

namespace veil::codec::stealth {

// The samples a cover file of this kind and length is likely to hold,
// before it is read.
std::uint64_t LikelySamples(CoverKind kind, std::uint64_t file_length);

// Weighs a stealth run's stages by the time each is expected to take, from
// the cover's kind and samples, the hidden file's length and the key's costs.
void WeighHide(RunProgress& progress, CoverKind kind, std::uint64_t samples, std::uint64_t file_length,
               const KdfCosts& costs);
void WeighOpen(RunProgress& progress, CoverKind kind, std::uint64_t samples, const KdfCosts& costs);

}  // namespace veil::codec::stealth
