#include "codec/covers/png/idat_chunker.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <map>

namespace veil::codec::png {

IdatChunker::IdatChunker(SequentialWriter& out, std::vector<IdatRun> cover) : out_(out), full_(std::move(cover)) {
  if (!full_.empty() && --full_.back().count == 0) full_.pop_back();
  std::erase_if(full_, [](const IdatRun& run) { return run.length == 0; });
  std::map<std::uint32_t, std::uint64_t> counts;
  std::uint64_t most = 0;
  for (const IdatRun& run : full_) {
    const std::uint64_t count = counts[run.length] += run.count;
    if (count >= most) {
      most = count;
      usual_ = run.length;
    }
  }
  target_ = NextLength();
}

std::uint64_t IdatChunker::NextLength() {
  if (run_ < full_.size()) {
    const std::uint64_t length = full_[run_].length;
    if (++used_in_run_ == full_[run_].count) {
      ++run_;
      used_in_run_ = 0;
    }
    return length;
  }
  return usual_;
}

void IdatChunker::Take(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    if (target_ == 0) {
      pending_.insert(pending_.end(), bytes.begin(), bytes.end());
      return;
    }
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), target_ - pending_.size()));
    if (pending_.empty() && piece == target_) {
      Emit(bytes.first(piece));
    } else {
      pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(piece));
      if (pending_.size() == target_) {
        Emit(pending_);
        pending_.clear();
      }
    }
    if (pending_.empty()) target_ = NextLength();
    bytes = bytes.subspan(piece);
  }
}

void IdatChunker::Finish() {
  if (!pending_.empty()) Emit(pending_);
  pending_.clear();
}

void IdatChunker::Emit(std::span<const std::uint8_t> data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  std::array<std::uint8_t, 8> frame{static_cast<std::uint8_t>(length >> 24),
                                    static_cast<std::uint8_t>(length >> 16),
                                    static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(length),
                                    'I',
                                    'D',
                                    'A',
                                    'T'};
  uLong crc = crc32(0L, frame.data() + 4, 4);
  for (std::size_t at = 0; at < data.size();) {
    const auto piece = static_cast<uInt>(std::min<std::size_t>(data.size() - at, 1u << 30));
    crc = crc32(crc, data.data() + at, piece);
    at += piece;
  }
  const std::array<std::uint8_t, 4> check{static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                          static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
  out_.Write(frame);
  out_.Write(data);
  out_.Write(check);
}

}  // namespace veil::codec::png
