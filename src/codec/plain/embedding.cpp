#include <sodium.h>

#include <algorithm>
#include <array>
#include <optional>

#include "codec/covers/bmp_layout.h"
#include "codec/kernels/group_kernel.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/group_stretches.h"
#include "codec/plain/module2.h"
#include "codec/plain/plain_weights.h"
#include "codec/plain/progress_segments.h"
#include "codec/plain/read_ahead.h"
#include "codec/plain/run_checks.h"
#include "codec/plain/runs.h"
#include "codec/seal/sealed_stream.h"
#include "files/little_endian.h"
#include "files/memory_file.h"
#include "files/safe_file_name.h"

namespace veil::codec {
namespace {

using Header = std::array<std::uint8_t, carrier::kHiddenHeaderSize>;

std::string StoredExtension(const EmbedRequest& request) {
  return request.extension.size() == carrier::kExtensionSize && carrier::IsPortableText(request.extension)
             ? request.extension
             : std::string(carrier::kFallbackExtension);
}

SealLead StoredLead(const EmbedRequest& request) {
  return request.file_name ? NameLead(SafeFileName(*request.file_name)) : ExtensionLead(StoredExtension(request));
}

Header HiddenHeader(const EmbedRequest& request) {
  const std::string extension = StoredExtension(request);
  Header header;
  std::copy(extension.begin(), extension.end(), header.begin());
  header[carrier::kPasswordLengthAt] = static_cast<std::uint8_t>(request.password ? request.password->size() : 0);
  const auto field =
      request.password ? carrier::PasswordField(*request.password) : carrier::PasswordField(carrier::kNoPassword);
  std::copy(field.begin(), field.end(), header.begin() + carrier::kPasswordAt);
  return header;
}

// Everything a run needs once the checks have passed.
struct Plan {
  std::uint64_t pixel_offset;
  std::uint64_t length;
  std::uint64_t cover_length;
  std::uint32_t marker;
  std::optional<Header> header;  // none for a sealed file: the pixel bytes stay

  std::uint64_t PayloadStart() const { return pixel_offset + carrier::kHiddenHeaderSize; }
  std::uint64_t WholeGroups() const { return length / 3; }
  int Tail() const { return static_cast<int>(length % 3); }
  std::uint64_t GroupAt(std::int64_t group) const {  // groups counted from 1
    return PayloadStart() + static_cast<std::uint64_t>(group - 1) * carrier::kGroupCoverBytes;
  }
  std::uint64_t TailAt() const { return PayloadStart() + WholeGroups() * carrier::kGroupCoverBytes; }
  std::uint64_t End() const { return pixel_offset + carrier::BytesNeeded(length); }
};

// The last, partial group: 1 or 2 data bytes placed into the whole pixel
// group that follows the whole groups.
std::array<std::uint8_t, 12> TailGroup(const Plan& plan, RawFile& cover, RawFile& payload) {
  Module2 bits;
  ReadExactly(cover, plan.TailAt(), bits.pixelGroup);
  ReadExactly(payload, plan.WholeGroups() * 3, std::span<std::uint8_t>(bits.dataGroup.data(), plan.Tail()));
  bits.PlaceDataGroup(plan.Tail());
  return bits.pixelGroup;
}

// The bytes an in-place run has changed, as they were, to put back when it
// is cancelled.
struct Originals {
  std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> pieces;
  void PutBack(RawFile& cover) const {
    for (const auto& [at, bytes] : pieces) cover.WriteAt(at, bytes);
    cover.Sync();
  }
};

void EmbedInPlace(const Plan& plan, RawFile& cover, RawFile& payload, RunObserver& observer,
                  RunProgress* progress = nullptr) {
  observer.Started();
  const std::vector<GroupStretch> stretches = GroupStretches(plan.WholeGroups());
  std::vector<StepReads> reads;
  for (const GroupStretch& stretch : stretches)
    reads.push_back({{&cover, plan.GroupAt(stretch.first), stretch.Size() * carrier::kGroupCoverBytes},
                     {&payload, static_cast<std::uint64_t>(stretch.first - 1) * 3, stretch.Size() * 3}});
  ReadAhead ahead(std::move(reads));
  Originals originals;
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    observer.Yield();
    const ReadAhead::Step step = ahead.Take(i);
    const std::uint64_t at = plan.GroupAt(stretches[i].first);
    if (progress) originals.pieces.emplace_back(at, std::vector<std::uint8_t>(step.first.begin(), step.first.end()));
    PlaceGroups(step.first, step.second);
    cover.WriteAt(at, step.first);
    cover.StartWriteback(at, step.first.size());
    observer.Progress(ProgressSegments::Percent(stretches[i].last, static_cast<std::int64_t>(plan.WholeGroups())));
    if (progress) {
      try {
        progress->At(static_cast<double>(i + 1) / static_cast<double>(stretches.size()));
      } catch (const RunCancelled&) {
        originals.PutBack(cover);
        throw;
      }
    }
  }
  if (plan.Tail() != 0) cover.WriteAt(plan.TailAt(), TailGroup(plan, cover, payload));
  // The header and then the marker go last: a run that fails or is killed
  // before them has changed nothing but low bits of pixels, and the marker,
  // which makes the picture claim a file, is written only once the header
  // and every group are safely on disk.
  if (plan.header) cover.WriteAt(plan.pixel_offset, *plan.header);
  cover.Sync();
  WriteU32At(cover, carrier::kMarkerOffset, plan.marker);
}

// One pass: the cover is read front to back and the marked picture written
// front to back to the copy, which may be a stream. What the copy is made
// of, step by step: plain cover bytes, or whole groups to place.
void EmbedIntoCopy(const Plan& plan, RawFile& cover, RawFile& payload, RawFile& copy, RunObserver& observer,
                   RunProgress& progress) {
  struct Piece {
    std::uint64_t at;
    std::size_t size;
    const GroupStretch* groups;  // null: copied as it is
  };
  constexpr std::size_t kBlock = kMaxStretchGroups * carrier::kGroupCoverBytes;
  const std::vector<GroupStretch> stretches = GroupStretches(plan.WholeGroups());
  const std::uint64_t rest_at = plan.End();
  std::vector<Piece> pieces;
  auto copied = [&](std::uint64_t from, std::uint64_t to) {
    for (; from < to; from += kBlock)
      pieces.push_back({from, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - from)), nullptr});
  };
  copied(0, plan.pixel_offset);
  const std::size_t first_group_piece = pieces.size();
  for (const GroupStretch& stretch : stretches)
    pieces.push_back({plan.GroupAt(stretch.first), stretch.Size() * carrier::kGroupCoverBytes, &stretch});
  const std::size_t first_rest_piece = pieces.size();
  copied(rest_at, plan.cover_length);

  std::vector<StepReads> reads;
  for (const Piece& piece : pieces) {
    StepReads step{{&cover, piece.at, piece.size}, {}};
    if (piece.groups)
      step.second = {&payload, static_cast<std::uint64_t>(piece.groups->first - 1) * 3, piece.groups->Size() * 3};
    reads.push_back(step);
  }
  ReadAhead ahead(std::move(reads));
  auto write = [&](std::uint64_t at, std::span<const std::uint8_t> bytes) {
    copy.WriteAt(at, bytes);
    copy.StartWriteback(at, bytes.size());
  };
  // What goes in front of piece i, or at the end when i is past the last:
  // the hidden header (or the cover's own bytes where a sealed file has
  // none) ahead of the groups, and the tail group ahead of the rest.
  auto in_front_of = [&](std::size_t i) {
    if (i == first_group_piece) {
      Header header;
      if (plan.header)
        header = *plan.header;
      else
        ReadExactly(cover, plan.pixel_offset, header);
      write(plan.pixel_offset, header);
      observer.Started();
    }
    if (i == first_rest_piece && plan.Tail() != 0) write(plan.TailAt(), TailGroup(plan, cover, payload));
  };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    in_front_of(i);
    observer.Yield();
    const ReadAhead::Step step = ahead.Take(i);
    const Piece& piece = pieces[i];
    if (piece.at == 0) StoreU32(&step.first[carrier::kMarkerOffset], plan.marker);  // in the file header
    if (piece.groups) PlaceGroups(step.first, step.second);
    write(piece.at, step.first);
    if (piece.groups)
      observer.Progress(ProgressSegments::Percent(piece.groups->last, static_cast<std::int64_t>(plan.WholeGroups())));
    progress.At(static_cast<double>(i + 1) / static_cast<double>(pieces.size()));
  }
  in_front_of(pieces.size());
}

RunResult AlreadyMarked(const carrier::CarrierFacts& facts) {
  RunResult result{RunStatus::kAlreadyHoldsFile};
  result.marker = facts.marker;
  result.version = facts.Version();
  return result;
}

}  // namespace

RunResult Embed(const EmbedRequest& request, RunObserver& observer) {
  std::optional<RunProgress> own;
  if (!request.progress) {
    own.emplace(observer, std::vector<RunStage>{RunStage::kReading, RunStage::kWriting});
    own->Weigh(RunStage::kReading, kCheckSeconds);
    own->Weigh(RunStage::kWriting, WritingSeconds(request.payload.Size()));
  }
  RunProgress& progress = request.progress ? *request.progress : *own;
  try {
    progress.Enter(RunStage::kReading);
    const carrier::BmpReading cover = carrier::ReadBmpLayout(request.cover);
    if (!cover.IsCover()) {
      RunResult result{RunStatus::kNotCover};
      result.cover = cover.refusal;
      return result;
    }
    const carrier::BmpLayout& layout = *cover.layout;
    const auto facts = carrier::ReadCarrierFacts(request.cover);
    if (facts.HoldsFile()) return AlreadyMarked(facts);
    if (!request.seal && request.password && !carrier::IsStorablePassword(*request.password))
      return {RunStatus::kPasswordNotStorable};

    // A sealed file's hidden bytes are made as the run reads them.
    std::optional<SealingPayload> sealed;
    std::size_t lead = 0;
    if (request.seal) {
      SealLead stored = StoredLead(request);
      lead = stored.bytes.size();
      sealed.emplace(request.payload, std::move(stored), *request.seal);
    }
    RawFile& payload = sealed ? static_cast<RawFile&>(*sealed) : request.payload;
    Plan plan{static_cast<std::uint64_t>(layout.pixelOffset), payload.Size(), layout.fileLength, 0, std::nullopt};
    // Only the declared pixel array is written: what follows it (a colour
    // profile, another program's data) stays as it is.
    if (!carrier::Fits(layout, plan.length)) {
      RunResult result{RunStatus::kTooLarge};
      const std::uint64_t capacity = carrier::CapacityBytes(layout);
      result.room = layout.PixelArraySize();
      result.size = request.payload.Size();
      result.capacity = sealed ? LargestSealedFile(capacity, request.seal->params(), lead).value_or(0) : capacity;
      return result;
    }
    if (sealed) {
      plan.marker = seal::kVersion2 | static_cast<std::uint32_t>(plan.length);
    } else {
      plan.header = HiddenHeader(request);
      plan.marker = carrier::MarkerValue(static_cast<std::uint32_t>(plan.length), request.password.has_value());
    }

    progress.Enter(RunStage::kWriting);
    if (request.copy)
      EmbedIntoCopy(plan, request.cover, payload, *request.copy, observer, progress);
    else
      EmbedInPlace(plan, request.cover, payload, observer, &progress);
    progress.Finish();
    RunResult result{RunStatus::kCompleted};
    result.bytes = request.payload.Size();
    return result;
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  } catch (const RunCancelled&) {
    return {RunStatus::kCancelled};
  }
}

void WipeMarker(RawFile& picture) {
  WriteU32At(picture, carrier::kMarkerOffset, 0);
  picture.Sync();
}

void ClearHiddenFile(RawFile& picture) {
  const auto facts = carrier::ReadCarrierFacts(picture);
  if (facts.HoldsFile() && carrier::IsOwnMarker(facts.marker) && facts.pixelOffsetUsable) {
    Plan plan{static_cast<std::uint64_t>(facts.pixelOffset), facts.HiddenLength(), facts.fileLength, facts.marker,
              std::nullopt};
    // A picture cut short: what of the file is still in it.
    while (plan.length > 0 && plan.End() > plan.cover_length) plan.length -= std::min<std::uint64_t>(plan.length, 3);
    // Random bits in the very places the file's took, and random bytes over
    // a plain file's header (its extension and password): nothing of them
    // can be read back. The marker stays until they are on disk, so a clear
    // cut short leaves a picture that a second clear finishes.
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(plan.length));
    randombytes_buf(noise.data(), noise.size());
    if (!facts.IsSealed()) {
      Header header;
      randombytes_buf(header.data(), header.size());
      plan.header = header;
    }
    MemoryFile payload(std::make_shared<std::vector<std::uint8_t>>(std::move(noise)));
    RunObserver quiet;
    EmbedInPlace(plan, picture, payload, quiet);
    picture.Sync();
  }
  WipeMarker(picture);
}

}  // namespace veil::codec
