#pragma once

#include <functional>

#include "platform/message_pump.h"

namespace veil {

// A pump that yields on every call and counts the yields; a test can run its
// own code at each yield, as the window would handle an event there.
class ScriptedPump final : public MessagePump {
 public:
  ScriptedPump() : MessagePump(std::chrono::microseconds(0)) {}
  int Yields() const { return yields_; }
  void OnYield(std::function<void()> handler) { on_yield_ = std::move(handler); }
  void ShowWaiting(bool waiting) override { waiting_ = waiting; }
  // The window shows that it waits for work done aside.
  bool Waiting() const { return waiting_; }

 protected:
  void DispatchPending() override {
    ++yields_;
    if (on_yield_) on_yield_();
  }

 private:
  int yields_ = 0;
  bool waiting_ = false;
  std::function<void()> on_yield_;
};

}  // namespace veil
