// Any bytes as the sealed data of a version-2 picture: hostile costs are
// refused before any work, lengths and chunks that do not hold up are
// refused, and nothing crashes. The first input byte chooses whether the
// stored costs stay as they are (then only refusals run: deriving a key
// at any cost a picture may ask would make the fuzzer crawl) or are set to
// the cheapest, so that the chunks themselves are tried.
#include <cstdlib>

#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "files/safe_file_name.h"
#include "fuzz_memory_platform.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 300000) return 0;
  const bool hostile_costs = data[0] & 1;
  std::vector<std::uint8_t> sealed(data + 1, data + size);
  if (!hostile_costs && sealed.size() >= 12) {
    veil::test::PutU32(sealed, 4, 1);
    veil::test::PutU32(sealed, 8, 8);
  }
  auto cover = veil::test::MakeBmp(54 + veil::carrier::BytesNeeded(sealed.size()) + data[0] % 7);
  auto picture = veil::test::ReferenceHide(cover, sealed, "", "", false);
  veil::test::PutU32(picture, 6, 0x20000000 | static_cast<std::uint32_t>(sealed.size()));
  if (data[0] & 2) picture.resize(picture.size() - 5);  // cut short too

  veil::MemoryFile file(veil::fuzz::MakeBuffer(picture));
  const auto facts = veil::carrier::ReadCarrierFacts(file);
  const auto header = veil::codec::ReadSealHeader(file, facts);
  if (header && header->Acceptable() && (header->params.operations > 1 || header->params.memory_kib > 8)) return 0;
  auto opened = veil::codec::OpenSeal(file, facts, "pw");
  if (opened.status != veil::codec::OpenedSeal::Status::kOpened) {
    if (opened.key) std::abort();
    return 0;
  }
  // A name the seal claims comes back safe: making it safe again changes nothing.
  if (opened.file_name && veil::SafeFileName(*opened.file_name) != *opened.file_name) std::abort();
  const auto output = veil::fuzz::MakeBuffer();
  veil::MemoryFile out(output);
  veil::fuzz::Quiet quiet;
  const auto result = veil::codec::Extract({file, out, std::nullopt, &*opened.key}, quiet);
  if (result.ok() && output->size() != opened.file_length) std::abort();
  return 0;
}
