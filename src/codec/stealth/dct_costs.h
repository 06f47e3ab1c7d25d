#pragma once

#include "codec/covers/cover_samples.h"
#include "codec/progress/run_progress.h"
#include "codec/stealth/embedding_costs.h"

namespace veil::codec::stealth {

// What a change of each of a JPEG's coefficients would cost: UERD's
// (Guo, Ni, Su, Chen and Shi, 2015). A block's energy is the sum of its
// dequantised AC coefficients' magnitudes; the energy it is seen in adds a
// quarter of each of its eight neighbours'; a coefficient costs its
// quantisation step over that (the DC term the mean of the first two AC
// steps'). Blocks with no energy around them are wet, and so are
// coefficients a change could push out of the range JPEG codes. The rate
// counts the non-zero AC coefficients.
CostMap DctCosts(const CoverSamples& samples, RunProgress* progress = nullptr);

}  // namespace veil::codec::stealth
