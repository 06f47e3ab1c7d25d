#include "platform/win32/win32_control.h"

#include <commctrl.h>

#include "files/file_failure.h"
#include "files/win32/win32_text.h"

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

// Enough pixels for a maximised window's preview box.

bool HasText(ControlKind kind) { return kind == ControlKind::kTextBox; }
bool HasCaption(ControlKind kind) {
  return kind != ControlKind::kTextBox && kind != ControlKind::kPictureBox && kind != ControlKind::kProgressBar;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  // The length may be reported too large, never too small: what was copied counts.
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return FromWide(text);
}

void SetWindowText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, ToWide(text).c_str()); }

Win32Control::Win32Control(const ControlShape& design, HWND hwnd, Win32Control* container, TwipScale scale,
                           const std::wstring& font_face, double font_points, int font_weight, BYTE font_charset)
    : name_(design.name),
      kind_(design.kind),
      auto_size_(design.auto_size),
      hwnd_(hwnd),
      container_(container),
      scale_(scale),
      left_(design.left),
      top_(design.top),
      width_(design.width),
      height_(design.height) {
  if (container_) container_->children_.push_back(this);
  if (!font_face.empty()) {
    font_face_ = font_face;
    font_points_ = font_points;
    font_weight_ = font_weight;
    font_charset_ = font_charset;
  } else {
    const LOGFONTW base = MessageFont();
    font_face_ = base.lfFaceName;
    font_points_ = std::abs(base.lfHeight) * 72.0 / scale_.dpi_y;
    font_charset_ = base.lfCharSet;
  }
  if (kind_ != ControlKind::kPictureBox) SetFontSize(font_points_);
  ApplyGeometry();
  if (auto_size_) FitToCaption();
}

Win32Control::Win32Control(const ControlShape& design, HMENU menu, UINT position, HWND owner)
    : name_(design.name), kind_(design.kind), menu_(menu), menu_position_(position), owner_(owner) {}

Win32Control::~Win32Control() {
  if (font_) DeleteObject(font_);
}

std::optional<PropertyValue> Win32Control::Get(std::string_view property) const {
  if (property == prop::kTag) return PropertyValue{tag_};
  if (menu_) {
    if (property == prop::kCaption) {
      wchar_t text[256] = {};
      GetMenuStringW(menu_, menu_position_, text, 256, MF_BYPOSITION);
      return PropertyValue{FromWide(text)};
    }
    if (property == prop::kEnabled)
      return PropertyValue{!(GetMenuState(menu_, menu_position_, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED))};
    if (property == prop::kVisible) return PropertyValue{menu_visible_};
    return std::nullopt;
  }
  if (property == prop::kCaption && HasCaption(kind_)) return PropertyValue{WindowText(hwnd_)};
  if (property == prop::kText && HasText(kind_)) return PropertyValue{WindowText(hwnd_)};
  if (property == prop::kEnabled) return PropertyValue{IsWindowEnabled(hwnd_) != FALSE};
  if (property == prop::kVisible) return PropertyValue{(GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0};
  if (property == prop::kValue && kind_ == ControlKind::kCheckBox)
    return PropertyValue{static_cast<double>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0))};
  if (property == prop::kValue && kind_ == ControlKind::kProgressBar)
    return PropertyValue{static_cast<double>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0))};
  if (property == prop::kLeft) return PropertyValue{left_};
  if (property == prop::kTop) return PropertyValue{top_};
  if (property == prop::kWidth) return PropertyValue{width_};
  if (property == prop::kHeight) return PropertyValue{height_};
  if (property == prop::kFontSize && kind_ != ControlKind::kPictureBox) return PropertyValue{font_points_};
  if (property == prop::kPicture && kind_ == ControlKind::kPictureBox) return PropertyValue{picture_path_};
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
      std::wstring caption = ToWide(*text);
      MENUITEMINFOW item{};
      item.cbSize = sizeof item;
      item.fMask = MIIM_STRING;
      item.dwTypeData = caption.data();
      SetMenuItemInfoW(menu_, menu_position_, TRUE, &item);
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
    SetWindowText(hwnd_, *text);
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
  if (property == prop::kValue && kind_ == ControlKind::kCheckBox) {
    const auto* number = As<double>(value);
    if (!number || (*number != 0 && *number != 1 && *number != 2)) return false;
    const auto state = static_cast<WPARAM>(*number);
    const bool changed = static_cast<WPARAM>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)) != state;
    SendMessageW(hwnd_, BM_SETCHECK, state, 0);
    if (changed && on_value_changed_) on_value_changed_();
    return true;
  }
  if (property == prop::kValue && kind_ == ControlKind::kProgressBar) {
    const auto* number = As<double>(value);
    if (!number || *number < 0 || *number > 100) return false;
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(*number), 0);
    return true;
  }
  if (property == prop::kImage && kind_ == ControlKind::kPictureBox) {
    const auto* image = As<Image>(value);
    if (!image) return false;
    next_picture_ = *image;
    return true;
  }
  if (property == prop::kPicture && kind_ == ControlKind::kPictureBox) {
    const auto* path = As<std::string>(value);
    return path && ShowPictureOf(*path);
  }
  const auto* number = As<double>(value);
  if (!number) return false;
  if (property == prop::kFontSize) return kind_ != ControlKind::kPictureBox && SetFontSize(*number);
  return MoveOneEdge(*this, property, *number, left_, top_, width_, height_);
}

void Win32Control::SetScale(TwipScale scale) {
  scale_ = scale;
  if (!hwnd_) return;
  if (kind_ != ControlKind::kPictureBox) SetFontSize(font_points_);
  ApplyGeometry();
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
  const HFONT font = CreateFontW(-static_cast<int>(std::lround(points * scale_.dpi_y / 72.0)), 0, 0, 0, font_weight_,
                                 FALSE, FALSE, FALSE, font_charset_, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font_face_.c_str());
  if (!font) return false;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (font_) DeleteObject(font_);
  font_ = font;
  font_points_ = points;
  return true;
}

void Win32Control::FitToCaption() {
  const std::wstring text = ToWide(WindowText(hwnd_));
  HDC dc = GetDC(hwnd_);
  const HGDIOBJ old = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  width_ = scale_.ToTwipsX(size.cx);
  height_ = scale_.ToTwipsY(size.cy);
  ApplyGeometry();
}

bool Win32Control::ShowPictureOf(const std::string& path) {
  if (!path.empty() && next_picture_.rgb.empty()) return false;
  picture_ = path.empty() ? Image{} : std::move(next_picture_);
  next_picture_ = Image{};
  picture_path_ = path;
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

void Win32Control::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const RECT box = item.rcItem;
  FillRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
  if (picture_.rgb.empty()) return;
  const int box_w = box.right - box.left, box_h = box.bottom - box.top;
  if (box_w <= 0 || box_h <= 0) return;
  const double fit =
      std::min(static_cast<double>(box_w) / picture_.width, static_cast<double>(box_h) / picture_.height);
  const int w = static_cast<int>(picture_.width * fit), h = static_cast<int>(picture_.height * fit);
  // The thumbnail's rows as a top-down DIB: blue, green, red, padded to 4 bytes.
  const int stride = (picture_.width * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> dib(static_cast<std::size_t>(stride) * static_cast<std::size_t>(picture_.height));
  for (int y = 0; y < picture_.height; ++y)
    for (int x = 0; x < picture_.width; ++x) {
      const std::uint8_t* rgb = &picture_.rgb[(static_cast<std::size_t>(y) * picture_.width + x) * 3];
      std::uint8_t* bgr = &dib[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3];
      bgr[0] = rgb[2], bgr[1] = rgb[1], bgr[2] = rgb[0];
    }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture_.width;
  info.bmiHeader.biHeight = -picture_.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(item.hDC, HALFTONE);
  SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  StretchDIBits(item.hDC, box.left + (box_w - w) / 2, box.top + (box_h - h) / 2, w, h, 0, 0, picture_.width,
                picture_.height, dib.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace veil::win32
