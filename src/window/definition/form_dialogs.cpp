#include "window/definition/form_dialogs.h"

#include "window/forms/form_names.h"
#include "window/forms/form_texts.h"

namespace veil::ui {
namespace {

using K = ControlKind;
namespace t = texts::forms;

// Rows of a dialog: a label, a box, a browse button.
constexpr int kLabelLeft = 120, kLabelWidth = 960;
constexpr int kBoxLeft = 1200, kBoxWidth = 5400, kRowHeight = 330;
constexpr int kBrowseLeft = 6720, kBrowseWidth = 1320;
constexpr int kPasswordWidth = 2700;
constexpr int kDialogWidth = 8160;
constexpr int kFullWidth = kDialogWidth - 2 * kLabelLeft;

class DialogBuilder {
 public:
  explicit DialogBuilder(std::string_view caption, int height) {
    window_.caption = std::string(caption);
    window_.design_client_width = kDialogWidth;
    window_.design_client_height = height;
  }

  ControlSpec& Add(std::string_view name, K kind, std::string_view caption, int left, int top, int width, int height) {
    ControlSpec design;
    design.name = std::string(name);
    design.kind = kind;
    design.caption = std::string(caption);
    design.left = left;
    design.top = top;
    design.width = width;
    design.height = height;
    if (kind != K::kLabel && kind != K::kProgressBar) design.tab = next_tab_++;
    window_.controls.push_back(design);
    return window_.controls.back();
  }
  // A label whose text wraps within its place.
  void Note(std::string_view name, int left, int top, int width, int height) {
    Add(name, K::kLabel, "", left, top, width, height).word_wrap = true;
  }
  void FileRow(std::string_view label, std::string_view caption, std::string_view box, std::string_view button,
               DropTarget drop, int top) {
    Add(label, K::kLabel, caption, kLabelLeft, top + 60, kLabelWidth, 240);
    Add(box, K::kTextBox, "", kBoxLeft, top, kBoxWidth, kRowHeight).drop = drop;
    Add(button, K::kButton, t::kBrowse, kBrowseLeft, top, kBrowseWidth, kRowHeight);
  }
  void PasswordRow(std::string_view label, std::string_view caption, std::string_view box, int top) {
    Add(label, K::kLabel, caption, kLabelLeft, top + 60, kLabelWidth, 240);
    Add(box, K::kTextBox, "", kBoxLeft, top, kPasswordWidth, kRowHeight).masked = true;
  }
  // The progress, what the run does now, and the two buttons.
  void RunRows(std::string_view start, int top) {
    Add(names::kFormProgress, K::kProgressBar, "", kLabelLeft, top, kFullWidth, 270);
    Note(names::kFormStatus, kLabelLeft, top + 360, kFullWidth, 240);
    Add(names::kFormStart, K::kButton, start, 5400, top + 720, 1260, 420);
    Add(names::kFormCancel, K::kButton, t::kCancel, 6780, top + 720, 1260, 420);
    window_.default_button = std::string(names::kFormStart);
  }
  WindowSpec Done() { return std::move(window_); }

 private:
  WindowSpec window_;
  int next_tab_ = 0;
};

WindowSpec HideDialog(std::string_view caption) {
  using namespace names;
  DialogBuilder dialog(caption, 4140);
  dialog.FileRow(kFormCoverLabel, t::kCoverLabel, kFormCover, kFormCoverBrowse, DropTarget::kCover, 150);
  dialog.FileRow(kFormPayloadLabel, t::kPayloadLabel, kFormPayload, kFormPayloadBrowse, DropTarget::kPayload, 600);
  dialog.FileRow(kFormOutputLabel, t::kOutputPictureLabel, kFormOutput, kFormOutputBrowse, DropTarget::kOutputFolder,
                 1050);
  dialog.PasswordRow(kFormPasswordLabel, t::kPasswordLabel, kFormPassword, 1500);
  dialog.Note(kFormStrength, 4020, 1560, 4020, 600);
  dialog.PasswordRow(kFormConfirmLabel, t::kConfirmLabel, kFormConfirm, 1950);
  dialog.Note(kFormCapacity, kLabelLeft, 2460, kFullWidth, 240);
  dialog.RunRows(t::kStartHide, 2820);
  return dialog.Done();
}

WindowSpec OpenDialog() {
  using namespace names;
  DialogBuilder dialog(t::kOpenTitle, 3210);
  dialog.FileRow(kFormCoverLabel, t::kPictureLabel, kFormCover, kFormCoverBrowse, DropTarget::kCover, 150);
  dialog.FileRow(kFormOutputLabel, t::kOutputFolderLabel, kFormOutput, kFormOutputBrowse, DropTarget::kOutputFolder,
                 600);
  dialog.PasswordRow(kFormPasswordLabel, t::kPasswordLabel, kFormPassword, 1050);
  dialog.Note(kFormCapacity, kLabelLeft, 1530, kFullWidth, 240);
  dialog.RunRows(t::kStartOpen, 1890);
  return dialog.Done();
}

}  // namespace

const WindowSpec& SealedHideDialog() {
  static const WindowSpec dialog = HideDialog(t::kSealedHideTitle);
  return dialog;
}

const WindowSpec& StealthHideDialog() {
  static const WindowSpec dialog = HideDialog(t::kStealthHideTitle);
  return dialog;
}

const WindowSpec& OpenWithPasswordDialog() {
  static const WindowSpec dialog = OpenDialog();
  return dialog;
}

}  // namespace veil::ui
