#pragma once

#include <cstdint>
#include <string>

namespace veil {

// The runs report progress after every whole group as Int(index / count * 100)
// per cent. They work in segments of groups that each end where that figure
// changes (or at a size limit), so that the captions are exactly the ones a
// group-by-group loop shows while the groups themselves are moved in bulk.
class ProgressSegments {
 public:
  ProgressSegments(std::int64_t group_count, std::int64_t max_segment);

  // The next segment is groups [First(), Last()], counted from 1.
  bool Next();
  std::int64_t First() const { return first_; }
  std::int64_t Last() const { return last_; }
  std::int64_t Size() const { return last_ - first_ + 1; }

  static int Percent(std::int64_t index, std::int64_t count);
  static std::string Caption(int percent) { return std::to_string(percent) + "%"; }

 private:
  std::int64_t count_;
  std::int64_t max_segment_;
  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
};

}  // namespace veil
