// Any bytes as a JPEG cover: reading must refuse with a reason or decode
// within its limits, never crash; a decoded cover, a few coefficients
// changed by one and written, must decode to exactly those coefficients.
#include <cstdlib>
#include <variant>

#include "codec/covers/jpeg/jpeg_coefficients.h"
#include "codec/covers/jpeg/jpeg_sample_cover.h"
#include "files/file_failure.h"
#include "fuzz_memory_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto bytes = veil::fuzz::MakeBuffer({data, data + size});
  veil::MemoryFile source(bytes);
  auto reading = veil::codec::ReadJpegCover(source);
  if (!reading.cover) {
    if (reading.refusal.empty()) std::abort();
    return 0;
  }
  auto& values = reading.cover->samples().values16;
  if (values.empty() || values.size() % 64 != 0) std::abort();
  for (std::size_t i = size % 13; i < values.size(); i += values.size() / 7 + 1) {
    const int c = int{values[i]} - veil::codec::kCoefficientOffset;
    if (c > -1000 && c < 1000) values[i] = static_cast<std::uint16_t>(values[i] + ((i & 1) != 0 ? 1 : -1));
  }
  std::vector<std::uint8_t> written;
  try {
    written = reading.cover->Encode();
  } catch (const veil::FileFailure&) {
    return 0;  // refused to write what would not decode back: allowed, never a wrong picture
  }
  const auto back = veil::codec::jpeg::DecodeCoefficients(written);
  const auto* coefficients = std::get_if<veil::codec::jpeg::Coefficients>(&back);
  if (coefficients == nullptr || coefficients->values != values) std::abort();
  return 0;
}
