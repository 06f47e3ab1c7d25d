#pragma once

#include <cstddef>
#include <cstdint>

// The stealth form's fixed numbers. docs/format.md describes the form; a
// picture carries none of these, so changing one makes a different format.
namespace veil::codec::stealth {

// Syndrome-trellis code: constraint height (2^7 = 128 trellis states).
inline constexpr int kConstraintHeight = 7;
// Message bits a segment of the code carries at most; segments are coded
// one by one so that the trellis's path memory stays small.
inline constexpr std::uint64_t kSegmentBits = 16384;

inline constexpr std::size_t kSaltSize = 16;
// The salt's 128 bits ride on this many public places (rate 1/16).
inline constexpr std::uint64_t kSaltPlaces = 2048;

// The frame: the stream's header and its first message (layout, the
// extension or the name's length, file length, body places), at the first
// keyed places. Layout 2 carries the file's name at the body's front;
// layout 1, in pictures made before names were kept, a 3-byte extension.
inline constexpr std::size_t kStreamHeaderSize = 24;
inline constexpr std::size_t kStreamOverhead = 17;
inline constexpr std::size_t kFramePlainSize = 20;
inline constexpr std::size_t kFrameSize = kStreamHeaderSize + kFramePlainSize + kStreamOverhead;  // 61
inline constexpr std::uint64_t kFramePlaces = 16384;
inline constexpr std::uint8_t kExtensionLayout = 1;
inline constexpr std::uint8_t kNameLayout = 2;
inline constexpr std::size_t kMaxNameBytes = 255;

// The body: the file in chunks of 64 KiB, each with 17 bytes of overhead.
inline constexpr std::size_t kChunkSize = 65536;

// Argon2id's fixed costs: libsodium's moderate limits (3 passes, 256 MiB).
inline constexpr std::uint32_t kOperations = 3;
inline constexpr std::uint32_t kMemoryKib = 256 * 1024;

// The cap on hidden bits per usable pixel unless the user raises it.
inline constexpr double kDefaultMaxRate = 0.12;
// A JPEG's cap, in hidden bits per non-zero AC coefficient.
inline constexpr double kDefaultJpegMaxRate = 0.05;
// The cap unless the user raises it: a JPEG's coefficients' or pixels'.
inline constexpr double DefaultMaxRate(bool coefficients) {
  return coefficients ? kDefaultJpegMaxRate : kDefaultMaxRate;
}
// Body places per body bit the embedder aims for, counted on usable samples.
inline constexpr std::uint64_t kPlacesPerBit = 8;

// How far the writer trusts the code on a picture with wet samples (no
// reader needs these). The code fails where changeable places are too few
// for the bits nearby; measured on random wet masks, a segment fails about
// once in a hundred tries at 4 usable places a bit, once in a thousand at
// 6 and in none of a thousand at 8, so the promised capacity keeps 8 a bit
// in every channel.
inline constexpr std::uint64_t kUsablePerBodyBit = 8;
// The frame's 488 bits on its 16,384 keyed places fail about once in 60
// tries where an eighth of the samples may change; a hide tries afresh,
// with a new salt and key, up to kHideAttempts times.
inline constexpr double kFrameUsableShare = 1.0 / 8;
inline constexpr int kHideAttempts = 3;
// Salts are drawn until one embeds at the public places; a picture whose
// usable public places reach all but at most 2^kSaltRankSlack of the salts
// takes one within kSaltDraws draws but for a chance below 10^-14.
inline constexpr std::size_t kSaltRankSlack = 4;
inline constexpr int kSaltDraws = 512;

// Pictures of fewer samples carry nothing; more than this are refused.
inline constexpr std::uint64_t kMinimumSamples = kSaltPlaces + kFramePlaces + 4096;
inline constexpr std::uint64_t kMaximumSamples = std::uint64_t{1} << 36;

// A cost level: 0 (cheapest) to 124; 127 means the sample must not change.
inline constexpr std::uint8_t kWet = 127;
// A sample already changed, down or up: it must not change again, and the
// pixel's other channels follow the way it went.
inline constexpr std::uint8_t kChangedDown = 125, kChangedUp = 126;
// What a change costs, as a share of its own cost, in a pixel whose other
// channels already changed, all the same way, when it goes that way too: a
// gain, since it puts back the channels' differences that staying would
// leave disturbed, so the code takes such changes wherever the message lets
// it. (On the benchmark's photographs, a gain of a quarter of the cost let
// more of the differences show; see bench/stealth/README.md.)
inline constexpr float kFollowingShare = -1.0f;

}  // namespace veil::codec::stealth
