#pragma once

#include "cli_commands/arguments.h"
#include "cli_commands/cli_app.h"
#include "codec/carrier_reader.h"
#include "codec/module2.h"
#include "platform/console/console_message_boxes.h"
#include "platform/console/console_progress.h"
#include "platform/console/console_pump.h"
#include "platform/memory_controls.h"

namespace veil::cli {

// The codec's platform for one command-line run: files, quiet message boxes,
// the three controls the runs touch, and a progress bar.
class CliSession {
 public:
  explicit CliSession(CliEnvironment& env);

  CliEnvironment& env;
  SharedState state;
  NumberedFiles files;
  ConsoleMessageBoxes boxes;
  MemoryControls controls;
  ConsolePump pump;
  ConsoleProgress progress;
  Module2 codec;

  // Reads a picture's headers through file number 1, then closes it.
  carrier::CarrierFacts Probe(const std::string& picture);
  std::string StoredPassword(const std::string& picture, std::int32_t pixel_offset);
};

int InspectCommand(const Arguments& args, CliSession& session);
int HideCommand(const Arguments& args, CliSession& session);
int ExtractCommand(const Arguments& args, CliSession& session);
int ClearCommand(const Arguments& args, CliSession& session);

}  // namespace veil::cli
