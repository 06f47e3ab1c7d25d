#pragma once

#include <string>

#include "files/numbered_files.h"
#include "platform/control.h"
#include "platform/message_boxes.h"
#include "platform/message_pump.h"
#include "window/commands/shared_state.h"

namespace veil {

inline constexpr int kCoverFile = 1;
inline constexpr int kSecondFile = 2;

// What the window's runs reach of the platform.
struct RunPlatform {
  NumberedFiles& files;
  MessageBoxes& boxes;
  ControlSet& controls;
  MessagePump& pump;
};

enum class RunOutcome {
  kCompleted,
  kTooLarge,  // the file does not fit the picture (embedding only)
  kRefused,   // the picture holds a file already (embedding only)
  kFailed,    // a file failure or a damaged picture; the run has shown its failure message
};

struct RunReport {
  RunOutcome outcome = RunOutcome::kFailed;
  std::string detail;  // one English line when not completed
  bool ok() const { return outcome == RunOutcome::kCompleted; }
};

// The window's adapter over the codec: the two runs as the window knows them.
// They take their inputs from the shared state and the open numbered files,
// show their progress in Labtmp and labfinish, let the window repaint while
// they work, and report their outcome in the window's own boxes.
class WindowRuns {
 public:
  WindowRuns(SharedState& state, RunPlatform platform) : state_(state), platform_(platform) {}

  // Hides the file at payloadPath in the picture at coverPath (file 1, when
  // the command has opened it already; the run opens it otherwise), with the
  // password when ChkPassword is ticked. Closes both files.
  RunReport RunEmbedding();
  // Writes the hidden file of open file 1 into open file 2, with the password
  // in enteredPassword. Leaves both open.
  RunReport RunExtraction();

 private:
  SharedState& state_;
  RunPlatform platform_;
};

}  // namespace veil
