#pragma once

#include <cstddef>
#include <cstdint>

namespace veil::codec::stealth {

// The trellis code's forward (Viterbi) pass over n columns carrying m bits:
// fills 16 bytes of path a column and returns the cost of the one end state.
struct TrellisProblem {
  const std::uint8_t* x;
  const float* rho;
  const std::uint8_t* message;
  std::size_t n, m;
  const std::uint8_t* hhat;
  std::uint8_t* paths;
};

float ForwardPortable(const TrellisProblem& problem);
// The same, eight states to an AVX2 register; only where the processor has it.
float ForwardAvx2(const TrellisProblem& problem);

// The rows of block i that exist, and where block i ends.
inline std::uint8_t RowMask(std::size_t i, std::size_t m) {
  const std::size_t rows = m - i < 7 ? m - i : 7;
  return static_cast<std::uint8_t>((1u << rows) - 1);
}
// Segments keep n and m far below 2^32.
inline std::size_t BlockEnd(std::size_t i, std::size_t n, std::size_t m) {
  return static_cast<std::size_t>(std::uint64_t{i + 1} * n / m);
}

}  // namespace veil::codec::stealth
