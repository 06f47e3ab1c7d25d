#include "codec/seal/sealed_stream.h"

#include <algorithm>

#include "files/file_failure.h"
#include "files/little_endian.h"

namespace veil::codec {
namespace {

constexpr std::size_t kWritebackPiece = 4 << 20;
static_assert(crypto_secretstream_xchacha20poly1305_HEADERBYTES == seal::kHeaderSize - seal::kParametersSize);
static_assert(crypto_secretstream_xchacha20poly1305_ABYTES == seal::kChunkOverhead);

// The header's bytes that the first chunk authenticates: layout, costs, salt.
std::array<std::uint8_t, seal::kParametersSize> Parameters(std::uint8_t layout, const SealParams& params,
                                                           const std::array<std::uint8_t, seal::kSaltSize>& salt) {
  std::array<std::uint8_t, seal::kParametersSize> bytes{};
  bytes[0] = layout;
  bytes[1] = seal::kArgon2id13;
  bytes[2] = params.chunk_log2;
  StoreU32(&bytes[4], params.operations);
  StoreU32(&bytes[8], params.memory_kib);
  std::copy(salt.begin(), salt.end(), bytes.begin() + seal::kSaltAt);
  return bytes;
}

}  // namespace

SealingPayload::SealingPayload(RawFile& payload, SealLead lead, const SealKey& key)
    : payload_(payload),
      lead_(std::move(lead)),
      params_(key.params()),
      authenticated_(Parameters(lead_.layout, key.params(), key.salt())),
      plain_length_(lead_.bytes.size() + payload.Size()),
      sealed_length_(SealedLength(payload.Size(), key.params(), lead_.bytes.size())) {
  sealed_.assign(authenticated_.begin(), authenticated_.end());
  sealed_.resize(seal::kHeaderSize);
  crypto_secretstream_xchacha20poly1305_init_push(&state_, sealed_.data() + seal::kParametersSize, key.key());
}

SealingPayload::~SealingPayload() {
  sodium_memzero(&state_, sizeof state_);
  sodium_memzero(plain_.data(), plain_.size());
}

void SealingPayload::SealNextChunk() {
  const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(params_.ChunkSize(), plain_length_ - plain_done_));
  plain_.resize(size);
  const std::size_t lead = lead_.bytes.size();
  std::size_t filled = 0;
  for (; plain_done_ + filled < lead && filled < size; ++filled)
    plain_[filled] = lead_.bytes[static_cast<std::size_t>(plain_done_) + filled];
  ReadExactly(payload_, plain_done_ + filled - lead, {plain_.data() + filled, size - filled});
  const bool first = plain_done_ == 0;
  plain_done_ += size;
  const std::uint8_t tag = plain_done_ == plain_length_ ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                                        : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
  sealed_.resize(size + seal::kChunkOverhead);
  crypto_secretstream_xchacha20poly1305_push(&state_, sealed_.data(), nullptr, plain_.data(), size,
                                             first ? authenticated_.data() : nullptr, first ? seal::kParametersSize : 0,
                                             tag);
  served_ = 0;
}

std::size_t SealingPayload::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset != position_) throw FileFailure("cannot read", "the sealed data", "it is made front to back");
  std::size_t done = 0;
  while (done < out.size() && position_ < sealed_length_) {
    if (served_ == sealed_.size()) SealNextChunk();
    const std::size_t n = std::min(out.size() - done, sealed_.size() - served_);
    std::copy_n(sealed_.begin() + static_cast<std::ptrdiff_t>(served_), n,
                out.begin() + static_cast<std::ptrdiff_t>(done));
    served_ += n;
    done += n;
    position_ += n;
  }
  return done;
}

void SealingPayload::WriteAt(std::uint64_t, std::span<const std::uint8_t>) {
  throw FileFailure("cannot write", "the sealed data", "it is only read");
}

UnsealingOutput::UnsealingOutput(RawFile& output, const SealKey& key, std::uint64_t sealed_length)
    : output_(output),
      key_(key),
      authenticated_(Parameters(seal::kNameLayout, key.params(), key.salt())),
      sealed_length_(sealed_length),
      chunk_size_(key.params().ChunkSize()) {
  // Room for the whole file at once (its lead's length is not known yet),
  // so that no copy of it is left behind unwiped by a growing buffer.
  if (const auto plain_length = SealedFileLength(sealed_length, chunk_size_, 0)) held_.reserve(*plain_length);
}

UnsealingOutput::~UnsealingOutput() {
  sodium_memzero(&state_, sizeof state_);
  sodium_memzero(plain_.data(), plain_.size());
  sodium_memzero(held_.data(), held_.size());
}

void UnsealingOutput::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) {
  if (offset != received_) throw FileFailure("cannot write", "the sealed data", "it is opened front to back");
  received_ += in.size();
  // Bytes wait in pending_ only until they make up a header or a chunk;
  // whole chunks in the bytes given are opened where they lie.
  while (!in.empty() && !finished_) {
    const std::size_t want = started_ ? NextChunkSize() : seal::kHeaderSize;
    if (pending_.empty() && in.size() >= want) {
      Take(in.first(want));
      in = in.subspan(want);
      continue;
    }
    const std::size_t n = std::min(want - pending_.size(), in.size());
    pending_.insert(pending_.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(n));
    in = in.subspan(n);
    if (pending_.size() == want) {
      Take(pending_);
      pending_.clear();
    }
  }
  if (!in.empty()) throw SealBroken(SealBroken::Kind::kLaterChunk, chunk_at_);  // bytes past the final chunk
}

std::size_t UnsealingOutput::NextChunkSize() const {
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(chunk_size_ + seal::kChunkOverhead, sealed_length_ - chunk_at_));
}

void UnsealingOutput::Take(std::span<const std::uint8_t> bytes) {
  if (!started_) {
    // The header as it was read, against the key's own parameters: a header
    // changed since the key was derived does not open the first chunk. The
    // layout is either; the first chunk authenticates the one read.
    layout_ = bytes[0];
    if (layout_ != seal::kExtensionLayout && layout_ != seal::kNameLayout)
      throw SealBroken(SealBroken::Kind::kFirstChunk, seal::kHeaderSize);
    authenticated_[0] = layout_;
    if (!std::equal(authenticated_.begin(), authenticated_.end(), bytes.begin()) ||
        crypto_secretstream_xchacha20poly1305_init_pull(&state_, bytes.data() + seal::kParametersSize, key_.key()) != 0)
      throw SealBroken(SealBroken::Kind::kFirstChunk, seal::kHeaderSize);
    chunk_at_ = seal::kHeaderSize;
    started_ = true;
    return;
  }
  OpenChunk(bytes);
}

void UnsealingOutput::OpenChunk(std::span<const std::uint8_t> sealed) {
  const std::size_t chunk = sealed.size();
  const bool first = chunk_at_ == seal::kHeaderSize;
  const SealBroken::Kind broken = first ? SealBroken::Kind::kFirstChunk : SealBroken::Kind::kLaterChunk;
  if (chunk <= seal::kChunkOverhead) throw SealBroken(SealBroken::Kind::kTruncated, chunk_at_);
  plain_.resize(chunk - seal::kChunkOverhead);
  unsigned long long plain_size = 0;
  unsigned char tag = 0;
  if (crypto_secretstream_xchacha20poly1305_pull(&state_, plain_.data(), &plain_size, &tag, sealed.data(), chunk,
                                                 first ? authenticated_.data() : nullptr,
                                                 first ? seal::kParametersSize : 0) != 0)
    throw SealBroken(broken, chunk_at_);
  const bool last = chunk_at_ + chunk == sealed_length_;
  if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL && !last) throw SealBroken(broken, chunk_at_);
  if (tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL &&
      tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)
    throw SealBroken(broken, chunk_at_);
  // A cut that falls on a chunk's end leaves a last chunk not marked final.
  if (last && tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL)
    throw SealBroken(SealBroken::Kind::kTruncated, chunk_at_);
  std::size_t skip = 0;
  if (first) {
    // The lead lies whole in the first chunk (no chunk is smaller than 4 KiB).
    skip = TakeLead({plain_.data(), static_cast<std::size_t>(plain_size)});
    if (skip == 0) throw SealBroken(broken, chunk_at_);
  }
  held_.insert(held_.end(), plain_.begin() + static_cast<std::ptrdiff_t>(skip),
               plain_.begin() + static_cast<std::ptrdiff_t>(plain_size));
  plain_done_ += plain_size;
  chunk_at_ += chunk;
  finished_ = last;
}

std::size_t UnsealingOutput::TakeLead(std::span<const std::uint8_t> plain) {
  const std::size_t size = layout_ == seal::kNameLayout ? (plain.empty() ? 1 : 1 + std::size_t{plain[0]})
                                                        : seal::kExtensionLead;
  if (plain.size() < size) return 0;
  const std::size_t text_at = layout_ == seal::kNameLayout ? 1 : 0;
  lead_text_.assign(plain.begin() + static_cast<std::ptrdiff_t>(text_at),
                    plain.begin() + static_cast<std::ptrdiff_t>(size));
  lead_size_ = size;
  return size;
}

void UnsealingOutput::Finish() {
  if (!finished_) throw SealBroken(SealBroken::Kind::kTruncated, chunk_at_);
  for (std::size_t at = 0; at < held_.size(); at += kWritebackPiece) {
    const std::size_t size = std::min<std::size_t>(kWritebackPiece, held_.size() - at);
    output_.WriteAt(at, {held_.data() + at, size});
    output_.StartWriteback(at, size);
  }
}

}  // namespace veil::codec
