#pragma once

#include <memory>
#include <optional>
#include <string>

#include "window/commands/main_window_commands.h"
#include "window/definition/dialog_host.h"
#include "window/forms/form_jobs.h"
#include "window/forms/run_bridge.h"

namespace veil::forms {

// The logic of one of the forms' dialogs: choosing the picture, the file,
// the output and the password, the capacity and the password's strength,
// and the run on a worker thread with its progress and Cancel.
class FormDialog final : public ui::DialogEvents {
 public:
  FormDialog(FormTask task, WindowPlatform platform, FormCosts costs, std::string initial_picture = {});

  void Opened(ui::DialogWindow& dialog) override;
  void Click(std::string_view control) override;
  bool TakesDrops(std::string_view control) const override;
  void FileDropped(std::string_view control, const std::string& path) override;
  void TextEdited(std::string_view control) override;
  void TextCommitted(std::string_view control) override;
  bool CloseRequested() override;

  bool Running() const { return bridge_ != nullptr; }

 private:
  bool Hiding() const { return task_ != FormTask::kOpen; }
  ControlSet& Controls() { return dialog_->Controls(); }
  std::string Text(std::string_view control);
  void SetText(std::string_view control, const std::string& text);
  void SetCaption(std::string_view control, const std::string& caption);
  int Show(std::string_view text, std::string_view title, int style);
  std::string DialogFolder() const;

  void CoverChosen(const std::string& path);
  // What the picture allows in this dialog's form; false (after saying why)
  // when it cannot serve.
  bool InspectCover(const std::string& path);
  void PayloadChosen(const std::string& path);
  void OutputFolderChosen(const std::string& folder);
  // The output picture's suggested name beside the cover.
  std::string SuggestedOutput(const std::string& cover) const;
  void ShowStrength();

  void Start();
  std::optional<HideJob> CheckedHide();
  void Hide(const HideJob& job);
  void Open();
  bool MayWrite(const std::string& path, const std::string& cover);
  // Runs work aside, the bar and the status following it; the bridge lives
  // for the run.
  template <typename Work>
  auto RunWithProgress(Work&& work);
  void ShowProgress();
  void EndOfRun(bool completed);

  FormTask task_;
  WindowPlatform platform_;
  FormCosts costs_;
  std::string initial_picture_;
  ui::DialogWindow* dialog_ = nullptr;
  std::string cover_, payload_;
  std::string suggested_output_;
  std::unique_ptr<RunBridge> bridge_;
};

}  // namespace veil::forms
