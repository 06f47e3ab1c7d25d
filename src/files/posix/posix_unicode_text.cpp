#include <utf8proc.h>

#include <cstdlib>

#include "files/unicode_text.h"

namespace veil {

std::optional<std::string> ComposedForm(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  utf8proc_uint8_t* composed = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
                   &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (length < 0) return std::nullopt;  // not UTF-8, or out of memory
  std::string text(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
  std::free(composed);
  return text;
}

}  // namespace veil
