#include "platform/memory_controls.h"

#include <cstdio>
#include <stdexcept>

namespace veil {

std::string ToDisplayText(const PropertyValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", std::get<double>(value));
  return text;
}

MemoryControl::MemoryControl(std::string name, std::set<std::string, std::less<>> members)
    : name_(std::move(name)), members_(std::move(members)) {}

std::optional<PropertyValue> MemoryControl::Get(std::string_view property) const {
  if (!members_.count(property)) return std::nullopt;
  auto it = values_.find(property);
  if (it != values_.end()) return it->second;
  if (property == prop::kEnabled || property == prop::kVisible) return PropertyValue{true};
  if (property == prop::kCaption || property == prop::kText || property == prop::kTag)
    return PropertyValue{std::string{}};
  return PropertyValue{0.0};
}

bool MemoryControl::Set(std::string_view property, const PropertyValue& value) {
  if (!members_.count(property)) return false;
  if (validator_ && !validator_(property, value)) return false;
  values_.insert_or_assign(std::string(property), value);
  if (listener_) listener_(*this, property, value);
  return true;
}

bool MemoryControl::Move(double left, double top, double width, double height) {
  for (auto p : {prop::kLeft, prop::kTop, prop::kWidth, prop::kHeight})
    if (!members_.count(p)) return false;
  if (width < 0 || height < 0) return false;
  Set(prop::kLeft, left);
  Set(prop::kTop, top);
  Set(prop::kWidth, width);
  Set(prop::kHeight, height);
  return true;
}

MemoryControl& MemoryControls::Add(std::string name, std::set<std::string, std::less<>> members) {
  MemoryControl& control = OwnedControls::Add(std::make_unique<MemoryControl>(std::move(name), std::move(members)));
  control.SetListener([this](const MemoryControl& c, std::string_view property, const PropertyValue& v) {
    history_.push_back(c.Name() + "." + std::string(property) + "=" + ToDisplayText(v));
    if (listener_) listener_(c, property, v);
  });
  return control;
}

void MemoryControls::ReportUnknown(std::string_view name) {
  throw std::logic_error("no control is named \"" + std::string(name) + "\"");
}

void MemoryControls::SetListener(MemoryControl::Listener listener) { listener_ = std::move(listener); }

}  // namespace veil
