#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/control.h"
#include "platform/owned_controls.h"

namespace veil {

// A control kept in memory: a property table with a fixed set of members.
// Used by the console program and by tests in place of real widgets.
class MemoryControl final : public Control {
 public:
  MemoryControl(std::string name, std::set<std::string, std::less<>> members);

  const std::string& Name() const override { return name_; }
  std::optional<PropertyValue> Get(std::string_view property) const override;
  bool Set(std::string_view property, const PropertyValue& value) override;
  bool Move(double left, double top, double width, double height) override;

  using Listener = std::function<void(const MemoryControl&, std::string_view property, const PropertyValue&)>;
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // Lets tests make a control refuse some values, as a real one may.
  using Validator = std::function<bool(std::string_view property, const PropertyValue&)>;
  void SetValidator(Validator validator) { validator_ = std::move(validator); }

 private:
  std::string name_;
  std::set<std::string, std::less<>> members_;
  std::map<std::string, PropertyValue, std::less<>> values_;
  Listener listener_;
  Validator validator_;
};

class MemoryControls final : public OwnedControls<MemoryControl> {
 public:
  MemoryControl& Add(std::string name, std::set<std::string, std::less<>> members);

  // Every successful Set, in order: "control.property=value".
  const std::vector<std::string>& History() const { return history_; }
  void ClearHistory() { history_.clear(); }
  // Called after every successful Set of any control.
  void SetListener(MemoryControl::Listener listener);
  // Throws std::logic_error: in memory, a misspelt name is a test failure.
  void ReportUnknown(std::string_view name) override;

 private:
  std::vector<std::string> history_;
  MemoryControl::Listener listener_;
};

std::string ToDisplayText(const PropertyValue& value);

}  // namespace veil
