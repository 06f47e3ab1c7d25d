#include "window/forms/form_dialog.h"

#include <cmath>

#include "codec/covers/bmp_layout.h"
#include "codec/covers/cover_kind.h"
#include "codec/picture.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/seal/password_strength.h"
#include "codec/seal/seal_password.h"
#include "codec/seal/wipe.h"
#include "codec/stealth/stealth_runs.h"
#include "files/file_failure.h"
#include "files/folder_of.h"
#include "files/path_kinds.h"
#include "files/same_file.h"
#include "platform/responsive_wait.h"
#include "window/commands/command_texts.h"
#include "window/forms/form_messages.h"
#include "window/forms/form_names.h"
#include "window/forms/form_texts.h"

namespace veil::forms {
namespace {

namespace t = texts::forms;

std::string_view StageText(codec::RunStage stage) {
  switch (stage) {
    case codec::RunStage::kReading: return t::kStageReading;
    case codec::RunStage::kKeyDerivation: return t::kStageKey;
    case codec::RunStage::kCosts: return t::kStageCosts;
    case codec::RunStage::kCode: return t::kStageCode;
    case codec::RunStage::kWriting: return t::kStageWriting;
    case codec::RunStage::kReadingBack: return t::kStageReadingBack;
  }
  return {};
}

std::string_view LevelText(codec::PasswordLevel level) {
  switch (level) {
    case codec::PasswordLevel::kVeryWeak: return t::kStrengthVeryWeak;
    case codec::PasswordLevel::kWeak: return t::kStrengthWeak;
    case codec::PasswordLevel::kFair: return t::kStrengthFair;
    case codec::PasswordLevel::kStrong: return t::kStrengthStrong;
  }
  return {};
}

std::string CapacityText(std::uint64_t bytes) {
  if (bytes == 0) return std::string(t::kNoCapacity);
  return std::string(t::kCapacityPrefix) + std::to_string(bytes) + std::string(t::kCapacitySuffix);
}

// The parts of a path: the folder with its separator, the name without
// its extension, and the extension with its dot.
struct PathParts {
  std::string folder, stem, extension;
};
PathParts Split(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  PathParts parts;
  parts.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  parts.stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  parts.extension = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
  return parts;
}

}  // namespace

FormDialog::FormDialog(FormTask task, WindowPlatform platform, FormCosts costs, std::string initial_picture)
    : task_(task), platform_(platform), costs_(costs), initial_picture_(std::move(initial_picture)) {}

std::string FormDialog::Text(std::string_view control) { return GetText(Controls(), control, prop::kText); }

void FormDialog::SetText(std::string_view control, const std::string& text) {
  SetProperty(Controls(), control, prop::kText, text);
}

void FormDialog::SetCaption(std::string_view control, const std::string& caption) {
  SetProperty(Controls(), control, prop::kCaption, caption);
}

int FormDialog::Show(std::string_view text, std::string_view title, int style) {
  return platform_.boxes.Show(text, title, style);
}

std::string FormDialog::DialogFolder() const {
  return cover_.empty() ? platform_.environment.PicturesFolder() : FolderOf(cover_);
}

void FormDialog::Opened(ui::DialogWindow& dialog) {
  dialog_ = &dialog;
  if (!initial_picture_.empty()) CoverChosen(initial_picture_);
}

void FormDialog::Click(std::string_view control) {
  if (Running()) {
    // While a run goes, Cancel asks it to stop; nothing else is taken.
    if (control == names::kFormCancel) {
      bridge_->RequestCancel();
      SetCaption(names::kFormStatus, std::string(t::kCancelling));
    }
    return;
  }
  if (control == names::kFormCancel) return dialog_->Close();
  if (control == names::kFormStart) return Start();
  if (control == names::kFormCoverBrowse) {
    const std::string_view title = task_ == FormTask::kSealedHide ? t::kChooseBmpTitle : t::kChoosePictureTitle;
    const std::string_view filter = task_ == FormTask::kSealedHide ? t::kBmpFilter : t::kPictureFilter;
    if (auto chosen = platform_.dialogs.OpenFile({std::string(title), std::string(filter), DialogFolder()}))
      CoverChosen(*chosen);
    return;
  }
  if (control == names::kFormPayloadBrowse) {
    if (auto chosen =
            platform_.dialogs.OpenFile({std::string(t::kChoosePayloadTitle), std::string(t::kAnyFilter), DialogFolder()}))
      PayloadChosen(*chosen);
    return;
  }
  if (control == names::kFormOutputBrowse) {
    const std::string current = Text(names::kFormOutput);
    const std::string folder = Hiding() ? FolderOf(current) : current;
    const std::string start = !folder.empty() && NamesFolder(folder) ? folder : DialogFolder();
    const std::string_view title = Hiding() ? t::kChooseOutputFolderTitle : t::kChooseExtractFolderTitle;
    if (auto chosen = platform_.dialogs.BrowseForFolder(std::string(title), start)) OutputFolderChosen(*chosen);
  }
}

bool FormDialog::TakesDrops(std::string_view control) const {
  return control == names::kFormCover || control == names::kFormOutput ||
         (Hiding() && control == names::kFormPayload);
}

void FormDialog::FileDropped(std::string_view control, const std::string& path) {
  if (Running()) return;
  if (control == names::kFormCover) return CoverChosen(path);
  if (control == names::kFormPayload && Hiding()) return PayloadChosen(path);
  if (control == names::kFormOutput) OutputFolderChosen(FolderOf(path));
}

void FormDialog::TextEdited(std::string_view control) {
  if (Hiding() && control == names::kFormPassword) ShowStrength();
}

void FormDialog::TextCommitted(std::string_view control) {
  if (Running() || control != names::kFormCover) return;
  const std::string typed = Text(names::kFormCover);
  if (!typed.empty() && typed != cover_) CoverChosen(typed);
}

bool FormDialog::CloseRequested() {
  if (!Running()) return true;
  bridge_->RequestCancel();
  SetCaption(names::kFormStatus, std::string(t::kCancelling));
  return false;
}

void FormDialog::CoverChosen(const std::string& path) {
  if (path.empty()) return;
  SetText(names::kFormCover, path);
  if (!InspectCover(path)) {
    cover_.clear();
    SetCaption(names::kFormCapacity, {});
    return;
  }
  cover_ = path;
  const std::string output = Text(names::kFormOutput);
  if (Hiding()) {
    // A name the user typed stays; the one suggested for the last cover follows the new one.
    if (output.empty() || output == suggested_output_) {
      suggested_output_ = SuggestedOutput(path);
      SetText(names::kFormOutput, suggested_output_);
    }
  } else if (output.empty()) {
    SetText(names::kFormOutput, FolderOf(path));
  }
}

bool FormDialog::InspectCover(const std::string& path) {
  try {
    const auto picture = platform_.files.opener()(path, OpenMode::kReadOnly);
    const codec::CoverKind kind = codec::ReadCoverKind(*picture);
    const bool usable_kind =
        kind == codec::CoverKind::kBmp || kind == codec::CoverKind::kPng || kind == codec::CoverKind::kJpeg;
    if (task_ == FormTask::kSealedHide) {
      const carrier::BmpReading reading = carrier::ReadBmpLayout(*picture);
      if (!reading.IsCover()) {
        Show(t::kNotBmpCover, t::kErrorTitle, kStyleStop);
        return false;
      }
      if (carrier::ReadCarrierFacts(*picture).HoldsFile()) {
        Show(t::kCoverHoldsFile, t::kErrorTitle, kStyleStop);
        return false;
      }
      const std::uint64_t room = carrier::Fits(*reading.layout, 0) ? carrier::CapacityBytes(*reading.layout) : 0;
      // The name's byte of length is counted here; the name itself with the file.
      SetCaption(names::kFormCapacity, CapacityText(codec::LargestSealedFile(room, costs_.seal, 1).value_or(0)));
      return true;
    }
    if (!usable_kind) {
      Show(std::string(t::kNotStealthCover) + codec::LossyCoverReason(kind).value_or(codec::CoverKindName(kind)),
           t::kErrorTitle, kStyleStop);
      return false;
    }
    if (task_ == FormTask::kOpen) {
      const codec::Picture seen = codec::ReadPicture(*picture);
      switch (seen.holds) {
        case codec::Picture::Holds::kPlain: Show(t::kHoldsPlain, t::kErrorTitle, kStyleStop); return false;
        case codec::Picture::Holds::kForeign: Show(t::kHoldsForeign, t::kErrorTitle, kStyleStop); return false;
        case codec::Picture::Holds::kSealed: SetCaption(names::kFormCapacity, std::string(t::kHoldsSealed)); break;
        case codec::Picture::Holds::kNoMarker:
          SetCaption(names::kFormCapacity, std::string(t::kHoldsNoMarker));
          break;
      }
      return true;
    }
    if (kind == codec::CoverKind::kBmp && carrier::ReadCarrierFacts(*picture).HoldsFile()) {
      Show(t::kCoverHoldsFile, t::kErrorTitle, kStyleStop);
      return false;
    }
    // Measuring reads and costs every sample: aside, with the window repainting.
    SetCaption(names::kFormCapacity, std::string(t::kMeasuring));
    RawFile& file = *picture;
    const codec::StealthCapacity capacity =
        WaitResponsively(platform_.pump, [&file] { return codec::MeasureStealthCapacity(file); });
    if (!capacity.refusal.empty()) {
      Show(std::string(t::kNotStealthCover) + capacity.refusal, t::kErrorTitle, kStyleStop);
      return false;
    }
    if (!capacity.coefficients && capacity.traces.WasJpeg()) {
      Show(t::kWasJpegCover, t::kErrorTitle, kStyleStop);
      return false;
    }
    SetCaption(names::kFormCapacity,
               capacity.too_flat ? std::string(t::kTooFlatCapacity) : CapacityText(capacity.largest_file));
    return true;
  } catch (const FileFailure&) {
    Show(texts::kCannotReadPicture, t::kErrorTitle, kStyleStop);
    return false;
  }
}

void FormDialog::PayloadChosen(const std::string& path) {
  payload_ = path;
  SetText(names::kFormPayload, path);
}

void FormDialog::OutputFolderChosen(const std::string& folder) {
  if (folder.empty()) return;
  const char separator = platform_.environment.PathSeparator();
  if (!Hiding()) return SetText(names::kFormOutput, folder);
  std::string name = Split(Text(names::kFormOutput)).stem + Split(Text(names::kFormOutput)).extension;
  if (name.empty()) name = Split(SuggestedOutput(cover_.empty() ? std::string("picture.bmp") : cover_)).stem +
                           Split(SuggestedOutput(cover_.empty() ? std::string("picture.bmp") : cover_)).extension;
  const std::string output = folder + (folder.back() == separator ? "" : std::string(1, separator)) + name;
  SetText(names::kFormOutput, output);
}

std::string FormDialog::SuggestedOutput(const std::string& cover) const {
  const PathParts parts = Split(cover);
  const bool sealed = task_ == FormTask::kSealedHide;
  return parts.folder + parts.stem + (sealed ? "_sealed" : "_stealth") +
         (parts.extension.empty() || sealed ? std::string(".bmp") : parts.extension);
}

void FormDialog::ShowStrength() {
  std::string password = Text(names::kFormPassword);
  const codec::WipeOnExit wipe(password);
  if (password.empty()) return SetCaption(names::kFormStrength, {});
  const auto strength = codec::EstimatePasswordStrength(password);
  if (!strength) return SetCaption(names::kFormStrength, std::string(t::kStrengthUnknown));
  SetCaption(names::kFormStrength, std::string(t::kStrengthPrefix) + std::string(LevelText(strength->level)) +
                                       std::string(t::kGuessesPrefix) +
                                       std::to_string(std::lround(strength->Log10Guesses())) +
                                       std::string(t::kGuessesSuffix));
}

void FormDialog::Start() {
  // A path typed but not yet committed counts as chosen.
  const std::string typed = Text(names::kFormCover);
  if (!typed.empty() && typed != cover_) {
    CoverChosen(typed);
    if (cover_.empty()) return;  // refused, and said why
  }
  if (!Hiding()) return Open();
  if (auto job = CheckedHide()) Hide(*job);
}

bool FormDialog::MayWrite(const std::string& path, const std::string& cover) {
  if (SameFile(path, cover)) {
    Show(std::string(t::kOutputIsCover), t::kErrorTitle, kStyleStop);
    return false;
  }
  // Enter keeps the existing file.
  return !NamesRegularFile(path) ||
         Show(std::string(t::kOutputExists) + path, t::kWarningTitle, kStyleQuestionYesNoDefaultNo) == kAnswerYes;
}

std::optional<HideJob> FormDialog::CheckedHide() {
  HideJob job;
  job.cover = cover_;
  job.payload = Text(names::kFormPayload);
  job.output = Text(names::kFormOutput);
  job.password = Text(names::kFormPassword);
  std::string confirm = Text(names::kFormConfirm);
  const codec::WipeOnExit wipe(confirm);
  auto refuse = [this](std::string_view text) {
    Show(text, t::kErrorTitle, kStyleStop);
    return std::nullopt;
  };
  if (job.cover.empty()) return refuse(t::kNoCover);
  if (job.payload.empty()) return refuse(t::kNoPayload);
  if (job.output.empty()) return refuse(t::kNoOutput);
  if (job.password.empty()) return refuse(t::kNoPassword);
  if (job.password != confirm) return refuse(t::kPasswordsDiffer);
  if (!codec::PasswordForms(job.password).utf8) return refuse(t::kPasswordNotText);
  if (SameFile(job.payload, job.cover)) return refuse(t::kPayloadIsCover);
  if (!MayWrite(job.output, job.cover)) return std::nullopt;
  const auto strength = codec::EstimatePasswordStrength(job.password);
  if (strength && strength->level == codec::PasswordLevel::kVeryWeak &&
      Show(t::kVeryWeakQuestion, t::kWarningTitle, kStyleQuestionYesNoDefaultNo) != kAnswerYes)
    return std::nullopt;
  job.extension = carrier::StoredExtension(job.payload).value_or(std::string(carrier::kFallbackExtension));
  return job;
}

template <typename Work>
auto FormDialog::RunWithProgress(Work&& work) {
  bridge_ = std::make_unique<RunBridge>();
  RunBridge& bridge = *bridge_;
  SetProperty(Controls(), names::kFormStart, prop::kEnabled, false);
  SetProperty(Controls(), names::kFormProgress, prop::kValue, 0.0);
  ShowProgress();
  return RunAside(
      platform_.pump, [this] { ShowProgress(); }, [&work, &bridge] { return work(bridge); });
}

void FormDialog::ShowProgress() {
  if (!bridge_) return;
  SetProperty(Controls(), names::kFormProgress, prop::kValue, std::floor(bridge_->Fraction() * 100));
  SetCaption(names::kFormStatus,
             std::string(bridge_->CancelRequested() ? t::kCancelling : StageText(bridge_->Stage())));
}

void FormDialog::EndOfRun(bool completed) {
  bridge_.reset();
  SetProperty(Controls(), names::kFormProgress, prop::kValue, completed ? 100.0 : 0.0);
  SetCaption(names::kFormStatus, {});
  SetProperty(Controls(), names::kFormStart, prop::kEnabled, true);
}

void FormDialog::Hide(const HideJob& job) {
  const FormTask task = task_;
  const FormCosts costs = costs_;
  const OutputFile::Opener opener = platform_.files.opener();
  const codec::RunResult result = RunWithProgress([&job, task, costs, opener](RunBridge& bridge) {
    return task == FormTask::kSealedHide ? RunSealedHide(job, costs, opener, bridge)
                                         : RunStealthHide(job, costs, opener, bridge);
  });
  EndOfRun(result.ok());
  if (result.status == codec::RunStatus::kCancelled) {
    Show(t::kCancelled, t::kCancelledTitle, kStyleInformation);
    return;
  }
  if (!result.ok()) {
    Show(DescribeFailure(result, false), t::kErrorTitle, kStyleStop);
    return;
  }
  Show(std::string(t::kHideDone) + job.output + std::string(task == FormTask::kStealthHide ? t::kStealthCoverNote : ""),
       t::kDoneTitle, kStyleInformation);
  dialog_->Close();
}

void FormDialog::Open() {
  std::string folder = Text(names::kFormOutput);
  std::string password = Text(names::kFormPassword);
  const codec::WipeOnExit wipe_password(password);
  if (cover_.empty()) return void(Show(t::kNoPicture, t::kErrorTitle, kStyleStop));
  if (folder.empty()) return void(Show(t::kNoFolder, t::kErrorTitle, kStyleStop));
  if (password.empty()) return void(Show(t::kNoPassword, t::kErrorTitle, kStyleStop));

  const std::string picture = cover_;
  const FormCosts costs = costs_;
  const OutputFile::Opener opener = platform_.files.opener();
  OpenedFile opened = RunWithProgress([&picture, &password, costs, opener](RunBridge& bridge) {
    return RunOpen(picture, password, costs, opener, bridge);
  });
  const codec::WipeOnExit wipe_file(opened.file);
  EndOfRun(opened.result.ok());
  if (opened.result.status == codec::RunStatus::kCancelled) {
    Show(t::kCancelled, t::kCancelledTitle, kStyleInformation);
    return;
  }
  if (!opened.result.ok()) {
    Show(DescribeFailure(opened.result, opened.sealed), t::kErrorTitle, kStyleStop);
    return;
  }

  const char separator = platform_.environment.PathSeparator();
  if (folder.back() != separator) folder.push_back(separator);
  const std::string path =
      folder + (opened.file_name.empty() ? Split(picture).stem + "." + opened.extension : opened.file_name);
  if (!MayWrite(path, picture)) return;
  try {
    OutputFile output = OutputFile::Open(path, opener);
    if (!opened.file.empty()) output.File().WriteAt(0, opened.file);
    output.Commit();
  } catch (const FileFailure& failure) {
    Show(DescribeFailure(codec::IoFailure(failure), false), t::kErrorTitle, kStyleStop);
    return;
  }
  Show(std::string(t::kOpenDone) + path, t::kDoneTitle, kStyleInformation);
  dialog_->Close();
}

}  // namespace veil::forms
