#include <algorithm>
#include <array>

#include "codec/carrier_layout.h"
#include "codec/group_kernel.h"
#include "codec/group_stretches.h"
#include "codec/module2.h"
#include "codec/run_checks.h"
#include "codec/runs.h"

namespace veil::codec {
namespace {

using Header = std::array<std::uint8_t, carrier::kHiddenHeaderSize>;

Header HiddenHeader(const EmbedRequest& request) {
  const std::string extension =
      request.extension.size() == carrier::kExtensionSize && carrier::IsPortableText(request.extension)
          ? request.extension
          : std::string(carrier::kFallbackExtension);
  Header header;
  std::copy(extension.begin(), extension.end(), header.begin());
  header[carrier::kPasswordLengthAt] = static_cast<std::uint8_t>(request.password ? request.password->size() : 0);
  const auto field = request.password ? carrier::PasswordField(*request.password)
                                      : carrier::PasswordField(carrier::kNoPassword);
  std::copy(field.begin(), field.end(), header.begin() + carrier::kPasswordAt);
  return header;
}

// Everything a run needs once the checks have passed.
struct Plan {
  std::uint64_t pixel_offset;
  std::uint64_t length;
  std::uint64_t cover_length;
  std::uint32_t marker;
  Header header;

  std::uint64_t PayloadStart() const { return pixel_offset + carrier::kHiddenHeaderSize; }
  std::uint64_t WholeGroups() const { return length / 3; }
  int Tail() const { return static_cast<int>(length % 3); }
  std::uint64_t GroupAt(std::int64_t group) const {  // groups counted from 1
    return PayloadStart() + static_cast<std::uint64_t>(group - 1) * carrier::kGroupCoverBytes;
  }
  std::uint64_t End() const { return pixel_offset + carrier::BytesNeeded(length); }
};

// The last, partial group: 1 or 2 data bytes into a whole pixel group.
void PlaceTail(const Plan& plan, RawFile& payload, std::span<std::uint8_t, 12> pixels) {
  Module2 bits;
  std::copy(pixels.begin(), pixels.end(), bits.pixelGroup.begin());
  ReadExactly(payload, plan.WholeGroups() * 3, std::span<std::uint8_t>(bits.dataGroup.data(), plan.Tail()));
  bits.PlaceDataGroup(plan.Tail());
  std::copy(bits.pixelGroup.begin(), bits.pixelGroup.end(), pixels.begin());
}

void EmbedInPlace(const Plan& plan, RawFile& cover, RawFile& payload, RunObserver& observer) {
  observer.Started();
  GroupStretches stretches;
  stretches.Run(plan.WholeGroups(), observer,
                [&](std::int64_t first, std::span<std::uint8_t> pixels, std::span<std::uint8_t> data) {
                  const std::uint64_t at = plan.GroupAt(first);
                  ReadExactly(cover, at, pixels);
                  ReadExactly(payload, static_cast<std::uint64_t>(first - 1) * 3, data);
                  PlaceGroups(pixels, data);
                  cover.WriteAt(at, pixels);
                });
  if (plan.Tail() != 0) {
    std::array<std::uint8_t, 12> group;
    const std::uint64_t at = plan.PayloadStart() + plan.WholeGroups() * carrier::kGroupCoverBytes;
    ReadExactly(cover, at, group);
    PlaceTail(plan, payload, group);
    cover.WriteAt(at, group);
  }
  // The header and then the marker go last: a run that fails or is killed
  // before them has changed nothing but low bits of pixels, and the marker,
  // which makes the picture claim a file, is written only once the header
  // and every group are safely on disk.
  cover.WriteAt(plan.pixel_offset, plan.header);
  cover.Sync();
  WriteU32At(cover, carrier::kMarkerOffset, plan.marker);
}

// Copies cover bytes [from, to) to the copy unchanged, in blocks.
void CopyStretch(RawFile& cover, RawFile& copy, std::uint64_t from, std::uint64_t to, std::span<std::uint8_t> buffer,
                 RunObserver& observer) {
  while (from < to) {
    observer.Yield();
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - from));
    ReadExactly(cover, from, buffer.first(n));
    copy.WriteAt(from, buffer.first(n));
    from += n;
  }
}

// One pass: the cover is read front to back and the marked picture written
// front to back to the copy, which may be a stream.
void EmbedIntoCopy(const Plan& plan, RawFile& cover, RawFile& payload, RawFile& copy, RunObserver& observer) {
  std::vector<std::uint8_t> buffer(GroupStretches::kMaxGroups * carrier::kGroupCoverBytes);
  std::array<std::uint8_t, carrier::kPixelOffsetField> head;
  ReadExactly(cover, 0, head);
  head[6] = static_cast<std::uint8_t>(plan.marker);
  head[7] = static_cast<std::uint8_t>(plan.marker >> 8);
  head[8] = static_cast<std::uint8_t>(plan.marker >> 16);
  head[9] = static_cast<std::uint8_t>(plan.marker >> 24);
  copy.WriteAt(0, head);
  CopyStretch(cover, copy, head.size(), plan.pixel_offset, buffer, observer);
  copy.WriteAt(plan.pixel_offset, plan.header);

  observer.Started();
  GroupStretches stretches;
  stretches.Run(plan.WholeGroups(), observer,
                [&](std::int64_t first, std::span<std::uint8_t> pixels, std::span<std::uint8_t> data) {
                  const std::uint64_t at = plan.GroupAt(first);
                  ReadExactly(cover, at, pixels);
                  ReadExactly(payload, static_cast<std::uint64_t>(first - 1) * 3, data);
                  PlaceGroups(pixels, data);
                  copy.WriteAt(at, pixels);
                });
  std::uint64_t at = plan.PayloadStart() + plan.WholeGroups() * carrier::kGroupCoverBytes;
  if (plan.Tail() != 0) {
    std::array<std::uint8_t, 12> group;
    ReadExactly(cover, at, group);
    PlaceTail(plan, payload, group);
    copy.WriteAt(at, group);
    at += group.size();
  }
  CopyStretch(cover, copy, at, plan.cover_length, buffer, observer);
}

}  // namespace

RunResult Embed(const EmbedRequest& request, RunObserver& observer) {
  try {
    const auto facts = carrier::ReadCarrierFacts(request.cover);
    if (facts.HoldsFile()) return {RunStatus::kAlreadyHoldsFile};
    if (auto problem = PixelOffsetProblem(facts)) return *problem;
    if (request.password &&
        (request.password->size() > carrier::kPasswordFieldSize || !carrier::IsPortableText(*request.password)))
      return {RunStatus::kPasswordNotStorable};

    Plan plan{static_cast<std::uint64_t>(facts.pixelOffset), request.payload.Size(), facts.fileLength, 0,
              HiddenHeader(request)};
    if (!carrier::Fits(plan.cover_length, facts.pixelOffset, plan.length)) {
      RunResult result{RunStatus::kTooLarge};
      result.size = plan.length;
      result.capacity = carrier::CapacityBytes(plan.cover_length, facts.pixelOffset);
      return result;
    }
    plan.marker = carrier::MarkerValue(static_cast<std::uint32_t>(plan.length), request.password.has_value());

    if (request.copy)
      EmbedIntoCopy(plan, request.cover, request.payload, *request.copy, observer);
    else
      EmbedInPlace(plan, request.cover, request.payload, observer);
    RunResult result{RunStatus::kCompleted};
    result.bytes = plan.length;
    return result;
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  }
}

void WipeMarker(RawFile& picture) {
  WriteU32At(picture, carrier::kMarkerOffset, 0);
  picture.Sync();
}

}  // namespace veil::codec
