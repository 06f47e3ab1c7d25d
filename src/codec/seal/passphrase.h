#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace veil::codec {

// A passphrase of words drawn uniformly and independently (libsodium's
// randombytes_uniform) from the EFF's large list, joined by spaces.
struct Passphrase {
  std::string text;
  double bits = 0;  // words x log2(list size): what a guesser faces who knows how it was made
};

inline constexpr std::size_t kPassphraseWords = 6;

std::span<const char* const> PassphraseList();
// Empty when libsodium cannot start.
Passphrase GeneratePassphrase(std::size_t words = kPassphraseWords);

}  // namespace veil::codec
