#pragma once

#include <string>
#include <vector>

namespace veil::codec {

// What a typed password becomes in the sealed forms. A new seal derives its
// key from the password's composed form (Unicode NFC), so that the ways
// keyboards and systems spell "é" all open it; a password that is not UTF-8
// is not sealed at all. Opening tries the bytes as typed first (pictures
// sealed before this rule hold those), then the composed form when it
// differs.
struct SealPasswordForms {
  bool utf8 = false;                 // the typed bytes are valid UTF-8
  std::string sealing;               // the composed form; empty when !utf8
  std::vector<std::string> opening;  // as typed, then composed when it differs
  // Copies of a password: wiped.
  ~SealPasswordForms();
};

SealPasswordForms PasswordForms(const std::string& typed);

}  // namespace veil::codec
