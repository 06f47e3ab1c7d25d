#include "support/window_fixture.h"

#include "window/definition/memory_window.h"

namespace veil::test {

WindowFixture::WindowFixture() {
  ui::BuildMemoryWindow(ui::MainWindow(), controls);
  // A stand-in for decoding: only files that start like a BMP can be shown.
  static_cast<MemoryControl*>(controls.Find("Imagepre"))
      ->SetValidator([](std::string_view property, const PropertyValue& value) {
        if (property != "Picture" || std::get<std::string>(value).empty()) return true;  // empty: no picture
        const Bytes head = ReadAll(std::get<std::string>(value));
        return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
      });
  environment.program_folder = dir.Path().string();
}

void WindowFixture::Load() {
  form.Form_Load();
  controls.ClearHistory();
}

void WindowFixture::OpenCover(const std::string& path) {
  dialogs.QueueFile(path);
  form.Click("cmdopen");
}

void WindowFixture::ChoosePayload(const std::string& path) {
  dialogs.QueueFile(path);
  form.Click("CmdMsgSelect");
}

std::string WindowFixture::Text(const std::string& control, const std::string& property) {
  return GetText(controls, control, property);
}

double WindowFixture::Number(const std::string& control, const std::string& property) {
  return GetNumber(controls, control, property);
}

void WindowFixture::Set(const std::string& control, const std::string& property, const PropertyValue& value) {
  ASSERT_TRUE(SetProperty(controls, control, property, value)) << control << "." << property;
}

std::vector<WindowFixture::Box> WindowFixture::TakeBoxes() {
  std::vector<Box> shown = boxes.Shown();
  boxes.Clear();
  return shown;
}

}  // namespace veil::test
