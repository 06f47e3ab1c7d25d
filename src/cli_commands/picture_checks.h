#pragma once

#include <string>

#include "codec/carrier_reader.h"

namespace veil::cli {

// Each throws CliFailure with the line the user sees.
void RequireTwentyFourBit(const std::string& picture, const carrier::CarrierFacts& facts);
void RequireReadableHiddenFile(const std::string& picture, const carrier::CarrierFacts& facts);
void RequireUsablePixelOffset(const std::string& picture, const carrier::CarrierFacts& facts);

// Bytes as text, with anything unprintable written as \xNN.
std::string PrintableBytes(const std::string& bytes);

}  // namespace veil::cli
