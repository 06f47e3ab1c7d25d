#include "codec/stealth/stealth_engine.h"

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "codec/seal/wipe.h"
#include "codec/stealth/place_permutation.h"
#include "codec/stealth/trellis_code.h"

namespace veil::codec::stealth {
namespace {

// Stream numbers of the change signs' keystream: one a body segment, and
// these two for the salt and the frame.
constexpr std::uint64_t kSaltSigns = ~std::uint64_t{0}, kFrameSigns = ~std::uint64_t{0} - 1;

std::uint16_t ValueAt(const CoverSamples& samples, std::uint64_t i) {
  return samples.depth == 16 ? samples.values16[i] : samples.values8[i];
}

// A place's low bit; phantom places (past the last sample) read as 0.
std::uint8_t Lsb(const CoverSamples& samples, std::uint64_t i) {
  return i < samples.SampleCount() ? static_cast<std::uint8_t>(ValueAt(samples, i) & 1) : 0;
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

void SetValue(CoverSamples& samples, std::uint64_t i, std::uint16_t value) {
  if (samples.depth == 16)
    samples.values16[i] = value;
  else
    samples.values8[i] = static_cast<std::uint8_t>(value);
}

// The way the pixel's other channels have changed, when they all went the
// same way: +1 up, -1 down; 0 when none changed or they disagree.
int ChangedWay(const CostMap& costs, unsigned channels, std::uint64_t i) {
  if (channels < 2 || i >= costs.levels.size()) return 0;
  const std::uint64_t first = i - i % channels;
  bool up = false, down = false;
  for (std::uint64_t j = first; j < first + channels; ++j) {
    if (j == i) continue;
    const int level = costs.levels[j] >> 1;
    up = up || level == kChangedUp;
    down = down || level == kChangedDown;
  }
  return up == down ? 0 : up ? 1 : -1;
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

std::uint64_t SegmentsFor(std::uint64_t bits) {
  return std::max<std::uint64_t>(1, (bits + kSegmentBits - 1) / kSegmentBits);
}

// Runs work(k, t) for k in [0, count) on up to `threads` threads, t being
// the thread's number, for its own scratch memory; with a progress, tells
// it how many are done (after `before` of `whole`, when the work is a part)
// and stops (RunCancelled) when it is to.
template <typename Work>
void Parallel(std::uint64_t count, unsigned threads, RunProgress* progress, Work work, std::uint64_t before = 0,
              std::uint64_t whole = 0) {
  threads = static_cast<unsigned>(std::clamp<std::uint64_t>(threads, 1, count));
  WorkGauge gauge(progress, whole != 0 ? whole : count, before);
  gauge.Share(threads, [&](unsigned t) {
    for (std::uint64_t k = t; k < count && !gauge.Stopped(); k += threads) {
      work(k, t);
      gauge.Add();
    }
  });
}

// What the code needs of each place: its low bit and its cost. A change
// that would follow the pixel's other channels counts as a gain (Make gives
// it their way), so that a pixel's changes gather and leave its channels'
// differences as they were.
struct PlaceView {
  std::vector<std::uint8_t> x, y;
  std::vector<float> rho;

  void Describe(const CostMap& costs, unsigned channels, std::span<const std::uint64_t> places) {
    static const auto table = CostTable();
    const std::size_t n = places.size();
    x.resize(n);
    y.resize(n);
    rho.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
      const std::uint8_t cell = CellAt(costs, places[j]);
      x[j] = cell & 1;
      const bool follows = ChangedWay(costs, channels, places[j]) != 0 && std::isfinite(table[cell]);
      rho[j] = follows ? table[cell] * kFollowingShare : table[cell];
    }
  }

  // The places the code changes, each as place * 2 + 1 when the keyed
  // sign says up.
  void Flips(std::span<const std::uint64_t> places, const std::vector<std::uint8_t>& signs,
             std::vector<std::uint64_t>& flips) const {
    for (std::size_t j = 0; j < places.size(); ++j)
      if (x[j] != y[j]) flips.push_back(places[j] << 1 | ((signs[j / 8] >> (j % 8)) & 1));
  }
};

// A segment's places of one channel, in their order, and the bits of the
// segment's that they carry: [first, last), shared in proportion to places.
struct ChannelPart {
  std::uint64_t first = 0, last = 0;
};

ChannelPart SplitByChannel(std::span<const std::uint64_t> places, unsigned channels, unsigned channel,
                           std::uint64_t bits, std::vector<std::uint64_t>& own) {
  own.clear();
  std::uint64_t before = 0;
  for (auto p : places) {
    const auto c = p % channels;
    before += c < channel;
    if (c == channel) own.push_back(p);
  }
  const std::uint64_t n = std::max<std::uint64_t>(1, places.size());
  return {bits * before / n, bits * (before + own.size()) / n};
}

// A thread's memory for one segment after another.
struct Scratch {
  TrellisCode code;
  std::vector<std::uint64_t> all, places;
  PlaceView view;
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
  for (std::size_t i = 0; i < bytes.size() * 8; ++i)
    bytes[i / 8] |= static_cast<std::uint8_t>((bits[i] & 1) << (i % 8));
  return bytes;
}

StealthRoom RoomFor(const CoverSamples& samples, const CostMap& costs, double max_rate) {
  using Limit = StealthRoom::Limit;
  if (!UsableSize(samples) || samples.channels == 0 || costs.levels.size() != samples.SampleCount())
    return {Limit::kSampleCount};
  const std::uint64_t n = samples.SampleCount();
  const unsigned channels = samples.channels;
  // The salt's public places must reach nearly every salt: a hide draws
  // salts until one embeds, a sixteenth of them at worst.
  const auto salt_places = Places(PlacePermutation(PublicPlacesKey(), n), 0, kSaltPlaces);
  std::vector<std::uint8_t> changeable(salt_places.size());
  std::array<std::uint64_t, 3> salt_usable{};
  for (std::size_t j = 0; j < salt_places.size(); ++j) {
    const std::uint64_t p = salt_places[j];
    changeable[j] = p < n && !costs.Wet(p);  // places past the last sample are phantoms
    salt_usable[p % channels] += changeable[j];
  }
  if (TrellisCode::Rank(changeable, 8 * kSaltSize) + kSaltRankSlack < 8 * kSaltSize) return {Limit::kTooFlat};
  // The salt's places keep their bits from then on; the frame's are the
  // first keyed places, anywhere in the picture.
  std::uint64_t after_salt = 0, body_usable = ~std::uint64_t{0};
  for (unsigned c = 0; c < channels; ++c) {
    const std::uint64_t own = costs.usable_by_channel[c] - salt_usable[c];
    after_salt += own;
    // The frame's places take their share of a channel's usable ones.
    body_usable = std::min(body_usable, own - own * kFramePlaces / n);
  }
  if (static_cast<double>(after_salt) < kFrameUsableShare * static_cast<double>(n)) return {Limit::kTooFlat};

  const auto bits = static_cast<std::uint64_t>(std::floor(max_rate * costs.rate_base));
  const std::uint64_t fixed = 8 * (kSaltSize + kFrameSize);
  const std::uint64_t places = PlacePermutation({}, n, channels).domain() - kFramePlaces;
  // Each channel carries its share of the body's bits on its own usable
  // places, which the code needs kUsablePerBodyBit of a bit.
  const std::uint64_t by_flatness = std::min(channels * body_usable / kUsablePerBodyBit, places / 2);
  const auto file_by_flatness = LargestFile(by_flatness / 8);
  if (!file_by_flatness) return {Limit::kTooFlat};
  if (bits <= fixed) return {Limit::kRate};
  const auto file_by_rate = LargestFile((bits - fixed) / 8);
  if (!file_by_rate) return {Limit::kRate};
  return {Limit::kNone, std::min(*file_by_rate, *file_by_flatness)};
}

StealthHider::StealthHider(CoverSamples& samples, unsigned threads, JpegCostModel jpeg, RunProgress* progress)
    : samples_(samples), threads_(threads), costs_(ComputeCosts(samples, threads, jpeg, progress)) {
  randombytes_buf(directions_.data(), directions_.size());
}

StealthHider::~StealthHider() {
  Wipe(journal_);
  Wipe(costs_.levels);
  Wipe(directions_);
}

bool StealthHider::HideSalt(const Salt& salt) {
  if (!UsableSize(samples_)) return false;
  const auto places = Places(PlacePermutation(PublicPlacesKey(), samples_.SampleCount()), 0, kSaltPlaces);
  if (!Embed(places, ToBits(salt), kSaltSigns)) return false;
  // The salt's places keep their bits from now on.
  for (auto p : places)
    if (p < costs_.levels.size() && !costs_.Wet(p)) SetCell(p, static_cast<std::uint8_t>(kWet << 1 | Lsb(samples_, p)));
  return true;
}

void StealthHider::Make(std::uint64_t flip) {
  const std::uint64_t i = flip >> 1;
  const Change change{i, ValueAt(samples_, i), costs_.levels[i], true};
  const std::uint16_t top = samples_.depth == 16 ? 65535 : 255;
  // The way the pixel went, if it did, even by a change of this same call;
  // saturated samples are wet, but the ends are kept all the same.
  const int way = ChangedWay(costs_, samples_.channels, i);
  const bool up = change.value == 0 || (change.value != top && (way != 0 ? way > 0 : (flip & 1) != 0));
  const auto value = static_cast<std::uint16_t>(up ? change.value + 1 : change.value - 1);
  SetValue(samples_, i, value);
  costs_.levels[i] = static_cast<std::uint8_t>((up ? kChangedUp : kChangedDown) << 1 | (value & 1));
  ++changes_;
  journal_.push_back(change);
}

void StealthHider::SetCell(std::uint64_t place, std::uint8_t cell) {
  journal_.push_back({place, ValueAt(samples_, place), costs_.levels[place], false});
  costs_.levels[place] = cell;
}

void StealthHider::UndoTo(std::size_t mark) {
  while (journal_.size() > mark) {
    const Change& change = journal_.back();
    SetValue(samples_, change.place, change.value);
    costs_.levels[change.place] = change.cell;
    changes_ -= change.counted;
    journal_.pop_back();
  }
}

bool StealthHider::Embed(const std::vector<std::uint64_t>& places, std::span<const std::uint8_t> bits,
                         std::uint64_t stream_at) {
  PlaceView view;
  view.Describe(costs_, samples_.channels, places);
  TrellisCode code;
  if (!code.Embed(view.x, view.rho, bits, view.y)) return false;
  std::vector<std::uint64_t> flips;
  view.Flips(places, Signs(directions_, stream_at, places.size()), flips);
  for (auto flip : flips) Make(flip);
  return true;
}

bool StealthHider::HideFile(const StealthKeys& keys, const Salt& salt, const FileLabel& label,
                            std::span<const std::uint8_t> file, RunProgress* progress) {
  if (!UsableSize(samples_)) return false;
  const std::uint64_t n = samples_.SampleCount();
  const PlacePermutation keyed(keys.places, n, samples_.channels);
  const std::uint64_t available = keyed.domain() - kFramePlaces;
  const std::span<const std::uint8_t> lead = BodyLead(label);
  const std::uint64_t body_bits = 8 * BodyLength(lead.size() + file.size());
  const double per_usable = static_cast<double>(n) / static_cast<double>(std::max<std::uint64_t>(1, costs_.usable));
  auto body_places = std::min<std::uint64_t>(
      available, static_cast<std::uint64_t>(std::ceil(static_cast<double>(kPlacesPerBit * body_bits) * per_usable)));
  body_places = std::max(body_places, std::min(available, body_bits));
  const std::size_t mark = journal_.size();
  for (;;) {
    StealthSealer sealer(keys.stream);
    const auto frame = sealer.SealFrame(FrameFor(label, file.size(), body_places), salt);
    const auto body = sealer.SealBody(lead, file);
    if (body_bits <= body_places && EmbedBody(keyed, body_places, ToBits(body), progress)) {
      if (Embed(Places(keyed, 0, kFramePlaces), ToBits(frame), kFrameSigns)) return true;
      // The frame's places are the same for any body: more places would not help.
      UndoTo(mark);
      return false;
    }
    if (body_places == available) return false;
    body_places = std::min(available, 2 * body_places);
  }
}

bool StealthHider::EmbedBody(const PlacePermutation& keyed, std::uint64_t body_places,
                             std::span<const std::uint8_t> bits, RunProgress* progress) {
  const std::uint64_t segments = SegmentsFor(bits.size());
  const unsigned channels = std::max<unsigned>(1, samples_.channels);
  std::vector<Scratch> scratch(threads_);
  const std::size_t mark = journal_.size();
  // A channel at a time, so that each sees where the ones before it changed.
  for (unsigned channel = 0; channel < channels; ++channel) {
    std::vector<std::vector<std::uint64_t>> flips(segments);
    std::vector<char> failed(segments, 0);
    Parallel(segments, threads_, progress, [&](std::uint64_t k, unsigned t) {
      const std::uint64_t b0 = Cut(bits.size(), k, segments), b1 = Cut(bits.size(), k + 1, segments);
      const std::uint64_t p0 = Cut(body_places, k, segments), p1 = Cut(body_places, k + 1, segments);
      auto& [code, all, places, view] = scratch[t];
      all.resize(static_cast<std::size_t>(p1 - p0));
      keyed.Fill(kFramePlaces + p0, all.size(), all.data());
      const ChannelPart part = SplitByChannel(all, channels, channel, b1 - b0, places);
      view.Describe(costs_, channels, places);
      if (!code.Embed(view.x, view.rho, bits.subspan(b0 + part.first, part.last - part.first), view.y)) {
        failed[k] = 1;
        return;
      }
      view.Flips(places, Signs(directions_, k * channels + channel, places.size()), flips[k]);
    }, channel * segments, channels * segments);
    if (std::find(failed.begin(), failed.end(), 1) != failed.end()) {
      UndoTo(mark);
      return false;
    }
    for (const auto& run : flips)
      for (auto flip : run) Make(flip);
  }
  return true;
}

StealthReader::StealthReader(CoverLowBits low_bits, unsigned threads)
    : samples_(low_bits.samples),
      channels_(std::max<unsigned>(1, low_bits.channels)),
      threads_(threads),
      bits_(std::move(low_bits.bits)) {
  bits_.resize((samples_ + 63) / 64);
}

StealthReader::StealthReader(const CoverSamples& samples, unsigned threads)
    : StealthReader(LowBitsOf(samples), threads) {}

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
  const PlacePermutation keyed(keys.places, samples_, channels_);
  const auto places = Places(keyed, 0, kFramePlaces);
  std::vector<std::uint8_t> y, bits(8 * kFrameSize);
  Read(places, y);
  TrellisCode::Syndrome(y, bits);
  opener_.emplace(keys.stream);
  auto frame = opener_->OpenFrame(ToBytes(bits), salt);
  // A frame that opens was written by this program; these hold for it.
  if (!frame || frame->file_length > kMaximumSamples || frame->body_places > keyed.domain() - kFramePlaces ||
      8 * BodyLength(frame->ContentLength()) > frame->body_places)
    return std::nullopt;
  return frame;
}

std::optional<std::vector<std::uint8_t>> StealthReader::ReadFile(const StealthKeys& keys, const Frame& frame,
                                                                RunProgress* progress) {
  if (!opener_) return std::nullopt;
  const PlacePermutation keyed(keys.places, samples_, channels_);
  const std::uint64_t body_bits = 8 * BodyLength(frame.ContentLength()), segments = SegmentsFor(body_bits);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(body_bits));
  Parallel(segments, threads_, progress, [&](std::uint64_t k, unsigned) {
    const std::uint64_t b0 = Cut(body_bits, k, segments), b1 = Cut(body_bits, k + 1, segments);
    const std::uint64_t p0 = Cut(frame.body_places, k, segments), p1 = Cut(frame.body_places, k + 1, segments);
    const auto all = Places(keyed, kFramePlaces + p0, static_cast<std::size_t>(p1 - p0));
    std::vector<std::uint64_t> places;
    std::vector<std::uint8_t> y;
    for (unsigned channel = 0; channel < channels_; ++channel) {
      const ChannelPart part = SplitByChannel(all, channels_, channel, b1 - b0, places);
      Read(places, y);
      TrellisCode::Syndrome(y, std::span(bits).subspan(b0 + part.first, part.last - part.first));
    }
  });
  return opener_->OpenBody(ToBytes(bits), frame.ContentLength());
}

}  // namespace veil::codec::stealth
