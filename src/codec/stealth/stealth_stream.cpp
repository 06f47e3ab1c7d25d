#include "codec/stealth/stealth_stream.h"

#include <algorithm>

namespace veil::codec::stealth {
namespace {

static_assert(crypto_secretstream_xchacha20poly1305_HEADERBYTES == kStreamHeaderSize);
static_assert(crypto_secretstream_xchacha20poly1305_ABYTES == kStreamOverhead);

constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

void StoreU64(std::uint8_t* p, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t LoadU64(const std::uint8_t* p) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

std::uint64_t ChunksFor(std::uint64_t file_length) {
  return std::max<std::uint64_t>(1, (file_length + kChunkSize - 1) / kChunkSize);
}

}  // namespace

Frame FrameFor(const FileLabel& label, std::uint64_t file_length, std::uint64_t body_places) {
  Frame frame;
  frame.layout = label.layout;
  if (label.layout == kNameLayout)
    frame.name_length = std::min(label.text.size(), kMaxNameBytes);
  else
    frame.extension = label.text;
  frame.file_length = file_length;
  frame.body_places = body_places;
  return frame;
}

std::span<const std::uint8_t> BodyLead(const FileLabel& label) {
  if (label.layout != kNameLayout) return {};
  return {reinterpret_cast<const std::uint8_t*>(label.text.data()), std::min(label.text.size(), kMaxNameBytes)};
}

std::uint64_t BodyLength(std::uint64_t content_length) {
  return content_length + kStreamOverhead * ChunksFor(content_length);
}

std::optional<std::uint64_t> LargestFile(std::uint64_t body_bytes) {
  if (body_bytes < kStreamOverhead) return std::nullopt;
  const std::uint64_t whole = kChunkSize + kStreamOverhead;
  const std::uint64_t rest = body_bytes % whole;
  const std::uint64_t length = body_bytes / whole * kChunkSize + (rest > kStreamOverhead ? rest - kStreamOverhead : 0);
  return length;
}

StealthSealer::StealthSealer(const Subkey& key) : key_(key) {}

StealthSealer::~StealthSealer() { sodium_memzero(&state_, sizeof state_); }

std::vector<std::uint8_t> StealthSealer::SealFrame(const Frame& frame, const Salt& salt) {
  std::vector<std::uint8_t> sealed(kFrameSize);
  crypto_secretstream_xchacha20poly1305_init_push(&state_, sealed.data(), key_.data());
  std::array<std::uint8_t, kFramePlainSize> plain{};
  plain[0] = frame.layout;
  if (frame.layout == kNameLayout)
    plain[1] = static_cast<std::uint8_t>(frame.name_length);
  else
    for (std::size_t i = 0; i < 3 && i < frame.extension.size(); ++i)
      plain[1 + i] = static_cast<std::uint8_t>(frame.extension[i]);
  StoreU64(&plain[4], frame.file_length);
  StoreU64(&plain[12], frame.body_places);
  crypto_secretstream_xchacha20poly1305_push(&state_, sealed.data() + kStreamHeaderSize, nullptr, plain.data(),
                                             plain.size(), salt.data(), salt.size(), kMessage);
  sodium_memzero(plain.data(), plain.size());
  return sealed;
}

std::vector<std::uint8_t> StealthSealer::SealBody(std::span<const std::uint8_t> lead,
                                                  std::span<const std::uint8_t> file) {
  const std::size_t content = lead.size() + file.size();
  std::vector<std::uint8_t> sealed(BodyLength(content));
  // The first chunk's plain bytes, when the lead goes before the file's.
  std::vector<std::uint8_t> joined;
  std::size_t in = 0, out = 0;
  do {
    const std::size_t size = std::min(kChunkSize, content - in);
    const bool last = in + size == content;
    const std::uint8_t* plain = file.data() + (in - (in == 0 ? 0 : lead.size()));
    if (in == 0 && !lead.empty()) {
      joined.assign(lead.begin(), lead.end());
      joined.insert(joined.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size - lead.size()));
      plain = joined.data();
    }
    crypto_secretstream_xchacha20poly1305_push(&state_, sealed.data() + out, nullptr, plain, size, nullptr, 0,
                                               last ? kFinal : kMessage);
    in += size;
    out += size + kStreamOverhead;
  } while (in < content);
  sodium_memzero(joined.data(), joined.size());
  return sealed;
}

StealthOpener::~StealthOpener() { sodium_memzero(&state_, sizeof state_); }

std::optional<Frame> StealthOpener::OpenFrame(std::span<const std::uint8_t> sealed, const Salt& salt) {
  if (sealed.size() != kFrameSize) return std::nullopt;
  if (crypto_secretstream_xchacha20poly1305_init_pull(&state_, sealed.data(), key_.data()) != 0) return std::nullopt;
  std::array<std::uint8_t, kFramePlainSize> plain{};
  unsigned long long size = 0;
  unsigned char tag = 0;
  if (crypto_secretstream_xchacha20poly1305_pull(&state_, plain.data(), &size, &tag, sealed.data() + kStreamHeaderSize,
                                                 kFramePlainSize + kStreamOverhead, salt.data(), salt.size()) != 0 ||
      size != kFramePlainSize || tag != kMessage)
    return std::nullopt;
  Frame frame;
  frame.layout = plain[0];
  if (frame.layout == kNameLayout) {
    if (plain[2] != 0 || plain[3] != 0) return std::nullopt;
    frame.name_length = plain[1];
  } else if (frame.layout == kExtensionLayout) {
    frame.extension.assign(plain.begin() + 1, plain.begin() + 4);
  } else {
    return std::nullopt;
  }
  frame.file_length = LoadU64(&plain[4]);
  frame.body_places = LoadU64(&plain[12]);
  return frame;
}

std::optional<std::vector<std::uint8_t>> StealthOpener::OpenBody(std::span<const std::uint8_t> sealed,
                                                                 std::uint64_t content_length) {
  if (sealed.size() != BodyLength(content_length)) return std::nullopt;
  std::vector<std::uint8_t> file(static_cast<std::size_t>(content_length));
  std::size_t in = 0, out = 0;
  do {
    const std::size_t size = std::min<std::size_t>(kChunkSize, file.size() - out);
    const bool last = out + size == file.size();
    unsigned long long opened = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state_, file.data() + out, &opened, &tag, sealed.data() + in,
                                                   size + kStreamOverhead, nullptr, 0) != 0 ||
        opened != size || tag != (last ? kFinal : kMessage)) {
      sodium_memzero(file.data(), file.size());
      return std::nullopt;
    }
    in += size + kStreamOverhead;
    out += size;
  } while (out < file.size());
  return file;
}

}  // namespace veil::codec::stealth
