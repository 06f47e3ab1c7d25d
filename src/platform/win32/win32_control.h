#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/control.h"
#include "platform/twips.h"

namespace veil::win32 {

// One control of the Win32 window behind the uniform control interface.
// Every control is a child of the main window (a group box passes no
// notifications on), placed at its frame's position plus its own; geometry
// is kept in twips as last set and drawn at the nearest pixel.
class Win32Control final : public Control {
 public:
  // A window control, with its own font when font_face is not empty.
  Win32Control(const ControlShape& shape, HWND hwnd, Win32Control* container, TwipScale scale,
               const std::wstring& font_face = {}, double font_points = 0, int font_weight = FW_NORMAL,
               BYTE font_charset = DEFAULT_CHARSET);
  // A menu entry: the item at position in menu.
  Win32Control(const ControlShape& shape, HMENU menu, UINT position, HWND owner);
  ~Win32Control() override;

  const std::string& Name() const override { return name_; }
  std::optional<PropertyValue> Get(std::string_view property) const override;
  bool Set(std::string_view property, const PropertyValue& value) override;
  bool Move(double left, double top, double width, double height) override;

  HWND hwnd() const { return hwnd_; }
  ControlKind kind() const { return kind_; }
  // Runs when a check box's value changes, by the user or by code.
  void OnValueChanged(std::function<void()> handler) { on_value_changed_ = std::move(handler); }
  // Redraws the control (and its font) for a new DPI.
  void SetScale(TwipScale scale);
  // Draws the picture box's picture, scaled to fit.
  void DrawPicture(const DRAWITEMSTRUCT& item) const;

 private:
  double AbsoluteLeft() const { return (container_ ? container_->AbsoluteLeft() : 0) + left_; }
  double AbsoluteTop() const { return (container_ ? container_->AbsoluteTop() : 0) + top_; }
  void ApplyGeometry();
  bool SetFontSize(double points);
  void FitToCaption();
  // Shows the pixels given last under the picture's path; false when none were.
  bool ShowPictureOf(const std::string& path);

  std::string name_;
  ControlKind kind_;
  bool auto_size_ = false;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  UINT menu_position_ = 0;
  HWND owner_ = nullptr;
  Win32Control* container_ = nullptr;
  std::vector<Win32Control*> children_;
  TwipScale scale_;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  double font_points_ = 0;
  std::wstring font_face_;
  int font_weight_ = FW_NORMAL;
  BYTE font_charset_ = DEFAULT_CHARSET;
  HFONT font_ = nullptr;
  bool menu_visible_ = true;
  std::string tag_;
  std::string picture_path_;
  Image picture_, next_picture_;
  std::function<void()> on_value_changed_;
};

// A window's text (a control's caption or contents) in UTF-8, and back.
std::string WindowText(HWND hwnd);
void SetWindowText(HWND hwnd, const std::string& text);

}  // namespace veil::win32
