#include "codec/covers/png/deflate_settings.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codec/covers/png/idat_stream.h"

namespace veil::codec::png {
namespace {

// As much of the cover's data as the candidates are tried on.
constexpr std::size_t kTrialBytes = std::size_t{2} << 20;
// Compressed bytes that, once given back, leave no doubt: deflate's blocks
// are a few kilobytes, and other settings part within the first.
constexpr std::size_t kConvincing = 64 * 1024;

// The start of the cover's image data, compressed and inflated.
struct CoverSample {
  std::vector<std::uint8_t> compressed;  // the raw deflate data after the two header bytes
  std::vector<std::uint8_t> inflated;
  bool whole = false;  // the whole stream: compressed ends where deflate's data does
};

CoverSample SampleCover(RawFile& source, const PngChunkMap& map) {
  CoverSample sample;
  IdatStream stream(source, map);
  z_stream z{};
  if (inflateInit2(&z, 15) != Z_OK) return sample;
  std::vector<std::uint8_t> in(64 * 1024), read;
  sample.inflated.resize(kTrialBytes);
  z.next_out = sample.inflated.data();
  z.avail_out = static_cast<uInt>(sample.inflated.size());
  int status = Z_OK;
  while (status == Z_OK && z.avail_out > 0) {
    if (z.avail_in == 0) {
      const std::size_t piece = stream.Read(in);
      if (piece == 0) break;
      read.insert(read.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(piece));
      z.next_in = read.data() + (read.size() - piece);
      z.avail_in = static_cast<uInt>(piece);
    }
    status = inflate(&z, Z_NO_FLUSH);
  }
  sample.inflated.resize(z.total_out);
  sample.whole = status == Z_STREAM_END;
  // deflate's data lies between the header and, at the end, the checksum.
  const std::size_t used = z.total_in;
  const std::size_t data_end = sample.whole ? used - std::min<std::size_t>(used, 4) : used;
  if (data_end > 2) sample.compressed.assign(read.begin() + 2, read.begin() + static_cast<std::ptrdiff_t>(data_end));
  inflateEnd(&z);
  return sample;
}

// Whether settings compress sample.inflated into sample.compressed, as far
// as the output reaches or until kConvincing bytes agree: the bytes matched,
// or -1 at the first that differs.
long long Matches(const DeflateSettings& settings, const CoverSample& sample) {
  z_stream z{};
  if (deflateInit2(&z, settings.level, Z_DEFLATED, -settings.window_bits, settings.mem_level, settings.strategy) !=
      Z_OK) {
    return -1;
  }
  std::vector<std::uint8_t> out(64 * 1024);
  const std::vector<std::uint8_t>& expected = sample.compressed;
  std::size_t produced = 0, fed = 0;
  long long result = 0;
  bool done = false;
  while (!done) {
    const std::size_t piece = std::min<std::size_t>(16 * 1024, sample.inflated.size() - fed);
    z.next_in = const_cast<std::uint8_t*>(sample.inflated.data() + fed);
    z.avail_in = static_cast<uInt>(piece);
    fed += piece;
    const bool last = fed == sample.inflated.size();
    const int flush = last && sample.whole ? Z_FINISH : Z_NO_FLUSH;
    int status = Z_OK;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      status = deflate(&z, flush);
      const std::size_t n = out.size() - z.avail_out;
      const std::size_t comparable = std::min(n, expected.size() - std::min(expected.size(), produced));
      if ((n > comparable && sample.whole) || std::memcmp(out.data(), expected.data() + produced, comparable) != 0) {
        result = -1;
        done = true;
        break;
      }
      produced += comparable;
      if (n > comparable || (!sample.whole && produced >= kConvincing)) {  // as far as it needs to go
        done = true;
        break;
      }
    } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    if (last) done = true;
  }
  if (result == 0) {
    result = static_cast<long long>(produced);
    if (sample.whole && produced != expected.size()) result = -1;
  }
  deflateEnd(&z);
  return result;
}

// zlib's usual settings for the header's FLEVEL (0 fastest, 1 fast, 2
// default, 3 maximum), most common first; libpng's own first of all.
std::vector<DeflateSettings> Candidates(std::uint8_t cmf, std::uint8_t flg) {
  std::vector<int> levels;
  std::vector<int> strategies{Z_FILTERED, Z_DEFAULT_STRATEGY};
  switch (flg >> 6) {
    case 0:
      levels = {1, 0};
      strategies = {Z_FILTERED, Z_RLE, Z_HUFFMAN_ONLY};
      break;
    case 1: levels = {5, 4, 3, 2}; break;
    case 2: levels = {6}; break;
    default: levels = {9, 7, 8}; break;
  }
  std::vector<int> windows{15};
  const int declared = (cmf >> 4) + 8;
  if (declared >= 9 && declared < 15) windows.insert(windows.begin(), declared);
  std::vector<DeflateSettings> candidates;
  for (int window : windows)
    for (int mem_level : {8, 9})
      for (int level : levels)
        for (int strategy : strategies) {
          // Below level 4 zlib's strategies but Huffman and run-length code alike.
          if (level < 4 && strategy == Z_DEFAULT_STRATEGY) continue;
          if (level == 0 && strategy != strategies.front()) continue;  // stored blocks whatever the strategy
          candidates.push_back({level, window, mem_level, strategy, false});
        }
  return candidates;
}

DeflateSettings Declared(std::uint8_t cmf, std::uint8_t flg) {
  static constexpr int kLevel[] = {1, 5, 6, 9};
  DeflateSettings settings;
  settings.level = kLevel[flg >> 6];
  settings.window_bits = std::clamp((cmf >> 4) + 8, 9, 15);
  return settings;
}

}  // namespace

std::string DeflateSettings::Describe() const {
  const char* strategies[] = {"default", "filtered", "Huffman only", "run-length", "fixed"};
  return "level " + std::to_string(level) + ", window 2^" + std::to_string(window_bits) + ", memory level " +
         std::to_string(mem_level) + ", strategy " + (strategy >= 0 && strategy <= 4 ? strategies[strategy] : "?") +
         (reproduces_cover ? " (gives the cover's data back)" : "");
}

DeflateSettings CoverDeflateSettings(RawFile& source, const PngCover& cover) {
  const auto [cmf, flg] = cover.coding.zlib_header;
  const CoverSample sample = SampleCover(source, cover.chunks);
  DeflateSettings best = Declared(cmf, flg);
  long long best_match = -1;
  for (const DeflateSettings& candidate : Candidates(cmf, flg)) {
    const long long matched = Matches(candidate, sample);
    if (matched > best_match) {
      best = candidate;
      best_match = matched;
      if (sample.whole || static_cast<std::size_t>(matched) >= kConvincing) break;  // nothing does better
    }
  }
  best.reproduces_cover = best_match > 0 || (sample.whole && best_match == 0);
  return best;
}

}  // namespace veil::codec::png
