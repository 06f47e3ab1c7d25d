#include "codec/plain/progress_segments.h"

#include <algorithm>
#include <cmath>

#include "codec/plain/group_stretches.h"

namespace veil {

ProgressSegments::ProgressSegments(std::int64_t group_count, std::int64_t max_segment)
    : count_(group_count), max_segment_(std::max<std::int64_t>(1, max_segment)) {}

int ProgressSegments::Percent(std::int64_t index, std::int64_t count) {
  // Division first, then the multiplication, then rounding down, in double
  // precision: this is the figure users see, so its rounding must not drift.
  return static_cast<int>(std::floor(static_cast<double>(index) / static_cast<double>(count) * 100.0));
}

bool ProgressSegments::Next() {
  if (last_ >= count_) return false;
  first_ = last_ + 1;
  if (first_ == 1) {  // the first group shows its own figure
    last_ = 1;
    return true;
  }
  // Smallest group after first_ - 1 whose figure differs: estimate, then settle.
  const int shown = Percent(first_ - 1, count_);
  std::int64_t change = ((shown + 1) * count_ + 99) / 100;
  change = std::clamp<std::int64_t>(change, first_, count_);
  while (change > first_ && Percent(change - 1, count_) != shown) --change;
  while (change < count_ && Percent(change, count_) == shown) ++change;
  last_ = std::min({change, first_ + max_segment_ - 1, count_});
  return true;
}

}  // namespace veil

namespace veil::codec {

std::vector<GroupStretch> GroupStretches(std::uint64_t whole_groups) {
  std::vector<GroupStretch> stretches;
  ProgressSegments segments(static_cast<std::int64_t>(whole_groups), kMaxStretchGroups);
  while (segments.Next()) stretches.push_back({segments.First(), segments.Last()});
  return stretches;
}

}  // namespace veil::codec
