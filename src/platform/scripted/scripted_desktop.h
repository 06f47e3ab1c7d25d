#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/file_dialogs.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

namespace veil {

using FaultReporter = std::function<void(const std::string&)>;

// File dialogs answered from queues; a dialog nobody expected is a fault.
class ScriptedFileDialogs final : public FileDialogs {
 public:
  explicit ScriptedFileDialogs(FaultReporter report_fault) : report_fault_(std::move(report_fault)) {}
  ~ScriptedFileDialogs() override;

  void QueueFile(std::optional<std::string> answer) { files_.push_back(std::move(answer)); }
  void QueueFolder(std::optional<std::string> answer) { folders_.push_back(std::move(answer)); }

  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;

  const std::vector<OpenFileRequest>& FileRequests() const { return file_requests_; }
  const std::vector<std::string>& FolderTitles() const { return folder_titles_; }
  const std::vector<std::string>& FolderStarts() const { return folder_starts_; }

 private:
  FaultReporter report_fault_;
  std::deque<std::optional<std::string>> files_, folders_;
  std::vector<OpenFileRequest> file_requests_;
  std::vector<std::string> folder_titles_, folder_starts_;
};

// Records what the shell was asked; deleting and the execute bit are the
// real file system's.
class ScriptedShell final : public Shell {
 public:
  bool OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return can_open;
  }
  void ShowInFolder(const std::string& path) override { shown_in_folder.push_back(path); }
  bool IsMarkedExecutable(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;

  std::vector<std::string> opened, shown_in_folder, deleted;
  bool can_open = true;  // false: the desktop has no program for the file
  // Deleting fails as for a file in use, or in a folder the user cannot change.
  bool refuse_removal = false;
};

class ScriptedEnvironment final : public Environment {
 public:
  std::string ProgramFolder() override { return program_folder; }
  std::string DocumentsFolder() override { return documents_folder; }
  std::string PicturesFolder() override { return pictures_folder; }
  bool FolderIsWritable(const std::string& folder) override { return !unwritable_folders.count(folder); }
  bool IsSystemFolder(const std::string& folder) override { return system_folders.count(folder) != 0; }
  char PathSeparator() override { return separator; }
  TwipSize ScreenSize() override { return screen; }
  TwipSize WindowSize() override { return window; }
  TwipSize ClientSize() override { return client; }
  void MoveWindow(double left, double top) override { moves.push_back({left, top}); }
  void EndProgram() override { ++ended; }
  void CloseWindow() override { ++close_requests; }

  std::string program_folder = "/opt/veilwright";
  std::string documents_folder = "/home/user/Documents";
  std::string pictures_folder = "/home/user/Pictures";
  std::set<std::string> unwritable_folders;
  std::set<std::string> system_folders;
  char separator = '/';
  TwipSize screen{19200, 10800}, window{10080, 6570}, client{9840, 5730};
  std::vector<TwipSize> moves;  // {left, top}
  int ended = 0;
  int close_requests = 0;
};

class ScriptedSettings final : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string& application, const std::string& section,
                                  const std::string& key) override;
  std::map<std::string, std::string> values;  // "application/section/key"
};

}  // namespace veil
