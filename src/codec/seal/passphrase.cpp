#include "codec/seal/passphrase.h"

#include <sodium.h>

#include <cmath>
#include <cstdint>
#include <iterator>

namespace veil::codec {
namespace {

constexpr const char* kWords[] = {
#include "codec/seal/passphrase_words.inc"
};

}  // namespace

std::span<const char* const> PassphraseList() { return kWords; }

Passphrase GeneratePassphrase(std::size_t words) {
  if (sodium_init() < 0) return {};
  Passphrase phrase;
  for (std::size_t i = 0; i < words; ++i) {
    if (i) phrase.text += ' ';
    phrase.text += kWords[randombytes_uniform(static_cast<std::uint32_t>(std::size(kWords)))];
  }
  phrase.bits = static_cast<double>(words) * std::log2(static_cast<double>(std::size(kWords)));
  return phrase;
}

}  // namespace veil::codec
