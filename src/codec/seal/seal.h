#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veil::codec {

// The sealed form of a hidden file (format version 2): the file's name and
// the file, encrypted and authenticated with XChaCha20-Poly1305 in a chunked
// stream, under a key derived from a password with Argon2id. What the
// hidden bytes hold, in order:
//   0      1 byte   layout of the seal: 2 (1 in pictures sealed before names were kept)
//   1      1 byte   key derivation: 2, Argon2id version 1.3
//   2      1 byte   log2 of the plain bytes in a chunk (16: 64 KiB)
//   3      1 byte   0
//   4      4 bytes  Argon2id's operation count, little-endian
//   8      4 bytes  Argon2id's memory, in KiB, little-endian
//   12     16 bytes salt
//   28     24 bytes the stream's header (its nonce)
//   52     the chunks: the lead and the file, cut into chunks of the chunk
//          size, each encrypted with 17 bytes of overhead; the first chunk
//          authenticates bytes 0-27 too; the last is marked final. The
//          lead, in the first chunk: layout 2, a byte N and the name's N
//          bytes of UTF-8; layout 1, the extension's 3 bytes.
namespace seal {
inline constexpr std::size_t kHeaderSize = 52;
inline constexpr std::size_t kParametersSize = 28;  // bytes 0-27, before the stream's header
inline constexpr std::size_t kSaltAt = 12;
inline constexpr std::size_t kChunkOverhead = 17;
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kKeySize = 32;
inline constexpr std::uint8_t kExtensionLayout = 1;
inline constexpr std::uint8_t kNameLayout = 2;
inline constexpr std::size_t kExtensionLead = 3;
inline constexpr std::size_t kMaxNameBytes = 255;  // a byte tells the name's length
inline constexpr std::uint8_t kArgon2id13 = 2;
inline constexpr std::uint8_t kDefaultChunkLog2 = 16;
// The most a picture may ask of the key derivation before any work is done:
// each cost alone, and passes times memory, which bounds the time spent
// before "wrong password" at libsodium's sensitive level (4 passes over 1 GiB).
inline constexpr std::uint32_t kMaxOperations = 64;
inline constexpr std::uint32_t kMaxMemoryKib = 1024 * 1024;
inline constexpr std::uint64_t kMaxWorkKib = 4ull * 1024 * 1024;
inline constexpr std::uint32_t kVersion2 = 0x20000000;
}  // namespace seal

struct SealParams {
  std::uint32_t operations = 0;
  std::uint32_t memory_kib = 0;
  std::uint8_t chunk_log2 = seal::kDefaultChunkLog2;
  std::size_t ChunkSize() const { return std::size_t{1} << chunk_log2; }
  std::uint64_t WorkKib() const { return std::uint64_t{operations} * memory_kib; }
};

// What new seals ask: libsodium's moderate limits (3 passes over 256 MiB).
SealParams DefaultSealParams();
// True when params ask more time or memory than new seals do.
bool AsksMoreThanDefault(const SealParams& params);

// A key derived from a password, with what it was derived from.
class SealKey {
 public:
  // Derives the key (the slow, memory-hard step). salt: random when not given.
  static std::optional<SealKey> Derive(const std::string& password, const SealParams& params,
                                       const std::optional<std::array<std::uint8_t, seal::kSaltSize>>& salt = {});
  SealKey(const SealKey&) = default;
  SealKey& operator=(const SealKey&) = default;
  ~SealKey();

  const SealParams& params() const { return params_; }
  const std::array<std::uint8_t, seal::kSaltSize>& salt() const { return salt_; }
  const std::uint8_t* key() const { return key_.data(); }

 private:
  SealKey() = default;
  SealParams params_;
  std::array<std::uint8_t, seal::kSaltSize> salt_{};
  std::array<std::uint8_t, seal::kKeySize> key_{};
};

// What comes before the file in a seal's plain bytes, by layout: the
// extension (layout 1), or the name's length and the name (layout 2).
struct SealLead {
  std::uint8_t layout = seal::kNameLayout;
  std::vector<std::uint8_t> bytes;
};
SealLead ExtensionLead(const std::string& extension);  // 3 bytes
SealLead NameLead(const std::string& name);            // at most 255 bytes

// Sizes, for a lead of lead bytes: hidden bytes for a file, and the largest
// file that fits in a number of hidden bytes (nothing when not even an
// empty one does). With a lead of 0, the plain bytes (lead and file).
std::uint64_t SealedLength(std::uint64_t file_length, const SealParams& params,
                           std::size_t lead = seal::kExtensionLead);
std::optional<std::uint64_t> SealedFileLength(std::uint64_t sealed_length, std::size_t chunk_size,
                                              std::size_t lead = seal::kExtensionLead);
std::optional<std::uint64_t> LargestSealedFile(std::uint64_t hidden_capacity, const SealParams& params,
                                               std::size_t lead = seal::kExtensionLead);

// What a sealed picture tells before its password is known.
struct SealHeader {
  std::uint8_t layout = 0, derivation = 0, reserved = 0;
  SealParams params;
  std::array<std::uint8_t, seal::kSaltSize> salt{};
  bool Acceptable() const;  // a layout this program reads, and costs it will pay
};
// The header's fields from its first kParametersSize bytes.
SealHeader ParseSealHeader(std::span<const std::uint8_t, seal::kParametersSize> bytes);

}  // namespace veil::codec
