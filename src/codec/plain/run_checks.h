#pragma once

#include <optional>

#include "codec/plain/carrier_reader.h"
#include "codec/run_result.h"
#include "files/file_failure.h"

namespace veil::codec {

// The one test of a picture's pixel-data offset: nothing when the pixel data
// (with the hidden header) lies inside the file, kDamaged otherwise.
std::optional<RunResult> PixelOffsetProblem(const carrier::CarrierFacts& facts);

// The checks an extraction makes before it writes a byte: the picture holds
// a file of version 1 whose header and groups lie inside it, and, when it has
// a password, the one given is the stored one. Nothing when it may go on.
// The password's test throws FileFailure when the stored one cannot be read.
std::optional<RunResult> PictureRefusal(const carrier::CarrierFacts& facts);
std::optional<RunResult> PasswordRefusal(RawFile& cover, const carrier::CarrierFacts& facts,
                                         const std::optional<std::string>& password);
std::optional<RunResult> ExtractionRefusal(RawFile& cover, const carrier::CarrierFacts& facts,
                                           const std::optional<std::string>& password);

}  // namespace veil::codec
