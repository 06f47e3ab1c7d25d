// Any file hidden at any pixel-data offset, with or without a password, in
// place or into a copy, comes back byte for byte, and the picture matches
// the independent implementation of the format.
#include <cstdlib>

#include "codec/plain/carrier_layout.h"
#include "codec/plain/runs.h"
#include "fuzz_memory_platform.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Any offset from the end of the headers on.
  const std::uint32_t offset = 54 + data[0] + (data[1] & 1) * 256;
  const bool with_password = data[2] & 1;
  const bool into_copy = data[1] & 2;
  const std::string password(reinterpret_cast<const char*>(data + 3),
                             std::min<std::size_t>(size - 3, (data[2] >> 1) % 9));
  const std::vector<std::uint8_t> payload(data + 3, data + size);
  const std::size_t cover_size = offset + veil::carrier::BytesNeeded(payload.size()) + data[2] % 13;
  const auto cover = veil::test::MakeBmp(std::max<std::size_t>(cover_size, 54), offset, 24, size);
  if (!veil::carrier::IsPortableText(password)) return 0;

  const auto picture = veil::fuzz::MakeBuffer(cover);
  const auto copy = veil::fuzz::MakeBuffer();
  veil::MemoryFile picture_file(picture), payload_file(veil::fuzz::MakeBuffer(payload)), copy_file(copy);
  veil::fuzz::Quiet quiet;
  const std::optional<std::string> given = with_password ? std::optional<std::string>(password) : std::nullopt;
  if (!veil::codec::Embed({picture_file, payload_file, into_copy ? &copy_file : nullptr, "bin", given}, quiet).ok())
    std::abort();

  const auto expected = veil::test::ReferenceHide(cover, payload, "bin", password, with_password);
  if ((into_copy ? *copy : *picture) != expected) std::abort();
  if (into_copy && *picture != cover) std::abort();
  const auto back = veil::fuzz::MakeBuffer();
  veil::MemoryFile marked(veil::fuzz::MakeBuffer(expected)), back_file(back);
  if (!veil::codec::Extract({marked, back_file, given}, quiet).ok()) std::abort();
  if (*back != payload) std::abort();
  return 0;
}
