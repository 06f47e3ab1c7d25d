#pragma once

#include <windows.h>

#include <functional>

#include "platform/environment.h"
#include "platform/message_pump.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "platform/twips.h"

namespace veil::win32 {

class Win32Shell final : public Shell {
 public:
  explicit Win32Shell(HWND& owner) : owner_(owner) {}
  bool OpenDocument(const std::string& path) override;
  void ShowInFolder(const std::string& path) override;
  bool IsMarkedExecutable(const std::string&) override { return false; }  // Windows goes by the name alone
  bool RemoveFile(const std::string& path) override;

 private:
  HWND& owner_;
};

// The per-user store in the registry: HKCU\Software\APPLICATION\SECTION, value KEY.
class Win32SettingsStore final : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string& application, const std::string& section,
                                  const std::string& key) override;
};

class Win32Environment final : public Environment {
 public:
  Win32Environment(HWND& window, TwipScale scale, std::function<void()> end_program)
      : window_(window), scale_(scale), end_program_(std::move(end_program)) {}
  std::string ProgramFolder() override;
  std::string DocumentsFolder() override;
  std::string PicturesFolder() override;
  bool FolderIsWritable(const std::string& folder) override;
  bool IsSystemFolder(const std::string& folder) override;
  char PathSeparator() override { return '\\'; }
  TwipSize ScreenSize() override;
  TwipSize WindowSize() override;
  TwipSize ClientSize() override;
  void MoveWindow(double left, double top) override;
  void EndProgram() override { end_program_(); }
  void CloseWindow() override { PostMessageW(window_, WM_CLOSE, 0, 0); }
  void SetScale(TwipScale scale) { scale_ = scale; }

 private:
  HWND& window_;
  TwipScale scale_;
  std::function<void()> end_program_;
};

// Processes the pending messages of the thread at most every few
// milliseconds, with the window's accelerators and dialog keys.
class Win32Pump final : public MessagePump {
 public:
  Win32Pump(HWND& window, HACCEL& accelerators)
      : MessagePump(std::chrono::milliseconds(4)), window_(window), accelerators_(accelerators) {}
  // Delivers one message as the main loop does.
  void Deliver(MSG& message);
  // A wait cursor over the window while it waits for work done aside; the
  // window's WM_SETCURSOR asks Waiting().
  void ShowWaiting(bool waiting) override;
  bool Waiting() const { return waiting_; }

 protected:
  void DispatchPending() override;

 private:
  HWND& window_;
  HACCEL& accelerators_;
  bool waiting_ = false;
};

}  // namespace veil::win32
