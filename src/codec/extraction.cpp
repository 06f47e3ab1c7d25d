#include <array>

#include "codec/carrier_layout.h"
#include "codec/group_kernel.h"
#include "codec/group_stretches.h"
#include "codec/progress_segments.h"
#include "codec/read_ahead.h"
#include "codec/module2.h"
#include "codec/run_checks.h"
#include "codec/runs.h"

namespace veil::codec {

RunResult Extract(const ExtractRequest& request, RunObserver& observer) {
  try {
    const auto facts = carrier::ReadCarrierFacts(request.cover);
    if (auto refusal = ExtractionRefusal(request.cover, facts, request.password)) return *refusal;

    const std::uint64_t length = facts.HiddenLength();
    const std::uint64_t payload_start = static_cast<std::uint64_t>(facts.pixelOffset) + carrier::kHiddenHeaderSize;
    observer.Started();
    const std::vector<GroupStretch> stretches = GroupStretches(length / 3);
    std::vector<StepReads> reads;
    for (const GroupStretch& stretch : stretches)
      reads.push_back(
          {{&request.cover, payload_start + static_cast<std::uint64_t>(stretch.first - 1) * carrier::kGroupCoverBytes,
            stretch.Size() * carrier::kGroupCoverBytes},
           {}});
    ReadAhead ahead(std::move(reads), kMaxStretchGroups * carrier::kGroupCoverBytes, 0);
    std::vector<std::uint8_t> data(kMaxStretchGroups * carrier::kGroupDataBytes);
    for (std::size_t i = 0; i < stretches.size(); ++i) {
      observer.Yield();
      const ReadAhead::Step step = ahead.Take(i);
      const std::span<std::uint8_t> gathered(data.data(), stretches[i].Size() * carrier::kGroupDataBytes);
      GatherGroups(step.first, gathered);
      const std::uint64_t at = static_cast<std::uint64_t>(stretches[i].first - 1) * carrier::kGroupDataBytes;
      request.output.WriteAt(at, gathered);
      request.output.StartWriteback(at, gathered.size());
      observer.Progress(ProgressSegments::Percent(stretches[i].last, static_cast<std::int64_t>(length / 3)));
    }
    if (const int tail = static_cast<int>(length % 3); tail != 0) {
      Module2 bits;
      ReadExactly(request.cover, payload_start + length / 3 * carrier::kGroupCoverBytes, bits.pixelGroup);
      bits.GatherDataGroup(tail);
      request.output.WriteAt(length / 3 * 3, std::span<const std::uint8_t>(bits.dataGroup.data(), tail));
    }
    RunResult result{RunStatus::kCompleted};
    result.bytes = length;
    return result;
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  }
}

}  // namespace veil::codec
