#pragma once

#include "codec/seal/seal.h"
#include "codec/stealth/stealth_keys.h"

namespace veil::forms {

// What the forms' dialogs do.
enum class FormTask { kSealedHide, kStealthHide, kOpen };

// What the key derivations cost: the fixed costs; only tests ask for less.
struct FormCosts {
  codec::SealParams seal = codec::DefaultSealParams();
  codec::stealth::KdfCosts stealth{};
};

}  // namespace veil::forms
