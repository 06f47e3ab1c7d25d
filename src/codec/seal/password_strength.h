#pragma once

#include <optional>
#include <string>

namespace veil::codec {

// How hard a password is to guess, by zxcvbn's estimate of the guesses an
// attacker who tries the likeliest passwords first needs to find it.
//
// Against a sealed or stealth picture each guess costs one Argon2id
// derivation of 256 MiB, about a second on one core, and each answers
// exactly. So the levels, in guesses:
//   very weak  below 10^6: days for one computer, hours for a hundred;
//   weak       below 10^12: a few years for a farm deriving 10^4 keys a second;
//   fair       below 10^16: tens of thousands of years for that farm;
//   strong     from 10^16 on.
enum class PasswordLevel { kVeryWeak, kWeak, kFair, kStrong };

struct PasswordStrength {
  double bits = 0;  // log2 of the estimated guesses
  PasswordLevel level = PasswordLevel::kVeryWeak;

  double Log10Guesses() const;
};

// The level that bits of estimated guesses come to.
PasswordLevel LevelOfBits(double bits);

// Nothing when this build has no estimator (VEILWRIGHT_ZXCVBN off).
std::optional<PasswordStrength> EstimatePasswordStrength(const std::string& password);

}  // namespace veil::codec
