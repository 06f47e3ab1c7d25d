#include "codec/seal.h"

#include <sodium.h>

#include <algorithm>

#include "codec/carrier_layout.h"
#include "codec/hidden_bytes.h"
#include "codec/seal_password.h"
#include "codec/sealed_stream.h"
#include "platform/file_failure.h"
#include "platform/little_endian.h"

namespace veil::codec {
namespace {

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

std::uint64_t ChunksFor(std::uint64_t plain, std::size_t chunk_size) {
  return std::max<std::uint64_t>(1, (plain + chunk_size - 1) / chunk_size);
}

// Takes bytes and keeps none: the first chunk is opened only to check the
// password and to learn the extension.
class Discard final : public RawFile {
 public:
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }
  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override {}
  std::uint64_t Size() override { return 0; }
  void Sync() override {}
};

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

std::uint64_t SealedLength(std::uint64_t file_length, const SealParams& params) {
  const std::uint64_t plain = 3 + file_length;
  return seal::kHeaderSize + plain + seal::kChunkOverhead * ChunksFor(plain, params.ChunkSize());
}

std::optional<std::uint64_t> SealedFileLength(std::uint64_t sealed_length, std::size_t chunk_size) {
  if (sealed_length < seal::kHeaderSize + seal::kChunkOverhead + 3) return std::nullopt;
  const std::uint64_t body = sealed_length - seal::kHeaderSize;
  const std::uint64_t chunks = (body + chunk_size + seal::kChunkOverhead - 1) / (chunk_size + seal::kChunkOverhead);
  const std::uint64_t plain = body - seal::kChunkOverhead * chunks;
  if (plain < 3 || ChunksFor(plain, chunk_size) != chunks) return std::nullopt;
  return plain - 3;
}

std::optional<std::uint64_t> LargestSealedFile(std::uint64_t hidden_capacity, const SealParams& params) {
  if (hidden_capacity < seal::kHeaderSize) return std::nullopt;
  const std::uint64_t room = hidden_capacity - seal::kHeaderSize, whole = params.ChunkSize() + seal::kChunkOverhead;
  const std::uint64_t rest = room % whole;
  const std::uint64_t plain = room / whole * params.ChunkSize() + (rest > seal::kChunkOverhead ? rest - seal::kChunkOverhead : 0);
  if (plain < 3) return std::nullopt;
  return plain - 3;
}

bool SealHeader::Acceptable() const {
  return layout == seal::kLayout && derivation == seal::kArgon2id13 && reserved == 0 && params.chunk_log2 >= 12 &&
         params.chunk_log2 <= 20 && params.operations >= crypto_pwhash_OPSLIMIT_MIN &&
         params.operations <= seal::kMaxOperations && params.memory_kib >= crypto_pwhash_MEMLIMIT_MIN / 1024 &&
         params.memory_kib <= seal::kMaxMemoryKib && params.WorkKib() <= seal::kMaxWorkKib;
}

std::optional<SealHeader> ReadSealHeader(RawFile& cover, const carrier::CarrierFacts& facts) {
  if (!facts.IsSealed() || !facts.pixelOffsetUsable || facts.HiddenLength() < seal::kHeaderSize)
    return std::nullopt;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadHiddenBytes(cover, static_cast<std::uint64_t>(facts.pixelOffset), facts.HiddenLength(), 0,
                            seal::kParametersSize);
  } catch (const FileFailure&) {
    return std::nullopt;
  }
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

OpenedSeal OpenSeal(RawFile& cover, const carrier::CarrierFacts& facts, const std::string& password) {
  OpenedSeal opened;
  const auto header = ReadSealHeader(cover, facts);
  if (!header || !facts.Complete()) return opened;  // kDamaged
  if (!header->Acceptable()) {
    opened.status = OpenedSeal::Status::kUnacceptable;
    return opened;
  }
  const std::uint64_t sealed = facts.HiddenLength();
  const auto file_length = SealedFileLength(sealed, header->params.ChunkSize());
  if (!file_length) return opened;
  opened.memory_kib = header->params.memory_kib;
  const std::size_t first = seal::kHeaderSize + header->params.ChunkSize() + seal::kChunkOverhead;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadHiddenBytes(cover, static_cast<std::uint64_t>(facts.pixelOffset), sealed, 0, first);
  } catch (const FileFailure&) {
    return opened;  // kDamaged
  }
  // Pictures sealed before passwords were normalised hold the bytes as
  // typed; newer ones the composed form: the first that opens wins.
  for (const std::string& spelling : PasswordForms(password).opening) {
    opened.key = SealKey::Derive(spelling, header->params, header->salt);
    if (!opened.key) {
      opened.status = OpenedSeal::Status::kNoMemory;
      return opened;
    }
    try {
      Discard nowhere;
      UnsealingOutput probe(nowhere, *opened.key, sealed);
      probe.WriteAt(0, bytes);
      opened.extension = probe.extension();
    } catch (const SealBroken& broken) {
      opened.key.reset();
      if (broken.kind == SealBroken::Kind::kFirstChunk) {
        opened.status = OpenedSeal::Status::kWrongPassword;
        continue;
      }
      opened.status = OpenedSeal::Status::kDamaged;
      return opened;
    }
    opened.file_length = *file_length;
    opened.status = OpenedSeal::Status::kOpened;
    return opened;
  }
  return opened;
}

}  // namespace veil::codec
