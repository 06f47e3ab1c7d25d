// PNG files written by other programs (image libraries' test pictures, fuzz
// finds, reference renderings and icons, see corpus/png/README), judged
// against libspng, a reader written apart from libpng: what libspng cannot
// decode is refused as damaged; what it decodes is taken with exactly its
// samples, or refused for a reason the file itself shows; and a file hidden
// in the stealth form into any cover that takes it opens again, with every
// byte outside the image data kept and no sample changed by more than one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include <zlib.h>

#include "codec/covers/png/png_reader.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "support/png_test_files.h"
#include "support/spng_reader.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;
using codec::png::PngCover;
using codec::png::PngRefusal;

constexpr codec::stealth::KdfCosts kQuick{1, 8};
constexpr std::uint64_t kMostSamples = std::uint64_t{1} << 28;  // the cover reader's own bound
constexpr std::size_t kPayloadBytes = 6;
// A file's judgement in Release takes milliseconds; this bounds a hang,
// generously enough for a sanitizer build.
constexpr auto kTimePerFile = std::chrono::seconds(30);

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(VEILWRIGHT_PNG_CORPUS))
    if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string NameOf(const fs::path& path) { return fs::relative(path, VEILWRIGHT_PNG_CORPUS).string(); }

// Ends the whole program, naming the file, when one file's judgement runs
// past its bound: a hang must fail the test, not stall the suite.
class Watchdog {
 public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Start(const std::string& name) {
    std::lock_guard lock(mutex_);
    name_ = name;
    started_ = std::chrono::steady_clock::now();
    running_ = true;
    wake_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    running_ = false;
    const auto took = std::chrono::steady_clock::now() - started_;
    if (took > slowest_) {
      slowest_ = took;
      slowest_name_ = name_;
    }
  }
  std::string Slowest() const {
    return slowest_name_ + " (" +
           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(slowest_).count()) + " ms)";
  }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!done_) {
      if (running_ && std::chrono::steady_clock::now() - started_ > kTimePerFile) {
        std::cerr << "FAILED: " << name_ << " took more than " << kTimePerFile.count() << " s" << std::endl;
        std::_Exit(1);
      }
      wake_.wait_for(lock, std::chrono::milliseconds(200));
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false, running_ = false;
  std::string name_, slowest_name_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::duration slowest_{};
  std::thread thread_;
};

// What the file's own bytes show, read here apart from the cover reader:
// its signature, IHDR and the kinds of chunk it holds.
struct FileFacts {
  bool signature = false;
  int colour_type = -1, depth = -1;
  std::uint64_t samples = 0;  // IHDR's claim, alpha included
  bool animated = false;      // an acTL chunk
  std::string unknown_critical;
  std::vector<std::uint8_t> significant_bits;  // sBIT
  bool complete = false;                       // the chunks run to the end of IEND's checksum
  bool checksums_hold = true;                  // every chunk's
  // The IDAT chunks' data is one zlib stream that ends where it inflates to
  // exactly the rows IHDR gives: readers that stop at the last row do not
  // look, but anything more or less is no picture its writer meant.
  bool image_data_exact = false;
  bool Sound() const { return signature && complete && checksums_hold && image_data_exact; }
};

std::uint32_t Big32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// The filtered rows' bytes IHDR gives, every Adam7 pass's own rows for an
// interlaced picture.
std::uint64_t FilteredBytes(std::uint64_t width, std::uint64_t height, int bits_per_pixel, bool interlaced) {
  const auto rows = [&](std::uint64_t w, std::uint64_t h) {
    return w == 0 ? 0 : h * (1 + (w * bits_per_pixel + 7) / 8);
  };
  if (!interlaced) return rows(width, height);
  // Each pass: its first column and row, and its steps.
  const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, y0[7] = {0, 0, 4, 0, 2, 0, 1};
  const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
  std::uint64_t total = 0;
  for (int p = 0; p < 7; ++p) {
    const std::uint64_t w = width > std::uint64_t(x0[p]) ? (width - x0[p] + dx[p] - 1) / dx[p] : 0;
    const std::uint64_t h = height > std::uint64_t(y0[p]) ? (height - y0[p] + dy[p] - 1) / dy[p] : 0;
    total += rows(w, h);
  }
  return total;
}

bool InflatesToExactly(const Bytes& stream, std::uint64_t expected) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  std::vector<std::uint8_t> out(1 << 16);
  std::uint64_t total = 0;
  int status = Z_OK;
  while (status == Z_OK && total <= expected) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    status = inflate(&z, Z_NO_FLUSH);
    total += out.size() - z.avail_out;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END && total == expected;
}

FileFacts FactsOf(const Bytes& png) {
  FileFacts facts;
  const Bytes signature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  facts.signature = png.size() >= 8 && std::equal(signature.begin(), signature.end(), png.begin());
  if (!facts.signature) return facts;
  const auto chunks = ListChunks(png);
  facts.complete = !chunks.empty() && chunks.back().type == "IEND" &&
                   chunks.back().offset + 12 + std::uint64_t{chunks.back().length} <= png.size();
  Bytes image_data;
  std::uint64_t filtered = 0;
  for (const ChunkAt& chunk : chunks) {
    const std::size_t data = chunk.offset + 8;
    const bool whole = data + std::uint64_t{chunk.length} + 4 <= png.size();
    if (whole) {
      const auto crc = static_cast<std::uint32_t>(crc32(0, png.data() + chunk.offset + 4, chunk.length + 4));
      facts.checksums_hold = facts.checksums_hold && crc == Big32(png, data + chunk.length);
    }
    if (chunk.type == "IDAT" && whole)
      image_data.insert(image_data.end(), png.begin() + data, png.begin() + data + chunk.length);
    if (chunk.type == "IHDR" && chunk.length == 13 && whole) {
      facts.colour_type = png[data + 9];
      facts.depth = png[data + 8];
      const int channels = facts.colour_type == 2 ? 3 : facts.colour_type == 4 ? 2 : facts.colour_type == 6 ? 4 : 1;
      const std::uint64_t width = Big32(png, data), height = Big32(png, data + 4);
      // PNG's own bound on each: a product of larger ones would not fit.
      const bool valid = width <= 0x7FFFFFFF && height <= 0x7FFFFFFF;
      facts.samples = valid ? width * height * channels : UINT64_MAX;
      if (valid) filtered = FilteredBytes(width, height, channels * facts.depth, png[data + 12] == 1);
    }
    if (chunk.type == "acTL") facts.animated = true;
    if (chunk.type == "sBIT" && whole && chunk.length <= 4)
      facts.significant_bits.assign(png.begin() + data, png.begin() + data + chunk.length);
    const bool critical = chunk.type.size() == 4 && chunk.type[0] >= 'A' && chunk.type[0] <= 'Z';
    if (critical && chunk.type != "IHDR" && chunk.type != "PLTE" && chunk.type != "IDAT" && chunk.type != "IEND" &&
        facts.unknown_critical.empty())
      facts.unknown_critical = chunk.type;
  }
  facts.image_data_exact = filtered > 0 && filtered <= kMostSamples * 2 + (std::uint64_t{1} << 24) &&
                           InflatesToExactly(image_data, filtered);
  return facts;
}

// The deliberate refusals a picture libspng decodes may get, each as a
// phrase its reason holds, by what the file shows.
std::vector<std::string> DeliberateRefusals(const FileFacts& facts, const SpngPicture& decoded) {
  std::vector<std::string> reasons;
  if (facts.colour_type == 3) reasons.push_back("palette");
  if (facts.colour_type == 0 && facts.depth < 8) reasons.push_back("-bit greyscale");
  if (facts.animated) reasons.push_back("animated");
  if (!facts.unknown_critical.empty()) reasons.push_back("critical chunk " + facts.unknown_critical);
  const int colour_channels = facts.colour_type == 2 || facts.colour_type == 6 ? 3 : 1;
  for (int c = 0; c < colour_channels && c < static_cast<int>(facts.significant_bits.size()); ++c)
    if (facts.significant_bits[c] < facts.depth) reasons.push_back("sBIT");
  if (decoded.depth == 16 && !decoded.samples.empty()) {
    // Colour samples whose low byte repeats the high one, or is zero.
    const bool alpha = decoded.channels == 2 || decoded.channels == 4;
    std::uint64_t colour = 0, repeated = 0, zeroed = 0;
    for (std::size_t i = 0; i < decoded.samples.size(); ++i) {
      if (alpha && i % decoded.channels == static_cast<std::size_t>(decoded.channels - 1)) continue;
      const std::uint16_t v = decoded.samples[i];
      ++colour;
      repeated += (v >> 8) == (v & 0xFF);
      zeroed += (v & 0xFF) == 0;
    }
    if (repeated * 100 >= colour * 99) reasons.push_back("scaled up");
    if (zeroed * 100 >= colour * 99) reasons.push_back("shifted up");
  }
  return reasons;
}

std::variant<PngCover, PngRefusal> ReadCover(const Bytes& png) {
  MemoryFile file(std::make_shared<Bytes>(png));
  return codec::png::ReadPngCover(file);
}

// Every stored sample of the cover, pixel by pixel, alpha last: as libspng
// gives them.
std::vector<std::uint16_t> StoredSamples(const PngCover& cover) {
  const codec::CoverSamples& s = cover.samples;
  const bool alpha = cover.HasAlpha();
  const std::size_t pixels = std::size_t{s.width} * s.height;
  std::vector<std::uint16_t> out;
  out.reserve(pixels * (s.channels + (alpha ? 1 : 0)));
  for (std::size_t p = 0; p < pixels; ++p) {
    for (unsigned c = 0; c < s.channels; ++c)
      out.push_back(s.depth == 8 ? s.values8[p * s.channels + c] : s.values16[p * s.channels + c]);
    if (alpha) out.push_back(s.depth == 8 ? cover.alpha8[p] : cover.alpha16[p]);
  }
  return out;
}

SpngPicture Decode(const Bytes& png) { return DecodeWithSpng(png, kMostSamples * 2); }

struct Tally {
  int files = 0, accepted = 0, hides = 0, opened = 0;
  std::map<std::string, int> refused, hide_refused;
};

std::string Summary(const std::string& what, const Tally& t) {
  std::ostringstream line;
  line << what << ": " << t.files << " files, " << t.accepted << " accepted";
  for (const auto& [reason, count] : t.refused) line << ", " << count << " refused (" << reason << ")";
  if (t.hides == 0 && t.hide_refused.empty()) return line.str();
  line << "; " << t.hides << " hides, " << t.opened << " opened";
  for (const auto& [reason, count] : t.hide_refused) line << ", " << count << " hides refused (" << reason << ")";
  return line.str();
}

// Judges one file against libspng; returns "" for a cover, else the
// refusal's reason as the summary counts it.
std::string Judge(const std::string& name, const Bytes& png) {
  const FileFacts facts = FactsOf(png);
  const auto reading = ReadCover(png);
  // A claim past the cover reader's bound is not decoded here either.
  const bool huge = facts.samples > kMostSamples;
  const SpngPicture decoded = huge ? SpngPicture{} : Decode(png);

  if (const auto* cover = std::get_if<PngCover>(&reading)) {
    EXPECT_TRUE(facts.Sound()) << name << ": taken as a cover, but its chunks or image data do not hold up";
    EXPECT_TRUE(decoded.decoded) << name << ": taken as a cover, but libspng: " << decoded.error;
    if (!decoded.decoded) return "";
    EXPECT_EQ(cover->samples.width, decoded.width) << name;
    EXPECT_EQ(cover->samples.height, decoded.height) << name;
    EXPECT_EQ(cover->chunks.header.colour_type, decoded.colour_type) << name;
    EXPECT_TRUE(StoredSamples(*cover) == decoded.samples) << name << ": samples differ from libspng's";
    const auto deliberate = DeliberateRefusals(facts, decoded);
    EXPECT_TRUE(deliberate.empty()) << name << ": taken, though " << deliberate.front();
    return "";
  }
  const PngRefusal& refusal = std::get<PngRefusal>(reading);
  const auto deliberate = DeliberateRefusals(facts, decoded);
  const auto named = std::find_if(deliberate.begin(), deliberate.end(),
                                  [&](const std::string& r) { return refusal.reason.find(r) != std::string::npos; });
  switch (refusal.kind) {
    case PngRefusal::Kind::kNotPng: EXPECT_FALSE(facts.signature) << name << ": " << refusal.reason; return "not PNG";
    case PngRefusal::Kind::kDamaged:
    case PngRefusal::Kind::kTruncated:
      EXPECT_FALSE(decoded.decoded && facts.Sound())
          << name << ": refused as damaged (" << refusal.reason << "), though libspng decodes it and it holds up";
      if (refusal.kind == PngRefusal::Kind::kTruncated) {
        EXPECT_FALSE(facts.complete) << name << ": called cut short (" << refusal.reason << ")";
      }
      return refusal.kind == PngRefusal::Kind::kDamaged ? "damaged" : "cut short";
    case PngRefusal::Kind::kTooLarge: EXPECT_TRUE(huge) << name << ": " << refusal.reason; return "too large";
    case PngRefusal::Kind::kUnsupported:
      // Damage may lie behind a deliberate refusal found first (a palette
      // picture's cut image data): the reason must still hold.
      EXPECT_NE(named, deliberate.end()) << name << ": refused (" << refusal.reason
                                         << ") for nothing the file shows; libspng: "
                                         << (decoded.decoded ? "decodes it" : decoded.error);
      if (named == deliberate.end()) return "unsupported";
      if (named->rfind("critical chunk", 0) == 0) return "unknown critical chunk";
      return *named + (decoded.decoded && facts.Sound() ? "" : ", damaged");
    case PngRefusal::Kind::kIoFailure: ADD_FAILURE() << name << ": " << refusal.reason; return "read failure";
  }
  return "?";
}

void Count(Tally& tally, const std::string& reason) {
  ++tally.files;
  if (reason.empty()) {
    ++tally.accepted;
  } else {
    ++tally.refused[reason];
  }
}

std::string GroupOf(const fs::path& path) { return fs::relative(path, VEILWRIGHT_PNG_CORPUS).begin()->string(); }

TEST(PngCorpus, EveryFileIsTakenWithTheSecondReadersSamplesOrRefusedForWhatItShows) {
  const std::vector<fs::path> files = CorpusFiles();
  ASSERT_GE(files.size(), 1000u);
  Tally all;
  std::map<std::string, Tally> groups;
  Watchdog watchdog;
  for (const fs::path& path : files) {
    const std::string name = NameOf(path);
    watchdog.Start(name);
    const std::string reason = Judge(name, ReadAll(path.string()));
    watchdog.Stop();
    Count(all, reason);
    Count(groups[GroupOf(path)], reason);
  }
  for (const auto& [name, tally] : groups) std::cout << Summary(name, tally) << "\n";
  std::cout << Summary("png corpus", all) << "\nslowest: " << watchdog.Slowest() << std::endl;
  // Both kinds must be there in number, or the test proves little.
  EXPECT_GE(all.accepted, 1000);
  EXPECT_GE(all.files - all.accepted, 500);
  EXPECT_GE(all.refused["damaged"] + all.refused["cut short"] + all.refused["not PNG"], 20);
}

Bytes WithChecksum(Bytes png, const ChunkAt& chunk) {
  const auto crc =
      static_cast<std::uint32_t>(crc32(0, png.data() + chunk.offset + 4, static_cast<uInt>(chunk.length + 4)));
  for (int i = 0; i < 4; ++i) png[chunk.offset + 8 + chunk.length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return png;
}

// A cover damaged the ways a transfer or a fuzzer would: cut short, and a
// bit of each chunk flipped.
std::vector<Bytes> DamagedCopies(const Bytes& png, std::uint32_t seed) {
  std::vector<Bytes> copies;
  const auto chunks = ListChunks(png);
  const auto cut = [&](std::size_t length) { copies.emplace_back(png.begin(), png.begin() + length); };
  cut(png.size() / 2);
  cut(chunks.back().offset);      // without IEND
  cut(chunks.back().offset + 8);  // IEND cut inside
  for (const ChunkAt& chunk : chunks) {
    if (chunk.length == 0) continue;
    Bytes flipped = png;
    flipped[chunk.offset + 8 + (seed + chunk.offset) % chunk.length] ^= static_cast<std::uint8_t>(1u << (seed % 8));
    copies.push_back(flipped);  // its checksum no longer holds
    // Image data changed under a checksum that holds: only the compressed
    // stream's own check, or its structure, shows it.
    if (chunk.type == "IDAT") copies.push_back(WithChecksum(flipped, chunk));
  }
  return copies;
}

TEST(PngCorpus, DamagedCopiesOfTheCoversAreRefusedAsDamagedWhereTheSecondReaderFails) {
  Tally all;
  Watchdog watchdog;
  std::uint32_t seed = 1;
  for (const fs::path& path : CorpusFiles()) {
    const Bytes png = ReadAll(path.string());
    if (!std::holds_alternative<PngCover>(ReadCover(png))) continue;
    int copy = 0;
    for (const Bytes& damaged : DamagedCopies(png, seed++)) {
      const std::string name = NameOf(path) + " (damaged copy " + std::to_string(copy++) + ")";
      watchdog.Start(name);
      const std::string reason = Judge(name, damaged);
      watchdog.Stop();
      Count(all, reason);
    }
  }
  std::cout << Summary("damaged copies", all) << "\nslowest: " << watchdog.Slowest() << std::endl;
  EXPECT_GE(all.refused["damaged"], 2000);
  EXPECT_GE(all.refused["cut short"], 2000);
}

// The stealth picture as libspng reads it: the cover's samples, colour ones
// by at most one and only where the pixel is opaque, alpha unchanged.
void ExpectCloseToCover(const std::string& name, const SpngPicture& cover, const Bytes& stealth) {
  const SpngPicture after = Decode(stealth);
  ASSERT_TRUE(after.decoded) << name << ": libspng: " << after.error;
  ASSERT_EQ(after.width, cover.width) << name;
  ASSERT_EQ(after.height, cover.height) << name;
  ASSERT_EQ(after.colour_type, cover.colour_type) << name;
  ASSERT_EQ(after.depth, cover.depth) << name;
  EXPECT_EQ(after.interlace, cover.interlace) << name;
  ASSERT_EQ(after.samples.size(), cover.samples.size()) << name;
  const int n = cover.channels;
  const bool alpha = n == 2 || n == 4;
  const unsigned opaque = cover.depth == 8 ? 0xFF : 0xFFFF;
  std::size_t changed = 0;
  for (std::size_t i = 0; i < cover.samples.size(); ++i) {
    const int a = cover.samples[i], b = after.samples[i];
    if (a == b) continue;
    ++changed;
    const std::size_t pixel = i / n;
    ASSERT_LE(std::abs(a - b), 1) << name << ": sample " << i;
    if (alpha) {
      ASSERT_NE(i % n, static_cast<std::size_t>(n - 1)) << name << ": alpha of pixel " << pixel << " changed";
      ASSERT_EQ(cover.samples[pixel * n + n - 1], opaque) << name << ": pixel " << pixel << " is not opaque";
    }
  }
  EXPECT_GT(changed, 0u) << name;
}

// The chunk types in order, a run of IDAT as one.
std::vector<std::string> ChunkOrder(const Bytes& png) {
  std::vector<std::string> order;
  for (const ChunkAt& chunk : ListChunks(png))
    if (order.empty() || chunk.type != "IDAT" || order.back() != "IDAT") order.push_back(chunk.type);
  return order;
}

// Hides a file of size bytes at the rate (unset: the default cap) and
// judges the outcome: a success opens and keeps everything but the image data; a
// refusal is one the capacity foretold, and writes nothing.
struct HideOutcome {
  bool hid = false;
  bool too_small = false;  // fewer samples than the form needs, at any rate
  std::uint64_t capacity = 0;
};
HideOutcome HideAndCheck(const std::string& name, const Bytes& png, std::optional<double> rate, std::size_t size,
                         Tally& tally) {
  const Bytes secret = RandomBytes(size, static_cast<std::uint32_t>(size));
  auto cover_bytes = std::make_shared<Bytes>(png);
  MemoryFile cover(cover_bytes);
  const codec::StealthCapacity capacity = codec::MeasureStealthCapacity(cover, rate, 1);
  EXPECT_EQ(capacity.refusal, "") << name;
  MemoryFile payload(std::make_shared<Bytes>(secret));
  auto copy_bytes = std::make_shared<Bytes>();
  MemoryFile copy(copy_bytes);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "corpus"};
  request.max_rate = rate;
  request.costs = kQuick;
  request.threads = 1;
  request.allow_decoded_jpeg = true;
  codec::RunObserver observer;
  const codec::RunResult hidden = codec::HideStealth(request, observer);
  EXPECT_EQ(*cover_bytes, png) << name << ": the cover changed";
  if (!hidden.ok()) {
    // What the capacity promised, the hide delivers.
    EXPECT_LT(capacity.largest_file, size)
        << name << ": refused with status " << static_cast<int>(hidden.status) << ": " << hidden.refusal;
    const bool flat = hidden.status == codec::RunStatus::kTooFlat, small = hidden.status == codec::RunStatus::kTooLarge;
    EXPECT_TRUE(flat || small) << name << ": status " << static_cast<int>(hidden.status) << ": " << hidden.refusal;
    EXPECT_TRUE(copy_bytes->empty()) << name << ": a refused hide wrote";
    ++tally.hide_refused[flat ? "too flat" : small ? "too small" : "other"];
    return {false, capacity.too_small, capacity.largest_file};
  }
  ++tally.hides;
  MemoryFile stealth(copy_bytes);
  const codec::OpenedStealth opened = codec::OpenStealth({stealth, "corpus", kQuick, 1}, observer);
  EXPECT_TRUE(opened.result.ok()) << name << ": a reported hide does not open, status "
                                  << static_cast<int>(opened.result.status);
  if (opened.result.ok() && opened.file == secret && opened.extension == "bin") ++tally.opened;
  EXPECT_EQ(opened.file, secret) << name;
  EXPECT_EQ(WithoutIdat(*copy_bytes), WithoutIdat(png)) << name << ": bytes outside the image data changed";
  EXPECT_EQ(ChunkOrder(*copy_bytes), ChunkOrder(png)) << name;
  ExpectCloseToCover(name, Decode(png), *copy_bytes);
  return {true, false, capacity.largest_file};
}

// A few bytes and as many as the capacity promises, at the default cap and,
// where that is refused, at the highest rate the command line allows, where
// a hide is likeliest to report a success that does not open.
TEST(PngCorpus, AHideIntoAnyCoverOpensAgainAndKeepsEveryByteOutsideTheImageData) {
  Tally at_default, at_most, full;
  Watchdog watchdog;
  for (const fs::path& path : CorpusFiles()) {
    const std::string name = NameOf(path);
    const Bytes png = ReadAll(path.string());
    ++at_default.files;
    if (!std::holds_alternative<PngCover>(ReadCover(png))) continue;
    ++at_default.accepted;
    watchdog.Start(name);
    const HideOutcome outcome = HideAndCheck(name, png, std::nullopt, kPayloadBytes, at_default);
    std::optional<double> rate;
    HideOutcome last = outcome;
    if (!outcome.hid && !outcome.too_small) {
      ++at_most.files;
      ++at_most.accepted;
      rate = 3.0;
      last = HideAndCheck(name + " (at rate 3)", png, rate, kPayloadBytes, at_most);
    }
    if (last.hid && last.capacity > kPayloadBytes) {
      ++full.files;
      ++full.accepted;
      HideAndCheck(name + " (full)", png, rate, static_cast<std::size_t>(last.capacity), full);
    }
    watchdog.Stop();
  }
  std::cout << Summary("png corpus stealth, default cap", at_default) << "\n"
            << Summary("refused at the default cap, at rate 3", at_most) << "\n"
            << Summary("as many bytes as the capacity", full) << "\nslowest: " << watchdog.Slowest() << std::endl;
  EXPECT_EQ(at_default.opened, at_default.hides);
  EXPECT_EQ(at_most.opened, at_most.hides);
  EXPECT_EQ(full.opened, full.hides);
  EXPECT_GE(at_default.hides + at_most.hides + full.hides, 100);
}

}  // namespace
}  // namespace veil::test
