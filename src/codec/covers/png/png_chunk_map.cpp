#include "codec/covers/png/png_chunk_map.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "files/file_failure.h"

namespace veil::codec::png {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kLongestChunk = 0x7FFFFFFF;  // PNG's own bound on a chunk's length

std::uint32_t LoadU32Big(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

PngRefusal Refuse(PngRefusal::Kind kind, std::string reason) { return {kind, std::move(reason)}; }

class ChunkWalk {
 public:
  ChunkWalk(RawFile& file, const PngLimits& limits) : file_(file), limits_(limits) {}

  std::variant<PngChunkMap, PngRefusal> Run();

 private:
  // The chunk's checksum over its type and data, read in pieces.
  bool ChecksumHolds(std::uint64_t offset, std::uint32_t length);

  RawFile& file_;
  const PngLimits& limits_;
  std::vector<std::uint8_t> buffer_;
};

bool ChunkWalk::ChecksumHolds(std::uint64_t offset, std::uint32_t length) {
  buffer_.resize(64 * 1024);
  uLong crc = crc32(0L, Z_NULL, 0);
  std::uint64_t at = offset + 4;  // the type
  std::uint64_t left = std::uint64_t{length} + 4;
  while (left > 0) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer_.size()));
    ReadExactly(file_, at, {buffer_.data(), piece});
    crc = crc32(crc, buffer_.data(), static_cast<uInt>(piece));
    at += piece;
    left -= piece;
  }
  std::array<std::uint8_t, 4> stored{};
  ReadExactly(file_, at, stored);
  return LoadU32Big(stored.data()) == static_cast<std::uint32_t>(crc);
}

std::variant<PngChunkMap, PngRefusal> ChunkWalk::Run() {
  PngChunkMap map;
  map.file_size = file_.Size();
  std::array<std::uint8_t, 8> signature{};
  if (file_.ReadAt(0, signature) != signature.size() || signature != kSignature) {
    return Refuse(PngRefusal::Kind::kNotPng, "not a PNG picture (no PNG signature)");
  }
  std::uint64_t offset = kSignature.size();
  bool seen_idat = false, idat_closed = false;
  for (int index = 0;; ++index) {
    std::array<std::uint8_t, 8> frame{};
    if (offset + frame.size() > map.file_size) {
      return Refuse(PngRefusal::Kind::kTruncated,
                    "the PNG file ends before its IEND chunk, at byte " + std::to_string(map.file_size));
    }
    ReadExactly(file_, offset, frame);
    const std::uint32_t length = LoadU32Big(frame.data());
    const std::string type(reinterpret_cast<const char*>(frame.data() + 4), 4);
    if (!std::all_of(frame.begin() + 4, frame.end(), IsLetter)) {
      return Refuse(PngRefusal::Kind::kDamaged,
                    "the PNG file is damaged: the chunk at byte " + std::to_string(offset) + " has no valid type");
    }
    if (length > kLongestChunk) {
      return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: its " + type + " chunk claims " +
                                                    std::to_string(length) + " bytes, more than a PNG chunk may hold");
    }
    const std::uint64_t end = offset + 12 + length;
    if (end > map.file_size) {
      return Refuse(PngRefusal::Kind::kTruncated, "the PNG file is cut short: its " + type + " chunk claims " +
                                                      std::to_string(length) + " bytes, but the file ends at byte " +
                                                      std::to_string(map.file_size));
    }
    if (index == 0 && (type != "IHDR" || length != 13)) {
      return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: it does not begin with its IHDR chunk");
    }
    if (type == "IDAT") {
      if (idat_closed) {
        return Refuse(PngRefusal::Kind::kDamaged,
                      "the PNG file is damaged: its IDAT chunks are not one consecutive run");
      }
      if (!seen_idat) map.idat_begin = offset;
      if (map.idat_runs.empty() || map.idat_runs.back().length != length) map.idat_runs.push_back({length, 0});
      ++map.idat_runs.back().count;
      seen_idat = true;
      map.idat_end = end;
      offset = end;
      continue;
    }
    if (seen_idat) idat_closed = true;
    if (length > limits_.max_chunk_bytes) {
      return Refuse(PngRefusal::Kind::kTooLarge,
                    "the PNG file's " + type + " chunk holds " + std::to_string(length) + " bytes, more than the " +
                        std::to_string(limits_.max_chunk_bytes >> 20) + " MiB this program keeps");
    }
    const bool critical = (frame[4] & 0x20) == 0;
    if (critical && type != "IHDR" && type != "PLTE" && type != "IEND") {
      return Refuse(PngRefusal::Kind::kUnsupported,
                    "the PNG file has a critical chunk " + type + " that this program does not know");
    }
    if (!ChecksumHolds(offset, length)) {
      return Refuse(PngRefusal::Kind::kDamaged,
                    "the PNG file is damaged: the checksum of its " + type + " chunk does not match");
    }
    if (type == "IHDR") {
      if (index != 0) return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: it has a second IHDR chunk");
      std::array<std::uint8_t, 13> ihdr{};
      ReadExactly(file_, offset + 8, ihdr);
      map.header = {LoadU32Big(ihdr.data()), LoadU32Big(ihdr.data() + 4), ihdr[8], ihdr[9], ihdr[12]};
    }
    if (type == "acTL") {
      return Refuse(PngRefusal::Kind::kUnsupported,
                    "an animated PNG cannot carry a hidden file: only its first frame would change, and the "
                    "frames stored after it would no longer match it");
    }
    if (type == "sBIT" && length >= 1 && length <= 4) {
      map.significant_bits.resize(length);
      ReadExactly(file_, offset + 8, map.significant_bits);
    }
    if (type == "IEND") break;
    offset = end;
  }
  if (!seen_idat) return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: it has no IDAT chunk");
  return map;
}

}  // namespace

std::variant<PngChunkMap, PngRefusal> MapPngChunks(RawFile& file, const PngLimits& limits) {
  try {
    return ChunkWalk(file, limits).Run();
  } catch (const FileFailure& failure) {
    return Refuse(PngRefusal::Kind::kIoFailure, failure.what());
  }
}

}  // namespace veil::codec::png
