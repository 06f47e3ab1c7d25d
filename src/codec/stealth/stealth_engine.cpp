#include "codec/stealth/stealth_engine.h"

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "codec/stealth/place_permutation.h"
#include "codec/stealth/trellis_code.h"

namespace veil::codec::stealth {
namespace {

// Stream numbers of the change signs' keystream: one a body segment, and
// these two for the salt and the frame.
constexpr std::uint64_t kSaltSigns = ~std::uint64_t{0}, kFrameSigns = ~std::uint64_t{0} - 1;

// A place's low bit; phantom places (past the last sample) read as 0.
std::uint8_t Lsb(const CoverSamples& samples, std::uint64_t i) {
  if (i >= samples.SampleCount()) return 0;
  return static_cast<std::uint8_t>((samples.depth == 16 ? samples.values16[i] : samples.values8[i]) & 1);
}

// A place's cell (cost level and low bit); phantom places never change.
std::uint8_t CellAt(const CostMap& costs, std::uint64_t i) {
  return i < costs.levels.size() ? costs.levels[i] : static_cast<std::uint8_t>(kWet << 1);
}

std::vector<std::uint64_t> Places(const PlacePermutation& order, std::uint64_t first, std::size_t count) {
  std::vector<std::uint64_t> places(count);
  order.Fill(first, count, places.data());
  return places;
}

// A change by one: up or down as the sign says, but never past either end.
void Step(CoverSamples& samples, std::uint64_t i, bool up) {
  if (samples.depth == 16) {
    auto& v = samples.values16[i];
    v = static_cast<std::uint16_t>(v == 0 ? 1 : v == 65535 ? 65534 : up ? v + 1 : v - 1);
  } else {
    auto& v = samples.values8[i];
    v = static_cast<std::uint8_t>(v == 0 ? 1 : v == 255 ? 254 : up ? v + 1 : v - 1);
  }
}

std::vector<std::uint8_t> Signs(const Subkey& key, std::uint64_t stream, std::size_t count) {
  std::uint8_t nonce[crypto_stream_chacha20_NONCEBYTES];
  for (std::size_t i = 0; i < sizeof nonce; ++i) nonce[i] = static_cast<std::uint8_t>(stream >> (8 * i));
  std::vector<std::uint8_t> signs((count + 7) / 8);
  crypto_stream_chacha20(signs.data(), signs.size(), nonce, key.data());
  return signs;
}

// Segment k of s cuts [0, total) here.
std::uint64_t Cut(std::uint64_t total, std::uint64_t k, std::uint64_t s) { return total * k / s; }

std::uint64_t SegmentsFor(std::uint64_t bits) { return std::max<std::uint64_t>(1, (bits + kSegmentBits - 1) / kSegmentBits); }

// Runs work(k, t) for k in [0, count) on up to `threads` threads, t being
// the thread's number, for its own scratch memory.
template <typename Work>
void Parallel(std::uint64_t count, unsigned threads, Work work) {
  threads = static_cast<unsigned>(std::clamp<std::uint64_t>(threads, 1, count));
  std::vector<std::thread> workers;
  for (unsigned t = 1; t < threads; ++t)
    workers.emplace_back([&, t] {
      for (std::uint64_t k = t; k < count; k += threads) work(k, t);
    });
  for (std::uint64_t k = 0; k < count; k += threads) work(k, 0u);
  for (auto& worker : workers) worker.join();
}

// A thread's memory for one segment after another.
struct Scratch {
  TrellisCode code;
  std::vector<std::uint64_t> places;
  std::vector<std::uint8_t> x, y;
  std::vector<float> rho;
};

bool UsableSize(const CoverSamples& samples) {
  const std::uint64_t n = samples.SampleCount();
  return n >= kMinimumSamples && n <= kMaximumSamples;
}

}  // namespace

std::vector<std::uint8_t> ToBits(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> bits(bytes.size() * 8);
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = (bytes[i / 8] >> (i % 8)) & 1;
  return bits;
}

std::vector<std::uint8_t> ToBytes(std::span<const std::uint8_t> bits) {
  std::vector<std::uint8_t> bytes(bits.size() / 8);
  for (std::size_t i = 0; i < bytes.size() * 8; ++i) bytes[i / 8] |= static_cast<std::uint8_t>((bits[i] & 1) << (i % 8));
  return bytes;
}

std::optional<std::uint64_t> LargestHiddenFile(const CoverSamples& samples, std::uint64_t usable, double max_rate) {
  if (!UsableSize(samples) || samples.channels == 0) return std::nullopt;
  const auto bits = static_cast<std::uint64_t>(std::floor(max_rate * static_cast<double>(usable) / samples.channels));
  const std::uint64_t fixed = 8 * (kSaltSize + kFrameSize);
  if (bits <= fixed) return std::nullopt;
  // The code needs at least two usable places a bit, and the places must be there.
  const std::uint64_t places = PlacePermutation({}, samples.SampleCount()).domain() - kFramePlaces;
  const std::uint64_t body_bits = std::min({bits - fixed, usable / 2, places / 2});
  return LargestFile(body_bits / 8);
}

struct StealthHider::Run {
  std::vector<std::uint64_t> flips;  // places whose parity the code changes
};

StealthHider::StealthHider(CoverSamples& samples, unsigned threads)
    : samples_(samples), threads_(threads), costs_(ComputeCosts(samples, threads)) {
  randombytes_buf(directions_.data(), directions_.size());
}

void StealthHider::HideSalt(const Salt& salt) {
  if (!UsableSize(samples_)) return;
  const auto places = Places(PlacePermutation(PublicPlacesKey(), samples_.SampleCount()), 0, kSaltPlaces);
  Embed(places, ToBits(salt), kSaltSigns);
  // The salt's places keep their bits from now on.
  for (auto p : places)
    if (p < costs_.levels.size()) costs_.levels[p] = static_cast<std::uint8_t>(kWet << 1 | Lsb(samples_, p));
}

bool StealthHider::Embed(const std::vector<std::uint64_t>& places, std::span<const std::uint8_t> bits,
                         std::uint64_t stream_at) {
  const std::size_t n = places.size();
  std::vector<std::uint8_t> x(n), y(n);
  std::vector<float> rho(n);
  for (std::size_t j = 0; j < n; ++j) {
    x[j] = Lsb(samples_, places[j]);
    rho[j] = CostOfLevel(static_cast<std::uint8_t>(CellAt(costs_, places[j]) >> 1));
  }
  TrellisCode code;
  if (!code.Embed(x, rho, bits, y)) return false;
  const auto signs = Signs(directions_, stream_at, n);
  for (std::size_t j = 0; j < n; ++j)
    if (x[j] != y[j]) {
      Step(samples_, places[j], (signs[j / 8] >> (j % 8)) & 1);
      ++changes_;
    }
  return true;
}

bool StealthHider::HideFile(const StealthKeys& keys, const Salt& salt, const std::string& extension,
                            std::span<const std::uint8_t> file) {
  if (!UsableSize(samples_)) return false;
  const std::uint64_t n = samples_.SampleCount();
  const PlacePermutation keyed(keys.places, n);
  const std::uint64_t available = keyed.domain() - kFramePlaces;
  const std::uint64_t body_bits = 8 * BodyLength(file.size());
  const double per_usable = static_cast<double>(n) / static_cast<double>(std::max<std::uint64_t>(1, costs_.usable));
  auto body_places = std::min<std::uint64_t>(
      available, static_cast<std::uint64_t>(std::ceil(static_cast<double>(kPlacesPerBit * body_bits) * per_usable)));
  body_places = std::max(body_places, std::min(available, body_bits));
  for (;;) {
    StealthSealer sealer(keys.stream);
    const auto frame = sealer.SealFrame({extension, file.size(), body_places}, salt);
    const auto body = sealer.SealBody(file);
    if (body_bits <= body_places && EmbedBody(keyed, body_places, ToBits(body)))
      return Embed(Places(keyed, 0, kFramePlaces), ToBits(frame), kFrameSigns);
    if (body_places == available) return false;
    body_places = std::min(available, 2 * body_places);
  }
}

bool StealthHider::EmbedBody(const PlacePermutation& keyed, std::uint64_t body_places,
                             std::span<const std::uint8_t> bits) {
  const std::uint64_t segments = SegmentsFor(bits.size());
  std::vector<Run> runs(segments);
  std::vector<char> failed(segments, 0);
  const auto table = CostTable();
  std::vector<Scratch> scratch(threads_);
  Parallel(segments, threads_, [&](std::uint64_t k, unsigned t) {
    const std::uint64_t b0 = Cut(bits.size(), k, segments), b1 = Cut(bits.size(), k + 1, segments);
    const std::uint64_t p0 = Cut(body_places, k, segments), p1 = Cut(body_places, k + 1, segments);
    const std::size_t n = static_cast<std::size_t>(p1 - p0);
    auto& [code, places, x, y, rho] = scratch[t];
    places.resize(n);
    x.resize(n);
    y.resize(n);
    rho.resize(n);
    keyed.Fill(kFramePlaces + p0, n, places.data());
    for (std::size_t j = 0; j < n; ++j) {
      const std::uint8_t cell = CellAt(costs_, places[j]);
      x[j] = cell & 1;
      rho[j] = table[cell];
    }
    if (!code.Embed(x, rho, bits.subspan(b0, b1 - b0), y)) {
      failed[k] = 1;
      return;
    }
    const auto signs = Signs(directions_, k, n);
    for (std::size_t j = 0; j < n; ++j)
      if (x[j] != y[j]) runs[k].flips.push_back(places[j] << 1 | ((signs[j / 8] >> (j % 8)) & 1));
  });
  if (std::find(failed.begin(), failed.end(), 1) != failed.end()) return false;
  for (const auto& run : runs)
    for (auto flip : run.flips) {
      Step(samples_, flip >> 1, flip & 1);
      ++changes_;
    }
  return true;
}

StealthReader::StealthReader(const CoverSamples& samples, unsigned threads)
    : samples_(samples.SampleCount()), threads_(threads), bits_((samples.SampleCount() + 63) / 64) {
  for (std::size_t w = 0; w < bits_.size(); ++w) {
    const std::uint64_t first = std::uint64_t{w} * 64, last = std::min<std::uint64_t>(first + 64, samples_);
    std::uint64_t word = 0;
    if (samples.depth == 16) {
      for (std::uint64_t i = first; i < last; ++i) word |= std::uint64_t{samples.values16[i] & 1u} << (i - first);
    } else {
      for (std::uint64_t i = first; i < last; ++i) word |= std::uint64_t{samples.values8[i] & 1u} << (i - first);
    }
    bits_[w] = word;
  }
}

void StealthReader::Read(const std::vector<std::uint64_t>& places, std::vector<std::uint8_t>& y) const {
  y.resize(places.size());
  for (std::size_t j = 0; j < places.size(); ++j) y[j] = Bit(places[j]);
}

Salt StealthReader::ReadSalt() const {
  Salt salt{};
  if (samples_ < kMinimumSamples || samples_ > kMaximumSamples) return salt;
  const auto places = Places(PlacePermutation(PublicPlacesKey(), samples_), 0, kSaltPlaces);
  std::vector<std::uint8_t> y, bits(8 * kSaltSize);
  Read(places, y);
  TrellisCode::Syndrome(y, bits);
  const auto bytes = ToBytes(bits);
  std::copy(bytes.begin(), bytes.end(), salt.begin());
  return salt;
}

std::optional<Frame> StealthReader::ReadFrame(const StealthKeys& keys, const Salt& salt) {
  if (samples_ < kMinimumSamples || samples_ > kMaximumSamples) return std::nullopt;
  const PlacePermutation keyed(keys.places, samples_);
  const auto places = Places(keyed, 0, kFramePlaces);
  std::vector<std::uint8_t> y, bits(8 * kFrameSize);
  Read(places, y);
  TrellisCode::Syndrome(y, bits);
  opener_.emplace(keys.stream);
  auto frame = opener_->OpenFrame(ToBytes(bits), salt);
  // A frame that opens was written by this program; these hold for it.
  if (!frame || frame->file_length > kMaximumSamples || frame->body_places > keyed.domain() - kFramePlaces ||
      8 * BodyLength(frame->file_length) > frame->body_places)
    return std::nullopt;
  return frame;
}

std::optional<std::vector<std::uint8_t>> StealthReader::ReadFile(const StealthKeys& keys, const Frame& frame) {
  if (!opener_) return std::nullopt;
  const PlacePermutation keyed(keys.places, samples_);
  const std::uint64_t body_bits = 8 * BodyLength(frame.file_length), segments = SegmentsFor(body_bits);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(body_bits));
  Parallel(segments, threads_, [&](std::uint64_t k, unsigned) {
    const std::uint64_t b0 = Cut(body_bits, k, segments), b1 = Cut(body_bits, k + 1, segments);
    const std::uint64_t p0 = Cut(frame.body_places, k, segments), p1 = Cut(frame.body_places, k + 1, segments);
    const auto places = Places(keyed, kFramePlaces + p0, static_cast<std::size_t>(p1 - p0));
    std::vector<std::uint8_t> y;
    Read(places, y);
    TrellisCode::Syndrome(y, std::span(bits).subspan(b0, b1 - b0));
  });
  return opener_->OpenBody(ToBytes(bits), frame.file_length);
}

}  // namespace veil::codec::stealth
