#pragma once

#include <string>

#include "codec/covers/bmp_layout.h"
#include "codec/plain/carrier_reader.h"
#include "files/raw_file.h"

namespace veil::cli {

// Each throws CliFailure with the line the user sees.
// The picture is a cover (an uncompressed 24-bit BMP whose pixel array lies
// inside it): its layout, or a CliFailure naming the field at fault.
carrier::BmpLayout RequireCover(const std::string& picture, RawFile& cover);
void RequireReadableHiddenFile(const std::string& picture, const carrier::CarrierFacts& facts);

// Bytes as text, with anything unprintable written as \xNN.
std::string PrintableBytes(const std::string& bytes);

}  // namespace veil::cli
