#include "cli/cover_kinds.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_failure.h"
#include "codec/covers/png_signature_damage.h"

namespace veil::cli {
namespace {

bool NamedPng(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return name.size() >= 4 && name.compare(name.size() - 4, 4, ".png") == 0;
}

}  // namespace

codec::CoverKind ReadCoverKindOrRefuse(const std::string& name, RawFile& picture) {
  const codec::CoverKind kind = codec::ReadCoverKind(picture);
  if (kind != codec::CoverKind::kOther) return kind;
  if (picture.Size() == 0) {
    throw CliFailure(name + (NamedPng(name) ? ": the PNG file is damaged: it is empty (0 bytes)"
                                            : ": the file is empty (0 bytes): it holds no picture"));
  }
  if (auto damage = codec::ReadPngSignatureDamage(picture)) throw CliFailure(name + ": " + *damage);
  return kind;
}

void RefuseLossyCover(const std::string& picture, codec::CoverKind kind) {
  if (auto reason = codec::LossyCoverReason(kind)) throw CliFailure(picture + ": " + *reason);
}

void RefuseStealthOnlyKind(const std::string& picture, codec::CoverKind kind) {
  if (codec::CarriesOnlyStealth(kind)) {
    throw CliFailure(picture + ": a " + codec::CoverKindName(kind) +
                     " picture carries a file only in the stealth form: add --stealth");
  }
}

}  // namespace veil::cli
