#include <algorithm>
#include <array>
#include <optional>

#include "codec/kernels/group_kernel.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/group_stretches.h"
#include "codec/plain/module2.h"
#include "codec/plain/plain_weights.h"
#include "codec/plain/progress_segments.h"
#include "codec/plain/read_ahead.h"
#include "codec/plain/run_checks.h"
#include "codec/plain/runs.h"
#include "codec/seal/sealed_stream.h"

namespace veil::codec {

namespace {

constexpr std::size_t kPieceGroups = 16384;  // 192 KiB of cover bytes a read

RunResult Broken(const SealBroken& broken) {
  RunResult result{RunStatus::kSealBroken};
  using Kind = SealProblem::Kind;
  result.seal.kind = broken.kind == SealBroken::Kind::kFirstChunk   ? Kind::kWrongPasswordOrChanged
                     : broken.kind == SealBroken::Kind::kLaterChunk ? Kind::kChangedAfterSealing
                                                                    : Kind::kTruncated;
  result.seal.offset = broken.offset;
  return result;
}

}  // namespace

RunResult Extract(const ExtractRequest& request, RunObserver& observer) {
  std::optional<RunProgress> own;
  if (!request.progress) {
    own.emplace(observer, std::vector<RunStage>{RunStage::kReading, RunStage::kWriting});
    own->Weigh(RunStage::kReading, kCheckSeconds);
    own->Weigh(RunStage::kWriting, WritingSeconds(request.cover.Size() / 4));
  }
  RunProgress& progress = request.progress ? *request.progress : *own;
  try {
    progress.Enter(RunStage::kReading);
    const auto facts = carrier::ReadCarrierFacts(request.cover);
    if (auto refusal = ExtractionRefusal(request.cover, facts, request.password)) return *refusal;
    // A sealed file is opened chunk by chunk on its way to the output.
    std::optional<UnsealingOutput> unsealing;
    if (facts.IsSealed()) {
      if (!request.seal) return {RunStatus::kWrongPassword};
      unsealing.emplace(request.output, *request.seal, facts.HiddenLength());
    }
    RawFile& output = unsealing ? static_cast<RawFile&>(*unsealing) : request.output;

    const std::uint64_t length = facts.HiddenLength();
    const std::uint64_t payload_start = static_cast<std::uint64_t>(facts.pixelOffset) + carrier::kHiddenHeaderSize;
    if (own) own->Weigh(RunStage::kWriting, WritingSeconds(length));
    progress.Enter(RunStage::kWriting);
    observer.Started();
    const std::vector<GroupStretch> stretches = GroupStretches(length / 3);
    // Each stretch is read and gathered on the reading thread, leaving this
    // one to write (and, for a sealed file, to open the chunks). The cover
    // bytes go through one small buffer a piece at a time: it stays in the
    // cache, and no stretch-sized buffer has its pages faulted in.
    std::vector<StepReads> reads;
    for (const GroupStretch& stretch : stretches)
      reads.push_back({{}, {nullptr, 0, stretch.Size() * carrier::kGroupDataBytes}});
    std::vector<std::uint8_t> piece(kPieceGroups * carrier::kGroupCoverBytes);
    ReadAhead ahead(std::move(reads), [&](const ReadAhead::Step& step) {
      const GroupStretch& stretch = stretches[step.index];
      const std::uint64_t at =
          payload_start + static_cast<std::uint64_t>(stretch.first - 1) * carrier::kGroupCoverBytes;
      for (std::size_t done = 0, groups = stretch.Size(); done < groups; done += kPieceGroups) {
        const std::size_t n = std::min(kPieceGroups, groups - done);
        const std::span<std::uint8_t> cover(piece.data(), n * carrier::kGroupCoverBytes);
        ReadExactly(request.cover, at + done * carrier::kGroupCoverBytes, cover);
        GatherGroups(cover, step.second.subspan(done * carrier::kGroupDataBytes, n * carrier::kGroupDataBytes));
      }
    });
    for (std::size_t i = 0; i < stretches.size(); ++i) {
      observer.Yield();
      const ReadAhead::Step step = ahead.Take(i);
      const std::uint64_t at = static_cast<std::uint64_t>(stretches[i].first - 1) * carrier::kGroupDataBytes;
      output.WriteAt(at, step.second);
      output.StartWriteback(at, step.second.size());
      observer.Progress(ProgressSegments::Percent(stretches[i].last, static_cast<std::int64_t>(length / 3)));
      progress.At(static_cast<double>(i + 1) / static_cast<double>(stretches.size()));
    }
    if (const int tail = static_cast<int>(length % 3); tail != 0) {
      Module2 bits;
      ReadExactly(request.cover, payload_start + length / 3 * carrier::kGroupCoverBytes, bits.pixelGroup);
      bits.GatherDataGroup(tail);
      output.WriteAt(length / 3 * 3, std::span<const std::uint8_t>(bits.dataGroup.data(), tail));
    }
    RunResult result{RunStatus::kCompleted};
    result.bytes = length;
    if (unsealing) {
      unsealing->Finish();
      result.bytes = request.output.Size();
    }
    progress.Finish();
    return result;
  } catch (const SealBroken& broken) {
    return Broken(broken);
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  } catch (const RunCancelled&) {
    return {RunStatus::kCancelled};
  }
}

}  // namespace veil::codec
