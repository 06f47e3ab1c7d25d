#include "codec/seal/password_strength.h"

#include <algorithm>

#ifndef VEILWRIGHT_NO_ZXCVBN
#include <zxcvbn.h>
#endif

namespace veil::codec {
namespace {

constexpr double kLog10Of2 = 0.30102999566398120;

}  // namespace

double PasswordStrength::Log10Guesses() const { return bits * kLog10Of2; }

PasswordLevel LevelOfBits(double bits) {
  const double log10_guesses = bits * kLog10Of2;
  if (log10_guesses < 6) return PasswordLevel::kVeryWeak;
  if (log10_guesses < 12) return PasswordLevel::kWeak;
  if (log10_guesses < 16) return PasswordLevel::kFair;
  return PasswordLevel::kStrong;
}

std::optional<PasswordStrength> EstimatePasswordStrength(const std::string& password) {
#ifdef VEILWRIGHT_NO_ZXCVBN
  (void)password;
  return std::nullopt;
#else
  // The dictionary is compiled into the library: nothing to load first.
  // A NUL ends the text zxcvbn reads, so a password holding one is judged
  // by its start alone, never as stronger than it is.
  const double bits = std::max(0.0, ZxcvbnMatch(password.c_str(), nullptr, nullptr));
  return PasswordStrength{bits, LevelOfBits(bits)};
#endif
}

}  // namespace veil::codec
