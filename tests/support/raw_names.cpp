#include "support/raw_names.h"

#include <sodium.h>

#include <memory>
#include <stdexcept>

#include "codec/covers/sample_cover.h"
#include "codec/seal/sealed_stream.h"
#include "codec/stealth/stealth_engine.h"
#include "files/memory_file.h"
#include "support/reference_carrier.h"

namespace veil::test {

Bytes SealedWithRawName(const std::string& name, const Bytes& data, const codec::SealKey& key) {
  MemoryFile payload(std::make_shared<Bytes>(data));
  codec::SealingPayload sealing(payload, codec::NameLead(name), key);
  Bytes hidden(static_cast<std::size_t>(sealing.Size()));
  ReadExactly(sealing, 0, hidden);
  // The reference writer puts the hidden bytes after a plain header; the
  // marker then says they are sealed.
  Bytes picture = ReferenceHide(MakeBmp(54 + 12 + 4 * (hidden.size() + 64)), hidden, "bin", "", false);
  PutU32(picture, 6, codec::seal::kVersion2 | static_cast<std::uint32_t>(hidden.size()));
  return picture;
}

Bytes StealthWithRawName(const Bytes& cover, const std::string& name, const Bytes& data, const std::string& password,
                         const codec::stealth::KdfCosts& costs) {
  using namespace codec::stealth;
  MemoryFile picture(std::make_shared<Bytes>(cover));
  auto reading = codec::ReadCover(picture);
  if (!reading.cover) throw std::runtime_error("no cover: " + reading.refusal);
  StealthHider hider(reading.cover->samples(), 2);
  Salt salt;
  do randombytes_buf(salt.data(), salt.size());
  while (!hider.HideSalt(salt));
  const auto keys = DeriveStealthKeys(password, salt, costs);
  if (!keys || !hider.HideFile(*keys, salt, NameLabel(name), data)) throw std::runtime_error("not hidden");
  auto written = std::make_shared<Bytes>();
  MemoryFile copy(written);
  reading.cover->Write(copy);
  return *written;
}

}  // namespace veil::test
