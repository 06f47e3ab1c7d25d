#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/control.h"

namespace veil {

// A set that owns its controls, of one concrete kind, in creation order.
template <typename ControlType>
class OwnedControls : public ControlSet {
 public:
  ControlType& Add(std::unique_ptr<ControlType> control) {
    controls_.push_back(std::move(control));
    return *controls_.back();
  }
  ControlType* FindControl(std::string_view name) {
    for (auto& c : controls_)
      if (c->Name() == name) return c.get();
    return nullptr;
  }
  Control* Find(std::string_view name) override { return FindControl(name); }
  std::vector<Control*> All() override {
    std::vector<Control*> all;
    for (auto& c : controls_) all.push_back(c.get());
    return all;
  }

 private:
  std::vector<std::unique_ptr<ControlType>> controls_;
};

}  // namespace veil
