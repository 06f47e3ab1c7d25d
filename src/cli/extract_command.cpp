#include <optional>
#include <ostream>

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "cli/cover_kinds.h"
#include "cli/output_checks.h"
#include "cli/passwords.h"
#include "cli/picture_checks.h"
#include "cli/stealth_options.h"
#include "codec/picture.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/run_checks.h"
#include "codec/plain/plain_weights.h"
#include "codec/plain/runs.h"
#include "codec/seal/derivation_aside.h"
#include "codec/seal/wipe.h"
#include "codec/stealth/stealth_runs.h"
#include "messages/run_description.h"

namespace veil::cli {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The password to open the picture with, when it has one.
std::optional<std::string> Password(const Arguments& args, CliSession& session, const std::string& picture,
                                    RawFile& cover, const carrier::CarrierFacts& facts,
                                    std::optional<std::string> given) {
  if (!facts.HasPassword() && !facts.IsSealed()) {
    if (given) session.env.err << "veilwright-cli: warning: " << picture << " has no password; it is ignored\n";
    return std::nullopt;
  }
  if (facts.IsSealed()) WarnOfVisiblePassword(args, session);
  if (!given)
    given = AskPassword(session, "Password for " + picture + ": ",
                        picture + ": is " + (facts.IsSealed() ? "sealed" : "protected by a password") +
                            "; give it with --password or --password-file");
  if (auto refusal = codec::PasswordRefusal(cover, facts, given)) throw CliFailure(DescribeRun(*refusal, picture, {}));
  return given;
}

// The key that opens a sealed picture, and the name or extension it holds.
codec::OpenedSeal OpenSealed(const std::string& picture, RawFile& cover, const carrier::CarrierFacts& facts,
                             const std::string& password, CliSession& session, codec::RunProgress& progress) {
  // A picture may ask far more than new seals do (within the limits): say
  // why the wait is long before it starts.
  if (const auto header = codec::ReadSealHeader(cover, facts);
      header && header->Acceptable() && codec::AsksMoreThanDefault(header->params))
    session.env.err << "veilwright-cli: deriving the key (" << header->params.operations << " passes over "
                    << (header->params.memory_kib % 1024 == 0
                            ? std::to_string(header->params.memory_kib / 1024) + " MiB"
                            : std::to_string(header->params.memory_kib) + " KiB")
                    << ")\n";
  codec::OpenedSeal opened = codec::OpenSeal(cover, facts, password, &progress);
  codec::RunResult refusal;
  switch (opened.status) {
    case codec::OpenedSeal::Status::kOpened: return opened;
    case codec::OpenedSeal::Status::kWrongPassword: refusal = {codec::RunStatus::kSealBroken}; break;
    case codec::OpenedSeal::Status::kUnacceptable: refusal = {codec::RunStatus::kUnacceptableSeal}; break;
    case codec::OpenedSeal::Status::kNoMemory:
      throw CliFailure(picture + ": its key derivation needs " + std::to_string((opened.memory_kib + 1023) / 1024) +
                       " MiB of memory, which this program could not have; nothing was written");
    case codec::OpenedSeal::Status::kDamaged:
      throw CliFailure(picture + ": damaged: its sealed data's header does not hold up");
  }
  throw CliFailure(DescribeRun(refusal, picture, {}));
}

// The name an extracted file takes in the output folder: the one a sealed
// or stealth picture stores (made safe when it was opened), else "output."
// and the stored extension.
struct StoredName {
  std::optional<std::string> file_name;
  std::string extension;
  std::string InFolder() const { return file_name ? *file_name : "output." + carrier::SafeExtension(extension); }
};

std::string DestinationFor(const Arguments& args, const StoredName& stored) {
  if (auto path = args.Option("--output")) return *path;
  std::string folder = args.Option("--output-dir").value_or(".");
  if (!folder.empty() && folder.back() != '/' && folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder + stored.InFolder();
}

// Where an extraction writes: standard output (`--output -`), or a new file
// that takes the place of the named one only once it is whole.
class Destination {
 public:
  Destination(const Arguments& args, CliSession& session, const StoredName& stored)
      : to_stdout_(args.Option("--output") == "-"),
        name_(to_stdout_ ? "standard output" : DestinationFor(args, stored)) {
    if (to_stdout_) {
      stream_ = OpenStreamSink(session.env.stdout_fd, name_);
      return;
    }
    CheckExtractedOutput({name_, args.Option("--output").has_value(), args.Flag("--force")}, args.positionals[0]);
    output_.emplace(OutputFile::Open(name_, session.env.opener));
  }

  RawFile& File() { return stream_ ? *stream_ : output_->File(); }
  void Commit() {
    if (output_) output_->Commit();
  }
  const std::string& Name() const { return name_; }
  // What the command says goes to standard error when the file itself
  // goes to standard output.
  std::ostream& Notes(CliSession& session) const { return to_stdout_ ? session.env.err : session.env.out; }

 private:
  bool to_stdout_;
  std::string name_;
  std::optional<OutputFile> output_;
  std::unique_ptr<RawFile> stream_;
};

// The stealth form: the password finds the file or nothing; what it finds
// is authenticated whole before a byte is written.
int ExtractStealthFile(const Arguments& args, CliSession& session, const std::string& picture, RawFile& cover,
                       std::optional<std::string> password) {
  if (args.Flag("--clear")) throw UsageError("--clear wipes a marker; a stealth picture has none");
  WarnOfVisiblePassword(args, session);
  if (!password)
    password = AskPassword(session, "Password for " + picture + ": ",
                           picture + ": the stealth form needs a password; give it with --password or --password-file");
  const codec::WipeOnExit wipe_password(*password);
  codec::OpenedStealth opened = codec::OpenStealth({cover, *password}, session.progress);
  const codec::WipeOnExit wipe_file(opened.file);
  session.progress.Finish();
  if (!opened.result.ok()) throw CliFailure(DescribeRun(opened.result, picture, {}));

  Destination destination(args, session, {opened.file_name, opened.extension});
  if (!opened.file.empty()) destination.File().WriteAt(0, opened.file);
  destination.Commit();
  destination.Notes(session) << picture << ": extracted " << opened.file.size() << " bytes to " << destination.Name()
                             << "\n";
  return kExitSuccess;
}

}  // namespace

int ExtractCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  if (args.Option("--output") && args.Option("--output-dir"))
    throw UsageError("give --output or --output-dir, not both");
  const bool clear = args.Flag("--clear");
  // A named output is judged before any password is asked.
  if (const auto named = args.Option("--output"); named && *named != "-")
    CheckExtractedOutput({*named, true, args.Flag("--force")}, picture);

  // One handle, held through the extraction and the wipe.
  const auto cover =
      session.Open(picture, clear && !args.Flag("--stealth") ? OpenMode::kLockedReadWrite : OpenMode::kLockedRead);
  ReadCoverKindOrRefuse(picture, *cover);
  const codec::Picture seen = codec::ReadPicture(*cover);
  RefuseLossyCover(picture, seen.kind);
  auto given = GivenPassword(args, session);
  const codec::Form form = codec::FormToOpen(seen, args.Flag("--stealth"), given.has_value(), clear);
  if (form == codec::Form::kStealth) return ExtractStealthFile(args, session, picture, *cover, std::move(given));
  const carrier::CarrierFacts& facts = seen.facts;
  RequireReadableHiddenFile(picture, facts);
  const auto password = Password(args, session, picture, *cover, facts, std::move(given));
  // A sealed extraction is one run for the progress: its key, then the file.
  codec::RunProgress progress(session.progress,
                              {codec::RunStage::kReading, codec::RunStage::kKeyDerivation, codec::RunStage::kWriting});
  std::optional<codec::OpenedSeal> sealed;
  if (facts.IsSealed()) {
    if (const auto header = codec::ReadSealHeader(*cover, facts)) {
      progress.Weigh(codec::RunStage::kReading, codec::kCheckSeconds);
      progress.Weigh(codec::RunStage::kKeyDerivation, codec::ExpectedDerivationSeconds(header->params));
      progress.Weigh(codec::RunStage::kWriting, codec::WritingSeconds(facts.HiddenLength()));
    }
    sealed = OpenSealed(picture, *cover, facts, *password, session, progress);
  }

  Destination destination(args, session,
                          sealed ? StoredName{sealed->file_name, sealed->extension} : StoredName{{}, facts.extension});
  const codec::RunResult result =
      codec::Extract({*cover, destination.File(), password, sealed ? &*sealed->key : nullptr,
                      sealed ? &progress : nullptr},
                     session.progress);
  session.progress.Finish();
  if (!result.ok())
    throw CliFailure(picture + ": extraction failed: " + DescribeRun(result, picture, destination.Name()));
  destination.Commit();

  std::ostream& note = destination.Notes(session);
  note << picture << ": extracted " << result.bytes << " bytes to " << destination.Name() << "\n";
  if (clear) {
    codec::ClearHiddenFile(*cover);
    note << picture << ": cleared: the hidden file is overwritten with random bits, and the picture holds none\n";
  }
  return kExitSuccess;
}

int ClearCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const auto cover = session.Open(picture, OpenMode::kLockedReadWrite);
  if (const auto kind = ReadCoverKindOrRefuse(picture, *cover); codec::CarriesOnlyStealth(kind))
    throw CliFailure(picture + ": a " + codec::CoverKindName(kind) +
                     " picture holds no marked file to clear: it can carry only a stealth file, which has no "
                     "marker; to be rid of one, delete the picture");
  // Only a cover is changed: the same test as a hiding's, so that an icon
  // or a compressed picture never has bytes 6-9 zeroed.
  RequireCover(picture, *cover);
  const auto facts = carrier::ReadCarrierFacts(*cover);
  if (!facts.HoldsFile()) {
    session.env.out << picture << ": holds no hidden file; nothing to clear\n";
    return kExitSuccess;
  }
  codec::ClearHiddenFile(*cover);
  session.env.out << picture
                  << ": cleared: the hidden file is overwritten with random bits, and the picture holds none\n";
  return kExitSuccess;
}

}  // namespace veil::cli
