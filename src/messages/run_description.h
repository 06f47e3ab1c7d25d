#pragma once

#include <string>

#include "codec/run_result.h"

namespace veil {

// "all 6,000 of its colour pixels are colours a JPEG decoder gives" (or
// "all but 3 of ..."): why a picture was a JPEG.
std::string JpegTracesLine(const codec::JpegTraces& traces);
// What a BMP's or PNG's pixels show of a JPEG, and the verdict, in one
// line; empty for a picture not judged (16-bit, or too small or flat).
std::string JpegTracesVerdict(const codec::JpegTraces& traces);

// One English line for a run that did not complete, naming the picture and
// the file concerned where they matter: for the command-line program's
// errors and for reports.
std::string DescribeRun(const codec::RunResult& result, const std::string& picture, const std::string& file);

// Why a file is no cover, in one English line that names the fields at fault.
std::string DescribeCoverRefusal(const carrier::BmpRefusal& refusal, const std::string& picture);

// What the reserved words of a picture hold when that is no hidden file this
// program reads, and how to reset them.
std::string DescribeForeignMarker(std::uint32_t marker, const std::string& picture);

}  // namespace veil
