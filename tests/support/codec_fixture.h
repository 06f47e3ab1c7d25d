#pragma once

#include <gtest/gtest.h>

#include "platform/memory_controls.h"
#include "platform/scripted/scripted_message_boxes.h"
#include "platform/scripted/scripted_pump.h"
#include "support/fault_file.h"
#include "support/test_files.h"
#include "window/commands/window_runs.h"

namespace veil::test {

// The window's runs over the scripted platform, with real files in a
// temporary folder routed through a fault plan.
class CodecFixture : public ::testing::Test {
 protected:
  CodecFixture();

  // The controls the runs touch, as the window has them.
  void AddRunControls();
  std::vector<std::string> CaptionsOf(const std::string& control) const;

  TempDir dir;
  FaultPlan faults;
  SharedState state;
  NumberedFiles files{FaultyOpener(faults)};
  ScriptedMessageBoxes boxes{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  MemoryControls controls;
  ScriptedPump pump;
  WindowRuns codec{state, {files, boxes, controls, pump}};
};

}  // namespace veil::test
