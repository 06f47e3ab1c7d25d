#include "codec/plain/hidden_bytes.h"

#include <algorithm>

#include "codec/kernels/group_kernel.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/module2.h"

namespace veil::codec {

std::vector<std::uint8_t> ReadHiddenBytes(RawFile& cover, std::uint64_t pixel_offset, std::uint64_t hidden_length,
                                          std::uint64_t from, std::size_t size) {
  const std::uint64_t to = std::min<std::uint64_t>(from + size, hidden_length);
  if (from >= to) return {};
  const std::uint64_t first_group = from / 3, end_group = (to + 2) / 3;
  const std::uint64_t whole_end = std::min(end_group, hidden_length / 3);  // groups that carry 3 bytes
  std::vector<std::uint8_t> data(static_cast<std::size_t>(end_group - first_group) * 3);
  const std::uint64_t payload_start = pixel_offset + carrier::kHiddenHeaderSize;
  if (whole_end > first_group) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(whole_end - first_group) * carrier::kGroupCoverBytes);
    ReadExactly(cover, payload_start + first_group * carrier::kGroupCoverBytes, pixels);
    GatherGroups(pixels, {data.data(), static_cast<std::size_t>(whole_end - first_group) * 3});
  }
  if (end_group > whole_end) {  // the last, partial group
    Module2 bits;
    ReadExactly(cover, payload_start + whole_end * carrier::kGroupCoverBytes, bits.pixelGroup);
    const int tail = static_cast<int>(hidden_length % 3);
    bits.GatherDataGroup(tail);
    std::copy_n(bits.dataGroup.begin(), tail,
                data.begin() + static_cast<std::ptrdiff_t>((whole_end - first_group) * 3));
  }
  const auto skip = static_cast<std::ptrdiff_t>(from - first_group * 3);
  return std::vector<std::uint8_t>(data.begin() + skip, data.begin() + skip + static_cast<std::ptrdiff_t>(to - from));
}

}  // namespace veil::codec
