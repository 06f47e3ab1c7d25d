#include "codec/kernels/kernel_choice.h"

#include <cmath>

namespace veil {
namespace {

bool Measured(double t) { return std::isfinite(t) && t > 0; }

}  // namespace

std::size_t ChooseKernel(std::span<const double> nanoseconds) {
  if (nanoseconds.empty() || !Measured(nanoseconds[0])) return 0;
  double fastest = nanoseconds[0];
  for (double t : nanoseconds)
    if (Measured(t) && t < fastest) fastest = t;
  for (std::size_t i = 0; i < nanoseconds.size(); ++i)
    if (Measured(nanoseconds[i]) && fastest > kClearlyFasterShare * nanoseconds[i]) return i;
  return 0;  // not reached: the fastest one qualifies
}

}  // namespace veil
