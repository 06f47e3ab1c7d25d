#pragma once

#include <sodium.h>

namespace veil::codec {

// Overwrites a secret's bytes (a password, keyed tables, an opened file)
// before its memory goes back, where the compiler cannot drop the writes.
template <typename Bytes>
void Wipe(Bytes& bytes) {
  if (!bytes.empty()) sodium_memzero(bytes.data(), bytes.size() * sizeof(bytes[0]));
}

// Wipes a secret when the scope that holds it ends, however it ends.
template <typename Bytes>
class WipeOnExit {
 public:
  explicit WipeOnExit(Bytes& bytes) : bytes_(bytes) {}
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;
  ~WipeOnExit() { Wipe(bytes_); }

 private:
  Bytes& bytes_;
};

}  // namespace veil::codec
