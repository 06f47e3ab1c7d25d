#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "codec/plain/carrier_reader.h"
#include "codec/progress/run_progress.h"
#include "codec/seal/seal.h"
#include "files/raw_file.h"

namespace veil::codec {

// A sealed file read from the carrier's hidden bytes.
// Nothing when the picture holds no sealed file whose header lies inside it.
std::optional<SealHeader> ReadSealHeader(RawFile& cover, const carrier::CarrierFacts& facts);

// Opening a sealed picture with a password as typed: the key, and from the
// first chunk the file's name (or, in a seal of layout 1, its extension);
// or why not. Each spelling PasswordForms
// gives for opening is tried in turn (a derivation each).
struct OpenedSeal {
  // kNoMemory: the key derivation could not have the memory the picture asks
  // for (a 32-bit program rarely gets 1 GiB in one piece).
  enum class Status { kOpened, kWrongPassword, kUnacceptable, kNoMemory, kDamaged };
  Status status = Status::kDamaged;
  std::uint32_t memory_kib = 0;  // what the key derivation asks for, once the header is read
  std::optional<SealKey> key;
  std::string extension;                 // layout 1: the 3 bytes as stored
  std::optional<std::string> file_name;  // layout 2: the name, made safe (SafeFileName)
  std::uint64_t file_length = 0;
};
// With a progress, the checks are its kReading and each derivation runs
// aside as its kKeyDerivation (DeriveAside); RunCancelled when it is to stop.
OpenedSeal OpenSeal(RawFile& cover, const carrier::CarrierFacts& facts, const std::string& password,
                    RunProgress* progress = nullptr);

}  // namespace veil::codec
