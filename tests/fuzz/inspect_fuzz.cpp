// Any bytes as a picture: reading its headers, its stored password and its
// extension must neither crash nor yield a file name that leaves its folder.
#include <cstdlib>

#include "codec/plain/carrier_reader.h"
#include "files/file_failure.h"
#include "fuzz_memory_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veil::MemoryFile picture(veil::fuzz::MakeBuffer({data, data + size}));
  const auto facts = veil::carrier::ReadCarrierFacts(picture);
  if (facts.HoldsFile() && facts.pixelOffsetUsable) {
    try {
      const std::string password = veil::carrier::ReadStoredPassword(picture, facts.pixelOffset);
      if (password.size() > 255) std::abort();
    } catch (const veil::FileFailure&) {
    }
    const std::string name = veil::carrier::SafeExtension(facts.extension);
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) std::abort();
  }
  return 0;
}
