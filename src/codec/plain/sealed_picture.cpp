#include "codec/plain/sealed_picture.h"

#include <vector>

#include "codec/plain/hidden_bytes.h"
#include "codec/seal/derivation_aside.h"
#include "codec/seal/seal_password.h"
#include "codec/seal/sealed_stream.h"
#include "files/file_failure.h"
#include "files/safe_file_name.h"

namespace veil::codec {
namespace {

// Takes bytes and keeps none: the first chunk is opened only to check the
// password and to learn the name or extension.
class Discard final : public RawFile {
 public:
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }
  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override {}
  std::uint64_t Size() override { return 0; }
  void Sync() override {}
};

}  // namespace

std::optional<SealHeader> ReadSealHeader(RawFile& cover, const carrier::CarrierFacts& facts) {
  if (!facts.IsSealed() || !facts.pixelOffsetUsable || facts.HiddenLength() < seal::kHeaderSize) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadHiddenBytes(cover, static_cast<std::uint64_t>(facts.pixelOffset), facts.HiddenLength(), 0,
                            seal::kParametersSize);
  } catch (const FileFailure&) {
    return std::nullopt;
  }
  return ParseSealHeader(std::span<const std::uint8_t, seal::kParametersSize>(bytes.data(), seal::kParametersSize));
}

OpenedSeal OpenSeal(RawFile& cover, const carrier::CarrierFacts& facts, const std::string& password,
                    RunProgress* progress) {
  if (progress) progress->Enter(RunStage::kReading);
  OpenedSeal opened;
  const auto header = ReadSealHeader(cover, facts);
  if (!header || !facts.Complete()) return opened;  // kDamaged
  if (!header->Acceptable()) {
    opened.status = OpenedSeal::Status::kUnacceptable;
    return opened;
  }
  const std::uint64_t sealed = facts.HiddenLength();
  const auto plain_length = SealedFileLength(sealed, header->params.ChunkSize(), 0);
  if (!plain_length) return opened;
  opened.memory_kib = header->params.memory_kib;
  const std::size_t first = seal::kHeaderSize + header->params.ChunkSize() + seal::kChunkOverhead;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadHiddenBytes(cover, static_cast<std::uint64_t>(facts.pixelOffset), sealed, 0, first);
  } catch (const FileFailure&) {
    return opened;  // kDamaged
  }
  // Pictures sealed before passwords were normalised hold the bytes as
  // typed; newer ones the composed form: the first that opens wins. Each
  // spelling costs a derivation, and the cap bounds them all together.
  const SealPasswordForms forms = PasswordForms(password);
  if (forms.opening.size() * header->params.WorkKib() > seal::kMaxWorkKib) {
    opened.status = OpenedSeal::Status::kUnacceptable;
    return opened;
  }
  if (progress) progress->Enter(RunStage::kKeyDerivation);
  for (const std::string& spelling : forms.opening) {
    opened.key = progress ? DeriveAside(spelling, header->params, header->salt, *progress)
                          : SealKey::Derive(spelling, header->params, header->salt);
    if (!opened.key) {
      opened.status = OpenedSeal::Status::kNoMemory;
      return opened;
    }
    try {
      Discard nowhere;
      UnsealingOutput probe(nowhere, *opened.key, sealed);
      probe.WriteAt(0, bytes);
      if (probe.layout() == seal::kNameLayout)
        opened.file_name = SafeFileName(probe.name());
      else
        opened.extension = probe.extension();
      opened.file_length = *plain_length - probe.lead_size();
    } catch (const SealBroken& broken) {
      opened.key.reset();
      if (broken.kind == SealBroken::Kind::kFirstChunk) {
        opened.status = OpenedSeal::Status::kWrongPassword;
        continue;
      }
      opened.status = OpenedSeal::Status::kDamaged;
      return opened;
    }
    opened.status = OpenedSeal::Status::kOpened;
    return opened;
  }
  return opened;
}

}  // namespace veil::codec
