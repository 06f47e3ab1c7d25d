#include "window/definition/proportional_layout.h"

#include <array>
#include <charconv>

namespace veil::ui {
namespace {

std::optional<double> NumberOf(const Control& control, std::string_view property) {
  auto value = control.Get(property);
  if (!value) return std::nullopt;
  if (const double* number = std::get_if<double>(&*value)) return *number;
  return std::nullopt;
}

}  // namespace

std::string FormatLayoutNumber(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
  return std::string(text, result.ptr);
}

void RecordDesignLayout(ControlSet& controls) {
  for (Control* control : controls.All()) {
    const auto left = NumberOf(*control, prop::kLeft), top = NumberOf(*control, prop::kTop),
               width = NumberOf(*control, prop::kWidth), height = NumberOf(*control, prop::kHeight);
    if (left && top && width && height) {
      control->Set(prop::kTag, FormatLayoutNumber(*left) + " " + FormatLayoutNumber(*top) + " " +
                                   FormatLayoutNumber(*width) + " " + FormatLayoutNumber(*height) + " ");
    }
    if (const auto font = NumberOf(*control, prop::kFontSize)) {
      auto tag = control->Get(prop::kTag);
      if (const auto* text = tag ? std::get_if<std::string>(&*tag) : nullptr)
        control->Set(prop::kTag, *text + FormatLayoutNumber(*font) + " ");
    }
  }
}

void ApplyProportionalLayout(ControlSet& controls, double client_width, double client_height, double design_width,
                             double design_height) {
  const double ratio_x = client_width / design_width;
  const double ratio_y = client_height / design_height;
  const double font_ratio = ratio_x < ratio_y ? ratio_x : ratio_y;
  std::array<double, 5> slot{};
  for (Control* control : controls.All()) {
    const auto visible = control->Get(prop::kVisible);
    control->Set(prop::kVisible, false);

    const auto tag_value = control->Get(prop::kTag);
    const std::string tag = tag_value && std::holds_alternative<std::string>(*tag_value)
                                ? std::get<std::string>(*tag_value)
                                : std::string{};
    std::size_t start = 0;
    for (double& field : slot) {
      const std::size_t blank = tag.find(' ', start);
      if (blank == std::string::npos) {
        field = 0;
        continue;
      }
      double number = 0;
      const auto [end, error] = std::from_chars(tag.data() + start, tag.data() + blank, number);
      if (error == std::errc{} && end == tag.data() + blank) field = number;  // a malformed field is skipped
      start = blank + 1;
    }

    control->Move(slot[0] * ratio_x, slot[1] * ratio_y, slot[2] * ratio_x, slot[3] * ratio_y);
    control->Set(prop::kFontSize, slot[4] * font_ratio);
    if (visible) control->Set(prop::kVisible, *visible);
  }
}

}  // namespace veil::ui
