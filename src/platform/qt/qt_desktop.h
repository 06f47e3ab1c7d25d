#pragma once

#include <QMainWindow>
#include <functional>

#include "platform/environment.h"
#include "platform/message_pump.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "platform/twips.h"

namespace veil::qt {

class QtShell final : public Shell {
 public:
  bool OpenDocument(const std::string& path) override;
  void ShowInFolder(const std::string& path) override;
  bool IsMarkedExecutable(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
};

// The per-user store: an INI file per application in the user's
// configuration folder (~/.config/APPLICATION/APPLICATION.ini), one group per
// section.
class QtSettingsStore final : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string& application, const std::string& section,
                                  const std::string& key) override;
};

class QtEnvironment final : public Environment {
 public:
  QtEnvironment(QMainWindow& window, TwipScale scale, std::function<void()> end_program)
      : window_(window), scale_(scale), end_program_(std::move(end_program)) {}
  std::string ProgramFolder() override;
  std::string DocumentsFolder() override;
  std::string PicturesFolder() override;
  bool FolderIsWritable(const std::string& folder) override;
  bool IsSystemFolder(const std::string& folder) override;
  char PathSeparator() override { return '/'; }
  TwipSize ScreenSize() override;
  TwipSize WindowSize() override;
  TwipSize ClientSize() override;
  void MoveWindow(double left, double top) override;
  void EndProgram() override { end_program_(); }
  void CloseWindow() override { window_.close(); }

 private:
  QMainWindow& window_;
  TwipScale scale_;
  std::function<void()> end_program_;
};

// Processes pending events at most every few milliseconds: often enough for
// smooth repainting, rarely enough to cost nothing.
class QtPump final : public MessagePump {
 public:
  QtPump() : MessagePump(std::chrono::milliseconds(4)) {}
  void ShowWaiting(bool waiting) override;

 protected:
  void DispatchPending() override;
};

}  // namespace veil::qt
