#include "codec/covers/jpeg/jpeg_layout.h"

#include <cstdio>
#include <cstring>

namespace veil::codec::jpeg {
namespace {

constexpr std::uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kDht = 0xC4, kDnl = 0xDC, kApp2 = 0xE2;

bool Restart(std::uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }
bool Standalone(std::uint8_t marker) { return marker == 0x01 || Restart(marker) || marker == kSoi || marker == kEoi; }
bool StartOfFrame(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != 0xC8 && marker != 0xCC;
}

LayoutRefusal Damaged(const std::string& why) { return {true, "the JPEG is damaged: " + why}; }
LayoutRefusal Unsupported(const std::string& why) { return {false, "the stealth form does not read " + why}; }

std::string Hex(std::uint8_t marker) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", marker);
  return text;
}

// The frame kinds this program rewrites: baseline, extended sequential and
// progressive, all Huffman-coded.
std::variant<std::monostate, LayoutRefusal> CheckFrame(std::uint8_t marker) {
  switch (marker) {
    case 0xC0:
    case 0xC1:
    case 0xC2: return {};
    case 0xC3:
    case 0xC7:
    case 0xCB:
    case 0xCF: return Unsupported("lossless JPEG pictures");
    case 0xC5:
    case 0xC6:
    case 0xCD:
    case 0xCE: return Unsupported("hierarchical JPEG pictures");
    default: return Unsupported("arithmetic-coded JPEG pictures");
  }
}

bool ReadScanHeader(std::span<const std::uint8_t> body, ScanHeader& scan) {
  if (body.empty()) return false;
  const std::size_t count = body[0];
  if (count < 1 || count > 4 || body.size() != 1 + 2 * count + 3) return false;
  for (std::size_t i = 0; i < count; ++i) {
    scan.component_ids.push_back(body[1 + 2 * i]);
    scan.tables.push_back(body[2 + 2 * i]);
  }
  const std::size_t at = 1 + 2 * count;
  scan.ss = body[at];
  scan.se = body[at + 1];
  scan.ah = body[at + 2] >> 4;
  scan.al = body[at + 2] & 15;
  return true;
}

// Past a scan's entropy-coded data: the next marker that is not a stuffed
// zero, a restart or fill.
std::size_t SkipEntropyData(std::span<const std::uint8_t> bytes, std::size_t at) {
  while (at + 1 < bytes.size()) {
    if (bytes[at] != 0xFF) {
      const void* next = std::memchr(bytes.data() + at, 0xFF, bytes.size() - at);
      if (next == nullptr) return bytes.size();
      at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(next) - bytes.data());
      continue;
    }
    const std::uint8_t following = bytes[at + 1];
    if (following == 0x00 || Restart(following))
      at += 2;
    else if (following == 0xFF)
      at += 1;
    else
      return at;
  }
  return bytes.size();
}

}  // namespace

std::variant<Layout, LayoutRefusal> ReadLayout(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != kSoi) return Damaged("it does not begin with SOI");
  Layout layout;
  std::size_t at = 2;
  for (;;) {
    if (at >= bytes.size()) return Damaged("it ends before its end-of-image marker");
    if (bytes[at] != 0xFF) return Damaged("bytes where a marker should be, at offset " + std::to_string(at));
    while (at + 1 < bytes.size() && bytes[at + 1] == 0xFF) ++at;  // fill bytes
    if (at + 1 >= bytes.size()) return Damaged("it ends before its end-of-image marker");
    const std::uint8_t marker = bytes[at + 1];
    if (marker == kEoi) {
      if (layout.scans.empty()) return Damaged("it ends before its first scan");
      layout.end = at + 2;
      return layout;
    }
    if (Standalone(marker)) return Damaged("a stray marker " + Hex(marker) + " at offset " + std::to_string(at));
    if (marker < 0xC0) return Damaged("an invalid marker " + Hex(marker) + " at offset " + std::to_string(at));
    if (at + 4 > bytes.size()) return Damaged("it ends inside a marker segment");
    const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    if (length < 2 || at + 2 + length > bytes.size()) return Damaged("a marker segment runs past the end of the file");
    const Segment segment{marker, at, 2 + length};
    const auto body = bytes.subspan(at + 4, length - 2);
    if (StartOfFrame(marker)) {
      if (layout.frame_marker != 0) return Unsupported("JPEG pictures of more than one frame");
      if (auto refusal = CheckFrame(marker); std::holds_alternative<LayoutRefusal>(refusal))
        return std::get<LayoutRefusal>(refusal);
      if (body.size() < 6) return Damaged("its frame header is cut short");
      if (body[0] != 8) return Unsupported(std::to_string(body[0]) + "-bit JPEG pictures, only 8-bit ones");
      if (body[5] != 1 && body[5] != 3)
        return Unsupported("JPEG pictures of " + std::to_string(body[5]) + " components (CMYK), only grey and colour");
      layout.frame_marker = marker;
    }
    if (marker == kDnl) return Unsupported("JPEG pictures whose height follows their first scan (DNL)");
    if (marker == kApp2 && body.size() >= 4 && std::memcmp(body.data(), "MPF\0", 4) == 0)
      return Unsupported("JPEG files of several pictures (MPF): their offsets would no longer hold");
    if (marker == kSos) {
      if (layout.frame_marker == 0) return Damaged("a scan comes before the frame header");
      if (layout.scans.size() == std::size_t{kMostScans})
        return Unsupported("JPEG pictures of more than " + std::to_string(kMostScans) + " scans");
      ScanHeader scan;
      if (!ReadScanHeader(body, scan)) return Damaged("a scan header does not hold up");
      if (layout.scans.empty()) layout.first_scan = at;
      layout.scans.push_back(std::move(scan));
      at = SkipEntropyData(bytes, at + segment.size);
      continue;
    }
    if (layout.scans.empty()) {
      layout.header.push_back(segment);
    } else if (marker == kDht) {
      layout.tables_between_scans = true;
    } else {
      // Anything else between scans would not keep its place when the scans
      // are written anew.
      return Unsupported("JPEG pictures with marker " + Hex(marker) + " between their scans");
    }
    at += segment.size;
  }
}

}  // namespace veil::codec::jpeg
