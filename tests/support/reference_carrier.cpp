#include "support/reference_carrier.h"

#include <algorithm>

namespace veil::test {
namespace {

// For data byte slot j, each of its 8 bits goes to (cover byte, cover bit).
struct BitHome {
  int cover_byte;
  int cover_bit;
};

BitHome HomeOf(int slot, int bit) {
  const int b = 3 * slot;
  if (bit <= 1) return {b, bit};
  if (bit == 2) return {b + 1, 0};
  if (bit <= 5) return {b + 2, bit - 3};
  switch (slot) {
    case 0: return {9, bit - 6};
    case 1: return bit == 6 ? BitHome{10, 0} : BitHome{11, 2};
    default: return {11, bit - 6};
  }
}

}  // namespace

Bytes ReferenceHide(Bytes cover, const Bytes& data, const std::string& extension, const std::string& password,
                    bool with_password) {
  const std::uint32_t p = U32At(cover, 10);
  const auto length = static_cast<std::uint32_t>(data.size());
  PutU32(cover, 6, length | (with_password ? 0x18000000u : 0x10000000u));
  for (int i = 0; i < 3; ++i)
    cover[p + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(extension[static_cast<std::size_t>(i)]);
  cover[p + 3] = static_cast<std::uint8_t>(with_password ? password.size() : 0);
  for (std::size_t i = 0; i < 8; ++i) {
    char c = with_password ? (i < password.size() ? password[i] : ' ') : '0';
    cover[p + 4 + i] = static_cast<std::uint8_t>(c);
  }
  for (std::size_t k = 0; k < data.size(); ++k) {
    const std::size_t group = p + 12 + 12 * (k / 3);
    for (int bit = 0; bit < 8; ++bit) {
      const BitHome home = HomeOf(static_cast<int>(k % 3), bit);
      std::uint8_t& c = cover[group + static_cast<std::size_t>(home.cover_byte)];
      const int value = (data[k] >> bit) & 1;
      c = static_cast<std::uint8_t>((c & ~(1 << home.cover_bit)) | (value << home.cover_bit));
    }
  }
  return cover;
}

ReferenceContents ReferenceExtract(const Bytes& picture) {
  ReferenceContents contents;
  contents.marker = U32At(picture, 6);
  const std::uint32_t p = U32At(picture, 10);
  contents.extension.assign(picture.begin() + p, picture.begin() + p + 3);
  const std::uint8_t n = picture[p + 3];
  const std::size_t password_end = std::min<std::size_t>(picture.size(), p + 4 + n);
  contents.password.assign(picture.begin() + p + 4, picture.begin() + password_end);
  const std::uint32_t length = contents.marker & 0xFFFFFF;
  contents.data.assign(length, 0);
  for (std::size_t k = 0; k < length; ++k) {
    const std::size_t group = p + 12 + 12 * (k / 3);
    for (int bit = 0; bit < 8; ++bit) {
      const BitHome home = HomeOf(static_cast<int>(k % 3), bit);
      const int value = (picture[group + static_cast<std::size_t>(home.cover_byte)] >> home.cover_bit) & 1;
      contents.data[k] = static_cast<std::uint8_t>(contents.data[k] | (value << bit));
    }
  }
  return contents;
}

}  // namespace veil::test
