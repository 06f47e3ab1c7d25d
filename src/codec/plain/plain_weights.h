#pragma once

#include <cstdint>

namespace veil::codec {

// What the plain and sealed forms' stages are expected to take, in seconds,
// for their RunProgress: the checks next to nothing, the groups in
// proportion to the hidden bytes (each moves twelve cover bytes).
inline constexpr double kCheckSeconds = 0.002;
inline double WritingSeconds(std::uint64_t hidden_bytes) { return 0.002 + 12e-9 * static_cast<double>(hidden_bytes); }

}  // namespace veil::codec
