#pragma once

#include <string>

#include "codec/seal/seal.h"
#include "codec/stealth/stealth_keys.h"
#include "support/test_files.h"

namespace veil::test {

// Pictures whose hidden file carries a name exactly as given, not made
// safe: what a hostile picture may claim. Written with the codec's own
// writers (the sealed stream, the stealth hider), past the requests that
// would make the name safe.

// A 24-bit BMP sealed under key holding data, the seal's layout 2 naming it name.
Bytes SealedWithRawName(const std::string& name, const Bytes& data, const codec::SealKey& key);

// The stealth picture of cover (a BMP or PNG) holding data under password,
// with its Argon2id costs, layout 2 naming it name.
Bytes StealthWithRawName(const Bytes& cover, const std::string& name, const Bytes& data, const std::string& password,
                         const codec::stealth::KdfCosts& costs);

}  // namespace veil::test
