#include "platform/win32/win32_control.h"

#include "platform/win32/win32_text.h"

namespace veil::win32 {
namespace {

template <typename T>
const T* As(const PropertyValue& value) {
  return std::get_if<T>(&value);
}

// The desktop's message font: the default for controls without their own.
LOGFONTW MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.lfMessageFont;
}

bool HasText(ui::ControlKind kind) { return kind == ui::ControlKind::kTextBox; }
bool HasCaption(ui::ControlKind kind) {
  return kind != ui::ControlKind::kTextBox && kind != ui::ControlKind::kPictureBox;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return FromAnsi(text);
}

Win32Control::Win32Control(const ui::ControlSpec& design, HWND hwnd, Win32Control* container, TwipScale scale)
    : name_(design.name), kind_(design.kind), auto_size_(design.auto_size), hwnd_(hwnd), container_(container),
      scale_(scale), left_(design.left), top_(design.top), width_(design.width), height_(design.height) {
  if (container_) container_->children_.push_back(this);
  if (design.font) {
    font_face_ = ToWide(design.font->family);
    font_points_ = design.font->points;
    font_weight_ = design.font->weight;
    font_charset_ = static_cast<BYTE>(design.font->charset);
  } else {
    const LOGFONTW base = MessageFont();
    font_face_ = base.lfFaceName;
    font_points_ = std::abs(base.lfHeight) * 72.0 / scale_.dpi_y;
    font_charset_ = base.lfCharSet;
  }
  if (kind_ != ui::ControlKind::kPictureBox) SetFontSize(font_points_);
  ApplyGeometry();
  if (auto_size_) FitToCaption();
}

Win32Control::Win32Control(const ui::ControlSpec& design, HMENU menu, UINT position, HWND owner)
    : name_(design.name), kind_(design.kind), menu_(menu), menu_position_(position), owner_(owner) {}

Win32Control::~Win32Control() {
  if (font_) DeleteObject(font_);
  if (picture_) DeleteObject(picture_);
}

std::optional<PropertyValue> Win32Control::Get(std::string_view property) const {
  if (property == prop::kTag) return PropertyValue{tag_};
  if (menu_) {
    if (property == prop::kCaption) {
      char text[256] = {};
      GetMenuStringA(menu_, menu_position_, text, sizeof text, MF_BYPOSITION);
      return PropertyValue{FromAnsi(text)};
    }
    if (property == prop::kEnabled)
      return PropertyValue{!(GetMenuState(menu_, menu_position_, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED))};
    if (property == prop::kVisible) return PropertyValue{menu_visible_};
    return std::nullopt;
  }
  if (property == prop::kCaption && HasCaption(kind_)) return PropertyValue{WindowText(hwnd_)};
  if (property == prop::kText && HasText(kind_)) return PropertyValue{WindowText(hwnd_)};
  if (property == prop::kEnabled) return PropertyValue{IsWindowEnabled(hwnd_) != FALSE};
  if (property == prop::kVisible) return PropertyValue{(GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0};
  if (property == prop::kValue && kind_ == ui::ControlKind::kCheckBox)
    return PropertyValue{static_cast<double>(SendMessageA(hwnd_, BM_GETCHECK, 0, 0))};
  if (property == prop::kLeft) return PropertyValue{left_};
  if (property == prop::kTop) return PropertyValue{top_};
  if (property == prop::kWidth) return PropertyValue{width_};
  if (property == prop::kHeight) return PropertyValue{height_};
  if (property == prop::kFontSize && kind_ != ui::ControlKind::kPictureBox) return PropertyValue{font_points_};
  if (property == "Picture" && kind_ == ui::ControlKind::kPictureBox) return PropertyValue{picture_path_};
  return std::nullopt;
}

bool Win32Control::Set(std::string_view property, const PropertyValue& value) {
  if (property == prop::kTag) {
    const auto* text = As<std::string>(value);
    if (text) tag_ = *text;
    return text != nullptr;
  }
  if (menu_) {
    if (property == prop::kCaption) {
      const auto* text = As<std::string>(value);
      if (!text) return false;
      const std::string caption = ToAnsi(*text);
      MENUITEMINFOA item{};
      item.cbSize = sizeof item;
      item.fMask = MIIM_STRING;
      item.dwTypeData = const_cast<char*>(caption.c_str());
      SetMenuItemInfoA(menu_, menu_position_, TRUE, &item);
      DrawMenuBar(owner_);
      return true;
    }
    if (property == prop::kEnabled) {
      const auto* flag = As<bool>(value);
      if (!flag) return false;
      EnableMenuItem(menu_, menu_position_, MF_BYPOSITION | (*flag ? MF_ENABLED : MF_GRAYED));
      DrawMenuBar(owner_);
      return true;
    }
    if (property == prop::kVisible) {  // menu entries have no visibility of their own
      const auto* flag = As<bool>(value);
      if (flag) menu_visible_ = *flag;
      return flag != nullptr;
    }
    return false;
  }
  if ((property == prop::kCaption && HasCaption(kind_)) || (property == prop::kText && HasText(kind_))) {
    const auto* text = As<std::string>(value);
    if (!text) return false;
    SetWindowTextA(hwnd_, ToAnsi(*text).c_str());
    if (auto_size_) FitToCaption();
    return true;
  }
  if (property == prop::kEnabled || property == prop::kVisible) {
    const auto* flag = As<bool>(value);
    if (!flag) return false;
    if (property == prop::kEnabled)
      EnableWindow(hwnd_, *flag);
    else
      ShowWindow(hwnd_, *flag ? SW_SHOWNA : SW_HIDE);
    return true;
  }
  if (property == prop::kValue && kind_ == ui::ControlKind::kCheckBox) {
    const auto* number = As<double>(value);
    if (!number || (*number != 0 && *number != 1 && *number != 2)) return false;
    const auto state = static_cast<WPARAM>(*number);
    const bool changed = static_cast<WPARAM>(SendMessageA(hwnd_, BM_GETCHECK, 0, 0)) != state;
    SendMessageA(hwnd_, BM_SETCHECK, state, 0);
    if (changed && on_value_changed_) on_value_changed_();
    return true;
  }
  if (property == "Picture" && kind_ == ui::ControlKind::kPictureBox) {
    const auto* path = As<std::string>(value);
    return path && LoadPicture(*path);
  }
  const auto* number = As<double>(value);
  if (!number) return false;
  if (property == prop::kFontSize) return kind_ != ui::ControlKind::kPictureBox && SetFontSize(*number);
  return MoveOneEdge(*this, property, *number, left_, top_, width_, height_);
}

bool Win32Control::Move(double left, double top, double width, double height) {
  if (menu_ || width < 0 || height < 0) return false;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  ApplyGeometry();
  return true;
}

void Win32Control::ApplyGeometry() {
  const double left = AbsoluteLeft(), top = AbsoluteTop();
  const int x = scale_.ToPixelsX(left), y = scale_.ToPixelsY(top);
  SetWindowPos(hwnd_, nullptr, x, y, scale_.ToPixelsX(left + width_) - x, scale_.ToPixelsY(top + height_) - y,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (Win32Control* child : children_) child->ApplyGeometry();
}

bool Win32Control::SetFontSize(double points) {
  if (!(points > 0) || points > 2000) return false;  // a font cannot shrink to nothing
  const HFONT font = CreateFontW(-static_cast<int>(std::lround(points * scale_.dpi_y / 72.0)), 0, 0, 0,
                                 font_weight_, FALSE, FALSE, FALSE, font_charset_, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font_face_.c_str());
  if (!font) return false;
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (font_) DeleteObject(font_);
  font_ = font;
  font_points_ = points;
  return true;
}

void Win32Control::FitToCaption() {
  const std::string text = ToAnsi(WindowText(hwnd_));
  HDC dc = GetDC(hwnd_);
  const HGDIOBJ old = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  width_ = scale_.ToTwipsX(size.cx);
  height_ = scale_.ToTwipsY(size.cy);
  ApplyGeometry();
}

bool Win32Control::LoadPicture(const std::string& path) {
  const auto ansi = ToAnsiExactly(path);
  if (!ansi) return false;
  const auto bitmap = static_cast<HBITMAP>(
      LoadImageA(nullptr, ansi->c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  if (picture_) DeleteObject(picture_);
  picture_ = bitmap;
  picture_path_ = path;
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

void Win32Control::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const RECT box = item.rcItem;
  FillRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
  if (!picture_) return;
  BITMAP info{};
  GetObjectA(picture_, sizeof info, &info);
  const int box_w = box.right - box.left, box_h = box.bottom - box.top;
  if (info.bmWidth <= 0 || info.bmHeight <= 0 || box_w <= 0 || box_h <= 0) return;
  const double fit = std::min(static_cast<double>(box_w) / info.bmWidth, static_cast<double>(box_h) / info.bmHeight);
  const int w = static_cast<int>(info.bmWidth * fit), h = static_cast<int>(info.bmHeight * fit);
  HDC source = CreateCompatibleDC(item.hDC);
  const HGDIOBJ old = SelectObject(source, picture_);
  SetStretchBltMode(item.hDC, HALFTONE);
  StretchBlt(item.hDC, box.left + (box_w - w) / 2, box.top + (box_h - h) / 2, w, h, source, 0, 0, info.bmWidth,
             info.bmHeight, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace veil::win32
