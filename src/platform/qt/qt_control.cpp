#include "platform/qt/qt_control.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>

#include "files/file_failure.h"

namespace veil::qt {
namespace {

template <typename T>
const T* As(const PropertyValue& value) {
  return std::get_if<T>(&value);
}

}  // namespace

QtControl::QtControl(const ControlShape& design, QWidget* widget, QAction* action, TwipScale scale)
    : name_(design.name),
      kind_(design.kind),
      auto_size_(design.auto_size),
      widget_(widget),
      action_(action),
      scale_(scale) {
  if (widget_) {
    QFont font = widget_->font();
    font_points_ = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / scale_.dpi_y;
    left_ = design.left;
    top_ = design.top;
    width_ = design.width;
    height_ = design.height;
    ApplyGeometry();
    if (auto_size_) FitToCaption();
  }
}

std::optional<std::string> QtControl::CaptionText() const {
  if (action_) return action_->text().toStdString();
  if (auto* group = qobject_cast<QGroupBox*>(widget_)) return group->title().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget_); label && kind_ == ControlKind::kLabel)
    return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) return button->text().toStdString();
  return std::nullopt;
}

bool QtControl::SetCaptionText(const QString& text) {
  if (action_) {
    action_->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget_)) {
    group->setTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget_); label && kind_ == ControlKind::kLabel) {
    label->setText(text);
    if (auto_size_) FitToCaption();
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
    button->setText(text);
  } else {
    return false;
  }
  return true;
}

std::optional<PropertyValue> QtControl::Get(std::string_view property) const {
  if (property == prop::kCaption) {
    if (auto text = CaptionText()) return PropertyValue{*text};
    return std::nullopt;
  }
  if (property == prop::kText) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget_)) return PropertyValue{edit->text().toStdString()};
    return std::nullopt;
  }
  if (property == prop::kEnabled) return PropertyValue{action_ ? action_->isEnabled() : widget_->isEnabled()};
  if (property == prop::kVisible) return PropertyValue{action_ ? action_->isVisible() : !widget_->isHidden()};
  if (property == prop::kTag) return PropertyValue{tag_};
  if (property == prop::kValue) {
    if (auto* bar = qobject_cast<QProgressBar*>(widget_)) return PropertyValue{double(bar->value())};
    if (auto* box = qobject_cast<QCheckBox*>(widget_)) {
      switch (box->checkState()) {
        case Qt::Unchecked: return PropertyValue{0.0};
        case Qt::Checked: return PropertyValue{1.0};
        default: return PropertyValue{2.0};
      }
    }
    return std::nullopt;
  }
  if (!Placed()) return std::nullopt;
  if (property == prop::kLeft) return PropertyValue{left_};
  if (property == prop::kTop) return PropertyValue{top_};
  if (property == prop::kWidth) return PropertyValue{width_};
  if (property == prop::kHeight) return PropertyValue{height_};
  if (property == prop::kFontSize && HasFont()) return PropertyValue{font_points_};
  if (property == prop::kPicture && kind_ == ControlKind::kPictureBox) return PropertyValue{picture_path_};
  return std::nullopt;
}

bool QtControl::Set(std::string_view property, const PropertyValue& value) {
  if (property == prop::kTag) {
    if (const auto* text = As<std::string>(value)) {
      tag_ = *text;
      return true;
    }
    return false;
  }
  if (property == prop::kCaption) {
    const auto* text = As<std::string>(value);
    return text && SetCaptionText(QString::fromStdString(*text));
  }
  if (property == prop::kText) {
    auto* edit = qobject_cast<QLineEdit*>(widget_);
    const auto* text = As<std::string>(value);
    if (!edit || !text) return false;
    edit->setText(QString::fromStdString(*text));
    return true;
  }
  if (property == prop::kEnabled || property == prop::kVisible) {
    const auto* flag = As<bool>(value);
    if (!flag) return false;
    if (action_) {
      property == prop::kEnabled ? action_->setEnabled(*flag) : action_->setVisible(*flag);
    } else {
      property == prop::kEnabled ? widget_->setEnabled(*flag) : widget_->setVisible(*flag);
    }
    return true;
  }
  if (property == prop::kValue) {
    const auto* number = As<double>(value);
    if (auto* bar = qobject_cast<QProgressBar*>(widget_)) {
      if (!number || *number < 0 || *number > 100) return false;
      bar->setValue(static_cast<int>(*number));
      return true;
    }
    auto* box = qobject_cast<QCheckBox*>(widget_);
    if (!box || !number || (*number != 0 && *number != 1 && *number != 2)) return false;
    box->setCheckState(*number == 0 ? Qt::Unchecked : *number == 1 ? Qt::Checked : Qt::PartiallyChecked);
    return true;
  }
  if (property == prop::kImage && kind_ == ControlKind::kPictureBox) {
    const auto* image = As<Image>(value);
    if (!image) return false;
    next_picture_ =
        image->rgb.empty()
            ? QImage()
            : QImage(image->rgb.data(), image->width, image->height, image->width * 3, QImage::Format_RGB888).copy();
    return true;
  }
  if (property == prop::kPicture && kind_ == ControlKind::kPictureBox) {
    const auto* path = As<std::string>(value);
    return path && ShowPictureOf(*path);
  }
  const auto* number = As<double>(value);
  if (!Placed() || !number) return false;
  if (property == prop::kFontSize) return HasFont() && SetFontSize(*number);
  return MoveOneEdge(*this, property, *number, left_, top_, width_, height_);
}

bool QtControl::Move(double left, double top, double width, double height) {
  if (!Placed() || width < 0 || height < 0) return false;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  ApplyGeometry();
  return true;
}

bool QtControl::SetFontSize(double points) {
  if (!(points > 0) || points > 2000) return false;  // a font cannot shrink to nothing
  QFont font = widget_->font();
  font.setPointSizeF(points);
  widget_->setFont(font);
  font_points_ = points;
  return true;
}

void QtControl::ApplyGeometry() {
  const int x = scale_.ToPixelsX(left_), y = scale_.ToPixelsY(top_);
  widget_->setGeometry(x, y, scale_.ToPixelsX(left_ + width_) - x, scale_.ToPixelsY(top_ + height_) - y);
  if (kind_ == ControlKind::kPictureBox) ShowPicture();
}

void QtControl::FitToCaption() {
  const QSize hint = widget_->sizeHint();
  width_ = scale_.ToTwipsX(hint.width());
  height_ = scale_.ToTwipsY(hint.height());
  ApplyGeometry();
}

bool QtControl::ShowPictureOf(const std::string& path) {
  if (!path.empty() && next_picture_.isNull()) return false;
  picture_ = path.empty() ? QImage() : std::move(next_picture_);
  next_picture_ = QImage();
  picture_path_ = path;
  ShowPicture();
  return true;
}

void QtControl::ShowPicture() {
  auto* label = qobject_cast<QLabel*>(widget_);
  if (!label) return;
  if (picture_.isNull()) {
    label->clear();
    return;
  }
  if (label->width() <= 0 || label->height() <= 0) return;
  label->setPixmap(QPixmap::fromImage(picture_.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace veil::qt
