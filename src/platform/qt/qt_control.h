#pragma once

#include <QAction>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/control.h"
#include "platform/twips.h"

namespace veil::qt {

// One control of the Qt window behind the uniform control interface. The
// geometry is kept in twips as last set, and drawn at the nearest pixel, so
// reading it back gives exactly what was set. A picture box shows a
// thumbnail read straight from the picture's file.
class QtControl final : public Control {
 public:
  QtControl(const ControlShape& shape, QWidget* widget, QAction* action, TwipScale scale);

  const std::string& Name() const override { return name_; }
  std::optional<PropertyValue> Get(std::string_view property) const override;
  bool Set(std::string_view property, const PropertyValue& value) override;
  bool Move(double left, double top, double width, double height) override;

  QWidget* widget() const { return widget_; }
  QAction* action() const { return action_; }

 private:
  bool Placed() const { return widget_ != nullptr; }
  bool HasFont() const { return widget_ && kind_ != ControlKind::kPictureBox; }
  std::optional<std::string> CaptionText() const;
  bool SetCaptionText(const QString& text);
  bool SetFontSize(double points);
  // Shows the pixels given last under the picture's path; false when none were.
  bool ShowPictureOf(const std::string& path);
  void ShowPicture();
  void ApplyGeometry();
  void FitToCaption();

  std::string name_;
  ControlKind kind_;
  bool auto_size_;
  QPointer<QWidget> widget_;
  QPointer<QAction> action_;
  TwipScale scale_;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  double font_points_ = 0;
  std::string tag_;
  std::string picture_path_;
  QImage picture_, next_picture_;
};

}  // namespace veil::qt
