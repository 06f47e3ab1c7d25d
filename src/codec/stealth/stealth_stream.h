#pragma once

#include <sodium.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/stealth/stealth_format.h"
#include "codec/stealth/stealth_keys.h"

namespace veil::codec::stealth {

// What names the file: its extension (layout 1, in the frame) or its name
// (layout 2, at most kMaxNameBytes at the body's front, its length in the frame).
struct FileLabel {
  std::uint8_t layout = kNameLayout;
  std::string text;
};
inline FileLabel ExtensionLabel(std::string extension) { return {kExtensionLayout, std::move(extension)}; }
inline FileLabel NameLabel(std::string name) { return {kNameLayout, std::move(name)}; }

// What the frame's first message says.
struct Frame {
  std::uint8_t layout = kNameLayout;
  std::string extension;          // layout 1: 3 bytes
  std::size_t name_length = 0;    // layout 2: bytes of name before the file in the body
  std::uint64_t file_length = 0;  // bytes
  std::uint64_t body_places = 0;  // places the body is spread over
  // The body's plain bytes: the name (layout 2) and the file.
  std::uint64_t ContentLength() const { return name_length + file_length; }
};
// The frame that labels a file of file_length bytes.
Frame FrameFor(const FileLabel& label, std::uint64_t file_length, std::uint64_t body_places);
// The bytes a label puts at the body's front: the name (layout 2), or none.
std::span<const std::uint8_t> BodyLead(const FileLabel& label);

// Body bytes for content: the content in 64 KiB chunks (at least one),
// each with the stream's 17 bytes.
std::uint64_t BodyLength(std::uint64_t content_length);
// The longest content whose body fits in body_bytes; nothing when none does.
std::optional<std::uint64_t> LargestFile(std::uint64_t body_bytes);

// The secret stream of a stealth picture: libsodium's
// crypto_secretstream_xchacha20poly1305, the sealed form's, under the
// stream key. Its header and first message (the frame, authenticating the
// salt too) come first, then the file's chunks, the last tagged final.
class StealthSealer {
 public:
  explicit StealthSealer(const Subkey& key);
  ~StealthSealer();
  // The stream's header and the frame's message: kFrameSize bytes.
  std::vector<std::uint8_t> SealFrame(const Frame& frame, const Salt& salt);
  // The whole body of a file, lead (the name, or nothing) first.
  std::vector<std::uint8_t> SealBody(std::span<const std::uint8_t> lead, std::span<const std::uint8_t> file);

 private:
  const Subkey& key_;
  crypto_secretstream_xchacha20poly1305_state state_;
};

class StealthOpener {
 public:
  explicit StealthOpener(const Subkey& key) : key_(key) {}
  ~StealthOpener();
  // Nothing when the frame does not open with this key and salt.
  std::optional<Frame> OpenFrame(std::span<const std::uint8_t> sealed, const Salt& salt);
  // The body's content (the name, then the file), once every chunk has
  // opened; nothing when one does not.
  std::optional<std::vector<std::uint8_t>> OpenBody(std::span<const std::uint8_t> sealed,
                                                    std::uint64_t content_length);

 private:
  const Subkey& key_;
  crypto_secretstream_xchacha20poly1305_state state_;
};

}  // namespace veil::codec::stealth
