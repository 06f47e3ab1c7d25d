#pragma once

#include <gtest/gtest.h>

#include "platform/memory_controls.h"
#include "platform/scripted/scripted_desktop.h"
#include "platform/scripted/scripted_message_boxes.h"
#include "platform/scripted/scripted_pump.h"
#include "support/fault_file.h"
#include "support/test_files.h"
#include "window/definition/main_form.h"

namespace veil::test {

// The main window's logic over the scripted platform: memory controls built
// from the window's definition, queued dialog answers, real files.
class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture();

  void Load();
  // Opens a picture through the cover dialog.
  void OpenCover(const std::string& path);
  void ChoosePayload(const std::string& path);
  std::string Text(const std::string& control, const std::string& property = "Text");
  double Number(const std::string& control, const std::string& property);
  void Set(const std::string& control, const std::string& property, const PropertyValue& value);

  using Box = ScriptedMessageBoxes::Box;
  std::vector<Box> TakeBoxes();

  TempDir dir;
  FaultPlan faults;
  NumberedFiles files{FaultyOpener(faults)};
  ScriptedMessageBoxes boxes{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  MemoryControls controls;
  ScriptedPump pump;
  ScriptedFileDialogs dialogs{[](const std::string& fault) { ADD_FAILURE() << fault; }};
  ScriptedShell shell;
  ScriptedEnvironment environment;
  ScriptedSettings settings;
  ui::MainForm form{{files, boxes, controls, pump, dialogs, shell, environment}, settings};
  SharedState& state = form.state();
};

}  // namespace veil::test
