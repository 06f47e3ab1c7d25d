#include <filesystem>
#include <ostream>

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "cli/cover_kinds.h"
#include "cli/output_checks.h"
#include "cli/passwords.h"
#include "cli/payload_extension.h"
#include "cli/picture_checks.h"
#include "cli/stealth_options.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/plain_weights.h"
#include "codec/plain/runs.h"
#include "codec/seal/derivation_aside.h"
#include "files/memory_file.h"
#include "files/safe_file_name.h"
#include "messages/run_description.h"

namespace veil::cli {
namespace {

void RequireStorablePassword(const std::optional<std::string>& password) {
  if (password && !carrier::IsStorablePassword(*password))
    throw CliFailure(DescribeRun({codec::RunStatus::kPasswordNotStorable}, {}, {}));
}

// The file to hide. Anything but a regular file (a FIFO, "<(...)", a
// device) tells its length only at its end: it is read to its end, or to
// one byte more than any picture holds, and hidden from memory.
std::unique_ptr<RawFile> OpenPayload(const std::string& path, CliSession& session) {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error) || !std::filesystem::exists(path, error))
    return session.Open(path, OpenMode::kReadOnly);
  const auto stream = session.Open(path, OpenMode::kReadStream);
  auto bytes = std::make_shared<std::vector<std::uint8_t>>(ReadFront(*stream, carrier::kMaxHiddenLength + 1));
  if (bytes->size() > carrier::kMaxHiddenLength)
    throw CliFailure(path + " gives more than 16777215 bytes; a picture can hold a file of at most 16777215 bytes");
  return std::make_unique<MemoryFile>(std::move(bytes));
}

}  // namespace

int HideCommand(const Arguments& args, CliSession& session) {
  if (args.Flag("--stealth")) return StealthHide(args, session);
  if (args.Flag("--allow-decoded-jpeg")) throw UsageError("--allow-decoded-jpeg is for the stealth form (--stealth)");
  if (args.Option("--max-rate")) throw UsageError("--max-rate is for the stealth form (--stealth)");
  if (args.Flag("--weak-password") && !args.Flag("--seal"))
    throw UsageError("--weak-password is for the sealed and stealth forms (--seal, --stealth)");
  const std::string& picture = args.positionals[0];
  const std::string& payload_path = args.positionals[1];
  const bool sealing = args.Flag("--seal");
  auto password = GivenPassword(args, session);
  const auto copy = args.Option("--output");
  if (!sealing) RequireStorablePassword(password);
  if (sealing) WarnOfVisiblePassword(args, session);
  if (copy) CheckCopyOutput({*copy, true, args.Flag("--force")}, picture, payload_path, session);

  // With --output the picture is only read: the marked copy is written in
  // one pass, and takes its name only once it is complete.
  const bool in_place = !copy;
  const auto cover = session.Open(picture, in_place ? OpenMode::kLockedReadWrite : OpenMode::kLockedRead);
  // A sealed hide is one run for the progress: its key, then the groups.
  codec::RunProgress progress(session.progress,
                              {codec::RunStage::kReading, codec::RunStage::kKeyDerivation, codec::RunStage::kWriting});
  const auto kind = ReadCoverKindOrRefuse(picture, *cover);
  RefuseLossyCover(picture, kind);
  RefuseStealthOnlyKind(picture, kind);
  const carrier::BmpLayout layout = RequireCover(picture, *cover);
  const auto facts = carrier::ReadCarrierFacts(*cover);
  if (facts.HoldsFile()) {
    codec::RunResult marked{codec::RunStatus::kAlreadyHoldsFile};
    marked.marker = facts.marker;
    throw CliFailure(DescribeRun(marked, picture, {}));
  }

  const auto payload = OpenPayload(payload_path, session);
  const std::uint64_t length = payload->Size();
  if (length > carrier::kMaxHiddenLength)
    throw CliFailure(payload_path + " is " + std::to_string(length) +
                     " bytes; a picture can hold a file of at most 16777215 bytes");

  // The sealed form keeps the file's own name; the plain form three letters.
  const std::string name = SafeFileName(payload_path);
  const std::string extension = sealing ? std::string() : PayloadExtension(payload_path, session);

  // The key comes from the password before anything is written: a sealed
  // picture that no password opens is never made.
  std::optional<codec::SealKey> key;
  if (sealing) {
    if (!password)
      password = AskNewPassword(session, picture +
                                             ": a sealed picture needs a password; give it with "
                                             "--password or --password-file");
    if (password->empty()) throw CliFailure("a sealed picture needs a password that is not empty");
    JudgeNewPassword(*password, args, session);
    const codec::SealParams params = codec::DefaultSealParams();
    progress.Weigh(codec::RunStage::kReading, codec::kCheckSeconds);
    progress.Weigh(codec::RunStage::kKeyDerivation, codec::ExpectedDerivationSeconds(params));
    progress.Weigh(codec::RunStage::kWriting, codec::WritingSeconds(codec::SealedLength(length, params)));
    progress.Enter(codec::RunStage::kReading);
    progress.Enter(codec::RunStage::kKeyDerivation);
    key = codec::DeriveAside(SealingPassword(*password), params, std::nullopt, progress);
    if (!key) throw CliFailure("there is not enough memory to derive the key from the password");
  }
  const std::uint64_t needed = sealing ? codec::SealedLength(length, key->params(), 1 + name.size()) : length;
  std::optional<OutputFile> output;
  if (!in_place && carrier::Fits(layout, needed)) output.emplace(OutputFile::Open(*copy, session.env.opener));
  codec::EmbedRequest request{*cover, *payload, output ? &output->File() : nullptr, extension,
                              sealing ? std::nullopt : password, key ? &*key : nullptr};
  if (sealing) request.file_name = name;
  if (sealing) request.progress = &progress;
  const codec::RunResult result = codec::Embed(request, session.progress);
  session.progress.Finish();
  const std::string shown = in_place ? picture : *copy;
  if (!result.ok()) {
    if (result.status == codec::RunStatus::kTooLarge) throw CliFailure(DescribeRun(result, picture, payload_path));
    throw CliFailure(shown + ": " + DescribeRun(result, picture, payload_path));
  }
  if (output) output->Commit();

  session.env.out << shown << ": hid " << payload_path << " (" << length << " bytes, stored as "
                  << (sealing ? "\"" + name + "\", sealed"
                      : password ? "." + extension + ", with a password"
                                 : "." + extension)
                  << ")\n";
  return kExitSuccess;
}

}  // namespace veil::cli
