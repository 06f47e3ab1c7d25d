#include "codec/plain/carrier_layout.h"

#include <algorithm>

namespace veil::carrier {

std::uint64_t CapacityBytes(std::uint64_t end, std::int64_t pixel_offset) {
  if (pixel_offset < 0 || static_cast<std::uint64_t>(pixel_offset) > end) return 0;
  const std::uint64_t room = end - static_cast<std::uint64_t>(pixel_offset);
  if (room < kHiddenHeaderSize) return 0;
  return std::min<std::uint64_t>((room - kHiddenHeaderSize) / kGroupCoverBytes * kGroupDataBytes, kMaxHiddenLength);
}

bool Fits(std::uint64_t end, std::int64_t pixel_offset, std::uint64_t length) {
  if (length > kMaxHiddenLength) return false;
  if (pixel_offset < 0 || static_cast<std::uint64_t>(pixel_offset) > end) return false;
  return end - static_cast<std::uint64_t>(pixel_offset) >= BytesNeeded(length);
}

bool IsPortableText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::optional<std::string> StoredExtension(std::string_view path) {
  if (path.size() < 4 || path[path.size() - 4] != '.') return std::nullopt;
  std::string_view ext = path.substr(path.size() - 3);
  if (!IsPortableText(ext) || ext.find_first_of("/\\") != std::string_view::npos) return std::nullopt;
  return std::string(ext);
}

bool IsStorablePassword(std::string_view password) {
  return password.size() <= kPasswordFieldSize && IsPortableText(password);
}

std::array<std::uint8_t, kPasswordFieldSize> PasswordField(std::string_view password) {
  std::array<std::uint8_t, kPasswordFieldSize> field;
  field.fill(' ');
  std::copy_n(password.begin(), std::min(password.size(), field.size()), field.begin());
  return field;
}

}  // namespace veil::carrier
