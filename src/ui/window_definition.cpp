#include "ui/window_definition.h"

namespace veil::ui {
namespace {

using K = ControlKind;

ControlSpec Control(std::string name, K kind, std::string container, std::string caption, int left, int top,
                    int width, int height, int tab) {
  ControlSpec design;
  design.name = std::move(name);
  design.kind = kind;
  design.container = std::move(container);
  design.caption = std::move(caption);
  design.left = left;
  design.top = top;
  design.width = width;
  design.height = height;
  design.tab = tab;
  design.auto_size = kind == K::kLabel;
  return design;
}

ControlSpec MenuItem(std::string name, std::string parent, std::string caption, std::string shortcut = {}) {
  ControlSpec design;
  design.name = std::move(name);
  design.kind = K::kMenuItem;
  design.container = std::move(parent);
  design.caption = std::move(caption);
  design.shortcut = std::move(shortcut);
  return design;
}

// The command buttons carry a larger Chinese font of their own.
ControlSpec WithCommandFont(ControlSpec design) {
  design.font = FontSpec{"宋体", 14.25, 400, 134};
  return design;
}

// The password boxes take at most 8 single-byte characters: the header's
// password field has room for exactly that.
ControlSpec AsPasswordBox(ControlSpec design) {
  design.max_length = 8;
  design.portable_text_only = true;
  return design;
}

ControlSpec NotAutoSized(ControlSpec design) {
  design.auto_size = false;
  return design;
}

ControlSpec Wrapped(ControlSpec design) {
  design.word_wrap = true;
  return design;
}

WindowSpec Build() {
  WindowSpec window;
  window.caption = "Veilwrightv1.0";
  window.design_client_width = 9840;
  window.design_client_height = 5730;
  window.controls = {
      Control("Frame1", K::kFrame, "", "文件加密", 120, 0, 9615, 2415, 0),
      Control("Label1", K::kLabel, "Frame1", "宿主图片", 120, 360, 720, 180, 1),
      Control("Text1", K::kTextBox, "Frame1", "请选择宿主图片（BMP格式）", 960, 240, 6735, 375, 2),
      Control("cmdopen", K::kButton, "Frame1", "选择BMP图片", 7800, 240, 1695, 375, 3),
      Control("Label2", K::kLabel, "Frame1", "隐藏文件", 120, 840, 720, 180, 4),
      Control("Text2", K::kTextBox, "Frame1", "请选择需要隐藏的文件（txt,doc,excel）", 960, 720, 6735, 375, 5),
      Control("CmdMsgSelect", K::kButton, "Frame1", "选择隐藏文件", 7800, 720, 1695, 375, 6),
      Control("Label3", K::kLabel, "Frame1", "文件输出", 120, 1320, 720, 180, 7),
      Control("Text3", K::kTextBox, "Frame1", "选择加密文件保存位置", 960, 1200, 6735, 375, 8),
      Control("cmdchgOutPath", K::kButton, "Frame1", "保存位置", 7800, 1200, 1695, 375, 9),
      Control("Label5", K::kLabel, "Frame1", "密码", 3120, 1920, 360, 180, 10),
      AsPasswordBox(Control("Text4", K::kTextBox, "Frame1", "", 3840, 1680, 1935, 615, 11)),
      Control("Label6", K::kLabel, "Frame1", "确认密码", 120, 1920, 720, 180, 12),
      AsPasswordBox(Control("Text5", K::kTextBox, "Frame1", "", 960, 1680, 1935, 615, 13)),
      WithCommandFont(Control("cmdadd", K::kButton, "Frame1", "加密文件", 7800, 1680, 1695, 615, 14)),
      Control("Frame2", K::kFrame, "", "图片预览", 120, 2520, 3255, 3135, 15),
      Control("Imagepre", K::kPictureBox, "Frame2", "", 120, 240, 3015, 2775, 16),
      Control("Frame3", K::kFrame, "", "工作状态", 3480, 2520, 6255, 1215, 17),
      Control("Frame4", K::kFrame, "", "软件说明", 3480, 3840, 6255, 1815, 18),
      Control("Cmdexit", K::kButton, "Frame4", "退出软件", 4800, 1080, 1335, 615, 19),
      Wrapped(NotAutoSized(Control(
          "Label9", K::kLabel, "Frame4",
          "本软件可以将您需要隐藏的文件加密到BMP图片中，并支持密码，以达到保护个人隐私的目的", 120, 360, 4290,
          1140, 20))),
      WithCommandFont(Control("cmdout", K::kButton, "Frame1", "解密文件", 6000, 1680, 1695, 615, 21)),
      Control("TxtName", K::kTextBox, "Frame3", "", 120, 240, 2775, 495, 22),
      NotAutoSized(Control("labfinish", K::kLabel, "Frame3", "", 5520, 240, 615, 495, 23)),
      NotAutoSized(Control("Labtmp", K::kLabel, "Frame3", "", 3000, 240, 2535, 495, 24)),
      Control("ChkPassword", K::kCheckBox, "Frame3", "密码（最长八位）", 3000, 840, 1815, 255, 25),
      Control("ChkclearBmp", K::kCheckBox, "Frame3", "信息取出后将信息从图片清除", 120, 840, 2655, 255, 26),
      MenuItem("flie", "", "文件"),
      MenuItem("open", "flie", "打开文件", "Ctrl+O"),
      MenuItem("help", "", "帮助"),
      MenuItem("out", "", "退出"),
  };
  return window;
}

}  // namespace

const WindowSpec& MainWindow() {
  static const WindowSpec window = Build();
  return window;
}

const ControlSpec* FindControl(const WindowSpec& window, std::string_view name) {
  for (const auto& control : window.controls)
    if (control.name == name) return &control;
  return nullptr;
}

}  // namespace veil::ui
