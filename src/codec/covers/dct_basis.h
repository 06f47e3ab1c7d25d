#pragma once

#include <cmath>
#include <numbers>

namespace veil::codec {

// JPEG's 8-point DCT basis, orthonormal: c_k(m) for frequency k and
// sample m, each 0 to 7. The 2-D basis is c_k(m) c_l(n).
inline double DctBasis(int k, int m) {
  return (k == 0 ? std::sqrt(1.0 / 8) : 0.5) * std::cos((2 * m + 1) * k * std::numbers::pi / 16);
}

}  // namespace veil::codec
