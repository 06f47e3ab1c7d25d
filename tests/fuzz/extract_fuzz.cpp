// Any bytes as a marked picture: the extraction run must not crash, must
// fail on what it cannot read, and whatever it does extract must agree with
// the independent implementation of the format.
#include <cstdlib>

#include "codec/carrier_reader.h"
#include "fuzz_memory_platform.h"
#include "support/reference_carrier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veil::fuzz::MemoryPlatform platform;
  platform.Put("p.bmp", {data, data + size});
  veil::NumberedFile& picture = platform.files.Open(1, "p.bmp", veil::OpenMode::kReadOnly);
  const auto facts = veil::carrier::ReadCarrierFacts(picture);
  if (!facts.HoldsFile()) return 0;
  const auto output = platform.Put("out", {});
  platform.files.Open(2, "out", veil::OpenMode::kReadWrite);
  platform.state.markerValue = static_cast<std::int32_t>(facts.HiddenLength());
  const veil::RunReport report = platform.codec.RunExtraction();
  platform.files.CloseAll();
  if (report.ok() != facts.Complete()) std::abort();
  if (report.ok()) {
    const auto expected = veil::test::ReferenceExtract({data, data + size});
    if (*output != expected.data) std::abort();
  } else if (platform.boxes.Shown().size() != 1) {
    std::abort();
  }
  return 0;
}
