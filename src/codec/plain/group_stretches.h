#pragma once

#include <cstdint>
#include <vector>

namespace veil::codec {

// Groups first to last, counted from 1.
struct GroupStretch {
  std::int64_t first = 1, last = 0;
  std::size_t Size() const { return static_cast<std::size_t>(last - first + 1); }
};

// The whole groups of a hidden file in stretches that end where the progress
// figure changes (or at a size limit), so that a run reporting after each
// stretch shows exactly what a group-by-group loop shows.
inline constexpr std::int64_t kMaxStretchGroups = 64 * 1024;
std::vector<GroupStretch> GroupStretches(std::uint64_t whole_groups);

}  // namespace veil::codec
