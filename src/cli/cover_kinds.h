#pragma once

#include <string>

#include "codec/covers/cover_kind.h"

namespace veil::cli {

// Each throws CliFailure with the line the user sees.
// JPEG, GIF and WebP: why they can never carry a hidden file.
void RefuseLossyCover(const std::string& picture, codec::CoverKind kind);
// A PNG asked to take the plain or the sealed form, which live in a BMP's
// pixel bytes.
void RefusePngWithoutStealth(const std::string& picture, codec::CoverKind kind);

}  // namespace veil::cli
