#include "platform/scripted/scripted_desktop.h"

#include <filesystem>

namespace veil {

ScriptedFileDialogs::~ScriptedFileDialogs() {
  if (!files_.empty()) report_fault_(std::to_string(files_.size()) + " queued file choice(s) never used");
  if (!folders_.empty()) report_fault_(std::to_string(folders_.size()) + " queued folder choice(s) never used");
}

std::optional<std::string> ScriptedFileDialogs::OpenFile(const OpenFileRequest& request) {
  file_requests_.push_back(request);
  if (files_.empty()) {
    report_fault_("unexpected open-file dialog: " + request.title);
    return std::nullopt;
  }
  auto answer = std::move(files_.front());
  files_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedFileDialogs::BrowseForFolder(const std::string& title,
                                                                const std::string& initial_folder) {
  folder_titles_.push_back(title);
  folder_starts_.push_back(initial_folder);
  if (folders_.empty()) {
    report_fault_("unexpected folder dialog: " + title);
    return std::nullopt;
  }
  auto answer = std::move(folders_.front());
  folders_.pop_front();
  return answer;
}

bool ScriptedShell::RemoveFile(const std::string& path) {
  deleted.push_back(path);
  if (refuse_removal) return false;
  std::error_code error;
  return std::filesystem::remove(path, error);
}

bool ScriptedShell::IsMarkedExecutable(const std::string& path) {
  std::error_code error;
  const auto permissions = std::filesystem::status(path, error).permissions();
  using std::filesystem::perms;
  return !error && (permissions & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
}

std::optional<std::string> ScriptedSettings::Read(const std::string& application, const std::string& section,
                                                  const std::string& key) {
  auto it = values.find(application + "/" + section + "/" + key);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

}  // namespace veil
