#pragma once

#include <optional>
#include <string>

namespace veil {

// The canonical composition (Unicode NFC) of UTF-8 text, in UTF-8; nothing
// when the text is not valid UTF-8 (a stray byte, a surrogate, an overlong
// form). utf8proc on Linux, the system's NormalizeString on Windows.
std::optional<std::string> ComposedForm(const std::string& utf8);

}  // namespace veil
