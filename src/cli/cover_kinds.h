#pragma once

#include <string>

#include "codec/covers/cover_kind.h"
#include "files/raw_file.h"

namespace veil::cli {

// The kind of picture a file holds, by its first bytes, whatever its name.
// An empty file and a PNG whose signature was damaged are refused here, with
// a CliFailure naming them.
codec::CoverKind ReadCoverKindOrRefuse(const std::string& name, RawFile& picture);

// Each throws CliFailure with the line the user sees.
// GIF and WebP: why they can never carry a hidden file.
void RefuseLossyCover(const std::string& picture, codec::CoverKind kind);
// A PNG or a JPEG asked to take the plain or the sealed form, which live in
// a BMP's pixel bytes and header.
void RefuseStealthOnlyKind(const std::string& picture, codec::CoverKind kind);

}  // namespace veil::cli
