#include "files/safe_file_name.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace veil {
namespace {

// The code point of the UTF-8 sequence at text[at] and its length;
// nothing for a stray, overlong, surrogate or cut sequence.
struct CodePoint {
  std::uint32_t value;
  std::size_t length;
};
std::optional<CodePoint> DecodeAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return CodePoint{lead, 1};
  std::size_t length = 0;
  std::uint32_t value = 0, least = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (at + length > text.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  return CodePoint{value, length};
}

bool IsControl(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool IsForbidden(std::uint32_t c) {
  constexpr std::string_view kForbidden = "<>:\"|?*";
  return c < 0x80 && kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

// The last component that is not empty, after / or \.
std::string_view LastComponent(std::string_view name) {
  while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.remove_suffix(1);
  const std::size_t cut = name.find_last_of("/\\");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string CleanCharacters(std::string_view name) {
  std::string clean;
  for (std::size_t at = 0; at < name.size();) {
    const auto c = DecodeAt(name, at);
    if (!c || IsControl(c->value) || IsForbidden(c->value)) {
      clean.push_back('_');
      at += c ? c->length : 1;
      continue;
    }
    clean.append(name.substr(at, c->length));
    at += c->length;
  }
  return clean;
}

void DropTrailingDotsAndBlanks(std::string& name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

// Windows opens a device, not a file, for these names with any extension
// (and blanks before it).
bool IsDeviceName(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

// The longest start of text no longer than limit that ends on a
// character's boundary (text is valid UTF-8 here).
std::string_view CutToBoundary(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Keeps the extension (from the last dot) when it is short enough to leave
// room for a stem, and cuts the stem.
std::string Bounded(const std::string& name) {
  if (name.size() <= kMaxFileNameBytes) return name;
  const std::size_t dot = name.rfind('.');
  const bool keep_extension = dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxFileNameBytes / 4;
  const std::string_view extension = keep_extension ? std::string_view(name).substr(dot) : std::string_view();
  const std::string_view stem = std::string_view(name).substr(0, keep_extension ? dot : name.size());
  return std::string(CutToBoundary(stem, kMaxFileNameBytes - extension.size())) + std::string(extension);
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  std::string safe = CleanCharacters(LastComponent(name));
  DropTrailingDotsAndBlanks(safe);
  if (IsDeviceName(safe)) safe.insert(0, 1, '_');
  safe = Bounded(safe);
  DropTrailingDotsAndBlanks(safe);
  if (safe.empty() || safe == "." || safe == "..") return std::string(kFallbackFileName);
  return safe;
}

}  // namespace veil
