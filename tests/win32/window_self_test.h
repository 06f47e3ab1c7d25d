#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "window/definition/window_definition.h"

namespace veil::win32 {

class Win32MainWindow;
class PreferenceForTheRun;

// Drives the real window from a helper thread the way a person would: posts
// clicks and keys, answers its message boxes and dialogs, and checks what the
// window shows and writes. A watchdog ends the process instead of letting a
// dialog nobody answers hang the run.
//
//   veilwright_self_test [--work DIR] [--foreign PICTURE PAYLOAD PASSWORD]
//                        [--sealed PICTURE PAYLOAD PASSWORD]
//   veilwright_self_test --dpi DPI
// (the second checks only the window's drawing at a DPI other than 96).
//
// Construct it before the window starts: it stores the preference to wipe
// after extraction (2, the greyed box) for the window to read, and puts it
// back at the end.
// It opens damaged pictures, pictures under names outside the ANSI code page
// and under long paths, hides a file with a password (keeping a copy of the
// marked picture as DIR\hidden-by-windows.bmp), tries the password gate, and
// extracts the file again; with --foreign it also extracts PICTURE, made
// elsewhere, and compares the result with PAYLOAD; with --sealed it does the
// same with a sealed picture.
class SelfTest {
 public:
  SelfTest(Win32MainWindow& window, const std::vector<std::string>& args);
  ~SelfTest();
  // After the window has closed: prints the summary, returns the exit status.
  int Finish();

 private:
  void Script();
  void Check(bool passed, const std::string& what);
  HWND WaitForDialog(const std::string& title, const char* child_class = nullptr);
  void Answer(const std::string& title, const std::string& text, int button);
  void AnswerFile(const std::string& title, const std::string& path);
  void AnswerFolder(const std::string& path);
  // Types into the input box and presses OK; masked: the box must hide what
  // is typed (a sealed picture's), or else must show it (the version 1 gate's).
  void AnswerInput(const std::string& title, const std::string& typed, bool masked = false);
  // Presses Cancel in a masked input box, or in the folder browser.
  void CancelInput(const std::string& title);
  void CancelFolder();
  // No dialog of the window is open.
  bool NoDialogOpen();
  void Click(const std::string& control);
  void PressCtrlO();
  void OpenCover(const std::string& path);
  // Drops a file onto a control, as from the desktop's file manager.
  void DropFile(const std::string& control, const std::string& path);
  void Type(const std::string& control, const std::wstring& text);
  void Clear(const std::string& control);
  std::string Text(const std::string& control);
  std::string Picture();
  int CheckValue(const std::string& control);
  bool Responds();
  bool WaitFor(const std::string& what, const std::function<bool()>& condition);
  void CheckDesignGeometry();
  void CheckDrawingAtDpi(int dpi);
  void CheckNothingClipped();
  void PressEnterOn(const std::string& control);
  void CheckProportionalLayout();
  void OpenDamagedPictures();
  void OpenPicturesByAnyName();
  void RefuseUnstorablePasswords();
  void CheckPasswordGate(const std::string& cover);
  void ExtractSealedHere();
  // A hide in the sealed and the stealth forms' dialog, each opened again by
  // the codec, and the stealth picture opened in the password dialog.
  void HideInTheFormsDialogs();
  void SetDialogText(HWND dialog, const ui::WindowSpec& design, const std::string& control, const std::string& text);
  void TypeInDialog(HWND dialog, const ui::WindowSpec& design, const std::string& control, const std::wstring& text);
  std::string DialogText(HWND dialog, const ui::WindowSpec& design, const std::string& control);
  void ClickInDialog(HWND dialog, const ui::WindowSpec& design, const std::string& control);
  void ExtractForeign();
  void ExtractSealed();
  void ExtractMadeElsewhere(const std::vector<std::string>& given, const std::string& caption,
                            bool try_a_wrong_password);

  Win32MainWindow& window_;
  std::unique_ptr<PreferenceForTheRun> preference_;
  std::string work_;
  std::vector<std::string> foreign_, sealed_;
  int dpi_ = 0;
  std::vector<HWND> answered_;
  int passed_ = 0;
  std::vector<std::string> failures_;
  std::atomic<bool> done_{false};
  std::string step_ = "start-up";
  std::thread driver_;
  std::thread watchdog_;
};

}  // namespace veil::win32
