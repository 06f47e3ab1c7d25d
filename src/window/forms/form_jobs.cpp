#include "window/forms/form_jobs.h"

#include <memory>

#include "codec/picture.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/plain/sealed_picture.h"
#include "codec/progress/run_progress.h"
#include "codec/seal/derivation_aside.h"
#include "codec/seal/seal_password.h"
#include "codec/seal/wipe.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "files/safe_file_name.h"
#include "window/forms/run_bridge.h"

namespace veil::forms {
namespace {

using codec::RunStage;
using codec::RunStatus;

std::vector<std::uint8_t> ReadWhole(RawFile& file) {
  std::vector<std::uint8_t> bytes(file.Size());
  ReadExactly(file, 0, bytes);
  return bytes;
}

codec::RunResult FromOpenedSeal(const codec::OpenedSeal& opened) {
  switch (opened.status) {
    case codec::OpenedSeal::Status::kOpened: return {RunStatus::kCompleted};
    case codec::OpenedSeal::Status::kWrongPassword: return {RunStatus::kWrongPassword};
    case codec::OpenedSeal::Status::kUnacceptable: return {RunStatus::kUnacceptableSeal};
    case codec::OpenedSeal::Status::kNoMemory: {
      codec::RunResult result{RunStatus::kKeyMemory};
      result.key_memory_kib = opened.memory_kib;
      return result;
    }
    case codec::OpenedSeal::Status::kDamaged: break;
  }
  return {RunStatus::kDamaged};
}

// The hidden file of a sealed picture, opened with the password: the file
// and its name (or, in older pictures, its extension), or why not.
codec::RunResult OpenSealedFile(RawFile& picture, const std::string& password, codec::RunObserver& observer,
                                std::string& extension, std::string& file_name, std::vector<std::uint8_t>& file) {
  const carrier::CarrierFacts facts = carrier::ReadCarrierFacts(picture);
  PartOfRun deriving(observer, 0, 0.5);
  codec::RunProgress progress(deriving, {RunStage::kKeyDerivation});
  codec::OpenedSeal opened;
  try {
    opened = codec::OpenSeal(picture, facts, password, &progress);
  } catch (const codec::RunCancelled&) {
    return {RunStatus::kCancelled};
  }
  if (opened.status != codec::OpenedSeal::Status::kOpened) return FromOpenedSeal(opened);
  if (observer.CancelRequested()) return {RunStatus::kCancelled};
  auto bytes = std::make_shared<std::vector<std::uint8_t>>();
  MemoryFile output(bytes);
  PartOfRun extracting(observer, 0.5, 1);
  codec::RunResult result = codec::Extract({picture, output, std::nullopt, &*opened.key}, extracting);
  if (!result.ok()) {
    codec::Wipe(*bytes);
    return result;
  }
  extension = opened.extension;
  file_name = opened.file_name.value_or(std::string());
  file = std::move(*bytes);
  return result;
}

}  // namespace

codec::RunResult RunSealedHide(const HideJob& job, const FormCosts& costs, const OutputFile::Opener& opener,
                               codec::RunObserver& observer) {
  try {
    observer.Advanced(RunStage::kReading, 0);
    const auto cover = opener(job.cover, OpenMode::kLockedRead);
    const auto payload = opener(job.payload, OpenMode::kReadOnly);
    const codec::SealPasswordForms forms = codec::PasswordForms(job.password);
    if (!forms.utf8) return {RunStatus::kPasswordNotText};
    PartOfRun deriving(observer, 0.02, 0.35);
    codec::RunProgress progress(deriving, {RunStage::kKeyDerivation});
    std::optional<codec::SealKey> key;
    try {
      progress.Enter(RunStage::kKeyDerivation);
      key = codec::DeriveAside(forms.sealing, costs.seal, std::nullopt, progress);
    } catch (const codec::RunCancelled&) {
      return {RunStatus::kCancelled};
    }
    if (!key) return {RunStatus::kKeyMemory};
    if (observer.CancelRequested()) return {RunStatus::kCancelled};

    OutputFile output = OutputFile::Open(job.output, opener);
    PartOfRun writing(observer, 0.35, 0.55);
    const std::string name = SafeFileName(job.payload);
    codec::EmbedRequest request{*cover, *payload, &output.File(), job.extension, std::nullopt, &*key};
    request.file_name = name;
    codec::RunResult result = codec::Embed(request, writing);
    if (!result.ok()) return result;
    if (observer.CancelRequested()) return {RunStatus::kCancelled};

    // The written picture must give the file back with the password typed.
    observer.Advanced(RunStage::kReadingBack, 0.55);
    PartOfRun reading_back(observer, 0.55, 1);
    std::string extension, file_name;
    std::vector<std::uint8_t> file;
    const codec::WipeOnExit wipe(file);
    const codec::RunResult back =
        OpenSealedFile(output.File(), job.password, reading_back, extension, file_name, file);
    if (back.status == RunStatus::kCancelled) return back;
    if (!back.ok() || file_name != name || file != ReadWhole(*payload)) return {RunStatus::kNotReadBack};
    if (observer.CancelRequested()) return {RunStatus::kCancelled};
    output.Commit();
    observer.Advanced(RunStage::kReadingBack, 1);
    return result;
  } catch (const FileFailure& failure) {
    return codec::IoFailure(failure);
  }
}

codec::RunResult RunStealthHide(const HideJob& job, const FormCosts& costs, const OutputFile::Opener& opener,
                                codec::RunObserver& observer) {
  try {
    observer.Advanced(RunStage::kReading, 0);
    const auto cover = opener(job.cover, OpenMode::kLockedRead);
    const auto payload = opener(job.payload, OpenMode::kReadOnly);
    OutputFile output = OutputFile::Open(job.output, opener);
    codec::StealthHideRequest request{*cover, *payload, output.File(), job.extension, job.password};
    request.file_name = SafeFileName(job.payload);
    request.costs = costs.stealth;
    codec::RunResult result = codec::HideStealth(request, observer);
    if (!result.ok()) return result;
    if (observer.CancelRequested()) return {RunStatus::kCancelled};
    output.Commit();
    observer.Advanced(RunStage::kReadingBack, 1);
    return result;
  } catch (const FileFailure& failure) {
    return codec::IoFailure(failure);
  }
}

OpenedFile RunOpen(const std::string& picture_path, const std::string& password, const FormCosts& costs,
                   const OutputFile::Opener& opener, codec::RunObserver& observer) {
  OpenedFile opened;
  try {
    observer.Advanced(RunStage::kReading, 0);
    const auto picture = opener(picture_path, OpenMode::kLockedRead);
    const codec::Picture seen = codec::ReadPicture(*picture);
    if (seen.holds == codec::Picture::Holds::kSealed) {
      opened.sealed = true;
      opened.result =
          OpenSealedFile(*picture, password, observer, opened.extension, opened.file_name, opened.file);
    } else {
      codec::OpenedStealth stealth = codec::OpenStealth({*picture, password, costs.stealth}, observer);
      opened.result = std::move(stealth.result);
      opened.extension = std::move(stealth.extension);
      opened.file_name = stealth.file_name.value_or(std::string());
      opened.file = std::move(stealth.file);
    }
  } catch (const FileFailure& failure) {
    opened.result = codec::IoFailure(failure);
  }
  if (opened.result.ok() && observer.CancelRequested()) opened.result = {RunStatus::kCancelled};
  if (!opened.result.ok()) {
    codec::Wipe(opened.file);
    opened.file.clear();
    return opened;
  }
  opened.extension = carrier::SafeExtension(opened.extension);
  observer.Advanced(RunStage::kWriting, 1);
  return opened;
}

}  // namespace veil::forms
