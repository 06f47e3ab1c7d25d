#include "codec/seal/seal.h"

#include <sodium.h>

#include <algorithm>

#include "files/little_endian.h"

namespace veil::codec {
namespace {

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

std::uint64_t ChunksFor(std::uint64_t plain, std::size_t chunk_size) {
  return std::max<std::uint64_t>(1, (plain + chunk_size - 1) / chunk_size);
}

}  // namespace

SealParams DefaultSealParams() {
  return {static_cast<std::uint32_t>(crypto_pwhash_OPSLIMIT_MODERATE),
          static_cast<std::uint32_t>(crypto_pwhash_MEMLIMIT_MODERATE / 1024), seal::kDefaultChunkLog2};
}

bool AsksMoreThanDefault(const SealParams& params) {
  const SealParams standard = DefaultSealParams();
  return params.operations > standard.operations || params.memory_kib > standard.memory_kib;
}

std::optional<SealKey> SealKey::Derive(const std::string& password, const SealParams& params,
                                       const std::optional<std::array<std::uint8_t, seal::kSaltSize>>& salt) {
  if (!SodiumReady()) return std::nullopt;
  SealKey key;
  key.params_ = params;
  if (salt)
    key.salt_ = *salt;
  else
    randombytes_buf(key.salt_.data(), key.salt_.size());
  if (crypto_pwhash(key.key_.data(), key.key_.size(), password.data(), password.size(), key.salt_.data(),
                    params.operations, std::size_t{params.memory_kib} * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
    return std::nullopt;  // out of memory
  return key;
}

SealKey::~SealKey() { sodium_memzero(key_.data(), key_.size()); }

SealLead ExtensionLead(const std::string& extension) {
  SealLead lead{seal::kExtensionLayout, std::vector<std::uint8_t>(extension.begin(), extension.end())};
  lead.bytes.resize(seal::kExtensionLead);
  return lead;
}

SealLead NameLead(const std::string& name) {
  const std::size_t size = std::min(name.size(), seal::kMaxNameBytes);
  SealLead lead{seal::kNameLayout, std::vector<std::uint8_t>(1 + size)};
  lead.bytes[0] = static_cast<std::uint8_t>(size);
  std::copy_n(name.begin(), size, lead.bytes.begin() + 1);
  return lead;
}

std::uint64_t SealedLength(std::uint64_t file_length, const SealParams& params, std::size_t lead) {
  const std::uint64_t plain = lead + file_length;
  return seal::kHeaderSize + plain + seal::kChunkOverhead * ChunksFor(plain, params.ChunkSize());
}

std::optional<std::uint64_t> SealedFileLength(std::uint64_t sealed_length, std::size_t chunk_size,
                                              std::size_t lead) {
  if (sealed_length < seal::kHeaderSize + seal::kChunkOverhead + lead) return std::nullopt;
  const std::uint64_t body = sealed_length - seal::kHeaderSize;
  const std::uint64_t chunks = (body + chunk_size + seal::kChunkOverhead - 1) / (chunk_size + seal::kChunkOverhead);
  const std::uint64_t plain = body - seal::kChunkOverhead * chunks;
  if (plain < lead || ChunksFor(plain, chunk_size) != chunks) return std::nullopt;
  return plain - lead;
}

std::optional<std::uint64_t> LargestSealedFile(std::uint64_t hidden_capacity, const SealParams& params,
                                               std::size_t lead) {
  if (hidden_capacity < seal::kHeaderSize) return std::nullopt;
  const std::uint64_t room = hidden_capacity - seal::kHeaderSize, whole = params.ChunkSize() + seal::kChunkOverhead;
  const std::uint64_t rest = room % whole;
  const std::uint64_t plain =
      room / whole * params.ChunkSize() + (rest > seal::kChunkOverhead ? rest - seal::kChunkOverhead : 0);
  if (plain < lead) return std::nullopt;
  return plain - lead;
}

bool SealHeader::Acceptable() const {
  return (layout == seal::kExtensionLayout || layout == seal::kNameLayout) && derivation == seal::kArgon2id13 &&
         reserved == 0 && params.chunk_log2 >= 12 && params.chunk_log2 <= 20 &&
         params.operations >= crypto_pwhash_OPSLIMIT_MIN && params.operations <= seal::kMaxOperations &&
         params.memory_kib >= crypto_pwhash_MEMLIMIT_MIN / 1024 && params.memory_kib <= seal::kMaxMemoryKib &&
         params.WorkKib() <= seal::kMaxWorkKib;
}

SealHeader ParseSealHeader(std::span<const std::uint8_t, seal::kParametersSize> bytes) {
  SealHeader header;
  header.layout = bytes[0];
  header.derivation = bytes[1];
  header.params.chunk_log2 = bytes[2];
  header.reserved = bytes[3];
  header.params.operations = LoadU32(&bytes[4]);
  header.params.memory_kib = LoadU32(&bytes[8]);
  std::copy_n(bytes.begin() + seal::kSaltAt, seal::kSaltSize, header.salt.begin());
  return header;
}

}  // namespace veil::codec
