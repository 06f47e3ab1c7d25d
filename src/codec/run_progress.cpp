#include "codec/control_names.h"
#include "codec/module2.h"
#include "codec/progress_segments.h"

namespace veil {

void Module2::ShowProgress(std::int64_t last_group) {
  groupIndex = static_cast<std::int32_t>(last_group);
  const int percent = ProgressSegments::Percent(groupIndex, groupCount);
  percentDone = percent;
  SetProperty(platform_.controls, names::kLabfinish, prop::kCaption, ProgressSegments::Caption(percent));
}

}  // namespace veil
