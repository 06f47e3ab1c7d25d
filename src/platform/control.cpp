#include "platform/control.h"

namespace veil {
namespace {

template <typename T>
T Read(ControlSet& controls, std::string_view control, std::string_view property, T fallback) {
  Control* c = controls.Find(control);
  if (!c) {
    controls.ReportUnknown(control);
    return fallback;
  }
  auto value = c->Get(property);
  if (!value) return fallback;
  if (const T* v = std::get_if<T>(&*value)) return *v;
  return fallback;
}

}  // namespace

bool MoveOneEdge(Control& control, std::string_view property, double value, double left, double top, double width,
                 double height) {
  if (property == prop::kLeft) return control.Move(value, top, width, height);
  if (property == prop::kTop) return control.Move(left, value, width, height);
  if (property == prop::kWidth) return control.Move(left, top, value, height);
  if (property == prop::kHeight) return control.Move(left, top, width, value);
  return false;
}

bool SetProperty(ControlSet& controls, std::string_view control, std::string_view property,
                 const PropertyValue& value) {
  Control* c = controls.Find(control);
  if (!c) controls.ReportUnknown(control);
  return c && c->Set(property, value);
}

std::string GetText(ControlSet& controls, std::string_view control, std::string_view property) {
  return Read<std::string>(controls, control, property, {});
}

double GetNumber(ControlSet& controls, std::string_view control, std::string_view property) {
  return Read<double>(controls, control, property, 0.0);
}

bool GetFlag(ControlSet& controls, std::string_view control, std::string_view property) {
  return Read<bool>(controls, control, property, false);
}

}  // namespace veil
