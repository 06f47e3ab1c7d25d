#include "window/definition/window_definition.h"

#include <algorithm>

#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"
#include "window/forms/form_names.h"
#include "window/forms/form_texts.h"

namespace veil::ui {
namespace {

using K = ControlKind;

ControlSpec Control(std::string_view name, K kind, std::string_view container, std::string caption, int left, int top,
                    int width, int height, int tab) {
  ControlSpec design;
  design.name = std::string(name);
  design.kind = kind;
  design.container = std::string(container);
  design.caption = std::move(caption);
  design.left = left;
  design.top = top;
  design.width = width;
  design.height = height;
  design.tab = tab;
  design.auto_size = kind == K::kLabel;
  return design;
}

ControlSpec MenuItem(std::string_view name, std::string_view parent, std::string caption, std::string shortcut = {}) {
  ControlSpec design;
  design.name = std::string(name);
  design.kind = K::kMenuItem;
  design.container = std::string(parent);
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

// A label of a fixed size that wraps its text within its width.
ControlSpec Wrapped(ControlSpec design) {
  design.auto_size = false;
  design.word_wrap = true;
  return design;
}

ControlSpec Taking(DropTarget drop, ControlSpec design) {
  design.drop = drop;
  return design;
}

WindowSpec Build() {
  using namespace names;
  WindowSpec window;
  window.caption = "Veilwrightv1.0";
  window.design_client_width = 9840;
  window.design_client_height = 5730;
  window.controls = {
      Control(kFrame1, K::kFrame, "", "文件加密", 120, 0, 9615, 2415, 0),
      Control(kLabel1, K::kLabel, kFrame1, "宿主图片", 120, 360, 720, 180, 1),
      Taking(DropTarget::kCover,
             Control(kText1, K::kTextBox, kFrame1, std::string(texts::kChooseCoverHint), 960, 240, 6735, 375, 2)),
      Control(kCmdopen, K::kButton, kFrame1, "选择BMP图片", 7800, 240, 1695, 375, 3),
      Control(kLabel2, K::kLabel, kFrame1, "隐藏文件", 120, 840, 720, 180, 4),
      Taking(DropTarget::kPayload,
             Control(kText2, K::kTextBox, kFrame1, std::string(texts::kChoosePayloadHint), 960, 720, 6735, 375, 5)),
      Control(kCmdMsgSelect, K::kButton, kFrame1, "选择隐藏文件", 7800, 720, 1695, 375, 6),
      Control(kLabel3, K::kLabel, kFrame1, "文件输出", 120, 1320, 720, 180, 7),
      // The output folder: typed here (a cancelled folder browser takes
      // what Text3 holds), chosen with cmdchgOutPath, or dropped here.
      Taking(DropTarget::kOutputFolder,
             Control(kText3, K::kTextBox, kFrame1, "选择加密文件保存位置", 960, 1200, 6735, 375, 8)),
      Control(kCmdchgOutPath, K::kButton, kFrame1, "保存位置", 7800, 1200, 1695, 375, 9),
      Control(kLabel5, K::kLabel, kFrame1, "密码", 3120, 1920, 360, 180, 10),
      AsPasswordBox(Control(kText4, K::kTextBox, kFrame1, "", 3840, 1680, 1935, 615, 11)),
      Control(kLabel6, K::kLabel, kFrame1, "确认密码", 120, 1920, 720, 180, 12),
      AsPasswordBox(Control(kText5, K::kTextBox, kFrame1, "", 960, 1680, 1935, 615, 13)),
      WithCommandFont(Control(kCmdadd, K::kButton, kFrame1, "加密文件", 7800, 1680, 1695, 615, 14)),
      Control(kFrame2, K::kFrame, "", "图片预览", 120, 2520, 3255, 3135, 15),
      Taking(DropTarget::kCover, Control(kImagepre, K::kPictureBox, kFrame2, "", 120, 240, 3015, 2775, 16)),
      Control(kFrame3, K::kFrame, "", "工作状态", 3480, 2520, 6255, 1215, 17),
      Control(kFrame4, K::kFrame, "", "软件说明", 3480, 3840, 6255, 1815, 18),
      Control(kCmdexit, K::kButton, kFrame4, "退出软件", 4800, 1080, 1335, 615, 19),
      Wrapped(Control(kLabel9, K::kLabel, kFrame4,
                      "本软件可以将您需要隐藏的文件加密到BMP图片中，并支持密码，以达到保护个人隐私的目的", 120, 360,
                      4290, 1140, 20)),
      WithCommandFont(Control(kCmdout, K::kButton, kFrame1, "解密文件", 6000, 1680, 1695, 615, 21)),
      Taking(DropTarget::kPayload, Control(kTxtName, K::kTextBox, kFrame3, "", 120, 240, 2775, 495, 22)),
      Wrapped(Control(kLabfinish, K::kLabel, kFrame3, "", 5520, 240, 615, 495, 23)),
      Wrapped(Control(kLabtmp, K::kLabel, kFrame3, "", 3000, 240, 2535, 495, 24)),
      Control(kChkPassword, K::kCheckBox, kFrame3, "密码（最长八位）", 3000, 840, 1815, 255, 25),
      Control(kChkclearBmp, K::kCheckBox, kFrame3, "信息取出后将信息从图片清除", 120, 840, 2655, 255, 26),
      MenuItem(kFlie, "", "文件"),
      MenuItem(kOpen, kFlie, "打开文件", "Ctrl+O"),
      MenuItem(kHelp, "", "帮助"),
      MenuItem(kOut, "", "退出"),
      // The sealed and stealth forms, each in a dialog of its own.
      MenuItem(kForms, "", std::string(texts::forms::kMenu)),
      MenuItem(kFormsSealedHide, kForms, std::string(texts::forms::kMenuSealedHide)),
      MenuItem(kFormsStealthHide, kForms, std::string(texts::forms::kMenuStealthHide)),
      MenuItem(kFormsOpen, kForms, std::string(texts::forms::kMenuOpen)),
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

bool HoldsMenuItems(const WindowSpec& window, std::string_view name) {
  return std::any_of(window.controls.begin(), window.controls.end(),
                     [&](const ControlSpec& control) { return control.container == name; });
}

}  // namespace veil::ui
