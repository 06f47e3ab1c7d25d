#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/carrier_layout.h"
#include "codec/progress_segments.h"
#include "codec/run_result.h"

namespace veil::codec {

// Moves the whole groups of a hidden file in stretches that end where the
// progress figure changes (or at a size limit), telling the observer as a
// group-by-group loop would: a chance to yield before each stretch, the
// figure after it. move(first_group, pixels, data) gets buffers of the
// stretch's size; groups are counted from 1.
class GroupStretches {
 public:
  static constexpr std::int64_t kMaxGroups = 64 * 1024;

  GroupStretches() : pixels_(kMaxGroups * carrier::kGroupCoverBytes), data_(kMaxGroups * carrier::kGroupDataBytes) {}

  template <typename Move>
  void Run(std::uint64_t whole_groups, RunObserver& observer, Move&& move) {
    const auto count = static_cast<std::int64_t>(whole_groups);
    ProgressSegments stretches(count, kMaxGroups);
    while (stretches.Next()) {
      observer.Yield();
      const auto n = static_cast<std::size_t>(stretches.Size());
      move(stretches.First(), std::span<std::uint8_t>(pixels_.data(), n * carrier::kGroupCoverBytes),
           std::span<std::uint8_t>(data_.data(), n * carrier::kGroupDataBytes));
      observer.Progress(ProgressSegments::Percent(stretches.Last(), count));
    }
  }

 private:
  std::vector<std::uint8_t> pixels_;
  std::vector<std::uint8_t> data_;
};

}  // namespace veil::codec
