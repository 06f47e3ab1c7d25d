#include <vector>

#include "codec/carrier_layout.h"
#include "codec/codec_texts.h"
#include "codec/control_names.h"
#include "codec/module2.h"
#include "codec/progress_segments.h"

namespace veil {

void Module2::MoveWholeGroups(std::uint64_t hidden, const SegmentMover& move) {
  SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kProgressCaption));
  groupCount = static_cast<std::int32_t>(hidden / 3);
  std::vector<std::uint8_t> cover_bytes(kSegmentGroups * carrier::kGroupCoverBytes);
  std::vector<std::uint8_t> data_bytes(kSegmentGroups * carrier::kGroupDataBytes);
  ProgressSegments segments(groupCount, kSegmentGroups);
  while (segments.Next()) {
    platform_.pump.ProcessPendingMessages();
    const auto n = static_cast<std::size_t>(segments.Size());
    move(segments.First(), std::span<std::uint8_t>(cover_bytes.data(), n * carrier::kGroupCoverBytes),
         std::span<std::uint8_t>(data_bytes.data(), n * carrier::kGroupDataBytes));
    ShowProgress(segments.Last());
  }
}

void Module2::ShowProgress(std::int64_t last_group) {
  groupIndex = static_cast<std::int32_t>(last_group);
  const int percent = ProgressSegments::Percent(groupIndex, groupCount);
  percentDone = percent;
  SetProperty(platform_.controls, names::kLabfinish, prop::kCaption, ProgressSegments::Caption(percent));
}

}  // namespace veil
