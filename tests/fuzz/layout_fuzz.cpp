// Any bytes: the covers' header reading and the tests' separately written one
// agree on whether the file is a cover and on where its pixel array lies.
#include <cstdlib>

#include "codec/covers/bmp_layout.h"
#include "support/plain_bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const veil::test::Bytes bytes(data, data + size);
  const veil::test::PlainBmp plain = veil::test::JudgePlainBmp(bytes);
  const veil::carrier::BmpReading reading = veil::carrier::JudgeBmpHeaders(data, size, size);
  if (reading.IsCover() != plain.ordinary) std::abort();
  if (plain.ordinary && (reading.layout->pixelOffset != static_cast<std::int64_t>(plain.pixels) ||
                         reading.layout->pixelArrayEnd != plain.pixelsEnd))
    std::abort();
  return 0;
}
