// Any bytes as a marked picture: the extraction must not crash, must refuse
// what it cannot read without writing a byte, and whatever it does extract
// must agree with the independent implementation of the format.
#include <cstdlib>

#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "files/file_failure.h"
#include "fuzz_memory_platform.h"
#include "support/reference_carrier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veil::MemoryFile picture(veil::fuzz::MakeBuffer({data, data + size}));
  const auto facts = veil::carrier::ReadCarrierFacts(picture);
  if (!facts.HoldsFile()) return 0;
  const auto reference =
      facts.Complete() ? veil::test::ReferenceExtract({data, data + size}) : veil::test::ReferenceContents{};
  const auto output = veil::fuzz::MakeBuffer();
  veil::MemoryFile out(output);
  veil::fuzz::Quiet quiet;
  const veil::codec::RunResult result = veil::codec::Extract({picture, out, reference.password}, quiet);
  bool password_readable = true;
  if (facts.HasPassword() && facts.pixelOffsetUsable) {
    try {
      veil::carrier::ReadStoredPassword(picture, facts.pixelOffset);
    } catch (const veil::FileFailure&) {
      password_readable = false;  // a length byte that runs past the end
    }
  }
  const bool readable = facts.Version() == 1 && facts.Complete() && password_readable;
  if (result.ok() != readable) std::abort();
  if (result.ok() && *output != reference.data) std::abort();
  if (!result.ok() && !output->empty()) std::abort();
  return 0;
}
