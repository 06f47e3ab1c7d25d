#pragma once

#include <cstddef>
#include <vector>

#include "codec/covers/cover_samples.h"
#include "codec/progress/run_progress.h"
#include "codec/stealth/embedding_costs.h"

namespace veil::codec::stealth {

// What a change of each of a JPEG's coefficients would cost: J-UNIWARD's
// (Holub, Fridrich and Denemark, 2014). Each component is decompressed
// (without rounding) and filtered with the three directional filters of
// Daubechies' 8-tap wavelet; a coefficient's change by one moves a 23 x 23
// patch of each residual, and costs the sum, over the three, of that move's
// magnitude weighted by the reciprocal of the residual's magnitude there
// (plus 2^-6). Both the DCT basis and the filters are separable, so each
// sum is two passes of 23 taps. Coefficients a change could push out of the
// range JPEG codes are wet. The rate counts the non-zero AC coefficients.
CostMap JUniwardCosts(const CoverSamples& samples, unsigned threads, RunProgress* progress = nullptr);

struct JUniwardKernels;
// The same by the given loops rather than the ones chosen for this processor.
CostMap JUniwardCosts(const CoverSamples& samples, unsigned threads, const JUniwardKernels& kernels,
                      RunProgress* progress = nullptr);
// The cost of a change by one of each coefficient of one component, in the
// samples' order from the component's first, by the given loops: what the
// levels are made from.
std::vector<float> JUniwardComponentCosts(const CoverSamples& samples, std::size_t component,
                                          const JUniwardKernels& kernels);

}  // namespace veil::codec::stealth
