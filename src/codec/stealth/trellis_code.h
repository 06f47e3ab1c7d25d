#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace veil::codec::stealth {

// A binary syndrome-trellis code (Filler, Judas and Fridrich, 2011) of
// constraint height 7: n cover bits carry m message bits (m <= n) as the
// syndrome H y, where H places the h x w submatrix along its diagonal, one
// row down per block of w (or w - 1) columns. The embedder finds, with the
// Viterbi algorithm, the y nearest the cover in the sum of the costs of the
// bits it flips; the reader only multiplies.
class TrellisCode {
 public:
  // Finds y for the cover bits x (0 or 1) with flip costs rho (+infinity:
  // must not flip). False when no y of finite cost carries the message.
  // Scratch memory grows to n * 16 bytes and is kept for the next call.
  bool Embed(std::span<const std::uint8_t> x, std::span<const float> rho, std::span<const std::uint8_t> message,
             std::span<std::uint8_t> y);
  // The message that the bits y carry; message.size() says how many bits.
  static void Syndrome(std::span<const std::uint8_t> y, std::span<std::uint8_t> message);
  // How many dimensions of m-bit messages flipping the columns marked
  // changeable (non-zero) reaches: m when every message embeds, whatever
  // the cover bits; below that, only one message in 2^(m - rank) does.
  static std::size_t Rank(std::span<const std::uint8_t> changeable, std::size_t m);

 private:
  std::vector<std::uint8_t> paths_;  // 128 bits a column: which way each state came
};

}  // namespace veil::codec::stealth
